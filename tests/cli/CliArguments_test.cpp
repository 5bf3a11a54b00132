// Command line of the batch converter: option names, bases, usage errors.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StringStreams.h"
#include "cli/BatchConverter.h"

namespace bw {
namespace {

struct ArgsCase {
    std::vector<std::string_view> args;
    int source;
    int target;
    std::string name;
    OutputFormat format;
    std::vector<std::string> files;
};

class ArgumentsTest : public ::testing::TestWithParam<ArgsCase> {};

TEST_P(ArgumentsTest, GivesBasesNameFormatAndFiles) {
    const ArgsCase& c = GetParam();
    ParsedArguments parsed = ParseArguments(c.args);
    ASSERT_TRUE(parsed.options.has_value()) << parsed.error;
    EXPECT_EQ(parsed.options->sourceBase, c.source);
    EXPECT_EQ(parsed.options->targetBase, c.target);
    EXPECT_EQ(parsed.options->conversionName, c.name);
    EXPECT_EQ(parsed.options->format, c.format);
    EXPECT_EQ(parsed.options->files, c.files);
    EXPECT_FALSE(parsed.options->showHelp);
    EXPECT_FALSE(parsed.options->showVersion);
}

using F = OutputFormat;
INSTANTIATE_TEST_SUITE_P(
    Accepted, ArgumentsTest,
    ::testing::Values(
        ArgsCase{{}, 10, 16, "Decimal To Hexadecimal", F::ResultsOnly, {}},
        ArgsCase{{"--full"}, 10, 16, "Decimal To Hexadecimal", F::Full, {}},
        ArgsCase{{"--conversion", "Binary To Octal"}, 2, 8, "Binary To Octal", F::ResultsOnly, {}},
        // Names in any letter case; the row shows the name as the window writes it.
        ArgsCase{{"--conversion", "decimal to hexadecimal"}, 10, 16, "Decimal To Hexadecimal", F::ResultsOnly, {}},
        ArgsCase{{"--conversion=OCTAL TO BINARY"}, 8, 2, "Octal To Binary", F::ResultsOnly, {}},
        ArgsCase{{"--conversion=Octal To Binary", "a.txt"}, 8, 2, "Octal To Binary", F::ResultsOnly, {"a.txt"}},
        ArgsCase{{"--conversion", "Hexadecimal To Decimal", "--full", "-", "b"},
                 16,
                 10,
                 "Hexadecimal To Decimal",
                 F::Full,
                 {"-", "b"}},
        ArgsCase{{"--from", "hex", "--to", "dec"}, 16, 10, "Hexadecimal To Decimal", F::ResultsOnly, {}},
        ArgsCase{{"--from", "16", "--to", "2"}, 16, 2, "Hexadecimal To Binary", F::ResultsOnly, {}},
        ArgsCase{{"--from=OCT", "--to=Bin"}, 8, 2, "Octal To Binary", F::ResultsOnly, {}},
        ArgsCase{{"--from", "7", "--to", "16"}, 7, 16, "Base 7 To Base 16", F::ResultsOnly, {}},
        ArgsCase{{"--from", "36", "--to", "2"}, 36, 2, "Base 36 To Base 2", F::ResultsOnly, {}},
        ArgsCase{{"--from", "dec", "--to", "dec"}, 10, 10, "Base 10 To Base 10", F::ResultsOnly, {}},
        ArgsCase{{"--to", "bin", "x", "--from", "dec"}, 10, 2, "Decimal To Binary", F::ResultsOnly, {"x"}},
        ArgsCase{{"--conversion", "Decimal To Octal", "--conversion", "Octal To Decimal"},
                 8,
                 10,
                 "Octal To Decimal",
                 F::ResultsOnly,
                 {}},
        ArgsCase{{"--", "--full", "-x"}, 10, 16, "Decimal To Hexadecimal", F::ResultsOnly, {"--full", "-x"}}));

struct RejectCase {
    std::vector<std::string_view> args;
    std::string messagePart;
};

class RejectedArgumentsTest : public ::testing::TestWithParam<RejectCase> {};

TEST_P(RejectedArgumentsTest, AreUsageErrors) {
    const RejectCase& c = GetParam();
    ParsedArguments parsed = ParseArguments(c.args);
    EXPECT_FALSE(parsed.options.has_value());
    EXPECT_NE(parsed.error.find(c.messagePart), std::string::npos) << parsed.error;

    StringSource input("1\n");
    StringSink out;
    StringSink err;
    EXPECT_EQ(CliMain(c.args, input, out, err), 2);
    EXPECT_EQ(out.text, "");
    EXPECT_EQ(err.text.rfind("basewright-cli: ", 0), 0u) << err.text;
    EXPECT_NE(err.text.find("--help"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Rejected, RejectedArgumentsTest,
    ::testing::Values(RejectCase{{"--conversion", "Decimal To Hexadecimal "}, "unknown conversion"},
                      RejectCase{{"--conversion", "decimal  to hexadecimal"}, "unknown conversion"},
                      RejectCase{{"--conversion", "Base 7 To Base 16"}, "unknown conversion"},
                      RejectCase{{"--conversion"}, "needs a value"}, RejectCase{{"--from", "10"}, "together"},
                      RejectCase{{"--to", "10"}, "together"},
                      RejectCase{{"--from", "1", "--to", "10"}, "invalid base '1'"},
                      RejectCase{{"--from", "10", "--to", "37"}, "invalid base '37'"},
                      RejectCase{{"--from", "0", "--to", "10"}, "invalid base '0'"},
                      RejectCase{{"--from", "", "--to", "10"}, "invalid base ''"},
                      RejectCase{{"--from", "+8", "--to", "10"}, "invalid base '+8'"},
                      RejectCase{{"--from", "hexadecimal", "--to", "10"}, "invalid base"},
                      RejectCase{{"--from", "10", "--to"}, "needs a value"},
                      RejectCase{{"--conversion", "Decimal To Octal", "--from", "2", "--to", "8"},
                                 "cannot be combined"},
                      RejectCase{{"--fulll"}, "unknown option '--fulll'"}, RejectCase{{"--full=yes"}, "takes no value"},
                      RejectCase{{"-x"}, "unknown option '-x'"}));

struct BaseCase {
    std::string_view text;
    std::optional<int> base;
};

class BaseTest : public ::testing::TestWithParam<BaseCase> {};

TEST_P(BaseTest, Parses) { EXPECT_EQ(ParseBase(GetParam().text), GetParam().base) << GetParam().text; }

INSTANTIATE_TEST_SUITE_P(Bases, BaseTest,
                         ::testing::Values(BaseCase{"2", 2}, BaseCase{"36", 36}, BaseCase{"10", 10}, BaseCase{"02", 2},
                                           BaseCase{"dec", 10}, BaseCase{"HEX", 16}, BaseCase{"bin", 2},
                                           BaseCase{"oct", 8}, BaseCase{"1", std::nullopt},
                                           BaseCase{"37", std::nullopt}, BaseCase{"100", std::nullopt},
                                           BaseCase{"", std::nullopt}, BaseCase{"-2", std::nullopt},
                                           BaseCase{"1 6", std::nullopt}, BaseCase{"decimal", std::nullopt},
                                           BaseCase{"0x10", std::nullopt}));

TEST(ConversionNameTest, TwelveOptionsKeepTheirNamesOtherPairsAreNamedByBase) {
    EXPECT_EQ(ConversionName(10, 16), "Decimal To Hexadecimal");
    EXPECT_EQ(ConversionName(8, 2), "Octal To Binary");
    EXPECT_EQ(ConversionName(2, 10), "Binary To Decimal");
    EXPECT_EQ(ConversionName(16, 16), "Base 16 To Base 16");
    EXPECT_EQ(ConversionName(3, 36), "Base 3 To Base 36");
}

TEST(HelpAndVersionTest, PrintToStandardOutputAndSucceed) {
    struct Case {
        std::vector<std::string_view> args;
        std::string part;
    };
    for (const Case& c :
         {Case{{"--help"}, "Usage: basewright-cli"}, Case{{"-h"}, "Octal To Binary"},
          Case{{"--full", "--help", "--bogus"}, "--conversion NAME"}, Case{{"--version"}, "basewright-cli "}}) {
        StringSource input("1\n");
        StringSink out;
        StringSink err;
        EXPECT_EQ(CliMain(c.args, input, out, err), 0);
        EXPECT_NE(out.text.find(c.part), std::string::npos) << out.text;
        EXPECT_EQ(err.text, "");
    }
}

}  // namespace
}  // namespace bw
