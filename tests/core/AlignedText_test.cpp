// The column-aligned layout: the table kept in memory, and the end of a
// clipboard line.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/AlignedText.h"

namespace bw {
namespace {

// The table gives the same bytes however the output is cut into pieces,
// and a sink that fails stops the writing.
TEST(AlignedTextTable, ChunksAndFailingSink) {
    AlignedTextTable table({"Numbers", "Conversion", "Results"});
    for (int i = 0; i < 1000; ++i) {
        const std::string number = std::to_string(i);
        const std::string_view cells[] = {number, "Octal To Binary", ""};
        table.AddRow(cells);
    }
    // Cells beyond the columns are dropped; missing ones are empty.
    const std::string_view extra[] = {"x", "y", "z", "dropped"};
    table.AddRow(extra);
    const std::string_view one[] = {"only"};
    table.AddRow(one);
    EXPECT_EQ(table.RowCount(), 1002u);

    std::string whole;
    ASSERT_TRUE(table.Write([&](std::string_view s) {
        whole.append(s);
        return true;
    }));
    std::string pieces;
    int calls = 0;
    ASSERT_TRUE(table.Write(
        [&](std::string_view s) {
            pieces.append(s);
            ++calls;
            return true;
        },
        100));
    EXPECT_EQ(pieces, whole);
    EXPECT_GT(calls, 100);
    EXPECT_EQ(whole.substr(0, 42), "Numbers\tConversion     \tResults\t\r\n0      \t");
    EXPECT_EQ(whole.substr(whole.size() - 68),
              "x      \ty              \tz      \t\r\n"
              "only   \t               \t       \t\r\n");
    int failingCalls = 0;
    EXPECT_FALSE(table.Write(
        [&](std::string_view) {
            ++failingCalls;
            return false;
        },
        100));
    EXPECT_EQ(failingCalls, 1);
}

struct LineEndCase {
    const char* label;
    std::string before;
    std::size_t lineStart;
    std::string after;
};

class ClipboardLineEnd : public ::testing::TestWithParam<LineEndCase> {};

TEST_P(ClipboardLineEnd, DropsLastTabAndTrailingBlanksOfItsLineOnly) {
    std::string text = GetParam().before;
    EndClipboardLine(text, GetParam().lineStart);
    EXPECT_EQ(text, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Lines, ClipboardLineEnd,
                         ::testing::Values(LineEndCase{"Plain", "12 \tab \t", 0, "12 \tab\r\n"},
                                           LineEndCase{"TabsStay", "1\t  \t", 0, "1\t\r\n"},
                                           LineEndCase{"BlankLine", "x\r\n   \t", 3, "x\r\n\r\n"},
                                           LineEndCase{"NoCellsLeavesEarlierLines", "x \r\n", 4, "x \r\n\r\n"}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace bw
