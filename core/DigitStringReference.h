#pragma once

// The digit-string reference: radix conversion written as the routines of
// decimal digit strings that every conversion is defined by (the
// conversion level and its decimal text arithmetic). The program converts
// entries through ConversionOptions.h; these routines are what the tests
// and benchmarks check the engine against, word for word.
//
// Texts are UTF-8; "characters" are Unicode code points, decoded as in
// Utf8.h (a malformed byte is a character of its own). Only "0"-"9",
// "A"-"Z" and "a"-"z" carry digit values; every other character reads as 0.
// Bases are passed as decimal digit strings ("2", "10", "16", ...).
//
// Limits (Limits.h): a text of more than kMaxTextLength characters fails
// with CoreError("Overflow"); so does a value whose correctly rounded
// double is not finite (value >= 2^1024 - 2^970) wherever the value has to
// go through DecimalToBase (DecimalToBase itself and ConvertBase).
//
// The length limit applies to the text argument of ConvertBase,
// BaseToDecimal, DecimalToBase, MinimumBase and ReverseText and of the
// digit-string arithmetic below. The value limit is checked while the
// digits are read, so a long text of large digits fails after its first few
// hundred bits. BaseToDecimal has no value limit: it converts any text
// within the length limit exactly.
//
// Bases are read as whole numbers: digits "0"-"9" only (else "Type
// mismatch"), the empty text as 0, above kMaxWholeArgument "Overflow". A
// source base of 0 or 1 reads by the powers 0^k and 1^k (only the last
// digit counts; all digits add up). For a nonzero value a target base of 0
// fails with "Division by zero" and a target base of 1 with "Target base
// must be at least 2"; a value of zero is "0" in any base. Target bases
// above 36 write no character for digit values above 35. DecimalToBase
// accepts only "0"-"9" in its decimal text ("Type mismatch" otherwise).

#include <string>
#include <string_view>
#include <vector>

#include "core/CoreError.h"
#include "core/Limits.h"
#include "core/Utf8.h"  // the characters the routines count and reverse (CharacterCount)

namespace bw {

// ------------------------------------------------------ conversion level

// Text in the target base: the value of `text` read in `sourceBase`,
// written in `targetBase`. Works on machine words (the engine); never
// builds the decimal text.
std::string ConvertBase(std::string_view text, std::string_view sourceBase, std::string_view targetBase);

// Decimal digit string of the text's value read in `base` (digits at or
// above the base count at face value). No leading zeros; zero is "0".
std::string BaseToDecimal(std::string_view text, std::string_view base);

// Text of the decimal digit string's value in `base`, upper case, no
// leading zeros, zero is "0". Fails with "Overflow" beyond the double range.
std::string DecimalToBase(std::string_view decimal, std::string_view base);

// 1 + the largest digit value in the text. An empty text is set to "0"
// first (the caller's text changes).
double MinimumBase(std::string& text);

// Digit value 0-35 of one character, 0 for any other character.
double CharToDigit(char32_t c);

// "0"-"9", "A"-"Z" for 0-35; empty text above 35 and for values that are
// not whole numbers from 0 to 35.
std::string DigitToChar(double value);

double MaxOfArray(const std::vector<double>& values);  // 0 for no values
double MaxOfTwo(double a, double b);                   // (a + b)/2 + |a - b|/2

// The characters (code points) in reverse order. A byte that does not
// belong to a well-formed UTF-8 sequence counts as one character and is
// kept as it is.
std::string ReverseText(std::string_view text);

// ------------------------------------------------ decimal text arithmetic
//
// These follow the step-by-step text algorithms on purpose: they are slow
// (powers recomputed, products by repeated addition) and serve as the
// independent reference that the engine is checked against. Operands may
// carry leading zeros; the empty text counts as zero. Results carry no
// leading zeros and zero is "0", except where a routine says otherwise.
//
// A digit-string operand holding anything but "0"-"9" fails with
// CoreError("Type mismatch"); one longer than kMaxTextLength characters
// fails with "Overflow". Divisors are read as whole numbers up to
// kMaxWholeArgument and exponents up to kMaxLoopCount, "Overflow" above.

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
