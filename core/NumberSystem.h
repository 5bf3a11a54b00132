#pragma once

// Radix conversion routines (module modNumberSystem).
//
// Texts are UTF-8; "characters" are Unicode code points. Only "0"-"9",
// "A"-"Z" and "a"-"z" carry digit values; every other character reads as 0.
// Bases are passed as decimal digit strings ("2", "10", "16", ...).
//
// Limits: a text of more than kMaxTextLength characters fails with
// CoreError("Overflow"); so does a value whose correctly rounded double is
// not finite (value >= 2^1024 - 2^970) wherever the value has to go through
// DecimalToBase (DecimalToBase itself and ConvertBase).

#include <string>
#include <string_view>
#include <vector>

#include "CoreError.h"

namespace bw {

inline constexpr std::size_t kMaxTextLength = 32767;

// Text in the target base: the value of `text` read in `sourceBase`,
// written in `targetBase`. Works on machine words; never builds the
// decimal text.
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

// "0"-"9", "A"-"Z" for 0-35; empty text above 35.
std::string DigitToChar(double value);

double MaxOfArray(const std::vector<double>& values);
double MaxOfTwo(double a, double b);

// The characters (code points) in reverse order.
std::string ReverseText(std::string_view text);

// Number of characters (code points) of a UTF-8 text.
std::size_t CharacterCount(std::string_view text);

}  // namespace bw
