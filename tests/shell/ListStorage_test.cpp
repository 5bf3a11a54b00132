// The list storage's invariants: texts exact wherever blocks and chunks end,
// nothing moved by growth, rows removed anywhere, clearing and refilling,
// cells longer than a block, the shared cell, pinned texts.

#include "shell/ListStorage.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace bw::test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

void Append(ListStorage& s, const std::vector<std::string>& row) {
    std::vector<std::string_view> cells(row.begin(), row.end());
    s.AppendRow(cells);
}

// Compares every cell of every row, and that no cell lies beyond a row's count.
void ExpectRows(const ListStorage& s, const Rows& rows, const char* when) {
    ASSERT_EQ(s.RowCount(), rows.size()) << when;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::size_t cells = std::max<std::size_t>(rows[r].size(), 1);
        ASSERT_EQ(s.CellCount(r), cells) << when << ": row " << r;
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            ASSERT_EQ(s.Cell(r, c), rows[r][c]) << when << ": row " << r << " cell " << c;
        EXPECT_EQ(s.Cell(r, cells), "") << when << ": row " << r;
        // All cells at once, one more than the row has.
        std::vector<std::string_view> all(cells + 1, "x");
        s.Cells(r, all);
        for (std::size_t c = 0; c < rows[r].size(); ++c) ASSERT_EQ(all[c], rows[r][c]) << when << ": row " << r;
        EXPECT_EQ(all[cells], "") << when << ": row " << r;
    }
}

// Texts of every length class: empty, short, around the 64 KiB that a row
// of a common block may take, and longer than a whole block.
std::string Text(std::mt19937& random, std::size_t length) {
    std::string text(length, '0');
    for (char& ch : text) ch = static_cast<char>('0' + random() % 10);
    return text;
}

Rows MixedRows(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    const std::array<std::size_t, 9> lengths = {0, 1, 2, 20, 300, 65530, 65536, 70000, (1u << 20) + 3};
    Rows rows;
    for (std::size_t i = 0; i < count; ++i) {
        std::vector<std::string> row;
        const std::size_t cells = 1 + random() % 3;
        for (std::size_t c = 0; c < cells; ++c) {
            // Mostly short texts, now and then a long one.
            const std::size_t length = random() % 5000 == 0 ? lengths[random() % lengths.size()] : random() % 40;
            row.push_back(Text(random, length));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

TEST(ListStorage, TextsStayExactAcrossBlocksAndChunks) {
    ListStorage s;
    // 70,000 rows: more than one chunk of records; several common blocks,
    // and rows in blocks of their own.
    const Rows rows = MixedRows(70000, 1);
    for (const auto& row : rows) Append(s, row);
    ExpectRows(s, rows, "after appending");
    EXPECT_GT(s.BlockCount(), 3u);
}

TEST(ListStorage, GrowthMovesNothingAlreadyStored) {
    ListStorage s;
    Append(s, {"first", "Decimal To Hexadecimal", "1"});
    Append(s, {std::string(100000, '9')});
    const std::string_view first = s.Cell(0, 0), shared = s.Cell(0, 1), own = s.Cell(1, 0);
    const Rows more = MixedRows(20000, 2);
    for (const auto& row : more) Append(s, row);
    // The same bytes at the same place.
    EXPECT_EQ(s.Cell(0, 0).data(), first.data());
    EXPECT_EQ(s.Cell(0, 1).data(), shared.data());
    EXPECT_EQ(s.Cell(1, 0).data(), own.data());
    EXPECT_EQ(first, "first");
    EXPECT_EQ(own, std::string(100000, '9'));
}

TEST(ListStorage, RowsRemovedAnywhereCloseUp) {
    struct Case {
        const char* name;
        std::vector<std::size_t> positions;  // removed one after the other
    };
    const std::vector<Case> cases = {
        {"first", {0}},
        {"last", {69999}},
        {"at the end of a chunk", {65535, 65535}},
        {"at the start of a chunk", {65536}},
        {"middle, many", {30000, 30000, 30001, 1, 50000, 69990}},
    };
    const Rows all = MixedRows(70000, 3);
    for (const Case& c : cases) {
        ListStorage s;
        Rows rows = all;
        for (const auto& row : rows) Append(s, row);
        for (std::size_t r = 0; r < rows.size(); r += 3) s.SetChecked(r, false);
        std::vector<bool> checked(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) checked[r] = r % 3 != 0;
        for (std::size_t at : c.positions) {
            s.RemoveRow(at);
            rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(at));
            checked.erase(checked.begin() + static_cast<std::ptrdiff_t>(at));
        }
        ExpectRows(s, rows, c.name);
        for (std::size_t r = 0; r < rows.size(); ++r) ASSERT_EQ(s.Checked(r), checked[r]) << c.name << " row " << r;
    }
}

// Removing most rows packs the rest into new blocks: the memory follows the
// rows that are left, and their texts are unchanged.
TEST(ListStorage, RemovingMostRowsPacksTheRest) {
    ListStorage s;
    Rows rows;
    std::mt19937 random(4);
    for (int i = 0; i < 100000; ++i) rows.push_back({Text(random, 30), std::to_string(i)});
    for (const auto& row : rows) Append(s, row);
    const std::size_t full = s.TextBytes();
    Rows kept;
    for (std::size_t r = rows.size(); r-- > 0;) {
        if (r % 10 == 0) continue;
        s.RemoveRow(r);
    }
    for (std::size_t r = 0; r < rows.size(); r += 10) kept.push_back(rows[r]);
    ExpectRows(s, kept, "after removing nine rows in ten");
    EXPECT_LT(s.TextBytes(), full / 4);
    // Rows appended afterwards land behind them as usual.
    Append(s, {"after"});
    kept.push_back({"after"});
    ExpectRows(s, kept, "after appending");
}

TEST(ListStorage, ClearGivesEverythingBackAndTheListFillsAgain) {
    ListStorage s;
    for (int round = 0; round < 3; ++round) {
        const Rows rows = MixedRows(5000, 10 + static_cast<unsigned>(round));
        for (const auto& row : rows) Append(s, row);
        ExpectRows(s, rows, "filled");
        EXPECT_GT(s.ReservedTextBytes(), 0u);
        s.Clear();
        EXPECT_EQ(s.RowCount(), 0u);
        EXPECT_EQ(s.TextBytes(), 0u);
        EXPECT_EQ(s.ReservedTextBytes(), 0u);
        EXPECT_EQ(s.BlockCount(), 0u);
        EXPECT_EQ(s.SharedTextCount(), 0u);
    }
    // Removing the last row one by one leaves nothing behind either.
    Append(s, {std::string(200000, '1')});
    Append(s, {"2"});
    s.RemoveRow(1);
    s.RemoveRow(0);
    EXPECT_EQ(s.ReservedTextBytes(), 0u);
}

TEST(ListStorage, CellsLongerThanABlock) {
    const std::string big(3 * ListStorage::kBlockBytes + 17, '7');
    ListStorage s;
    Append(s, {"before"});
    Append(s, {big, "Decimal To Hexadecimal", "Overflow"});
    LongRow built;
    for (std::size_t done = 0; done < big.size(); done += 4096) built.Append(std::string_view(big).substr(done, 4096));
    built.NextCell();
    built.NextCell();
    built.Append("Overflow");
    s.AppendLongRow(std::move(built));
    Append(s, {"after"});
    ExpectRows(s, {{"before"}, {big, "Decimal To Hexadecimal", "Overflow"}, {big, "", "Overflow"}, {"after"}},
               "long rows");
    // Each long row gives its block back when it goes.
    const std::size_t held = s.ReservedTextBytes();
    s.RemoveRow(1);
    EXPECT_LE(s.ReservedTextBytes(), held - big.size());
    ExpectRows(s, {{"before"}, {big, "", "Overflow"}, {"after"}}, "after removing one");
}

TEST(ListStorage, LongRowsOfEveryShape) {
    struct Case {
        const char* name;
        std::vector<std::vector<std::string>> pieces;  // per cell, the pieces appended
        std::vector<std::string> cells;
    };
    const std::string mega(ListStorage::kBlockBytes, 'a');
    const std::vector<Case> cases = {
        {"nothing appended", {}, {""}},
        {"one empty cell", {{}}, {""}},
        {"pieces", {{"12", "", "34"}}, {"1234"}},
        {"empty cells between", {{"a"}, {}, {}, {"b"}}, {"a", "", "", "b"}},
        {"longer than a block", {{mega, mega, "z"}, {"x"}}, {mega + mega + "z", "x"}},
    };
    for (const Case& c : cases) {
        LongRow row;
        for (std::size_t cell = 0; cell < c.pieces.size(); ++cell) {
            if (cell > 0) row.NextCell();
            for (const std::string& piece : c.pieces[cell]) row.Append(piece);
        }
        ListStorage s;
        s.AppendLongRow(std::move(row));
        ExpectRows(s, {c.cells}, c.name);
    }
}

// The conversion's name in every row of a run is one shared text; the
// rows read as before, whatever happens to the row that brought it.
TEST(ListStorage, AShareableCellIsStoredOnce) {
    ListStorage s;
    Rows rows;
    for (int i = 0; i < 1000; ++i) rows.push_back({std::to_string(i), "Decimal To Hexadecimal", "FF"});
    for (int i = 0; i < 1000; ++i) rows.push_back({std::to_string(i), "Binary To Octal", "7"});
    for (const auto& row : rows) Append(s, row);
    // The two names, and "FF", which repeats as well ("7" is too short to gain).
    EXPECT_EQ(s.SharedTextCount(), 3u);
    // Per row: a number of up to four digits, one-byte references, "7",
    // and three descriptors.
    EXPECT_LT(s.TextBytes(), rows.size() * 12 + 64);
    ExpectRows(s, rows, "shared");

    s.RemoveRow(0);  // the row whose text was copied into the shared one
    rows.erase(rows.begin());
    s.SetCell(0, 1, "changed");
    rows[0][1] = "changed";
    s.SetCell(5, 2, std::string(s.Cell(5, 1)));  // a shared text copied into another cell
    rows[5][2] = rows[5][1];
    ExpectRows(s, rows, "after changes");
}

TEST(ListStorage, OnlyTextsWorthSharingAreShared) {
    ListStorage s;
    Append(s, {"7", "a"});
    Append(s, {"7", "a"});  // one byte: no gain
    Append(s, {std::string(300, 'x')});
    Append(s, {std::string(300, 'x')});  // longer than a shared text may be
    EXPECT_EQ(s.SharedTextCount(), 0u);
    Append(s, {"12", "b"});
    Append(s, {"12", "b"});
    EXPECT_EQ(s.SharedTextCount(), 1u);
    ExpectRows(s, {{"7", "a"}, {"7", "a"}, {std::string(300, 'x')}, {std::string(300, 'x')}, {"12", "b"}, {"12", "b"}},
               "sharing");
}

TEST(ListStorage, APinnedTextOutlivesItsRowAndTheList) {
    const std::string big(200000, '5');
    ListStorage s;
    Append(s, {"12345", big});
    Append(s, {"12345", "x"});  // "12345" is shared now
    const PinnedText own = s.Pin(0, 1), shared = s.Pin(1, 0), common = s.Pin(1, 1), missing = s.Pin(1, 7);
    s.RemoveRow(0);
    s.Clear();
    for (int i = 0; i < 1000; ++i) Append(s, {std::string(100, 'z')});
    EXPECT_EQ(own.text, big);
    EXPECT_EQ(shared.text, "12345");
    EXPECT_EQ(common.text, "x");
    EXPECT_TRUE(missing.text.empty());
}

TEST(ListStorage, SetCellKeepsTheOtherCellsAndAddsEmptyOnes) {
    ListStorage s;
    Append(s, {"1", "a", "b"});
    Append(s, {"2"});
    s.SetCell(0, 1, "a much longer text than before");
    s.SetCell(1, 3, "d");
    s.SetCell(0, 0, std::string(70000, 'L'));  // the row moves into a block of its own
    s.SetCell(0, 0, "short again");
    ExpectRows(s, {{"short again", "a much longer text than before", "b"}, {"2", "", "", "d"}}, "set");
}

}  // namespace
}  // namespace bw::test
