#pragma once

// The twelve conversion options and the rules for converting one entry.

#include <array>
#include <string>
#include <string_view>

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

struct ConvertedEntry {
    std::string shownText;   // the entry after base raising and blank replacement
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
void ConvertEntryInto(int sourceBase, int targetBase, std::string_view entry, std::string& shown,
                      std::string& result);

}  // namespace bw
