#pragma once

// Numbers read strictly and written in a chosen form: for callers that must
// know when a text is not a number in the base it claims, and that work
// with signed values and fixed word sizes.
//
// A strict entry is, with blanks (spaces and TABs) allowed around it:
//   an optional sign "+" or "-",
//   an optional prefix of the source base ("0x" for 16, "0b" for 2, "0o"
//   for 8, either letter case; other bases have none),
//   one or more digits of the source base (letters of either case), with
//   single "_" allowed between two digits.
// Anything else is not a number. Its value must stay below the core's value
// limit (2^1024 - 2^970 in magnitude) and the entry within kMaxTextLength
// characters; beyond either it fails as every conversion does ("Overflow").
//
// Word sizes: with a width of N bits (1 to 1024) a value must lie from
// -2^(N-1) to 2^N - 1. A negative value is then written as its N-bit two's
// complement in every target base but 10 (decimal output keeps the sign),
// and a non-negative one as it is. With signed input an entry in a source
// base other than 10 is an N-bit two's complement pattern: its digits may
// hold at most N bits, and a pattern whose top bit (bit N-1) is set stands
// for the pattern minus 2^N; a sign in front negates that value. Decimal
// entries always carry their sign themselves.

#include <cstddef>
#include <string>
#include <string_view>

namespace bw {

// How an entry is read.
struct StrictReading {
    int sourceBase = 10;       // 2 to 36
    int bits = 0;              // 0: any size; 1 to 1024: the word size
    bool signedInput = false;  // read non-decimal entries as two's complement patterns (needs bits)
};

// How a number is written. The default is the plain form of the core:
// upper-case digits, no prefix, no groups, no padding.
struct NumberForm {
    int targetBase = 16;          // 2 to 36
    bool lowerCase = false;       // digits "a"-"z" instead of "A"-"Z"
    bool prefix = false;          // "0x", "0b" or "0o" before the digits of base 16, 2 or 8
    std::size_t group = 0;        // digits per group, counted from the right; 0 for none
    std::string separator = "_";  // between groups
    std::size_t width = 0;        // at least this many digits, padded with leading "0"

    bool IsPlain() const { return !lowerCase && !prefix && group == 0 && width == 0; }
};

inline constexpr int kMaxWordBits = 1024;

// The prefix of a base ("0x", "0b", "0o"), empty for every other base.
std::string_view BasePrefix(int base);

// The number of digits of 2^bits - 1 in `base`: the width of an N-bit word.
std::size_t NaturalWidth(int bits, int base);

// The text with the blanks (spaces and TABs) around it removed.
std::string_view TrimBlanks(std::string_view text);

// Appends a number given as its plain digits (upper case, no leading zeros,
// no sign) in the form: sign, prefix, zero padding, groups, letter case.
void AppendInForm(std::string_view digits, bool negative, const NumberForm& form, std::string& out);

enum class StrictOutcome {
    Converted,
    NotANumber,  // not a strict entry of the source base
    OutOfRange,  // outside the word size
    Overflow,    // beyond the value limit or the length limit
};

// Reads `entry` strictly and appends its value in the form. On any outcome
// but Converted `out` is left as it was.
StrictOutcome ConvertStrictInto(std::string_view entry, const StrictReading& reading, const NumberForm& form,
                                std::string& out);

}  // namespace bw
