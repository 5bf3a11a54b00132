#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "CoreTestSupport.h"
#include "core/ConversionOptions.h"
#include "core/DigitStringReference.h"

namespace bw {
namespace {

using test::FailureOf;
using test::Utf8;

TEST(ConversionOptions, AreTheTwelveInBoxOrder) {
    const struct {
        const char* name;
        int source, target;
    } expected[] = {
        {"Decimal To Hexadecimal", 10, 16}, {"Decimal To Binary", 10, 2},     {"Decimal To Octal", 10, 8},
        {"Hexadecimal To Decimal", 16, 10}, {"Hexadecimal To Binary", 16, 2}, {"Hexadecimal To Octal", 16, 8},
        {"Binary To Decimal", 2, 10},       {"Binary To Hexadecimal", 2, 16}, {"Binary To Octal", 2, 8},
        {"Octal To Decimal", 8, 10},        {"Octal To Hexadecimal", 8, 16},  {"Octal To Binary", 8, 2},
    };
    const auto& options = ConversionOptions();
    ASSERT_EQ(options.size(), std::size(expected));
    for (std::size_t i = 0; i < options.size(); ++i) {
        EXPECT_EQ(options[i].name, expected[i].name) << i;
        EXPECT_EQ(options[i].sourceBase, expected[i].source) << i;
        EXPECT_EQ(options[i].targetBase, expected[i].target) << i;
        EXPECT_EQ(FindConversionOption(expected[i].name), &options[i]) << i;
    }
}

TEST(FindConversionOption, MatchesWholeNamesCaseSensitively) {
    for (const char* name : {"decimal to hexadecimal", "Decimal To Hexadecimal ", " Decimal To Hexadecimal",
                             "Decimal To Hex", "", "Decimal To Decimal"}) {
        EXPECT_EQ(FindConversionOption(name), nullptr) << '"' << name << '"';
    }
}

struct EntryCase {
    const char* option;
    std::string entry, shown, result;
};
std::ostream& operator<<(std::ostream& os, const EntryCase& c) { return os << c.option << ": \"" << c.entry << '"'; }

class ConvertEntryTable : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ConvertEntryTable, GivesShownTextAndResult) {
    const EntryCase& c = GetParam();
    const ConvertedEntry converted = ConvertEntry(c.option, c.entry);
    EXPECT_EQ(converted.shownText, c.shown);
    EXPECT_EQ(converted.resultText, c.result);

    // Appending into buffers gives the same texts after what was there.
    std::string shown = "<", result = ">";
    const ConversionOption* option = FindConversionOption(c.option);
    ConvertEntryInto(option->sourceBase, option->targetBase, c.entry, shown, result);
    EXPECT_EQ(shown, "<" + c.shown);
    EXPECT_EQ(result, ">" + c.result);
}

const EntryCase kEntryCases[] = {
    {"Decimal To Hexadecimal", "255", "255", "FF"},
    {"Hexadecimal To Decimal", "ff", "ff", "255"},
    {"Decimal To Hexadecimal", "0", "0", "0"},
    {"Decimal To Hexadecimal", "", "0", "0"},
    {"Decimal To Binary", "10", "10", "1010"},
    {"Decimal To Octal", "18446744073709551615", "18446744073709551615", "1777777777777777777777"},
    {"Binary To Decimal", "123", "123", "27"},  // read in base 4
    {"Binary To Decimal", "12", "12", "5"},     // read in base 3
    {"Binary To Decimal", "0010", "0010", "2"},
    {"Decimal To Hexadecimal", "FF", "FF", "FF"},  // read in base 16
    {"Hexadecimal To Decimal", "G", "G", "16"},    // read in base 17
    {"Octal To Decimal", "1 2", "102", "66"},
    {"Decimal To Binary", "1a0", "1a0", "11100111"},  // read in base 11
    {"Decimal To Hexadecimal", "12 ", "120", "78"},
    {"Decimal To Hexadecimal", "-12", "-12", "C"},
    {"Decimal To Hexadecimal", "1.5", "1.5", "69"},
    {"Hexadecimal To Binary", "1F", "1F", "11111"},
    {"Hexadecimal To Octal", "1FF", "1FF", "777"},
    {"Binary To Hexadecimal", "11111", "11111", "1F"},
    {"Binary To Octal", "11111111", "11111111", "377"},
    {"Octal To Hexadecimal", "777", "777", "1FF"},
    {"Octal To Binary", "777", "777", "111111111"},
    // Only the space character is replaced; a tab stays and reads as 0.
    {"Decimal To Hexadecimal", "1\t2", "1\t2", "66"},
    {"Decimal To Hexadecimal", "  ", "00", "0"},
    // Other characters stay in the shown text and read as 0.
    {"Binary To Decimal", Utf8(U'\u00E9') + "1", Utf8(U'\u00E9') + "1", "1"},
    {"Hexadecimal To Decimal", "zz", "zz", "1295"},  // read in base 36
    {"Decimal To Hexadecimal", std::string(30000, '0') + "1F", std::string(30000, '0') + "1F", "1F"},
};
INSTANTIATE_TEST_SUITE_P(Entries, ConvertEntryTable, ::testing::ValuesIn(kEntryCases));

// The shown text that a caller gives an entry whose conversion failed is
// the one a successful conversion gives.
TEST_P(ConvertEntryTable, ShownTextWithoutConvertingIsTheSame) {
    std::string shown = "<";
    AppendShownText(GetParam().entry, shown);
    EXPECT_EQ(shown, "<" + GetParam().shown);
}

TEST(EntryRule, EmptyEntryReadsAsZeroAndOnlyBlanksBecomeZeros) {
    const struct {
        std::string entry, shown;
    } cases[] = {
        {"", "0"},
        {" ", "0"},
        {"  1 ", "0010"},
        {"\t", "\t"},              // a TAB is no blank
        {"\xC2\xA0", "\xC2\xA0"},  // nor a no-break space
        {"a b-c", "a0b-c"},
        {std::string(kMaxTextLength + 1, ' '), std::string(kMaxTextLength + 1, '0')},  // too long to convert
    };
    for (const auto& c : cases) {
        std::string shown = "kept ";
        AppendShownText(c.entry, shown);
        EXPECT_EQ(shown, "kept " + c.shown) << '"' << c.entry << '"';
    }
    EXPECT_EQ(EntryAsRead(""), "0");
    EXPECT_EQ(EntryAsRead(" "), " ");
    // Pieces of an entry too long to hold: an empty piece stays empty.
    std::string pieces;
    for (std::string_view piece : {"1 ", "", " 2"}) AppendBlanksAsZeros(piece, pieces);
    EXPECT_EQ(pieces, "1002");
}

TEST(ConvertEntry, UsesTheSameRulesForAnyPairOfBases) {
    EXPECT_EQ(ConvertEntry(7, 3, "66").resultText, "1210");  // 48
    EXPECT_EQ(ConvertEntry(7, 3, "9").resultText, "100");    // read in base 10
    EXPECT_EQ(ConvertEntry(36, 2, "z z").shownText, "z0z");
    EXPECT_EQ(ConvertEntry(36, 2, "z z").resultText, ConvertBase("z0z", "36", "2"));
}

TEST(ConvertEntry, FailsClearlyOnUnknownNamesAndBases) {
    EXPECT_EQ(FailureOf([] { ConvertEntry("Decimal To Roman", "5"); }),
              "Unknown conversion option \"Decimal To Roman\"");
    for (auto [source, target] : {std::pair{1, 16}, {10, 37}, {0, 0}, {10, 1}, {37, 10}}) {
        EXPECT_EQ(FailureOf([&] { ConvertEntry(source, target, "5"); }), "Base must be from 2 to 36")
            << source << ' ' << target;
    }
}

TEST(ConvertEntry, PassesOnOverflowAndLeavesBuffersUntouched) {
    for (const std::string& entry :
         {std::string(309, '9'), std::string(kMaxTextLength + 1, '0'), std::string(kMaxTextLength, 'Z')}) {
        EXPECT_EQ(FailureOf([&] { ConvertEntry("Decimal To Hexadecimal", entry); }), "Overflow");
        std::string shown = "kept", result = "also kept";
        EXPECT_EQ(FailureOf([&] { ConvertEntryInto(10, 16, entry, shown, result); }), "Overflow");
        EXPECT_EQ(shown, "kept");
        EXPECT_EQ(result, "also kept");
    }
}

}  // namespace
}  // namespace bw

namespace bw {
namespace {

// Entries of plain digits take a shortcut; a single other byte anywhere in
// them must send them the long way (base raising, blank replacement).
class PlainDigitShortcut : public ::testing::TestWithParam<const char*> {};

TEST_P(PlainDigitShortcut, OneForeignByteAnywhereIsHonoured) {
    const ConversionOption* option = FindConversionOption(GetParam());
    ASSERT_NE(option, nullptr);
    const std::string target = std::to_string(option->targetBase);
    const std::string odd[] = {"/", ":", "2", "7", "8", "9", " ", "a", "Z", "\xC3\xA9", "\x80"};
    for (std::size_t length = 1; length <= 40; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            for (const std::string& o : odd) {
                std::string entry(length, '1');
                entry.replace(at, 1, o);
                std::string shown = entry;
                for (char& c : shown) c = c == ' ' ? '0' : c;
                std::string probe = entry;
                const int base = std::max(option->sourceBase, static_cast<int>(MinimumBase(probe)));
                const ConvertedEntry got = ConvertEntry(GetParam(), entry);
                ASSERT_EQ(got.shownText, shown);
                ASSERT_EQ(got.resultText, ConvertBase(shown, std::to_string(base), target)) << '"' << entry << '"';
            }
        }
    }
}
INSTANTIATE_TEST_SUITE_P(Options, PlainDigitShortcut,
                         ::testing::Values("Binary To Decimal", "Octal To Hexadecimal", "Decimal To Hexadecimal",
                                           "Decimal To Binary", "Hexadecimal To Octal"));

TEST(ConvertEntry, PastTheBoundBeforeALetterStillFails) {
    // Raising the base only makes the value larger.
    EXPECT_EQ(FailureOf([] { ConvertEntry("Decimal To Hexadecimal", std::string(309, '9') + "A"); }), "Overflow");
    EXPECT_EQ(ConvertEntry("Decimal To Hexadecimal", std::string(30, '9') + "A").resultText,
              ConvertBase(std::string(30, '9') + "A", "11", "16"));
}

}  // namespace
}  // namespace bw

namespace bw {
namespace {

// A failed entry's row: its shown text, the failure's description, and
// which check it failed (too long, or the conversion itself).
struct OutcomeCase {
    const char* label;
    int source, target;
    std::string entry;
    EntryCheck check;
    std::string description;
    std::string shown;
    std::string result;
};

class EntryOutcomeTable : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(EntryOutcomeTable, GivesTheRowAndTheFailedCheck) {
    const OutcomeCase& c = GetParam();
    std::string shown = "<", result = "<";
    const EntryOutcome outcome = ConvertEntryOrShowFailure(c.source, c.target, c.entry, shown, result);
    EXPECT_EQ(outcome.failedCheck, c.check) << c.label;
    EXPECT_EQ(outcome.description, c.description) << c.label;
    EXPECT_EQ(shown, "<" + c.shown) << c.label;
    EXPECT_EQ(result, "<" + c.result) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, EntryOutcomeTable,
    ::testing::Values(OutcomeCase{"converted", 10, 16, "1 2", EntryCheck::Passed, "", "102", "66"},
                      OutcomeCase{"empty", 10, 16, "", EntryCheck::Passed, "", "0", "0"},
                      OutcomeCase{"too long", 10, 16, std::string(kMaxTextLength, '1') + " ", EntryCheck::Length,
                                  "Overflow", std::string(kMaxTextLength, '1') + "0", ""},
                      OutcomeCase{"too long in characters, not bytes, is fine", 10, 16,
                                  std::string(kMaxTextLength / 2, 'Z') + "\xC3\xA9", EntryCheck::Conversion, "Overflow",
                                  std::string(kMaxTextLength / 2, 'Z') + "\xC3\xA9", ""},
                      OutcomeCase{"value too large", 10, 16, "1" + std::string(309, '0'), EntryCheck::Conversion,
                                  "Overflow", "1" + std::string(309, '0'), ""},
                      OutcomeCase{"no base", 0, 16, "12 ", EntryCheck::Conversion, "Base must be from 2 to 36", "120",
                                  ""}));

TEST(ConvertEntryResultInto, GivesTheSameResultWithoutTheShownText) {
    for (const char* entry : {"255", "", "1 2", "ff", "-12", "1a0", "00000000000000000000000000000000000000001"}) {
        std::string result = "<";
        ConvertEntryResultInto(10, 2, entry, result);
        EXPECT_EQ(result, "<" + ConvertEntry(10, 2, entry).resultText) << entry;
    }
    std::string kept = "<";
    EXPECT_THROW(ConvertEntryResultInto(10, 16, "1" + std::string(309, '0'), kept), CoreError);
    EXPECT_EQ(kept, "<");
}

}  // namespace
}  // namespace bw
