#include "ConversionOptions.h"

#include <algorithm>
#include <cstdint>

#include "CoreError.h"
#include "NumberSystem.h"
#include "RadixEngine.h"

namespace bw {

const std::array<ConversionOption, kConversionOptionCount>& ConversionOptions() {
    static constexpr std::array<ConversionOption, kConversionOptionCount> kOptions{{
        {"Decimal To Hexadecimal", 10, 16},
        {"Decimal To Binary", 10, 2},
        {"Decimal To Octal", 10, 8},
        {"Hexadecimal To Decimal", 16, 10},
        {"Hexadecimal To Binary", 16, 2},
        {"Hexadecimal To Octal", 16, 8},
        {"Binary To Decimal", 2, 10},
        {"Binary To Hexadecimal", 2, 16},
        {"Binary To Octal", 2, 8},
        {"Octal To Decimal", 8, 10},
        {"Octal To Hexadecimal", 8, 16},
        {"Octal To Binary", 8, 2},
    }};
    return kOptions;
}

const ConversionOption* FindConversionOption(std::string_view name) {
    for (const ConversionOption& option : ConversionOptions()) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

void ConvertEntryInto(int sourceBase, int targetBase, std::string_view entry, std::string& shown, std::string& result) {
    if (sourceBase < 2 || sourceBase > 36 || targetBase < 2 || targetBase > 36) {
        throw CoreError("Base must be from 2 to 36");
    }
    entry = EntryAsRead(entry);
    detail::CheckLength(entry);

    // The common cases: nothing but digits "0" to "9" that are all digits
    // of the source base. No base raising, plain ASCII, and no blanks, so
    // the shown text is the entry as it is.
    if (sourceBase == 10 && detail::TryConvertPlainDecimalInto(entry, static_cast<std::uint32_t>(targetBase), result)) {
        shown.append(entry);
        return;
    }
    if (sourceBase != 10 && detail::AllDecimalDigitsBelow(entry, std::min(sourceBase, 10))) {
        const std::size_t shownStart = shown.size();
        shown.append(entry);
        try {
            detail::ConvertAsciiInto(entry, static_cast<std::uint32_t>(sourceBase),
                                     static_cast<std::uint32_t>(targetBase), result);
        } catch (...) {
            shown.resize(shownStart);
            throw;
        }
        return;
    }

    // Otherwise one pass over the entry gives its shown text (as
    // AppendShownText would), its largest digit value and whether it is
    // plain ASCII.
    const std::size_t shownStart = shown.size();
    shown.resize(shownStart + entry.size());
    char* dst = shown.data() + shownStart;
    std::uint8_t largest = 0;
    std::uint8_t anyByte = 0;
    for (std::size_t i = 0; i < entry.size(); ++i) {
        const auto c = static_cast<std::uint8_t>(entry[i]);
        anyByte |= c;
        largest = std::max(largest, detail::DigitValueOf(c));
        dst[i] = BlankAsZero(entry[i]);
    }

    // Base raising: an entry with characters beyond the source base is read
    // in the smallest base in which all of them are digits.
    if (sourceBase < largest + 1) sourceBase = largest + 1;

    // A blank reads as the digit 0 either way, so the entry itself is
    // converted; it is not a view into either output string.
    const std::size_t resultStart = result.size();
    try {
        const auto source = static_cast<std::uint32_t>(sourceBase);
        const auto target = static_cast<std::uint32_t>(targetBase);
        if (anyByte < 0x80) {
            detail::ConvertAsciiInto(entry, source, target, result);
        } else {
            detail::ConvertBaseInto(entry, source, target, result);
        }
    } catch (...) {
        shown.resize(shownStart);
        result.resize(resultStart);
        throw;
    }
}

ConvertedEntry ConvertEntry(int sourceBase, int targetBase, std::string_view entry) {
    ConvertedEntry converted;
    ConvertEntryInto(sourceBase, targetBase, entry, converted.shownText, converted.resultText);
    return converted;
}

ConvertedEntry ConvertEntry(std::string_view optionName, std::string_view entry) {
    const ConversionOption* option = FindConversionOption(optionName);
    if (option == nullptr) throw CoreError("Unknown conversion option \"" + std::string(optionName) + "\"");
    return ConvertEntry(option->sourceBase, option->targetBase, entry);
}

}  // namespace bw
