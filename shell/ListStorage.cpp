#include "shell/ListStorage.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "shell/AppError.h"

namespace bw {

namespace {

// ---- memory straight from the system --------------------------------------

std::size_t PageBytes() {
    static const std::size_t page = [] {
        const long size = sysconf(_SC_PAGESIZE);
        return size > 0 ? static_cast<std::size_t>(size) : std::size_t{4096};
    }();
    return page;
}

std::size_t RoundToPages(std::size_t bytes) {
    const std::size_t page = PageBytes();
    return (std::max<std::size_t>(bytes, 1) + page - 1) / page * page;
}

// Pages are only backed by memory once written to, so an unused tail costs
// address space, not memory.
char* MapBytes(std::size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    return static_cast<char*>(p);
}

// Grows or shrinks a mapping; the system moves its pages, not its bytes.
char* RemapBytes(char* data, std::size_t from, std::size_t to) {
    void* p = mremap(data, from, to, MREMAP_MAYMOVE);
    if (p == MAP_FAILED) throw std::bad_alloc();
    return static_cast<char*>(p);
}

void UnmapBytes(char* data, std::size_t bytes) {
    if (data) munmap(data, bytes);
}

// ---- row records ------------------------------------------------------------
// bits 0-19: offset in the block; 20-39: block index; 40: checked;
// 41-63: cell count.

constexpr unsigned kOffsetBits = 20;
constexpr unsigned kBlockIndexBits = 20;
constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;
constexpr std::uint64_t kBlockIndexMask = (std::uint64_t{1} << kBlockIndexBits) - 1;
constexpr std::uint64_t kPositionMask = (std::uint64_t{1} << (kOffsetBits + kBlockIndexBits)) - 1;
constexpr std::uint64_t kCheckedBit = std::uint64_t{1} << 40;
constexpr unsigned kCountShift = 41;
constexpr std::size_t kMaxBlocks = std::size_t{1} << kBlockIndexBits;

static_assert(ListStorage::kBlockBytes <= (std::size_t{1} << kOffsetBits));

std::uint64_t Position(std::uint32_t block, std::size_t offset) {
    return (std::uint64_t{block} << kOffsetBits) | static_cast<std::uint64_t>(offset);
}
std::uint32_t BlockOf(std::uint64_t record) {
    return static_cast<std::uint32_t>((record >> kOffsetBits) & kBlockIndexMask);
}
std::size_t OffsetOf(std::uint64_t record) { return static_cast<std::size_t>(record & kOffsetMask); }
std::size_t CountOf(std::uint64_t record) { return static_cast<std::size_t>(record >> kCountShift); }
std::uint64_t Record(std::uint64_t position, bool checked, std::size_t cells) {
    return position | (checked ? kCheckedBit : 0) | (static_cast<std::uint64_t>(cells) << kCountShift);
}

// ---- cell descriptors -------------------------------------------------------
// A LEB128 number: an even one is the length of the text that follows it
// (times two), an odd one the number of a shared text (times two, plus one).

std::uint64_t ReadNumber(const char*& p) {
    auto byte = static_cast<unsigned char>(*p++);
    if (byte < 0x80) return byte;
    std::uint64_t value = byte & 0x7Fu;
    unsigned shift = 7;
    do {
        byte = static_cast<unsigned char>(*p++);
        value |= static_cast<std::uint64_t>(byte & 0x7Fu) << shift;
        shift += 7;
    } while (byte >= 0x80);
    return value;
}

std::size_t NumberBytes(std::uint64_t value) {
    std::size_t n = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++n;
    }
    return n;
}

char* WriteNumber(char* p, std::uint64_t value) {
    while (value >= 0x80) {
        *p++ = static_cast<char>((value & 0x7Fu) | 0x80u);
        value >>= 7;
    }
    *p++ = static_cast<char>(value);
    return p;
}

// The descriptor of a cell still being written has a fixed width, so that
// its text can follow it before its length is known.
constexpr std::size_t kOpenDescriptorBytes = 6;
constexpr std::uint64_t kLongestLongCell = (std::uint64_t{1} << (7 * kOpenDescriptorBytes - 1)) - 1;

void WriteOpenDescriptor(char* p, std::uint64_t value) {
    for (std::size_t i = 0; i < kOpenDescriptorBytes; ++i) {
        const auto bits = static_cast<unsigned>(value & 0x7Fu);
        p[i] = static_cast<char>(i + 1 < kOpenDescriptorBytes ? bits | 0x80u : bits);
        value >>= 7;
    }
}

// A long row's memory grows by half its size, at least 256 KiB and at most
// 256 MiB at a time.
constexpr std::size_t kLongRowMinGrowth = std::size_t{1} << 18;
constexpr std::size_t kLongRowMaxGrowth = std::size_t{1} << 28;

}  // namespace

struct ListStorage::Block {
    Block(char* d, std::size_t m, bool o) : data(d), mapped(m), own(o) {}
    ~Block() { UnmapBytes(data, mapped); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    char* data;
    std::size_t mapped;
    std::size_t used = 0;
    std::size_t live = 0;
    bool own;  // holds the data of one row alone
};

// Walks the cells of one row's data.
class ListStorage::CellReader {
public:
    CellReader(const ListStorage& storage, const char* data) : storage_(storage), p_(data) {}
    CellRef Next() {
        const std::uint64_t value = ReadNumber(p_);
        CellRef cell;
        if (value & 1) {
            cell.shared = true;
            cell.id = static_cast<std::uint32_t>(value >> 1);
            cell.text = storage_.SharedText(cell.id);
        } else {
            const auto length = static_cast<std::size_t>(value >> 1);
            cell.text = std::string_view(p_, length);
            p_ += length;
        }
        return cell;
    }
    const char* Position() const { return p_; }

private:
    const ListStorage& storage_;
    const char* p_;
};

// ---- LongRow ----------------------------------------------------------------

LongRow::~LongRow() { Release(); }

LongRow::LongRow(LongRow&& other) noexcept { *this = std::move(other); }

LongRow& LongRow::operator=(LongRow&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
        used_ = std::exchange(other.used_, 0);
        descriptorAt_ = std::exchange(other.descriptorAt_, 0);
        cells_ = std::exchange(other.cells_, 0);
        textBytes_ = std::exchange(other.textBytes_, 0);
    }
    return *this;
}

void LongRow::Release() {
    UnmapBytes(data_, mapped_);
    data_ = nullptr;
    mapped_ = used_ = descriptorAt_ = cells_ = textBytes_ = 0;
}

void LongRow::Reserve(std::size_t more) {
    if (more <= mapped_ - used_) return;
    const std::size_t growth = std::clamp(mapped_ / 2, kLongRowMinGrowth, kLongRowMaxGrowth);
    const std::size_t size = RoundToPages(std::max(used_ + more, mapped_ + growth));
    data_ = data_ ? RemapBytes(data_, mapped_, size) : MapBytes(size);
    mapped_ = size;
}

void LongRow::StartCell() {
    Reserve(kOpenDescriptorBytes);
    descriptorAt_ = used_;
    used_ += kOpenDescriptorBytes;
    ++cells_;
}

void LongRow::EndCell() { WriteOpenDescriptor(data_ + descriptorAt_, std::uint64_t{CellBytes()} << 1); }

std::size_t LongRow::CellBytes() const { return cells_ == 0 ? 0 : used_ - descriptorAt_ - kOpenDescriptorBytes; }

void LongRow::Append(std::string_view piece) {
    if (cells_ == 0) StartCell();
    if (piece.empty()) return;
    if (CellBytes() + piece.size() > kLongestLongCell) throw AppError("The row's texts are too long for the list");
    Reserve(piece.size());
    std::memcpy(data_ + used_, piece.data(), piece.size());
    used_ += piece.size();
    textBytes_ += piece.size();
}

void LongRow::NextCell() {
    if (cells_ == 0) StartCell();
    if (cells_ >= ListStorage::kMaxCells) throw AppError("The list cannot hold more cells");
    EndCell();
    StartCell();
}

// ---- records ----------------------------------------------------------------

ListStorage::Records::~Records() { Clear(); }

void ListStorage::Records::PushBack(std::uint64_t record) {
    if ((size_ >> kChunkBits) == chunks_.size()) {
        chunks_.reserve(chunks_.size() + 1);
        chunks_.push_back(reinterpret_cast<std::uint64_t*>(MapBytes(kChunkBytes)));
    }
    (*this)[size_++] = record;
}

void ListStorage::Records::Erase(std::size_t i) {
    // The records after it move up by one, chunk by chunk.
    const std::size_t last = size_ - 1;
    const std::size_t lastChunk = last >> kChunkBits;
    std::size_t first = i & kChunkMask;
    for (std::size_t chunk = i >> kChunkBits; chunk <= lastChunk; ++chunk, first = 0) {
        std::uint64_t* records = chunks_[chunk];
        const std::size_t end = chunk == lastChunk ? (last & kChunkMask) : kChunkMask;
        std::memmove(records + first, records + first + 1, (end - first) * sizeof(std::uint64_t));
        if (chunk < lastChunk) records[kChunkMask] = chunks_[chunk + 1][0];
    }
    --size_;
    while (chunks_.size() > ((size_ + kChunkMask) >> kChunkBits)) {
        UnmapBytes(reinterpret_cast<char*>(chunks_.back()), kChunkBytes);
        chunks_.pop_back();
    }
}

void ListStorage::Records::Clear() {
    for (std::uint64_t* chunk : chunks_) UnmapBytes(reinterpret_cast<char*>(chunk), kChunkBytes);
    std::vector<std::uint64_t*>().swap(chunks_);
    size_ = 0;
}

std::vector<std::uint64_t*> ListStorage::Records::TakeChunks() {
    std::vector<std::uint64_t*> chunks;
    chunks.swap(chunks_);
    size_ = 0;
    return chunks;
}

// ---- memory given back in parts ---------------------------------------------

ReleasedRows::~ReleasedRows() {
    while (!ReleaseSome(static_cast<std::size_t>(-1))) {}
}

ReleasedRows::ReleasedRows(ReleasedRows&& other) noexcept
    : blocks_(std::move(other.blocks_)), chunks_(std::move(other.chunks_)), bytes_(std::exchange(other.bytes_, 0)) {
    other.blocks_.clear();
    other.chunks_.clear();
}

bool ReleasedRows::ReleaseSome(std::size_t bytes) {
    std::size_t released = 0;
    while (!chunks_.empty() && released < bytes) {
        UnmapBytes(reinterpret_cast<char*>(chunks_.back()), ListStorage::Records::kChunkBytes);
        chunks_.pop_back();
        released += ListStorage::Records::kChunkBytes;
    }
    while (!blocks_.empty() && released < bytes) {
        // A block still pinned elsewhere stays until its pin goes.
        released += std::static_pointer_cast<ListStorage::Block>(blocks_.back())->mapped;
        blocks_.pop_back();
    }
    bytes_ -= std::min(bytes_, released);
    return Empty();
}

// ---- storage ----------------------------------------------------------------

ListStorage::ListStorage() = default;

ListStorage::~ListStorage() = default;

std::size_t ListStorage::BlockCount() const { return blocks_.size() - freeBlocks_.size(); }

std::string_view ListStorage::SharedText(std::uint32_t id) const { return *shared_[id]; }

const char* ListStorage::RowData(std::uint64_t record) const {
    return blocks_[BlockOf(record)]->data + OffsetOf(record);
}

std::size_t ListStorage::RowDataBytes(std::uint64_t record) const {
    const char* start = RowData(record);
    CellReader reader(*this, start);
    for (std::size_t c = CountOf(record); c > 0; --c) reader.Next();
    return static_cast<std::size_t>(reader.Position() - start);
}

std::size_t ListStorage::CellCount(std::size_t row) const { return CountOf(records_[row]); }

std::string_view ListStorage::Cell(std::size_t row, std::size_t c) const {
    const std::uint64_t record = records_[row];
    if (c >= CountOf(record)) return {};
    CellReader reader(*this, RowData(record));
    for (; c > 0; --c) reader.Next();
    return reader.Next().text;
}

void ListStorage::Cells(std::size_t row, std::span<std::string_view> cells) const {
    const std::uint64_t record = records_[row];
    const std::size_t count = std::min(CountOf(record), cells.size());
    CellReader reader(*this, RowData(record));
    for (std::size_t c = 0; c < count; ++c) cells[c] = reader.Next().text;
    for (std::size_t c = count; c < cells.size(); ++c) cells[c] = {};
}

PinnedText ListStorage::Pin(std::size_t row, std::size_t c) const {
    const std::uint64_t record = records_[row];
    if (c >= CountOf(record)) return {};
    CellReader reader(*this, RowData(record));
    for (; c > 0; --c) reader.Next();
    const CellRef cell = reader.Next();
    if (cell.shared) return {shared_[cell.id], cell.text};
    return {blocks_[BlockOf(record)], cell.text};
}

bool ListStorage::Checked(std::size_t row) const { return (records_[row] & kCheckedBit) != 0; }

void ListStorage::SetChecked(std::size_t row, bool checked) {
    std::uint64_t& record = records_[row];
    record = checked ? record | kCheckedBit : record & ~kCheckedBit;
}

std::uint32_t ListStorage::AddBlock(std::shared_ptr<Block> block) {
    std::uint32_t index;
    if (!freeBlocks_.empty()) {
        index = freeBlocks_.back();
        freeBlocks_.pop_back();
        blocks_[index] = std::move(block);
    } else {
        if (blocks_.size() >= kMaxBlocks) throw AppError("The list cannot hold more rows");
        index = static_cast<std::uint32_t>(blocks_.size());
        blocks_.push_back(std::move(block));
    }
    reservedBytes_ += blocks_[index]->mapped;
    return index;
}

char* ListStorage::Allocate(std::size_t bytes, std::uint64_t& position) {
    if (bytes > kOwnBlockRowBytes) {
        const std::size_t size = RoundToPages(bytes);
        auto block = std::make_shared<Block>(MapBytes(size), size, true);
        freeBlocks_.reserve(freeBlocks_.size() + 1);
        const std::uint32_t index = AddBlock(std::move(block));
        Block& b = *blocks_[index];
        b.used = b.live = bytes;
        usedBytes_ += bytes;
        position = Position(index, 0);
        return b.data;
    }
    if (!hasCurrent_ || blocks_[current_]->mapped - blocks_[current_]->used < bytes) {
        auto block = std::make_shared<Block>(MapBytes(kBlockBytes), kBlockBytes, false);
        current_ = AddBlock(std::move(block));
        hasCurrent_ = true;
    }
    Block& b = *blocks_[current_];
    char* at = b.data + b.used;
    position = Position(current_, b.used);
    b.used += bytes;
    b.live += bytes;
    usedBytes_ += bytes;
    commonUsed_ += bytes;
    commonLive_ += bytes;
    return at;
}

std::uint64_t ListStorage::WriteRow(std::span<const CellRef> cells) {
    std::size_t bytes = 0;
    for (const CellRef& cell : cells)
        bytes += cell.shared ? NumberBytes((std::uint64_t{cell.id} << 1) | 1)
                             : NumberBytes(std::uint64_t{cell.text.size()} << 1) + cell.text.size();
    std::uint64_t position = 0;
    char* p = Allocate(bytes, position);
    for (const CellRef& cell : cells) {
        if (cell.shared) {
            p = WriteNumber(p, (std::uint64_t{cell.id} << 1) | 1);
        } else {
            p = WriteNumber(p, std::uint64_t{cell.text.size()} << 1);
            if (!cell.text.empty()) std::memcpy(p, cell.text.data(), cell.text.size());
            p += cell.text.size();
        }
    }
    return position;
}

void ListStorage::ShareWithRowAbove(std::vector<CellRef>& cells) {
    if (RowCount() == 0) return;
    const std::uint64_t above = records_[RowCount() - 1];
    CellReader reader(*this, RowData(above));
    const std::size_t count = std::min(CountOf(above), cells.size());
    for (std::size_t c = 0; c < count; ++c) {
        const CellRef there = reader.Next();
        CellRef& cell = cells[c];
        // A reference takes a byte or two, so one-byte texts stay as they are.
        if (cell.text.size() < 2 || cell.text.size() > kMaxSharedTextBytes || there.text.size() != cell.text.size() ||
            std::memcmp(there.text.data(), cell.text.data(), cell.text.size()) != 0)
            continue;
        if (there.shared) {
            cell.shared = true;
            cell.id = there.id;
        } else if (shared_.size() < kMaxSharedTexts) {
            shared_.reserve(shared_.size() + 1);
            shared_.push_back(std::make_shared<const std::string>(cell.text));
            cell.shared = true;
            cell.id = static_cast<std::uint32_t>(shared_.size() - 1);
        }
    }
}

void ListStorage::AppendRow(std::span<const std::string_view> cells) {
    if (cells.size() > kMaxCells) throw AppError("The list cannot hold more cells");
    // Reused between calls: appending is the hot path of every long command.
    thread_local std::vector<CellRef> refs;
    refs.clear();
    if (cells.empty()) {
        refs.push_back(CellRef{});
    } else {
        for (std::string_view text : cells) refs.push_back(CellRef{false, 0, text});
    }
    ShareWithRowAbove(refs);
    const std::size_t count = refs.size();
    // A record's place first, so that nothing is half done when memory runs out.
    records_.PushBack(0);
    try {
        const std::uint64_t position = WriteRow(refs);
        records_[RowCount() - 1] = Record(position, true, count);
    } catch (...) {
        records_.Erase(RowCount() - 1);
        throw;
    }
}

void ListStorage::AppendLongRow(LongRow&& row) {
    if (row.cells_ == 0) row.StartCell();
    row.EndCell();
    records_.PushBack(0);
    try {
        // The row's memory becomes its block, shrunk to what it holds.
        const std::size_t size = RoundToPages(row.used_);
        if (size < row.mapped_) {
            row.data_ = RemapBytes(row.data_, row.mapped_, size);
            row.mapped_ = size;
        }
        auto block = std::make_shared<Block>(row.data_, row.mapped_, true);
        row.data_ = nullptr;  // the block owns the memory now
        block->used = block->live = row.used_;
        freeBlocks_.reserve(freeBlocks_.size() + 1);
        const std::uint32_t index = AddBlock(std::move(block));
        usedBytes_ += row.used_;
        records_[RowCount() - 1] = Record(Position(index, 0), true, row.cells_);
    } catch (...) {
        records_.Erase(RowCount() - 1);
        throw;
    }
    row.Release();
}

void ListStorage::SetCell(std::size_t row, std::size_t c, std::string_view text) {
    const std::uint64_t record = records_[row];
    const std::size_t count = CountOf(record);
    if (c >= kMaxCells) throw AppError("The list cannot hold more cells");
    std::vector<CellRef> cells;
    cells.reserve(std::max(count, c + 1));
    CellReader reader(*this, RowData(record));
    for (std::size_t k = 0; k < count; ++k) cells.push_back(reader.Next());
    if (c >= cells.size()) cells.resize(c + 1);
    cells[c] = CellRef{false, 0, text};
    // The new data is written before the old is given up: the text may be
    // a view into it.
    const std::uint64_t position = WriteRow(cells);
    records_[row] = Record(position, (record & kCheckedBit) != 0, cells.size());
    Forget(record);
    MaybePack();
}

void ListStorage::RemoveRow(std::size_t row) {
    const std::uint64_t record = records_[row];
    Forget(record);
    records_.Erase(row);
    if (RowCount() == 0)
        Clear();
    else
        MaybePack();
}

void ListStorage::Forget(std::uint64_t record) {
    const std::uint32_t index = BlockOf(record);
    Block& block = *blocks_[index];
    const std::size_t bytes = RowDataBytes(record);
    block.live -= bytes;
    if (!block.own) commonLive_ -= bytes;
    if (block.live == 0 && (block.own || !hasCurrent_ || index != current_)) ReleaseBlock(index);
}

void ListStorage::ReleaseBlock(std::uint32_t index) {
    const Block& block = *blocks_[index];
    usedBytes_ -= block.used;
    reservedBytes_ -= block.mapped;
    if (!block.own) {
        commonUsed_ -= block.used;
        commonLive_ -= block.live;
    }
    if (hasCurrent_ && index == current_) hasCurrent_ = false;
    // A pinned text keeps its block until the pin goes.
    blocks_[index].reset();
    freeBlocks_.push_back(index);
}

void ListStorage::MaybePack() {
    const std::size_t garbage = commonUsed_ - commonLive_;
    if (garbage <= kBlockBytes || garbage <= commonLive_) return;
    try {
        Pack();
    } catch (const std::bad_alloc&) {
        // Packing only gives memory back; the rows are whole either way.
    }
}

void ListStorage::Pack() {
    // The rows of the common blocks held now move, one at a time, into new
    // blocks; each old block goes as its last row leaves it.
    std::vector<bool> old(blocks_.size(), false);
    for (std::size_t i = 0; i < blocks_.size(); ++i) old[i] = blocks_[i] && !blocks_[i]->own;
    hasCurrent_ = false;
    for (std::size_t row = 0; row < RowCount(); ++row) {
        const std::uint64_t record = records_[row];
        const std::uint32_t from = BlockOf(record);
        if (from >= old.size() || !old[from]) continue;
        const std::size_t bytes = RowDataBytes(record);
        std::uint64_t position = 0;
        char* to = Allocate(bytes, position);
        // An index given up by an old block and taken again holds moved rows.
        if (BlockOf(position) < old.size()) old[BlockOf(position)] = false;
        std::memcpy(to, RowData(record), bytes);
        records_[row] = (record & ~kPositionMask) | position;
        Forget(record);
    }
}

ReleasedRows ListStorage::TakeAll() {
    ReleasedRows released;
    released.chunks_ = records_.TakeChunks();
    released.bytes_ = released.chunks_.size() * Records::kChunkBytes;
    released.blocks_.reserve(blocks_.size());
    for (std::shared_ptr<Block>& block : blocks_) {
        if (!block) continue;
        released.bytes_ += block->mapped;
        released.blocks_.push_back(std::move(block));
    }
    Clear();
    return released;
}

void ListStorage::Clear() {
    records_.Clear();
    std::vector<std::shared_ptr<Block>>().swap(blocks_);
    std::vector<std::uint32_t>().swap(freeBlocks_);
    std::vector<std::shared_ptr<const std::string>>().swap(shared_);
    hasCurrent_ = false;
    current_ = 0;
    usedBytes_ = reservedBytes_ = commonUsed_ = commonLive_ = 0;
}

}  // namespace bw
