// Line splitting: terminators, block edges, long lines, and the one
// difference between the batch converter's entries and a list file's rows.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/LineSplitter.h"

namespace bw {
namespace {

// Records every line; a long line is recorded as "<long>" plus its pieces joined.
class RecordingConsumer : public LineConsumer {
public:
    void Line(std::string_view text) override { lines.emplace_back(text); }
    void LongLineBegin(std::string_view head) override {
        ASSERT_FALSE(inLong);
        inLong = true;
        current = "<long>";
        current.append(head);
    }
    void LongLinePart(std::string_view part) override {
        ASSERT_TRUE(inLong);
        current.append(part);
    }
    void LongLineEnd() override {
        ASSERT_TRUE(inLong);
        inLong = false;
        lines.push_back(current);
    }
    std::vector<std::string> lines;
    std::string current;
    bool inLong = false;
};

std::vector<std::string> SplitInPieces(std::string_view text, std::size_t pieceSize, std::size_t limit = 1000) {
    RecordingConsumer consumer;
    LineSplitter splitter(consumer, limit);
    for (std::size_t pos = 0; pos < text.size(); pos += pieceSize) {
        splitter.Feed(text.substr(pos, pieceSize));
    }
    splitter.Finish();
    EXPECT_FALSE(consumer.inLong);
    return consumer.lines;
}

struct LineCase {
    const char* label;
    std::string input;
    std::vector<std::string> lines;
};

class LineEndingTest : public ::testing::TestWithParam<LineCase> {};

// Every case is split at every possible block size, so each terminator
// (and each CR LF pair) falls on a block edge somewhere.
TEST_P(LineEndingTest, SameLinesWhateverTheBlockSize) {
    const LineCase& c = GetParam();
    const std::size_t largest = std::max<std::size_t>(c.input.size(), 1);
    for (std::size_t piece = 1; piece <= largest; ++piece) {
        EXPECT_EQ(SplitInPieces(c.input, piece), c.lines) << "block size " << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Terminators, LineEndingTest,
    ::testing::Values(LineCase{"empty input", "", {}}, LineCase{"one line without terminator", "255", {"255"}},
                      LineCase{"lf", "1\n2\n3", {"1", "2", "3"}}, LineCase{"lf final", "1\n2\n3\n", {"1", "2", "3"}},
                      LineCase{"crlf", "1\r\n2\r\n3", {"1", "2", "3"}},
                      LineCase{"crlf final", "1\r\n2\r\n3\r\n", {"1", "2", "3"}},
                      LineCase{"cr", "1\r2\r3", {"1", "2", "3"}}, LineCase{"cr final", "1\r2\r3\r", {"1", "2", "3"}},
                      LineCase{"mixed", "1\r2\n3\r\n4", {"1", "2", "3", "4"}},
                      LineCase{"lf cr is two terminators", "1\n\r2", {"1", "", "2"}},
                      LineCase{"cr cr lf", "1\r\r\n2", {"1", "", "2"}},
                      LineCase{"empty line between, crlf", "10\r\n\r\n20\r\n", {"10", "", "20"}},
                      LineCase{"empty line between, lf", "10\n\n20\n", {"10", "", "20"}},
                      LineCase{"empty lines at the end", "10\n\n\n", {"10", "", ""}},
                      LineCase{"only a terminator", "\n", {""}}, LineCase{"only crlf", "\r\n", {""}},
                      LineCase{"only cr", "\r", {""}}, LineCase{"two crlf", "\r\n\r\n", {"", ""}},
                      LineCase{"leading empty line", "\n7", {"", "7"}}, LineCase{"blanks kept", " 1 2 \n", {" 1 2 "}},
                      LineCase{"commas not split", "1,2,3\n", {"1,2,3"}},
                      LineCase{"utf-8 kept whole",
                               "\xEF\xBB\xBF"
                               "12\n\xC3\xA9\r\n",
                               {"\xEF\xBB\xBF"
                                "12",
                                "\xC3\xA9"}},
                      LineCase{"nul byte inside",
                               std::string("1\0"
                                           "2\n",
                                           4),
                               {std::string("1\0"
                                            "2",
                                            3)}}),
    [](const auto& info) {
        std::string name = info.param.label;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

// Lines of every length from 0 to 70 with all three terminators, so that
// terminators fall at every place of the 16-byte steps of the scan.
TEST(LineSplitterTest, LinesOfEveryLengthAgreeWithAByteByByteSplit) {
    std::string input;
    std::vector<std::string> expected;
    const char* terminators[] = {"\n", "\r\n", "\r"};
    unsigned seed = 12345;
    for (int round = 0; round < 3; ++round) {
        for (std::size_t length = 0; length <= 70; ++length) {
            std::string line;
            for (std::size_t i = 0; i < length; ++i) {
                seed = seed * 1103515245u + 12345u;
                line.push_back(static_cast<char>('0' + (seed >> 16) % 10));
            }
            expected.push_back(line);
            input += line;
            input += terminators[(length + static_cast<std::size_t>(round)) % 3];
        }
    }
    for (std::size_t piece :
         {std::size_t{1}, std::size_t{7}, std::size_t{16}, std::size_t{17}, std::size_t{64}, input.size()}) {
        EXPECT_EQ(SplitInPieces(input, piece), expected) << "block size " << piece;
    }
}

TEST(LineSplitterTest, CrAtBlockEndFollowedByLfInNextBlockIsOneTerminator) {
    RecordingConsumer consumer;
    LineSplitter splitter(consumer, 1000);
    splitter.Feed("1\r");
    splitter.Feed("\n2\r");
    splitter.Feed("");  // an empty read in between changes nothing
    splitter.Feed("\n");
    splitter.Finish();
    EXPECT_EQ(consumer.lines, (std::vector<std::string>{"1", "2"}));
}

TEST(LineSplitterTest, CrAtTheEndOfOneInputDoesNotSwallowLfOfTheNext) {
    RecordingConsumer consumer;
    LineSplitter splitter(consumer, 1000);
    splitter.Feed("1\r");
    splitter.Finish();
    splitter.Feed("\n2");
    splitter.Finish();
    EXPECT_EQ(consumer.lines, (std::vector<std::string>{"1", "", "2"}));
}

struct LongCase {
    const char* label;
    std::string input;
    std::size_t limit;
    std::vector<std::string> lines;
};

class LongLineTest : public ::testing::TestWithParam<LongCase> {};

TEST_P(LongLineTest, LinesPastTheLimitArriveWholeInPieces) {
    const LongCase& c = GetParam();
    for (std::size_t piece = 1; piece <= c.input.size(); ++piece) {
        EXPECT_EQ(SplitInPieces(c.input, piece, c.limit), c.lines) << "block size " << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, LongLineTest,
    ::testing::Values(LongCase{"at the limit stays whole", "12345\n6", 5, {"12345", "6"}},
                      LongCase{"one past the limit", "123456\n7", 5, {"<long>123456", "7"}},
                      LongCase{"long last line without terminator", "1\n1234567890", 5, {"1", "<long>1234567890"}},
                      LongCase{"long line then crlf", "1234567\r\n\r\n8", 5, {"<long>1234567", "", "8"}},
                      LongCase{"two long lines", "aaaaaaa\rbbbbbbbb\r", 5, {"<long>aaaaaaa", "<long>bbbbbbbb"}}),
    [](const auto& info) {
        std::string name = info.param.label;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST(LineSplitterTest, AbandonDropsAPartialLineAndClosesALongOne) {
    RecordingConsumer consumer;
    LineSplitter splitter(consumer, 3);
    splitter.Feed("1\n12");
    splitter.Abandon();
    splitter.Feed("9\n123456");
    splitter.Abandon();
    EXPECT_FALSE(consumer.inLong);
    EXPECT_EQ(consumer.lines, (std::vector<std::string>{"1", "9", "<long>123456"}));
}

// The end of the input: a terminator there ends the last line and starts
// no other, whichever terminator it is and however the bytes arrive.
struct FinalLineFeedCase {
    const char* label;
    std::string input;
    std::vector<std::string> lines;
};

class FinalLineFeedTest : public ::testing::TestWithParam<FinalLineFeedCase> {};

TEST_P(FinalLineFeedTest, AFinalTerminatorEndsTheLastLine) {
    const FinalLineFeedCase& c = GetParam();
    const std::size_t largest = std::max<std::size_t>(c.input.size(), 1);
    for (std::size_t piece = 1; piece <= largest; ++piece) {
        EXPECT_EQ(SplitInPieces(c.input, piece, 5), c.lines) << "block size " << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, FinalLineFeedTest,
                         ::testing::Values(FinalLineFeedCase{"empty input", "", {}},
                                           FinalLineFeedCase{"no terminator", "10", {"10"}},
                                           FinalLineFeedCase{"final lf", "10\n20\n", {"10", "20"}},
                                           FinalLineFeedCase{"final crlf", "10\r\n20\r\n", {"10", "20"}},
                                           FinalLineFeedCase{"final cr", "10\r20\r", {"10", "20"}},
                                           FinalLineFeedCase{"only lf", "\n", {""}},
                                           FinalLineFeedCase{"empty lines then lf", "10\n\n\n", {"10", "", ""}},
                                           FinalLineFeedCase{"crlf then lone lf", "1\r\n\n", {"1", ""}},
                                           FinalLineFeedCase{"lf then cr", "1\n\r", {"1", ""}},
                                           FinalLineFeedCase{"lf inside only", "1\n2", {"1", "2"}},
                                           FinalLineFeedCase{"long line then lf", "1234567\n", {"<long>1234567"}}),
                         [](const auto& info) {
                             std::string name = info.param.label;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             }
                             return name;
                         });

TEST(LineSplitterTest, AFinalLoneLfBelongsToItsOwnInput) {
    RecordingConsumer consumer;
    LineSplitter splitter(consumer, 1000);
    splitter.Feed("1\n");
    splitter.Finish();
    splitter.Feed("\n2");
    splitter.Finish();
    splitter.Finish();  // nothing after the end
    EXPECT_EQ(consumer.lines, (std::vector<std::string>{"1", "", "2"}));
}

}  // namespace
}  // namespace bw
