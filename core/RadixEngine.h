#pragma once

// The conversion engine: values read from digit text into arrays of 64-bit
// limbs and written back in another base. Not part of the core's interface:
// the program calls ConversionOptions.h; the entry rules, the strict number
// rules and the digit-string reference are built on this.
//
// Digit text is read one byte per digit, every byte at its face value
// (DigitValueOf): callers hand over ASCII text, or text whose non-ASCII
// characters were replaced first (NonAsciiReplaced in Utf8.h).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bw::detail {

using Limb = std::uint64_t;

// Room for any value below the double bound, plus the limb a reading step
// may add before the bound is checked.
inline constexpr std::size_t kBoundedLimbs = 17;

// Fails with CoreError("Overflow") when the text has more than
// kMaxTextLength characters (code points).
void CheckLength(std::string_view text);

// Digit value of one byte: "0"-"9", "A"-"Z", "a"-"z" give 0-35, every other
// byte 0 (so every byte of a multi-byte character reads as 0, as the
// character does). Byte arithmetic rather than a table, so that scans over
// whole texts vectorise.
constexpr std::uint8_t DigitValueOf(std::uint8_t c) {
    const auto d = static_cast<std::uint8_t>(c - '0');
    const auto l = static_cast<std::uint8_t>((c | 0x20) - 'a');
    const auto digitMask = static_cast<std::uint8_t>(-static_cast<int>(d < 10));
    const auto letterMask = static_cast<std::uint8_t>(-static_cast<int>(l < 26));
    return static_cast<std::uint8_t>((d & digitMask) | ((l + 10) & letterMask));
}

// True when every byte of the text is one of the first `limit` (1 to 10)
// decimal digits "0", "1", ...
bool AllDecimalDigitsBelow(std::string_view text, int limit);

// The largest digit value (0-35) among the characters of a UTF-8 text.
int MaxDigitValue(std::string_view text);

// Base raising: the base a text is read in when `base` is asked for. A text
// whose characters are not all digits of `base` is read in the smallest
// base in which they are (1 + its largest digit value); otherwise `base`.
inline int RaisedBase(int base, int maxDigitValue) { return base < maxDigitValue + 1 ? maxDigitValue + 1 : base; }

// Reads a base, divisor or count given as a decimal digit string: only
// "0"-"9" are allowed ("Type mismatch" otherwise), the empty text reads as 0,
// and a value above `limit` fails with "Overflow".
std::uint32_t ReadSmallWhole(std::string_view text, std::uint32_t limit);

// ----------------------------------------------------------- values

// The value of the digit text in `base` (any base from 0 up: base 0 counts
// only the last digit, base 1 adds the digits up) into v, which has room
// for kBoundedLimbs limbs; returns the number of limbs, 0 for zero. Fails
// with "Overflow" as soon as the value reaches 2^1024 - 2^970 (its double
// would not be finite).
std::size_t ReadBoundedValue(std::string_view digits, std::uint32_t base, Limb* v);

// The same without a bound on the value; the limbs without leading zero
// limbs (empty for zero).
std::vector<Limb> ReadValue(std::string_view digits, std::uint32_t base);

// Appends the digits of the value v[0, n) in `base`, upper case, no leading
// zeros; zero is "0". v is consumed. Fails with "Division by zero" for a
// nonzero value and base 0 and with "Target base must be at least 2" for a
// nonzero value and base 1. Digit values above 35 (bases above 36) have no
// character and are left out.
void AppendValue(Limb* v, std::size_t n, std::uint32_t base, std::string& out);

// ------------------------------------------------------ conversions

// Appends the value of the UTF-8 `text` read in `sourceBase` to `out`,
// written in `targetBase`, failing as ReadBoundedValue and AppendValue do.
// Does not check the length of the text.
void ConvertBaseInto(std::string_view text, std::uint32_t sourceBase, std::uint32_t targetBase, std::string& out);

// The same for a text known to hold only ASCII characters.
void ConvertAsciiInto(std::string_view text, std::uint32_t sourceBase, std::uint32_t targetBase, std::string& out);

// The short plain entry: a text of one or more digits of `sourceBase`
// (2 to 36; letters of either case) whose value fits 128 bits. Appends its
// value in `targetBase` (2 to 36) and returns true; for any other text
// returns false and appends nothing. Never fails.
bool TryConvertShortInto(std::string_view text, int sourceBase, int targetBase, std::string& out);

// For a text read in base 10: when it holds nothing but "0"-"9", appends
// its value in `targetBase` and returns true; otherwise returns false and
// appends nothing. Fails like ConvertBaseInto.
bool TryConvertPlainDecimalInto(std::string_view text, std::uint32_t targetBase, std::string& out);

// The number of leading bytes of the text that are "0", found a word at a
// time.
std::size_t LeadingZeroCount(std::string_view text);

}  // namespace bw::detail
