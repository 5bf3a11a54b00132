#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "core/DigitStringReference.h"
#include "core/Utf8.h"
#include "CoreTestSupport.h"

namespace bw {
namespace {

using test::FailureCase;
using test::FailureOf;
using test::Utf8;

// ------------------------------------------------------------ ConvertBase

struct ConvertCase {
    std::string text, source, target, expected;
};
std::ostream& operator<<(std::ostream& os, const ConvertCase& c) {
    return os << '"' << c.text << "\" " << c.source << "->" << c.target;
}

class ConvertBaseTable : public ::testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertBaseTable, GivesTheExactText) {
    const ConvertCase& c = GetParam();
    EXPECT_EQ(ConvertBase(c.text, c.source, c.target), c.expected);
}

const ConvertCase kConvertCases[] = {
    {"FF", "16", "10", "255"},
    {"ff", "16", "10", "255"},
    {"255", "10", "16", "FF"},
    {"0", "10", "16", "0"},
    {"000", "2", "10", "0"},
    {"0010", "2", "10", "2"},
    {"", "10", "16", "0"},
    {"18446744073709551615", "10", "16", "FFFFFFFFFFFFFFFF"},
    {"18446744073709551616", "10", "16", "10000000000000000"},
    {"FFFFFFFFFFFFFFFFFFFF", "16", "10", "1208925819614629174706175"},
    {"1.5", "10", "16", "69"},
    {"-12", "10", "16", "C"},
    {"1,000", "10", "16", "2710"},
    {"1 2", "8", "10", "66"},
    {"19", "8", "10", "17"},  // digits at face value
    {"Z", "2", "10", "35"},   // even far above the base
    {"ZZ", "36", "10", "1295"},
    {"1295", "10", "36", "ZZ"},
    {"0000000000000000000000000000000001", "10", "2", "1"},
    {"007", "010", "02", "111"},  // bases with leading zeros
    // Non-ASCII characters are one zero digit each, however many bytes.
    {"1" + Utf8(U'\u00E9') + "2", "10", "10", "102"},
    {Utf8(U'\uFF11') + Utf8(U'\uFF12'), "10", "10", "0"},
    {Utf8(U'\u00B2') + "5", "10", "10", "5"},
    {"1" + Utf8(U'\U0001F600'), "10", "10", "10"},
    // A malformed byte is a character of its own; truncated sequences too.
    {"1\xFF", "10", "10", "10"},
    {"1\xE2\x82", "10", "10", "100"},
    {"1\xC3\xA9", "10", "10", "10"},
    // Powers of two whose digit width does not divide 64 bits.
    {"18446744073709551616", "10", "32", "G000000000000"},
    {"340282366920938463463374607431768211455", "10", "8", "3777777777777777777777777777777777777777777"},
    // Target bases above 36: digit values above 35 have no character.
    {"75", "10", "37", "21"},
    {"36", "10", "37", ""},
    {"65", "10", "64", "11"},
    {"63", "10", "64", ""},
    // Source base 0 keeps only the last digit (0^0 = 1), base 1 adds them.
    {"12", "0", "10", "2"},
    {"123", "1", "10", "6"},
};
INSTANTIATE_TEST_SUITE_P(Values, ConvertBaseTable, ::testing::ValuesIn(kConvertCases));

// ------------------------------------------------------------ failures

class FailureTable : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailureTable, FailsWithTheDescription) {
    EXPECT_EQ(FailureOf([] { GetParam().call(); }), GetParam().description);
}

const FailureCase kFailureCases[] = {
    {"target base 0", [] { return ConvertBase("5", "10", "0"); }, "Division by zero"},
    {"target base 1", [] { return ConvertBase("5", "10", "1"); }, "Target base must be at least 2"},
    {"DecimalToBase base 0", [] { return DecimalToBase("5", "0"); }, "Division by zero"},
    {"DecimalToBase base 1", [] { return DecimalToBase("5", "1"); }, "Target base must be at least 2"},
    {"overflow before division by zero", [] { return ConvertBase(std::string(309, '9'), "10", "0"); }, "Overflow"},
    {"base not a number", [] { return ConvertBase("5", "1x", "16"); }, "Type mismatch"},
    {"signed base", [] { return ConvertBase("5", "10", "-2"); }, "Type mismatch"},
    {"base beyond 32 bits", [] { return ConvertBase("5", "10", "2147483648"); }, "Overflow"},
    {"BaseToDecimal base beyond 32 bits", [] { return BaseToDecimal("5", "99999999999"); }, "Overflow"},
    {"DecimalToBase letters", [] { return DecimalToBase("1a", "16"); }, "Type mismatch"},
    {"DecimalToBase blank", [] { return DecimalToBase("1 2", "16"); }, "Type mismatch"},
};
INSTANTIATE_TEST_SUITE_P(Bases, FailureTable, ::testing::ValuesIn(kFailureCases));

TEST(ConvertBase, ZeroValueNeedsNoValidTargetBase) {
    // The digits loop is never entered for zero, so no base is divided by.
    EXPECT_EQ(ConvertBase("000", "10", "0"), "0");
    EXPECT_EQ(ConvertBase("", "10", "1"), "0");
    EXPECT_EQ(DecimalToBase("", "0"), "0");
}

// ------------------------------------------------------------ the double bound

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

// 2^1024 - 2^970 in binary is 54 ones and 970 zeros.
const std::string kBoundBinary = Repeat('1', 54) + Repeat('0', 970);
const std::string kBelowBoundBinary = Repeat('1', 53) + "0" + Repeat('1', 970);

bool ReadsAsFiniteDouble(const std::string& decimal) { return std::isfinite(std::strtod(decimal.c_str(), nullptr)); }

TEST(DoubleBound, LiesExactlyAtTheFirstValueWhoseDoubleIsInfinite) {
    const std::string bound = BaseToDecimal(kBoundBinary, "2");  // no value limit here
    const std::string below = BaseToDecimal(kBelowBoundBinary, "2");
    // Independent check: 2^970 * (2^54 - 1) by the digit-string arithmetic.
    EXPECT_EQ(bound, MultiplyDecimal(PowerDecimal("2", "970"), "18014398509481983"));
    EXPECT_FALSE(ReadsAsFiniteDouble(bound));
    EXPECT_TRUE(ReadsAsFiniteDouble(below));

    EXPECT_EQ(FailureOf([&] { DecimalToBase(bound, "2"); }), "Overflow");
    EXPECT_EQ(FailureOf([&] { ConvertBase(kBoundBinary, "2", "10"); }), "Overflow");
    EXPECT_EQ(DecimalToBase(below, "2"), kBelowBoundBinary);
    EXPECT_EQ(ConvertBase(kBelowBoundBinary, "2", "10"), below);
    EXPECT_EQ(ConvertBase(below, "10", "2"), kBelowBoundBinary);
}

struct BoundCase {
    const char* label;
    std::string text, source;
    bool converts;
};
std::ostream& operator<<(std::ostream& os, const BoundCase& c) { return os << c.label; }

class BoundTable : public ::testing::TestWithParam<BoundCase> {};

TEST_P(BoundTable, ConvertsBelowAndFailsAtTheBound) {
    const BoundCase& c = GetParam();
    const std::string failure = FailureOf([&] { ConvertBase(c.text, c.source, "16"); });
    EXPECT_EQ(failure, c.converts ? "(no failure)" : "Overflow");
    if (c.converts) {
        // Round trip through hexadecimal gives the text back.
        EXPECT_EQ(ConvertBase(ConvertBase(c.text, c.source, "16"), "16", c.source), c.text);
    }
}

const BoundCase kBoundCases[] = {
    {"308 nines", Repeat('9', 308), "10", true},
    {"309 nines", Repeat('9', 309), "10", false},
    {"1023 binary ones", Repeat('1', 1023), "2", true},
    {"1024 binary ones", Repeat('1', 1024), "2", false},
    {"341 octal sevens", Repeat('7', 341), "8", true},
    {"342 octal sevens", Repeat('7', 342), "8", false},
    {"255 F", Repeat('F', 255), "16", true},
    {"256 F", Repeat('F', 256), "16", false},
    {"below the bound", kBelowBoundBinary, "2", true},
    {"the bound", kBoundBinary, "2", false},
    {"1 and 1024 zeros", "1" + Repeat('0', 1024), "2", false},
};
INSTANTIATE_TEST_SUITE_P(Values, BoundTable, ::testing::ValuesIn(kBoundCases));

TEST(BaseToDecimal, ConvertsValuesBeyondTheDoubleRangeExactly) {
    // 2^1024 - 1: the power ends in 6, so the value ends in 5.
    std::string expected = PowerDecimal("2", "1024");
    ASSERT_EQ(expected.back(), '6');
    expected.back() = '5';
    EXPECT_EQ(BaseToDecimal(Repeat('1', 1024), "2"), expected);

    // 36^32767 - 1 has floor(32767 * log10(36)) + 1 digits; 36 is 1 mod 35
    // and -1 mod 37, so the value is 0 mod 35 and 35 mod 37.
    const std::string huge = BaseToDecimal(Repeat('Z', 32767), "36");
    EXPECT_EQ(huge.size(), static_cast<std::size_t>(std::floor(32767 * std::log10(36.0))) + 1);
    auto mod = [&](unsigned m) {
        unsigned r = 0;
        for (char c : huge) r = (r * 10 + static_cast<unsigned>(c - '0')) % m;
        return r;
    };
    EXPECT_EQ(mod(35), 0u);
    EXPECT_EQ(mod(37), 35u);
    EXPECT_EQ(huge.back(), '5');
}

// ------------------------------------------------------------ text length

std::string WithLength(std::size_t n, const std::string& unit = "1") {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += unit;
    return s;
}

struct LengthCase {
    const char* routine;
    void (*call)(const std::string&);
};
std::ostream& operator<<(std::ostream& os, const LengthCase& c) { return os << c.routine; }

class LengthRule : public ::testing::TestWithParam<LengthCase> {};

TEST_P(LengthRule, AcceptsThe16BitMaximumAndFailsOneBeyond) {
    const std::string atLimit = "1" + WithLength(kMaxTextLength - 1, "0");
    const std::string beyond = atLimit + "0";
    EXPECT_EQ(FailureOf([&] { GetParam().call(atLimit); }), "(no failure)");
    EXPECT_EQ(FailureOf([&] { GetParam().call(beyond); }), "Overflow");
}

const LengthCase kLengthCases[] = {
    {"ConvertBase", [](const std::string& s) { ConvertBase(s, "1", "10"); }},
    {"BaseToDecimal", [](const std::string& s) { BaseToDecimal(s, "1"); }},
    {"DecimalToBase", [](const std::string& s) { DecimalToBase(std::string(s.size(), '0'), "16"); }},
    {"MinimumBase",
     [](const std::string& s) {
         std::string t = s;
         MinimumBase(t);
     }},
    {"ReverseText", [](const std::string& s) { ReverseText(s); }},
    {"AddDecimal", [](const std::string& s) { AddDecimal(s, "1", 15); }},
    {"MultiplyByDigit", [](const std::string& s) { MultiplyByDigit(s, '1'); }},
    {"MultiplyDecimal", [](const std::string& s) { MultiplyDecimal(s, "1"); }},
    {"DivideBySmall", [](const std::string& s) { DivideBySmall(s, "7"); }},
    {"ModBySmall", [](const std::string& s) { ModBySmall(s, "7"); }},
};
INSTANTIATE_TEST_SUITE_P(Routines, LengthRule, ::testing::ValuesIn(kLengthCases));

TEST(LengthRule, CountsCharactersNotBytes) {
    const std::string e = Utf8(U'\u00E9');
    EXPECT_EQ(ConvertBase(WithLength(kMaxTextLength, e), "10", "16"), "0");
    EXPECT_EQ(FailureOf([&] { ConvertBase(WithLength(kMaxTextLength + 1, e), "10", "16"); }), "Overflow");
}

TEST(LengthRule, LeadingZerosDoNotCountTowardsTheValue) {
    EXPECT_EQ(ConvertBase(std::string(30000, '0') + "1F", "16", "10"), "31");
    EXPECT_EQ(ConvertBase(std::string(kMaxTextLength - 2, '0') + "1F", "16", "10"), "31");
}

TEST(LengthRule, LongestEntryOfLargeDigitsFailsAtOnce) {
    // Stops at the first partial value beyond the bound (no timing asserted).
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(FailureOf([] { ConvertBase(std::string(kMaxTextLength, 'Z'), "36", "10"); }), "Overflow");
    }
}

// ------------------------------------------------------------ digits

struct CharCase {
    char32_t c;
    double value;
};
std::ostream& operator<<(std::ostream& os, const CharCase& c) { return os << "U+" << std::hex << unsigned(c.c); }

class CharToDigitTable : public ::testing::TestWithParam<CharCase> {};

TEST_P(CharToDigitTable, ReadsOnlyLatinDigitsAndLetters) { EXPECT_EQ(CharToDigit(GetParam().c), GetParam().value); }

const CharCase kCharCases[] = {
    {U'0', 0},      {U'9', 9},          {U'A', 10},     {U'Z', 35},     {U'a', 10},     {U'z', 35}, {U'/', 0},
    {U':', 0},      {U'@', 0},          {U'[', 0},      {U'`', 0},      {U'{', 0},      {U' ', 0},  {U'\0', 0},
    {U'\u00B2', 0}, {U'\uFF11', 0},     {U'\u0663', 0}, {U'\u00E9', 0}, {U'\u212A', 0},  // Kelvin sign, lower-cases to
                                                                                         // k
    {U'\u017F', 0},                                                                      // long s, upper-cases to S
    {U'\u0131', 0},                                                                      // dotless i, upper-cases to I
    {U'\uFF21', 0}, {U'\U0001D7CF', 0},
};
INSTANTIATE_TEST_SUITE_P(Characters, CharToDigitTable, ::testing::ValuesIn(kCharCases));

struct DigitCase {
    double value;
    const char* text;
};
std::ostream& operator<<(std::ostream& os, const DigitCase& c) { return os << c.value; }

class DigitToCharTable : public ::testing::TestWithParam<DigitCase> {};

TEST_P(DigitToCharTable, WritesCapitalsAndNothingAbove35) { EXPECT_EQ(DigitToChar(GetParam().value), GetParam().text); }

const DigitCase kDigitCases[] = {
    {0, "0"},  {9, "9"},  {10, "A"},
    {35, "Z"}, {36, ""},  {1e9, ""},
    {-1, ""},  {2.5, ""}, {std::numeric_limits<double>::quiet_NaN(), ""},
};
INSTANTIATE_TEST_SUITE_P(Values, DigitToCharTable, ::testing::ValuesIn(kDigitCases));

struct MinimumCase {
    std::string text;
    double base;
    std::string textAfter;
};
std::ostream& operator<<(std::ostream& os, const MinimumCase& c) { return os << '"' << c.text << '"'; }

class MinimumBaseTable : public ::testing::TestWithParam<MinimumCase> {};

TEST_P(MinimumBaseTable, IsOneMoreThanTheLargestDigit) {
    std::string text = GetParam().text;
    EXPECT_EQ(MinimumBase(text), GetParam().base);
    EXPECT_EQ(text, GetParam().textAfter);
}

const MinimumCase kMinimumCases[] = {
    {"1A0", 11, "1A0"},
    {"12", 3, "12"},
    {"F", 16, "F"},
    {"", 1, "0"},
    {"z", 36, "z"},
    {"-.,", 1, "-.,"},
    {"9" + Utf8(U'\u00E9'), 10, "9" + Utf8(U'\u00E9')},
    {Utf8(U'\u212A'), 1, Utf8(U'\u212A')},
};
INSTANTIATE_TEST_SUITE_P(Texts, MinimumBaseTable, ::testing::ValuesIn(kMinimumCases));

TEST(MaxOfTwo, IsTheLargerOfWholeDigitValues) {
    const double values[] = {0, 1, 9, 17, 35, 36};
    for (double a : values) {
        for (double b : values) EXPECT_EQ(MaxOfTwo(a, b), std::max(a, b)) << a << ' ' << b;
    }
    EXPECT_EQ(MaxOfArray({1, 35, 2, 0}), 35);
    EXPECT_EQ(MaxOfArray({7}), 7);
    EXPECT_EQ(MaxOfArray({}), 0);
}

// ------------------------------------------------------------ characters

struct ReverseCase {
    std::string text, reversed;
    std::size_t characters;
};
std::ostream& operator<<(std::ostream& os, const ReverseCase& c) { return os << '"' << c.text << '"'; }

class ReverseTable : public ::testing::TestWithParam<ReverseCase> {};

TEST_P(ReverseTable, ReversesWholeCharactersAndKeepsEveryByte) {
    EXPECT_EQ(ReverseText(GetParam().text), GetParam().reversed);
    EXPECT_EQ(CharacterCount(GetParam().text), GetParam().characters);
}

const ReverseCase kReverseCases[] = {
    {"", "", 0},
    {"abc", "cba", 3},
    {"a" + Utf8(U'\u00E9') + " b", "b " + Utf8(U'\u00E9') + "a", 4},
    {"x" + Utf8(U'\U0001F600'), Utf8(U'\U0001F600') + "x", 2},
    {"1\xFF"
     "2",
     "2\xFF"
     "1",
     3},
    {"\xE2\x82"
     "1",
     "1\x82\xE2", 3},                             // truncated sequence: two lone bytes
    {"\xED\xA0\x80", "\x80\xA0\xED", 3},          // encoded surrogate is malformed
    {"\xC0\x80", "\x80\xC0", 2},                  // overlong encoding is malformed
    {"\xF4\x90\x80\x80", "\x80\x80\x90\xF4", 4},  // beyond U+10FFFF
};
INSTANTIATE_TEST_SUITE_P(Texts, ReverseTable, ::testing::ValuesIn(kReverseCases));

}  // namespace
}  // namespace bw

namespace bw {
namespace {

// Every byte value reads the same in the base raising, in the conversion
// and in CharToDigit (bytes >= 0x80 are parts of characters reading as 0).
TEST(DigitValues, AgreeForEveryByteAcrossRoutines) {
    for (int b = 1; b < 256; ++b) {
        const std::string text(1, static_cast<char>(b));
        const int expected = b < 0x80 ? static_cast<int>(CharToDigit(static_cast<char32_t>(b))) : 0;
        std::string probe = text;
        EXPECT_EQ(MinimumBase(probe), expected + 1) << b;
        EXPECT_EQ(ConvertBase(text, "36", "10"), std::to_string(expected)) << b;
        EXPECT_EQ(ConvertBase("1" + text, "36", "10"), std::to_string(36 + expected)) << b;
    }
}

}  // namespace
}  // namespace bw
