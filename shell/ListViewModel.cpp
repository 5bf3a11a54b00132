#include "shell/ListViewModel.h"

#include <QStringDecoder>
#include <algorithm>
#include <climits>
#include <limits>

#include "shell/AppError.h"

namespace bw {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";  // U+FEFF in UTF-8
constexpr std::size_t kMaxOffset = std::numeric_limits<std::uint32_t>::max();
// Garbage in the arena or the cell table is compacted away once it is larger
// than the live data and larger than these floors (so that small lists never
// pay for a rebuild).
constexpr std::size_t kMinGarbageBytes = std::size_t{1} << 20;
constexpr std::size_t kMinGarbageCells = std::size_t{1} << 16;

bool PointsInto(const std::string& buffer, std::string_view text) {
    if (text.empty() || buffer.empty()) return false;
    const char* begin = buffer.data();
    const char* end = begin + buffer.size();
    return std::less_equal<const char*>()(begin, text.data()) && std::less<const char*>()(text.data(), end);
}

}  // namespace

QString CellTextToQString(std::string_view utf8) {
    const QByteArrayView bytes(utf8.data(), static_cast<qsizetype>(utf8.size()));
    // Only a text that starts with the encoded U+FEFF needs the decoder that
    // keeps it; every other text takes QString's faster direct conversion
    // (the same result for it, without setting up a decoder per cell).
    if (!utf8.starts_with(kUtf8Bom)) return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

ListViewModel::ListViewModel(bool checkBoxes, QObject* parent) : QAbstractTableModel(parent), checkBoxes_(checkBoxes) {}

ListViewModel::~ListViewModel() = default;

int ListViewModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int ListViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_ || index.column() >= columnCount()) return {};
    const Row& r = rows_[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<std::size_t>(index.column());
    switch (role) {
        case Qt::DisplayRole: {
            if (column >= r.cellCount) return QString();
            return CellTextToQString(CellText(r, column));
        }
        case Qt::CheckStateRole:
            if (checkBoxes_ && column == 0) return static_cast<int>(r.checked ? Qt::Checked : Qt::Unchecked);
            return {};
        default:
            return {};
    }
}

bool ListViewModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !checkBoxes_ || !index.isValid() || index.column() != 0 || index.row() >= shown_)
        return false;
    const int state = value.toInt();
    if (state != Qt::Checked && state != Qt::Unchecked) return false;
    rows_[static_cast<std::size_t>(index.row())].checked = state == Qt::Checked ? 1 : 0;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags ListViewModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (checkBoxes_ && index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount()) return {};
    return captions_[section];
}

void ListViewModel::ClearColumns() {
    if (captions_.isEmpty()) return;
    beginRemoveColumns(QModelIndex(), 0, columnCount() - 1);
    captions_.clear();
    endRemoveColumns();
}

void ListViewModel::AddColumn(const QString& caption) {
    const int n = columnCount();
    beginInsertColumns(QModelIndex(), n, n);
    captions_.append(caption);
    endInsertColumns();
}

QString ListViewModel::ColumnCaption(int n) const {
    if (n < 1 || n > columnCount()) throw AppError("Invalid column index " + std::to_string(n));
    return captions_[n - 1];
}

std::size_t ListViewModel::RowIndex(int row) const {
    if (row < 1 || static_cast<std::size_t>(row) > rows_.size())
        throw AppError("Invalid row index " + std::to_string(row));
    return static_cast<std::size_t>(row - 1);
}

std::string_view ListViewModel::CellText(const Row& r, std::size_t c) const {
    const Slot& cell = cells_[r.firstCell + c];
    if (cell.length == 0) return {};
    return std::string_view(arena_.data() + r.base + cell.offset, cell.length);
}

int ListViewModel::AppendRow(std::string_view text) { return AppendRow(std::span<const std::string_view>(&text, 1)); }

int ListViewModel::AppendRow(std::span<const std::string_view> cells) {
    if (rows_.size() >= static_cast<std::size_t>(INT_MAX)) throw AppError("The list cannot hold more rows");
    std::size_t total = 0;
    bool aliased = false;
    for (std::string_view c : cells) {
        total += c.size();
        aliased = aliased || PointsInto(arena_, c);
    }
    const std::size_t count = std::max<std::size_t>(cells.size(), 1);
    if (total > kMaxOffset || count > (std::size_t{1} << 31) - 1)
        throw AppError("The row's texts are too long for the list");
    if (cells_.size() + count > kMaxOffset) throw AppError("The list cannot hold more cells");
    if (aliased) {
        // The texts are views into the arena itself (copied from another row):
        // take copies, as growing the arena would move them.
        std::vector<std::string> copies(cells.begin(), cells.end());
        std::vector<std::string_view> views(copies.begin(), copies.end());
        return AppendRow(views);
    }

    Row r{};
    r.base = arena_.size();
    r.firstCell = static_cast<std::uint32_t>(cells_.size());
    r.cellCount = static_cast<std::uint32_t>(count) & 0x7fffffffu;
    r.checked = 1;
    for (std::string_view c : cells) {
        cells_.push_back(Slot{c.empty() ? 0 : static_cast<std::uint32_t>(arena_.size() - r.base),
                              static_cast<std::uint32_t>(c.size())});
        arena_.append(c);
    }
    if (cells.empty()) cells_.push_back(Slot{0, 0});
    rows_.push_back(r);
    liveText_ += total;
    liveCells_ += count;
    NotifyAppended();
    return static_cast<int>(rows_.size());
}

void ListViewModel::SetCell(int row, int c, std::string_view text) {
    const std::size_t i = RowIndex(row);
    if (c < 1) throw AppError("Invalid cell index " + std::to_string(c));
    if (PointsInto(arena_, text)) {
        const std::string copy(text);
        SetCell(row, c, copy);
        return;
    }
    Row& r = rows_[i];
    const auto cellNo = static_cast<std::size_t>(c);
    std::size_t rowText = 0;
    for (std::size_t k = 0; k < r.cellCount; ++k) rowText += cells_[r.firstCell + k].length;
    const std::size_t replaced = cellNo <= r.cellCount ? cells_[r.firstCell + cellNo - 1].length : 0;
    if (rowText - replaced + text.size() > kMaxOffset) throw AppError("The row's texts are too long for the list");

    if (cellNo > r.cellCount) {
        const bool lastRecords = r.firstCell + r.cellCount == cells_.size();
        const std::size_t first = lastRecords ? r.firstCell : cells_.size();
        if (first + cellNo > kMaxOffset) throw AppError("The list cannot hold more cells");
        if (!lastRecords) {
            // Move the row's cell records to the end of the table so that the
            // new ones follow them; the old records become garbage.
            cells_.reserve(cells_.size() + cellNo);
            for (std::size_t k = 0; k < r.cellCount; ++k) cells_.push_back(cells_[r.firstCell + k]);
            r.firstCell = static_cast<std::uint32_t>(first);
        }
        cells_.resize(first + cellNo, Slot{0, 0});
        liveCells_ += cellNo - r.cellCount;
        r.cellCount = static_cast<std::uint32_t>(cellNo) & 0x7fffffffu;
    }

    Slot& cell = cells_[r.firstCell + cellNo - 1];
    liveText_ -= cell.length;
    cell = Slot{0, 0};
    if (!text.empty()) {
        // The row's offsets are 32 bits from its base: when the arena's end is
        // too far from it, move the row's texts to the end first.
        if (arena_.size() - r.base + text.size() > kMaxOffset) MoveRowTextsToEnd(r);
        Slot& target = cells_[r.firstCell + cellNo - 1];
        target = Slot{static_cast<std::uint32_t>(arena_.size() - r.base), static_cast<std::uint32_t>(text.size())};
        arena_.append(text);
        liveText_ += text.size();
    }
    if (static_cast<int>(i) < shown_ && c <= columnCount()) {
        const QModelIndex changed = index(static_cast<int>(i), c - 1);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }
    MaybeCompact();
}

void ListViewModel::MoveRowTextsToEnd(Row& r) {
    std::size_t rowText = 0;
    for (std::size_t k = 0; k < r.cellCount; ++k) rowText += cells_[r.firstCell + k].length;
    arena_.reserve(arena_.size() + rowText);
    const std::size_t newBase = arena_.size();
    for (std::size_t k = 0; k < r.cellCount; ++k) {
        Slot& cell = cells_[r.firstCell + k];
        if (cell.length == 0) continue;
        const std::size_t from = r.base + cell.offset;
        const std::size_t to = arena_.size();
        arena_.append(arena_, from, cell.length);
        cell.offset = static_cast<std::uint32_t>(to - newBase);
    }
    r.base = newBase;
}

std::string_view ListViewModel::Cell(int row, int c) const {
    const Row& r = rows_[RowIndex(row)];
    if (c < 1) throw AppError("Invalid cell index " + std::to_string(c));
    if (static_cast<std::size_t>(c) > r.cellCount) return {};
    return CellText(r, static_cast<std::size_t>(c - 1));
}

int ListViewModel::CellCount(int row) const { return static_cast<int>(rows_[RowIndex(row)].cellCount); }

bool ListViewModel::Checked(int row) const { return rows_[RowIndex(row)].checked != 0; }

void ListViewModel::SetChecked(int row, bool checked) {
    const std::size_t i = RowIndex(row);
    rows_[i].checked = checked ? 1 : 0;
    if (checkBoxes_ && static_cast<int>(i) < shown_ && columnCount() > 0) {
        const QModelIndex changed = index(static_cast<int>(i), 0);
        emit dataChanged(changed, changed, {Qt::CheckStateRole});
    }
}

void ListViewModel::RemoveRow(int row) {
    const std::size_t i = RowIndex(row);
    FlushRows();
    beginRemoveRows(QModelIndex(), static_cast<int>(i), static_cast<int>(i));
    const Row r = rows_[i];
    for (std::size_t k = 0; k < r.cellCount; ++k) liveText_ -= cells_[r.firstCell + k].length;
    liveCells_ -= r.cellCount;
    if (r.firstCell + r.cellCount == cells_.size()) cells_.resize(r.firstCell);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
    if (rows_.empty()) {
        arena_.clear();
        cells_.clear();
    }
    --shown_;
    endRemoveRows();
    MaybeCompact();
}

void ListViewModel::ClearRows() {
    // Rows not yet reported to the view are dropped along with the shown ones;
    // the view only hears about the rows it knows.
    const auto release = [this] {
        std::string().swap(arena_);
        std::vector<Slot>().swap(cells_);
        std::vector<Row>().swap(rows_);
        liveText_ = 0;
        liveCells_ = 0;
    };
    if (shown_ == 0) {
        release();
        return;
    }
    beginRemoveRows(QModelIndex(), 0, shown_ - 1);
    release();
    shown_ = 0;
    endRemoveRows();
}

void ListViewModel::EndBatch() {
    if (batchDepth_ > 0) --batchDepth_;
    if (batchDepth_ == 0) FlushRows();
}

void ListViewModel::FlushRows() {
    const int total = RowCount();
    if (shown_ >= total) return;
    beginInsertRows(QModelIndex(), shown_, total - 1);
    shown_ = total;
    endInsertRows();
}

void ListViewModel::NotifyAppended() {
    if (batchDepth_ == 0) FlushRows();
}

void ListViewModel::MaybeCompact() {
    const std::size_t garbageText = arena_.size() - liveText_;
    const std::size_t garbageCells = cells_.size() - liveCells_;
    if ((garbageText > kMinGarbageBytes && garbageText > liveText_) ||
        (garbageCells > kMinGarbageCells && garbageCells > liveCells_))
        Compact();
}

void ListViewModel::Compact() {
    std::string arena;
    arena.reserve(liveText_);
    std::vector<Slot> cells;
    cells.reserve(liveCells_);
    for (Row& r : rows_) {
        const std::size_t base = arena.size();
        const auto first = static_cast<std::uint32_t>(cells.size());
        for (std::size_t k = 0; k < r.cellCount; ++k) {
            const Slot& cell = cells_[r.firstCell + k];
            cells.push_back(Slot{cell.length == 0 ? 0 : static_cast<std::uint32_t>(arena.size() - base), cell.length});
            arena.append(arena_, r.base + cell.offset, cell.length);
        }
        r.base = base;
        r.firstCell = first;
    }
    arena_.swap(arena);
    cells_.swap(cells);
}

}  // namespace bw
