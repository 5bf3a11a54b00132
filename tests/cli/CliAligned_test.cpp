// The batch converter's column-aligned output.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StringStreams.h"
#include "cli/BatchConverter.h"

namespace bw {
namespace {

struct AlignedCase {
    const char* label;
    std::vector<std::string_view> args;
    std::string input;
    int status;
    std::string out;
};

class CliAligned : public ::testing::TestWithParam<AlignedCase> {};

TEST_P(CliAligned, WritesTheAlignedLayout) {
    const AlignedCase& c = GetParam();
    StringSource source(c.input, 3);  // small pieces: lines cross reads
    StringSink out;
    StringSink err;
    EXPECT_EQ(CliMain(c.args, source, out, err), c.status) << err.text;
    EXPECT_EQ(out.text, c.out);
}

const std::string kTooLarge = "1" + std::string(309, '0');

INSTANTIATE_TEST_SUITE_P(
    Layouts, CliAligned,
    ::testing::Values(
        AlignedCase{"FullWorkedExample",
                    {"--aligned", "--full"},
                    "255\r\n16",
                    0,
                    "Numbers\tConversion            \tResults\t\r\n"
                    "255    \tDecimal To Hexadecimal\tFF     \t\r\n"
                    "16     \tDecimal To Hexadecimal\t10     \t\r\n"},
        AlignedCase{"ResultsOnly", {"--aligned"}, "255\n16\n", 0, "Results\t\r\nFF     \t\r\n10     \t\r\n"},
        AlignedCase{"EmptyInputHeaderOnly", {"--full", "--aligned"}, "", 0, "Numbers\tConversion\tResults\t\r\n"},
        AlignedCase{"WideResultWidensItsColumn",
                    {"--aligned", "--conversion", "Decimal To Binary"},
                    "1\n255\n",
                    0,
                    "Results \t\r\n1       \t\r\n11111111\t\r\n"},
        AlignedCase{"OtherBasesNamedInTheMiddleColumn",
                    {"--aligned", "--full", "--from", "7", "--to", "16"},
                    "10\n",
                    0,
                    "Numbers\tConversion       \tResults\t\r\n10     \tBase 7 To Base 16\t7      \t\r\n"},
        AlignedCase{"FailedEntryKeepsItsRow",
                    {"--aligned"},
                    "1\n" + kTooLarge + "\n2\n",
                    1,
                    "Results\t\r\n1      \t\r\n       \t\r\n2      \t\r\n"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CliAligned, FailedEntryIsReportedAsUsual) {
    StringSource source("7\n" + kTooLarge + "\n");
    StringSink out;
    StringSink err;
    EXPECT_EQ(CliMain({"--aligned", "--full"}, source, out, err), 1);
    EXPECT_EQ(err.text, "basewright-cli: <stdin>:2: Overflow\n");
    // The failed row shows the entry and an empty result, padded like the others.
    EXPECT_EQ(out.text.substr(0, 7), "Numbers");
    EXPECT_NE(out.text.find(kTooLarge + "\tDecimal To Hexadecimal\t       \t\r\n"), std::string::npos);
}

TEST(CliAligned, OptionParsingAndHelp) {
    ParsedArguments parsed = ParseArguments({"--aligned", "a.txt"});
    ASSERT_TRUE(parsed.options);
    EXPECT_TRUE(parsed.options->aligned);
    EXPECT_EQ(parsed.options->format, OutputFormat::ResultsOnly);
    EXPECT_FALSE(ParseArguments({"a.txt"}).options->aligned);
    EXPECT_FALSE(ParseArguments({"--aligned=yes"}).options);
    const std::string usage = UsageText();
    EXPECT_NE(usage.find("[--aligned]"), std::string::npos);
    EXPECT_NE(usage.find("memory grows with the input"), std::string::npos);
}

}  // namespace
}  // namespace bw
