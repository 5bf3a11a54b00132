#pragma once

// The limits of the number core, each stated once.

#include <cstddef>
#include <cstdint>

namespace bw {

// Character positions and loop counts are 16-bit signed whole numbers: a
// text of more characters fails with CoreError("Overflow"), and so does a
// loop count (an exponent) above it.
inline constexpr std::size_t kMaxTextLength = 32767;
inline constexpr std::uint32_t kMaxLoopCount = 32767;

// Bases and divisors given as decimal digit strings are read as 32-bit
// signed whole numbers; a larger one fails with "Overflow".
inline constexpr std::uint32_t kMaxWholeArgument = 2147483647;

// The bases an entry can be converted from and to: the digit alphabet
// "0"-"9", "A"-"Z" has 36 digits, so base raising never goes past 36.
inline constexpr int kMinEntryBase = 2;
inline constexpr int kMaxEntryBase = 36;

// The largest digit value of the alphabet ("Z").
inline constexpr int kMaxDigitValue = 35;

// Values that convert stay below 2^1024 - 2^970 (their double is finite),
// so no converted value has more than this many bits.
inline constexpr int kMaxValueBits = 1024;

}  // namespace bw
