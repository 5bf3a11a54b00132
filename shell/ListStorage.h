#pragma once

// The rows of a list: cells of UTF-8 text and a check state per row, held so
// that millions of rows stay cheap and nothing already stored ever moves.
//
// Layout:
// - Row records: one 64-bit word per row (where the row's data lies, its
//   check state, its cell count), in fixed-size chunks of records.
// - Row data: for each cell a descriptor (a LEB128 number) and, for a text
//   of its own, the text's bytes right after it. A row's data is contiguous
//   and lies in a text block: rows of up to kOwnBlockRowBytes are packed
//   into common blocks of 1 MiB, longer ones get a block of their own,
//   sized to them.
// - Shared texts: a cell equal to the same cell of the row above it (the
//   conversion's name in every row of a run) is stored once, and its rows
//   refer to that copy.
//
// Growth adds a chunk or a block: nothing is copied, reallocated or freed in
// one piece, and a text read through Cell() stays where it is while rows are
// appended. Blocks are mapped from the system directly, so that memory given
// back (a removed long row, a cleared list) returns to the system at once.
// Removing rows and replacing cells leave unused bytes in the blocks; a
// block without live rows is released, and once unused bytes outweigh the
// live ones the rows are packed into new blocks.
//
// Rows and cells are numbered from 0 here. Positions must exist (the caller
// checks them; ListViewModel does).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace bw {

// A text that stays readable while `keep` is held, also after its row was
// removed or its list cleared.
struct PinnedText {
    std::shared_ptr<const void> keep;
    std::string_view text;
};

// A row built in parts, for texts too long to be held twice: its cells are
// written straight into memory of its own, which grows without moving its
// bytes through a copy and becomes the row's block when the row is appended
// (ListStorage::AppendLongRow). A LongRow that is never appended
// gives its memory back when it goes.
class LongRow {
public:
    LongRow() = default;
    ~LongRow();
    LongRow(LongRow&& other) noexcept;
    LongRow& operator=(LongRow&& other) noexcept;
    LongRow(const LongRow&) = delete;
    LongRow& operator=(const LongRow&) = delete;

    // Appends to the current cell (the first one to begin with). Throws
    // std::bad_alloc when the memory cannot grow; the row stays as it was.
    void Append(std::string_view piece);
    // Ends the current cell and starts the next one.
    void NextCell();
    // Text bytes of every cell so far.
    std::size_t TextBytes() const { return textBytes_; }
    // Text bytes of the current cell so far.
    std::size_t CellBytes() const;
    std::size_t CellCount() const { return cells_ == 0 ? 1 : cells_; }

private:
    friend class ListStorage;
    void Reserve(std::size_t more);
    void StartCell();
    void EndCell();
    void Release();

    char* data_ = nullptr;
    std::size_t mapped_ = 0;
    std::size_t used_ = 0;
    std::size_t descriptorAt_ = 0;  // the current cell's descriptor
    std::size_t cells_ = 0;
    std::size_t textBytes_ = 0;
};

// The memory of rows taken out of a storage at once (ListStorage::TakeAll),
// to be given back to the system in parts: freeing a few hundred megabytes
// takes tens of milliseconds. What is left goes with the object.
class ReleasedRows {
public:
    ReleasedRows() = default;
    ~ReleasedRows();
    ReleasedRows(ReleasedRows&& other) noexcept;
    ReleasedRows& operator=(ReleasedRows&&) = delete;
    ReleasedRows(const ReleasedRows&) = delete;
    ReleasedRows& operator=(const ReleasedRows&) = delete;

    // Gives back memory of about `bytes` (a block at least); true when
    // nothing is left.
    bool ReleaseSome(std::size_t bytes);
    bool Empty() const { return blocks_.empty() && chunks_.empty(); }
    // Bytes still held.
    std::size_t Bytes() const { return bytes_; }

private:
    friend class ListStorage;
    std::vector<std::shared_ptr<void>> blocks_;
    std::vector<std::uint64_t*> chunks_;
    std::size_t bytes_ = 0;
};

class ListStorage {
public:
    ListStorage();
    ~ListStorage();
    ListStorage(const ListStorage&) = delete;
    ListStorage& operator=(const ListStorage&) = delete;

    std::size_t RowCount() const { return records_.Size(); }

    // Appends a row; no cells at all still make a row of one empty cell.
    // The texts may be views into this storage. Throws AppError beyond the
    // storage's limits and std::bad_alloc when memory runs out; the storage
    // is then as it was.
    void AppendRow(std::span<const std::string_view> cells);
    void AppendLongRow(LongRow&& row);

    std::size_t CellCount(std::size_t row) const;
    // Empty when the row has no cell c. Valid until that row changes or goes.
    std::string_view Cell(std::size_t row, std::size_t c) const;
    // Cells 0, 1, ... of a row into `cells` (empty beyond the row's cells), in
    // one pass over its data.
    void Cells(std::size_t row, std::span<std::string_view> cells) const;
    PinnedText Pin(std::size_t row, std::size_t c) const;
    bool Checked(std::size_t row) const;
    void SetChecked(std::size_t row, bool checked);
    // Replaces cell c (adding empty cells up to it). The text may be a view
    // into this storage.
    void SetCell(std::size_t row, std::size_t c, std::string_view text);
    void RemoveRow(std::size_t row);
    // Removes every row and gives all memory back.
    void Clear();
    // Removes every row at once; their memory is handed over, to be given
    // back in parts.
    ReleasedRows TakeAll();

    // Bytes of the text blocks in use (live rows and not yet packed garbage),
    // and bytes of the text blocks held.
    std::size_t TextBytes() const { return usedBytes_; }
    std::size_t ReservedTextBytes() const { return reservedBytes_; }
    std::size_t SharedTextCount() const { return shared_.size(); }
    std::size_t BlockCount() const;

    // Limits.
    static constexpr std::size_t kMaxCells = (std::size_t{1} << 23) - 1;  // per row
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;      // a common block
    static constexpr std::size_t kOwnBlockRowBytes = std::size_t{1} << 16;
    static constexpr std::size_t kMaxSharedTexts = 4096;
    static constexpr std::size_t kMaxSharedTextBytes = 256;

    struct Block;

private:
    friend class ReleasedRows;
    // Fixed-size chunks of row records.
    class Records {
    public:
        Records() = default;
        ~Records();
        Records(const Records&) = delete;
        Records& operator=(const Records&) = delete;
        std::size_t Size() const { return size_; }
        std::uint64_t& operator[](std::size_t i) { return chunks_[i >> kChunkBits][i & kChunkMask]; }
        std::uint64_t operator[](std::size_t i) const { return chunks_[i >> kChunkBits][i & kChunkMask]; }
        void PushBack(std::uint64_t record);
        void Erase(std::size_t i);
        void Clear();
        std::vector<std::uint64_t*> TakeChunks();
        static constexpr std::size_t kChunkBytes = (std::size_t{1} << 16) * sizeof(std::uint64_t);

    private:
        static constexpr unsigned kChunkBits = 16;
        static constexpr std::size_t kChunkRecords = std::size_t{1} << kChunkBits;
        static constexpr std::size_t kChunkMask = kChunkRecords - 1;
        std::vector<std::uint64_t*> chunks_;
        std::size_t size_ = 0;
    };

    // One cell as a row's data holds it: a shared text or a text of its own.
    struct CellRef {
        bool shared = false;
        std::uint32_t id = 0;
        std::string_view text;
    };
    class CellReader;

    const char* RowData(std::uint64_t record) const;
    std::size_t RowDataBytes(std::uint64_t record) const;
    // Writes a row of these cells into a block; returns the record's position part.
    std::uint64_t WriteRow(std::span<const CellRef> cells);
    char* Allocate(std::size_t bytes, std::uint64_t& position);
    std::uint32_t AddBlock(std::shared_ptr<Block> block);
    void Forget(std::uint64_t record);  // the row's data is no longer used
    void ReleaseBlock(std::uint32_t index);
    void MaybePack();
    void Pack();
    std::string_view SharedText(std::uint32_t id) const;
    // The row above a new row shares its cell c with it when they are equal.
    void ShareWithRowAbove(std::vector<CellRef>& cells);

    Records records_;
    std::vector<std::shared_ptr<Block>> blocks_;
    std::vector<std::uint32_t> freeBlocks_;
    std::uint32_t current_ = 0;  // the common block short rows are appended to
    bool hasCurrent_ = false;
    std::vector<std::shared_ptr<const std::string>> shared_;
    std::size_t usedBytes_ = 0;      // in every block
    std::size_t reservedBytes_ = 0;  // of every block
    std::size_t commonUsed_ = 0;     // in the blocks many rows share
    std::size_t commonLive_ = 0;     // of live rows in those blocks
};

}  // namespace bw
