#include "core/ConversionOptions.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <new>

#include "core/RadixEngine.h"
#include "core/Utf8.h"

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

namespace {

// An entry that is not a short plain number: base raising, then the engine.
void ConvertLongerInto(int sourceBase, int targetBase, std::string_view entry, std::string& result) {
    const auto target = static_cast<std::uint32_t>(targetBase);
    // Nothing but digits "0" to "9" that are all digits of the source base:
    // no base raising, plain ASCII.
    if (sourceBase == 10 && detail::TryConvertPlainDecimalInto(entry, target, result)) return;
    if (sourceBase != 10 && detail::AllDecimalDigitsBelow(entry, std::min(sourceBase, 10))) {
        return detail::ConvertAsciiInto(entry, static_cast<std::uint32_t>(sourceBase), target, result);
    }
    // One pass gives the largest digit value and whether the entry is ASCII.
    std::uint8_t largest = 0;
    std::uint8_t anyByte = 0;
    for (char ch : entry) {
        const auto c = static_cast<std::uint8_t>(ch);
        anyByte |= c;
        largest = std::max(largest, detail::DigitValueOf(c));
    }
    const auto source = static_cast<std::uint32_t>(detail::RaisedBase(sourceBase, largest));
    // A blank reads as the digit 0 either way, so the entry itself is
    // converted, not its shown text.
    if (anyByte < 0x80) return detail::ConvertAsciiInto(entry, source, target, result);
    detail::ConvertBaseInto(entry, source, target, result);
}

}  // namespace

void ConvertEntryResultInto(int sourceBase, int targetBase, std::string_view entry, std::string& result) {
    if (sourceBase < kMinEntryBase || sourceBase > kMaxEntryBase || targetBase < kMinEntryBase ||
        targetBase > kMaxEntryBase) {
        throw CoreError("Base must be from 2 to 36");
    }
    entry = EntryAsRead(entry);
    detail::CheckLength(entry);
    // The common case: a few digits of the source base, converted in
    // registers.
    if (detail::TryConvertShortInto(entry, sourceBase, targetBase, result)) return;
    const std::size_t resultStart = result.size();
    try {
        ConvertLongerInto(sourceBase, targetBase, entry, result);
    } catch (...) {
        result.resize(resultStart);
        throw;
    }
}

void ConvertEntryInto(int sourceBase, int targetBase, std::string_view entry, std::string& shown, std::string& result) {
    ConvertEntryResultInto(sourceBase, targetBase, entry, result);
    AppendShownText(entry, shown);
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

EntryOutcome ConvertEntryOrShowFailure(int sourceBase, int targetBase, std::string_view entry, std::string& shown,
                                       std::string& result) {
    EntryOutcome outcome;
    try {
        ConvertEntryInto(sourceBase, targetBase, entry, shown, result);
        return outcome;
    } catch (const std::bad_alloc&) {
        outcome.description = kOutOfMemoryDescription;
        outcome.outOfMemory = true;
    } catch (const std::exception& e) {
        outcome.description = e.what();
    }
    AppendShownText(entry, shown);
    const std::string_view read = EntryAsRead(entry);
    const bool tooLong = read.size() > kMaxTextLength && CharacterCount(read) > kMaxTextLength;
    outcome.failedCheck = tooLong ? EntryCheck::Length : EntryCheck::Conversion;
    return outcome;
}

}  // namespace bw
