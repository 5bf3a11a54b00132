// Runs with --strict, word sizes, the written form and fields.

#include "cli/BatchRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StringStreams.h"

namespace bw::test {
namespace {

struct RunCase {
    const char* label;
    std::vector<std::string_view> args;
    std::string input;
    std::string out;
    std::string err;
    int status;
};

class StrictRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(StrictRuns, WriteTheLinesAndReportTheFailures) {
    const RunCase& c = GetParam();
    for (std::size_t block : {std::size_t{1} << 20, std::size_t{3}}) {
        StringSource in(c.input);
        StringSink out, err;
        EXPECT_EQ(CliMain(c.args, in, out, err, BatchSettings{block, block}), c.status) << c.label;
        EXPECT_EQ(out.text, c.out) << c.label;
        EXPECT_EQ(err.text, c.err) << c.label;
    }
}

const std::string kTooLarge = "1" + std::string(309, '0');

INSTANTIATE_TEST_SUITE_P(
    Cases, StrictRuns,
    ::testing::Values(RunCase{"default mode keeps the entry rule",
                              {"--from", "dec", "--to", "dec"},
                              "0x10\n-1\n1,000\n1 000\n1e3\n",
                              "38182\n1\n10000\n10000\n438\n",
                              "",
                              0},
                      RunCase{"strict refuses what is not a number",
                              {"--from", "dec", "--to", "dec", "--strict"},
                              "0x10\n-1\n1,000\n 7 \n",
                              "\n-1\n\n7\n",
                              "basewright-cli: <stdin>:1: not a base-10 number: \"0x10\"\n"
                              "basewright-cli: <stdin>:3: not a base-10 number: \"1,000\"\n",
                              1},
                      RunCase{"strict quotes control characters escaped and long entries cut",
                              {"--strict"},
                              "a\tb\x01\"\\\xFF\n" + std::string(50, 'x') + "\n",
                              "\n\n",
                              "basewright-cli: <stdin>:1: not a base-10 number: \"a\\tb\\x01\\\"\\\\\\xFF\"\n"
                              "basewright-cli: <stdin>:2: not a base-10 number: \"" +
                                  std::string(40, 'x') + "\"...\n",
                              1},
                      RunCase{"strict limits are reported as without it",
                              {"--strict"},
                              kTooLarge + "\n" + std::string(32768, '0') + "\n-255\n",
                              "\n\n-FF\n",
                              "basewright-cli: <stdin>:1: Overflow\nbasewright-cli: <stdin>:2: Overflow\n",
                              1},
                      RunCase{"strict full output shows the number as written",
                              {"--strict", "--full", "--conversion", "Hexadecimal To Decimal"},
                              " 0xff \nzz\n",
                              "0xff\tHexadecimal To Decimal\t255\nzz\tHexadecimal To Decimal\t\n",
                              "basewright-cli: <stdin>:2: not a base-16 number: \"zz\"\n",
                              1},
                      RunCase{"two's complement out and in",
                              {"--strict", "--bits", "8", "--prefix"},
                              "-1\n-128\n255\n256\n",
                              "0xFF\n0x80\n0xFF\n\n",
                              "basewright-cli: <stdin>:4: out of range for 8 bits: \"256\"\n",
                              1},
                      RunCase{"signed hexadecimal to decimal",
                              {"--from", "hex", "--to", "dec", "--strict", "--bits", "8", "--signed"},
                              "FF\n80\n7F\n100\n",
                              "-1\n-128\n127\n\n",
                              "basewright-cli: <stdin>:4: out of range for 8 bits: \"100\"\n",
                              1},
                      RunCase{"natural width of the word",
                              {"--strict", "--bits", "16", "--width", "bits", "--conversion", "Decimal To Binary",
                               "--group", "4"},
                              "5\n-1\n",
                              "0000_0000_0000_0101\n1111_1111_1111_1111\n",
                              "",
                              0},
                      RunCase{"the written form applies without strict too",
                              {"--lower", "--group", "2", "--separator", ":"},
                              "65535\n1 2\n",
                              "ff:ff\n66\n",
                              "",
                              0},
                      RunCase{"a field of CSV lines",
                              {"--field", "2", "--delimiter", ","},
                              "a,255,c\nx\n1,16\n,,\n",
                              "a,FF,c\nx\n1,10\n,0,\n",
                              "",
                              0},
                      RunCase{"a field in strict mode",
                              {"--field", "2", "--strict"},
                              "a\t255\tc\nx\na\tq\n",
                              "a\tFF\tc\nx\na\t\n",
                              "basewright-cli: <stdin>:2: no field 2 in this line\n"
                              "basewright-cli: <stdin>:3: not a base-10 number: \"q\"\n",
                              1},
                      RunCase{"a multi-byte delimiter and CR LF lines",
                              {"--field", "1", "--delimiter", "::"},
                              "255::x::y\r\n16\r\n",
                              "FF::x::y\n10\n",
                              "",
                              0}),
    [](const auto& info) {
        std::string name = info.param.label;
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST(FieldRuns, ALineTooLongToHoldIsCopiedAndReported) {
    const std::string line = "7," + std::string(200000, 'a');
    StringSource in(line + "\n1,2\n");
    StringSink out, err;
    EXPECT_EQ(CliMain({"--field", "1", "--delimiter", ","}, in, out, err, BatchSettings{4096, 4096}), 1);
    EXPECT_EQ(out.text, line + "\n1,2\n");
    EXPECT_EQ(err.text, "basewright-cli: <stdin>:1: Overflow\n");
}

TEST(QuotedEntry, KeepsWellFormedCharactersWhole) {
    EXPECT_EQ(QuotedEntry("\xC3\xA9" + std::string(45, 'b')), "\"\xC3\xA9" + std::string(39, 'b') + "\"...");
    EXPECT_EQ(QuotedEntry(""), "\"\"");
    EXPECT_EQ(QuotedEntry("\r\x7F"), "\"\\r\\x7F\"");
}

}  // namespace
}  // namespace bw::test
