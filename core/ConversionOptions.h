#pragma once

// The number core's interface: what the window and the batch converter
// call. It holds
//   - the twelve conversion options (names, order, bases),
//   - the rules for converting one entry of a list (ConvertEntryInto and
//     friends): never rejected, read in a raised base when its characters
//     need one, blanks shown as "0",
//   - the captions of the result columns and the core's limits.
// Failures are CoreError (CoreError.h) with the description the window's
// error report shows. Strict reading of numbers with signs, prefixes and
// fixed widths is in StrictNumber.h; the digit-string routines that the
// engine is checked against are in DigitStringReference.h (tests and
// benchmarks only).

#include <array>
#include <string>
#include <string_view>

#include "core/CoreError.h"
#include "core/Limits.h"

namespace bw {

struct ConversionOption {
    std::string_view name;
    int sourceBase;
    int targetBase;
};

inline constexpr std::size_t kConversionOptionCount = 12;

// The options in the order of the option box; position 0 is the default.
const std::array<ConversionOption, kConversionOptionCount>& ConversionOptions();

// Whole, case-sensitive match of the name in table order; nullptr if none.
const ConversionOption* FindConversionOption(std::string_view name);

// The captions of the result columns: "Numbers" (the entries as shown; also
// the input list's column), "Conversion" (the option's name) and "Results".
inline constexpr const char* kNumbersCaption = "Numbers";
inline constexpr const char* kConversionCaption = "Conversion";
inline constexpr const char* kResultsCaption = "Results";

// ---------------------------------------------------------- entry rule
// One entry of a list is never rejected: it is read in the smallest base in
// which all its characters are digits when the option's source base is too
// small, an empty entry reads as "0", and a blank reads as the digit 0. The
// text shown beside the result says what was converted, so it carries the
// "0" for an empty entry and for every blank; an entry whose conversion
// fails is shown the same way.

// The text an entry is read as: an empty entry is "0".
constexpr std::string_view EntryAsRead(std::string_view entry) { return entry.empty() ? std::string_view("0") : entry; }

// A byte of an entry as its shown text has it: a blank (the space
// character, and only it) becomes "0". A blank reads as the digit 0 anyway,
// so this changes neither the base the entry is read in nor its value. The
// bytes of a multi-byte character are never blanks.
constexpr char BlankAsZero(char c) { return c == ' ' ? '0' : c; }

// Appends the text with every blank replaced by "0" (BlankAsZero). `text`
// must not point into `out`. Works on any piece of an entry, for entries
// too long to hold.
inline void AppendBlanksAsZeros(std::string_view text, std::string& out) {
    const std::size_t start = out.size();
    out.resize(start + text.size());
    char* dst = out.data() + start;
    for (std::size_t i = 0; i < text.size(); ++i) dst[i] = BlankAsZero(text[i]);  // vectorises
}

// Appends the shown text of an entry: the entry as read, with its blanks as
// "0" (letters keep their case, every other character stays). This is the
// shown text that ConvertEntry gives, and the one to show for an entry whose
// conversion failed. `entry` must not point into `shown`.
inline void AppendShownText(std::string_view entry, std::string& shown) {
    AppendBlanksAsZeros(EntryAsRead(entry), shown);
}

struct ConvertedEntry {
    std::string shownText;   // the entry's shown text (AppendShownText)
    std::string resultText;  // the value in the target base
};

// Converts one entry under the option of that name. Throws CoreError for an
// unknown name and passes on the core's failures ("Overflow").
ConvertedEntry ConvertEntry(std::string_view optionName, std::string_view entry);

// The same rules for any pair of bases (2 to 36), used by the batch converter.
// Bases outside 2 to 36 fail with CoreError("Base must be from 2 to 36").
ConvertedEntry ConvertEntry(int sourceBase, int targetBase, std::string_view entry);

// As ConvertEntry, but appends the shown text to `shown` and the result text
// to `result` (two different strings; `entry` must not point into either),
// so that a caller converting many entries can reuse its buffers. On a
// failure both strings are left as they were.
void ConvertEntryInto(int sourceBase, int targetBase, std::string_view entry, std::string& shown, std::string& result);

// The result alone, for callers that do not show the entry: appends the
// result text to `result`, which is left as it was on a failure.
void ConvertEntryResultInto(int sourceBase, int targetBase, std::string_view entry, std::string& result);

// Which check an entry failed.
enum class EntryCheck {
    Passed,      // converted
    Length,      // more than kMaxTextLength characters
    Conversion,  // the conversion itself: a value beyond the double range, a base outside 2 to 36
};

struct EntryOutcome {
    EntryCheck failedCheck = EntryCheck::Passed;
    std::string description;  // the failure's description ("Overflow"); empty when converted
    bool outOfMemory = false;  // the memory for the conversion could not be had ("Out of memory")
    bool Converted() const { return failedCheck == EntryCheck::Passed; }
};

// Converts one entry as ConvertEntryInto does, and on a failure gives the
// failed entry's row instead of throwing: appends the entry's shown text to
// `shown`, leaves `result` as it was, and says which check failed and why.
EntryOutcome ConvertEntryOrShowFailure(int sourceBase, int targetBase, std::string_view entry, std::string& shown,
                                       std::string& result);

}  // namespace bw
