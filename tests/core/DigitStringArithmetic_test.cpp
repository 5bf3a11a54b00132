#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/DigitStringReference.h"
#include "CoreTestSupport.h"

namespace bw {
namespace {

using test::FailureCase;
using test::FailureOf;

struct AddCase {
    std::string a, b;
    int chunk;
    std::string sum;
};
std::ostream& operator<<(std::ostream& os, const AddCase& c) { return os << c.a << " + " << c.b << " at " << c.chunk; }

class AddDecimalTable : public ::testing::TestWithParam<AddCase> {};

TEST_P(AddDecimalTable, AddsExactly) {
    const AddCase& c = GetParam();
    EXPECT_EQ(AddDecimal(c.a, c.b, c.chunk), c.sum);
    EXPECT_EQ(AddDecimal(c.b, c.a, c.chunk), c.sum);
}

const AddCase kAddCases[] = {
    {"99", "1", 2, "100"},
    {std::string(15, '9'), "1", 15, "1" + std::string(15, '0')},
    {"", "5", 15, "5"},
    {"", "", 2, "0"},
    {"0", "0", 10, "0"},
    {"007", "0003", 2, "10"},
    {"999999", "1", 2, "1000000"},
    {"123", "877", 1, "1000"},
    {"123456789012345678901234567890", "987654321098765432109876543210", 15, "1111111110111111111011111111100"},
    {"123456789012345678901234567890", "987654321098765432109876543210", 10, "1111111110111111111011111111100"},
    // Chunks wider than a double holds exactly still add exactly.
    {std::string(250, '9'), "1", 200, "1" + std::string(250, '0')},
    {std::string(40, '9'), std::string(40, '9'), 255, "1" + std::string(39, '9') + "8"},
};
INSTANTIATE_TEST_SUITE_P(Sums, AddDecimalTable, ::testing::ValuesIn(kAddCases));

TEST(AddDecimalPass, FollowsTheWorkedExampleOf99Plus1) {
    const DecimalPass first = AddDecimalPass("99", "1", 2);
    EXPECT_EQ(first.sumText, "00");
    EXPECT_EQ(first.carryText, "10");
    // The carry text gains a "0" and is added to the sum text.
    const DecimalPass second = AddDecimalPass(first.sumText, first.carryText + "0", 2);
    EXPECT_EQ(second.sumText, "0100");
    EXPECT_EQ(second.carryText, "0000");
}

TEST(AddDecimalPass, MarksTheHighestDigitOfEachOverflowingChunk) {
    const DecimalPass pass = AddDecimalPass("5050", "5151", 2);
    EXPECT_EQ(pass.sumText, "0101");
    EXPECT_EQ(pass.carryText, "1010");
}

class CalculationFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(CalculationFailures, FailWithTheDescription) {
    EXPECT_EQ(FailureOf([] { GetParam().call(); }), GetParam().description);
}

const FailureCase kFailureCases[] = {
    {"chunk size 0", [] { return AddDecimal("1", "1", 0); }, "Division by zero"},
    {"chunk size 256", [] { return AddDecimal("1", "1", 256); }, "Overflow"},
    {"negative chunk size", [] { return AddDecimal("1", "1", -1); }, "Overflow"},
    {"letter in an operand", [] { return AddDecimal("1a", "1", 2); }, "Type mismatch"},
    {"sign in an operand", [] { return MultiplyDecimal("-1", "1"); }, "Type mismatch"},
    {"digit that is no digit", [] { return MultiplyByDigit("12", 'x'); }, "Type mismatch"},
    {"exponent beyond 16 bits", [] { return PowerDecimal("1", "32768"); }, "Overflow"},
    {"exponent not a number", [] { return PowerDecimal("2", "x"); }, "Type mismatch"},
    {"division by zero", [] { return DivideBySmall("5", "0"); }, "Division by zero"},
    {"remainder by zero", [] { return ModBySmall("5", "0"); }, "Division by zero"},
    {"remainder of nothing by zero", [] { return ModBySmall("", "0"); }, "Division by zero"},
    {"divisor beyond 32 bits", [] { return DivideBySmall("5", "2147483648"); }, "Overflow"},
    {"negative divisor", [] { return DivideBySmall("10", "-2"); }, "Type mismatch"},
    {"round up to a multiple of 0", [] { return std::to_string(RoundUpToMultiple(3, 0)); }, "Division by zero"},
};
INSTANTIATE_TEST_SUITE_P(Operands, CalculationFailures, ::testing::ValuesIn(kFailureCases));

struct BinaryCase {
    const char* routine;
    std::string (*call)(std::string_view, std::string_view);
    std::string p, q, expected;
};
std::ostream& operator<<(std::ostream& os, const BinaryCase& c) {
    return os << c.routine << '(' << c.p << ", " << c.q << ')';
}

class ArithmeticTable : public ::testing::TestWithParam<BinaryCase> {};

TEST_P(ArithmeticTable, GivesTheDigitString) {
    const BinaryCase& c = GetParam();
    EXPECT_EQ(c.call(c.p, c.q), c.expected);
}

std::string ByDigit(std::string_view p, std::string_view d) { return MultiplyByDigit(p, d[0]); }

const BinaryCase kArithmeticCases[] = {
    {"MultiplyByDigit", ByDigit, "12", "0", ""},
    {"MultiplyByDigit", ByDigit, "12", "1", "12"},
    {"MultiplyByDigit", ByDigit, "12", "9", "108"},
    {"MultiplyByDigit", ByDigit, "007", "3", "21"},
    {"MultiplyByDigit", ByDigit, "0", "5", "0"},
    {"MultiplyDecimal", MultiplyDecimal, "12", "34", "408"},
    {"MultiplyDecimal", MultiplyDecimal, "5", "0", ""},  // product by the digit 0
    {"MultiplyDecimal", MultiplyDecimal, "5", "10", "50"},
    {"MultiplyDecimal", MultiplyDecimal, "0", "00", "0"},
    {"MultiplyDecimal", MultiplyDecimal, "", "5", "0"},
    {"MultiplyDecimal", MultiplyDecimal, "99999", "99999", "9999800001"},
    {"MultiplyDecimal", MultiplyDecimal, "18446744073709551615", "18446744073709551615",
     "340282366920938463426481119284349108225"},
    {"PowerDecimal", PowerDecimal, "2", "10", "1024"},
    {"PowerDecimal", PowerDecimal, "7", "0", "1"},
    {"PowerDecimal", PowerDecimal, "0", "0", "1"},
    {"PowerDecimal", PowerDecimal, "0", "3", ""},
    {"PowerDecimal", PowerDecimal, "10", "20", "1" + std::string(20, '0')},
    {"PowerDecimal", PowerDecimal, "2", "64", "18446744073709551616"},
    {"DivideBySmall", DivideBySmall, "255", "16", "15"},
    {"DivideBySmall", DivideBySmall, "0", "7", "0"},
    {"DivideBySmall", DivideBySmall, "", "7", "0"},
    {"DivideBySmall", DivideBySmall, "", "0", "0"},  // no digit, so no division
    {"DivideBySmall", DivideBySmall, "1000", "1", "1000"},
    {"DivideBySmall", DivideBySmall, "0099", "010", "9"},
    {"DivideBySmall", DivideBySmall, "18446744073709551615", "2147483647", "8589934596"},
    {"ModBySmall", ModBySmall, "255", "16", "15"},
    {"ModBySmall", ModBySmall, "256", "16", "0"},
    {"ModBySmall", ModBySmall, "", "7", "0"},
    {"ModBySmall", ModBySmall, "0012", "5", "2"},
    {"ModBySmall", ModBySmall, "18446744073709551615", "2147483647", "3"},
};
INSTANTIATE_TEST_SUITE_P(Operands, ArithmeticTable, ::testing::ValuesIn(kArithmeticCases));

TEST(TextHelpers, PadStripAndTestForZeros) {
    EXPECT_EQ(PadLeftZeros("12", 5), "00012");
    EXPECT_EQ(PadLeftZeros("12", 2), "12");
    EXPECT_EQ(PadLeftZeros("12", 1), "");  // a length below the text's is no failure
    EXPECT_EQ(PadLeftZeros("", 3), "000");
    EXPECT_EQ(PadLeftZeros("\xC3\xA9", 3), "00\xC3\xA9");  // counts characters

    EXPECT_EQ(StripLeading("000120", '0', false), "120");
    EXPECT_EQ(StripLeading("000", '0', true), "0");
    EXPECT_EQ(StripLeading("000", '0', false), "");
    EXPECT_EQ(StripLeading("", '0', true), "0");
    EXPECT_EQ(StripLeading("  x ", ' ', false), "x ");

    EXPECT_TRUE(IsAllZeros(""));
    EXPECT_TRUE(IsAllZeros("000"));
    EXPECT_FALSE(IsAllZeros("010"));
    EXPECT_FALSE(IsAllZeros(" "));
}

TEST(RoundUpToMultiple, IsTheSmallestMultipleNotBelow) {
    const struct {
        double x;
        long long n;
        double expected;
    } cases[] = {{0, 15, 0}, {1, 15, 15}, {15, 15, 15}, {16, 15, 30}, {2.5, 2, 4}, {-3, 2, -2}, {7, 1, 7}};
    for (const auto& c : cases) EXPECT_EQ(RoundUpToMultiple(c.x, c.n), c.expected) << c.x << ' ' << c.n;
}

}  // namespace
}  // namespace bw
