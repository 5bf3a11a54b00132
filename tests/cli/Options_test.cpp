// The command line's GNU conventions and the options of strict reading,
// the written form and fields: what is accepted, what is refused and why.

#include "cli/Options.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <string>
#include <vector>

#include "StringStreams.h"
#include "cli/BatchRun.h"

namespace bw::test {
namespace {

TEST(GnuOptions, AcceptAbbreviationsAndTheNewOptions) {
    ParsedArguments p = ParseArguments({"--conv", "Binary To Octal", "--str", "--bi=8", "--sig", "--lo", "--pre",
                                        "--gr", "4", "--sep", " ", "--wid", "bits", "x.txt"});
    ASSERT_TRUE(p.options) << p.error;
    EXPECT_EQ(p.options->conversionName, "Binary To Octal");
    EXPECT_TRUE(p.options->strict);
    EXPECT_EQ(p.options->bits, 8);
    EXPECT_TRUE(p.options->signedInput);
    const NumberForm form = p.options->Form();
    EXPECT_TRUE(form.lowerCase);
    EXPECT_TRUE(form.prefix);
    EXPECT_EQ(form.group, 4u);
    EXPECT_EQ(form.separator, " ");
    EXPECT_EQ(form.width, 3u);  // 8 bits in octal: 377
    EXPECT_EQ(form.targetBase, 8);
    EXPECT_EQ(p.options->files, std::vector<std::string>{"x.txt"});

    p = ParseArguments({"a.csv", "--field=3", "--delim", ",", "--width", "12"});
    ASSERT_TRUE(p.options) << p.error;
    EXPECT_EQ(p.options->field, 3u);
    EXPECT_EQ(p.options->delimiter, ",");
    EXPECT_EQ(p.options->Form().width, 12u);
    EXPECT_FALSE(p.options->strict);
}

struct Refusal {
    std::vector<std::string_view> args;
    std::string message;
};

class RefusedOptions : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedOptions, AreUsageErrorsThatSayWhy) {
    const ParsedArguments p = ParseArguments(GetParam().args);
    EXPECT_FALSE(p.options);
    EXPECT_EQ(p.error, GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Combinations, RefusedOptions,
    ::testing::Values(Refusal{{"--bits", "8"}, "--bits needs --strict"},
                      Refusal{{"--strict", "--signed"}, "--signed needs --strict and --bits"},
                      Refusal{{"--strict", "--bits", "0"}, "invalid word size '0' for --bits (1 to 1024)"},
                      Refusal{{"--strict", "--bits", "1025"}, "invalid word size '1025' for --bits (1 to 1024)"},
                      Refusal{{"--strict", "--bits", "-8"}, "invalid word size '-8' for --bits (1 to 1024)"},
                      Refusal{{"--width", "bits"}, "--width bits needs --bits"},
                      Refusal{{"--width", "0"}, "invalid width '0' for --width (1 or more, or bits)"},
                      Refusal{{"--separator", ","}, "--separator needs --group"},
                      Refusal{{"--group", "x"}, "invalid group size 'x' for --group (1 or more)"},
                      Refusal{{"--field", "0"}, "invalid field number '0' for --field (1 or more)"},
                      Refusal{{"--field", "2", "--full"}, "--field cannot be combined with --full or --aligned"},
                      Refusal{{"--aligned", "--field", "2"}, "--field cannot be combined with --full or --aligned"},
                      Refusal{{"--field", "2", "--delimiter", ""},
                              "invalid delimiter for --delimiter (one or more characters, no line break)"},
                      Refusal{{"--s"}, "option '--s' is ambiguous (--strict, --signed, --separator)"},
                      Refusal{{"--prefix=yes"}, "option '--prefix' takes no value"},
                      Refusal{{"--bits"}, "option '--bits' needs a value"},
                      Refusal{{"--nonsense=1"}, "unknown option '--nonsense'"}));

TEST(HelpText, FitsSeventyNineColumns) {
    std::istringstream lines(UsageText());
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79u) << line;
}

TEST(VersionText, CarriesCopyrightAndLicence) {
    const std::string text = VersionText();
    EXPECT_EQ(text.rfind("basewright-cli ", 0), 0u);
    EXPECT_NE(text.find("\nCopyright (C) "), std::string::npos);
    EXPECT_NE(text.find("\nLicense MIT"), std::string::npos);
}

class FailingSink : public ByteSink {
public:
    int Write(std::string_view) override { return EPIPE; }
};

TEST(HelpText, AFailedWriteIsReportedWithStatusTwo) {
    for (std::string_view option : {"--help", "--version"}) {
        StringSource in("");
        FailingSink out;
        StringSink err;
        EXPECT_EQ(CliMain({option}, in, out, err), 2);
        EXPECT_EQ(err.text, std::string("basewright-cli: write error: ") + std::strerror(EPIPE) + "\n");
    }
}

}  // namespace
}  // namespace bw::test
