#include "shell/ListViewModel.h"

#include <QStringDecoder>
#include <algorithm>
#include <climits>

#include "shell/AppError.h"
#include "shell/TextPieces.h"

namespace bw {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";  // U+FEFF in UTF-8

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

QString DisplayText(std::string_view utf8) {
    if (utf8.size() <= static_cast<std::size_t>(kDisplayCharacters)) return CellTextToQString(utf8);
    // A character takes at most four bytes: the first bytes that can hold
    // one more character than is shown are enough to tell.
    const std::size_t head = Utf8PieceLength(utf8, static_cast<std::size_t>(kDisplayCharacters + 1) * 4);
    QString text = CellTextToQString(utf8.substr(0, head));
    if (head == utf8.size() && text.size() <= kDisplayCharacters) return text;
    qsizetype keep = kDisplayCharacters;
    if (text[keep - 1].isHighSurrogate()) --keep;
    text.truncate(keep);
    text.append(QChar(0x2026));
    return text;
}

namespace {

// Memory given back at one turn of the event loop.
constexpr std::size_t kReleasedPerTurn = std::size_t{16} << 20;

}  // namespace

ListViewModel::ListViewModel(bool checkBoxes, QObject* parent) : QAbstractTableModel(parent), checkBoxes_(checkBoxes) {
    releaseTimer_.setInterval(0);
    connect(&releaseTimer_, &QTimer::timeout, this, [this] { ReleaseSome(); });
}

ListViewModel::~ListViewModel() = default;

int ListViewModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int ListViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_ || index.column() >= columnCount()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const auto column = static_cast<std::size_t>(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return DisplayText(storage_.Cell(row, column));
        case Qt::CheckStateRole:
            if (checkBoxes_ && column == 0)
                return static_cast<int>(storage_.Checked(row) ? Qt::Checked : Qt::Unchecked);
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
    storage_.SetChecked(static_cast<std::size_t>(index.row()), state == Qt::Checked);
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
    if (row < 1 || static_cast<std::size_t>(row) > storage_.RowCount())
        throw AppError("Invalid row index " + std::to_string(row));
    return static_cast<std::size_t>(row - 1);
}

void ListViewModel::CheckRoomForARow() const {
    if (storage_.RowCount() >= static_cast<std::size_t>(INT_MAX)) throw AppError("The list cannot hold more rows");
}

int ListViewModel::AppendRow(std::string_view text) { return AppendRow(std::span<const std::string_view>(&text, 1)); }

int ListViewModel::AppendRow(std::span<const std::string_view> cells) {
    CheckRoomForARow();
    storage_.AppendRow(cells);
    NotifyAppended();
    return RowCount();
}

int ListViewModel::AppendLongRow(LongRow&& row) {
    CheckRoomForARow();
    storage_.AppendLongRow(std::move(row));
    NotifyAppended();
    return RowCount();
}

void ListViewModel::SetCell(int row, int c, std::string_view text) {
    const std::size_t i = RowIndex(row);
    if (c < 1) throw AppError("Invalid cell index " + std::to_string(c));
    storage_.SetCell(i, static_cast<std::size_t>(c - 1), text);
    if (static_cast<int>(i) < shown_ && c <= columnCount()) {
        const QModelIndex changed = index(static_cast<int>(i), c - 1);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }
}

std::string_view ListViewModel::Cell(int row, int c) const {
    const std::size_t i = RowIndex(row);
    if (c < 1) throw AppError("Invalid cell index " + std::to_string(c));
    return storage_.Cell(i, static_cast<std::size_t>(c - 1));
}

void ListViewModel::Cells(int row, std::span<std::string_view> cells) const { storage_.Cells(RowIndex(row), cells); }

PinnedText ListViewModel::PinCell(int row, int c) const {
    const std::size_t i = RowIndex(row);
    if (c < 1) throw AppError("Invalid cell index " + std::to_string(c));
    return storage_.Pin(i, static_cast<std::size_t>(c - 1));
}

int ListViewModel::CellCount(int row) const { return static_cast<int>(storage_.CellCount(RowIndex(row))); }

bool ListViewModel::Checked(int row) const { return storage_.Checked(RowIndex(row)); }

void ListViewModel::SetChecked(int row, bool checked) {
    const std::size_t i = RowIndex(row);
    storage_.SetChecked(i, checked);
    if (checkBoxes_ && static_cast<int>(i) < shown_ && columnCount() > 0) {
        const QModelIndex changed = index(static_cast<int>(i), 0);
        emit dataChanged(changed, changed, {Qt::CheckStateRole});
    }
}

void ListViewModel::RemoveRow(int row) {
    const std::size_t i = RowIndex(row);
    FlushRows();
    beginRemoveRows(QModelIndex(), static_cast<int>(i), static_cast<int>(i));
    storage_.RemoveRow(i);
    --shown_;
    endRemoveRows();
}

void ListViewModel::ClearRows() {
    // Rows not yet reported to the view are dropped along with the shown ones;
    // the view only hears about the rows it knows.
    auto release = [this] {
        ReleasedRows rows = storage_.TakeAll();
        // A part goes at once, in case the event loop does not turn before
        // the next clear; a small list goes whole.
        ReleaseSome();
        if (rows.ReleaseSome(kReleasedPerTurn)) return;
        releasing_.push_back(std::move(rows));
        releaseTimer_.start();
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

void ListViewModel::ReleaseSome() {
    std::size_t budget = kReleasedPerTurn;
    while (!releasing_.empty() && budget > 0) {
        ReleasedRows& rows = releasing_.front();
        const std::size_t before = rows.Bytes();
        const bool done = rows.ReleaseSome(budget);
        budget -= std::min(budget, before - rows.Bytes());
        if (!done) break;
        releasing_.pop_front();
    }
    if (releasing_.empty()) releaseTimer_.stop();
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

}  // namespace bw
