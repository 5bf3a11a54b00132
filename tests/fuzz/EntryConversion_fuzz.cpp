// The entry conversion against the digit-string reference: the first two
// bytes choose the source and target base (2 to 36), the rest is the entry.
// Every entry must convert or fail with a CoreError; one of at most 40
// characters (far below the value limit) must give the shown text and the
// result that the step-by-step decimal text arithmetic gives.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/ConversionOptions.h"
#include "core/DigitStringReference.h"
#include "core/Utf8.h"

namespace {

using namespace bw;

// The entry's value as a decimal digit string, by the reference's own
// arithmetic: digit times power of the base, added up.
std::string ReferenceDecimal(const std::string& text, int base) {
    // The characters in order, then weighed from the last one. (Decoding the
    // reversed text instead would join malformed bytes that the reversal
    // brings next to each other.)
    std::vector<char32_t> characters;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        char32_t cp;
        p += DecodeUtf8Char(p, end, cp);
        characters.push_back(cp);
    }
    std::string total = "0";
    const std::string baseText = std::to_string(base);
    for (std::size_t position = 0; position < characters.size(); ++position) {
        const auto digit = static_cast<int>(CharToDigit(characters[characters.size() - 1 - position]));
        if (digit == 0) continue;
        const std::string power = PowerDecimal(baseText, std::to_string(position));
        total = AddDecimal(total, MultiplyDecimal(power, std::to_string(digit)), 15);
    }
    return total;
}

std::string ReferenceInBase(std::string decimal, int base) {
    const std::string baseText = std::to_string(base);
    std::string out;
    while (!IsAllZeros(decimal)) {
        out += DigitToChar(std::stod(ModBySmall(decimal, baseText)));
        decimal = DivideBySmall(decimal, baseText);
    }
    return out.empty() ? "0" : ReverseText(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int source = 2 + data[0] % 35;
    const int target = 2 + data[1] % 35;
    const std::string entry(reinterpret_cast<const char*>(data) + 2, size - 2);

    std::string shown = "<", result = "<";
    try {
        ConvertEntryInto(source, target, entry, shown, result);
    } catch (const CoreError&) {
        if (shown != "<" || result != "<") std::abort();  // a failure leaves both as they were
        if (CharacterCount(entry) <= 40) std::abort();    // short entries always convert
        return 0;
    }
    std::string expectedShown = "<";
    AppendShownText(entry, expectedShown);
    if (shown != expectedShown) std::abort();
    if (CharacterCount(entry) > 40) return 0;

    std::string asRead = entry;
    const int base = std::max(source, static_cast<int>(MinimumBase(asRead)));
    if (result.substr(1) != ReferenceInBase(ReferenceDecimal(asRead, base), target)) std::abort();
    return 0;
}
