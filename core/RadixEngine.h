#pragma once

// Machine-word radix conversion shared by NumberSystem.cpp and
// ConversionOptions.cpp. Not part of the core's interface: callers outside
// core/ use NumberSystem.h and ConversionOptions.h.

#include <cstdint>
#include <string>
#include <string_view>

namespace bw::detail {

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

// Reads a base, divisor or count given as a decimal digit string: only
// "0"-"9" are allowed ("Type mismatch" otherwise), the empty text reads as 0,
// and a value above `limit` fails with "Overflow".
std::uint32_t ReadSmallWhole(std::string_view text, std::uint32_t limit);

// Appends the value of the UTF-8 `text` read in `sourceBase` to `out`,
// written in `targetBase`. Fails with "Overflow" as soon as the value
// reaches 2^1024 - 2^970 (its double would not be finite), with
// "Division by zero" for a nonzero value and target base 0, and with
// "Target base must be at least 2" for a nonzero value and target base 1.
// Does not check the length of the text.
void ConvertBaseInto(std::string_view text, std::uint32_t sourceBase, std::uint32_t targetBase, std::string& out);

// For a text read in base 10: when it holds nothing but "0"-"9", appends
// its value in `targetBase` and returns true; otherwise returns false and
// appends nothing. Fails like ConvertBaseInto.
bool TryConvertPlainDecimalInto(std::string_view text, std::uint32_t targetBase, std::string& out);

// The same for a text known to hold only ASCII characters.
void ConvertAsciiInto(std::string_view text, std::uint32_t sourceBase, std::uint32_t targetBase, std::string& out);

}  // namespace bw::detail
