#pragma once

// Arithmetic on decimal digit strings (module Calculations).
//
// These follow the step-by-step text algorithms on purpose: they
// are slow (powers recomputed, products by repeated addition) and serve as
// the independent reference that the fast routines of NumberSystem.h are
// checked against. Operands may carry leading zeros; the empty text counts
// as zero. Results carry no leading zeros and zero is "0", except where a
// routine says otherwise.
//
// A digit-string operand holding anything but "0"-"9" fails with
// CoreError("Type mismatch"); one longer than 32767 characters fails with
// "Overflow". Divisors and exponents are read as whole numbers: divisors up
// to 2147483647, exponents up to 32767, "Overflow" above.

#include <string>
#include <string_view>

namespace bw {

// Chunk size 1 to 255 ("Overflow" outside 0-255, "Division by zero" for 0).
std::string AddDecimal(std::string_view a, std::string_view b, int chunkSize);

// One pass of AddDecimal: both operands padded to a common multiple of the
// chunk size, the chunk sums without their carries, and the carries
// (a "1" on the highest digit of every chunk that overflowed).
struct DecimalPass {
    std::string sumText;
    std::string carryText;
};
DecimalPass AddDecimalPass(std::string_view a, std::string_view b, int chunkSize);

std::string MultiplyByDigit(std::string_view p, char digit);  // empty text when digit is '0'
std::string MultiplyDecimal(std::string_view p, std::string_view q);
std::string PowerDecimal(std::string_view p, std::string_view exponent);
std::string DivideBySmall(std::string_view p, std::string_view divisor);
std::string ModBySmall(std::string_view p, std::string_view divisor);
std::string PadLeftZeros(std::string_view s, long long length);  // empty text when length < len(s)
std::string StripLeading(std::string_view s, char c, bool keepOne);
bool IsAllZeros(std::string_view s);
double RoundUpToMultiple(double x, long long n);

}  // namespace bw
