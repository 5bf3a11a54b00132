#include "core/DigitStringReference.h"

#include <cmath>
#include <cstdint>

#include "core/RadixEngine.h"
#include "core/Utf8.h"

namespace bw {

std::string ConvertBase(std::string_view text, std::string_view sourceBase, std::string_view targetBase) {
    detail::CheckLength(text);
    const std::uint32_t source = detail::ReadSmallWhole(sourceBase, kMaxWholeArgument);
    std::string scratch;
    detail::Limb v[detail::kBoundedLimbs];
    const std::size_t n = detail::ReadBoundedValue(NonAsciiReplaced(text, '0', scratch), source, v);
    // Zero is "0" in any base, so the target base is read only for a
    // nonzero value.
    if (n == 0) return "0";
    std::string out;
    detail::AppendValue(v, n, detail::ReadSmallWhole(targetBase, kMaxWholeArgument), out);
    return out;
}

std::string BaseToDecimal(std::string_view text, std::string_view base) {
    detail::CheckLength(text);
    const std::uint32_t source = detail::ReadSmallWhole(base, kMaxWholeArgument);
    std::string scratch;
    std::vector<detail::Limb> v = detail::ReadValue(NonAsciiReplaced(text, '0', scratch), source);
    std::string out;
    detail::AppendValue(v.data(), v.size(), 10, out);
    return out;
}

std::string DecimalToBase(std::string_view decimal, std::string_view base) {
    detail::CheckLength(decimal);
    for (char c : decimal) {
        if (c < '0' || c > '9') throw CoreError("Type mismatch");
    }
    detail::Limb v[detail::kBoundedLimbs];
    const std::size_t n = detail::ReadBoundedValue(decimal, 10, v);
    if (n == 0) return "0";
    std::string out;
    detail::AppendValue(v, n, detail::ReadSmallWhole(base, kMaxWholeArgument), out);
    return out;
}

double MinimumBase(std::string& text) {
    if (text.empty()) text.push_back('0');
    detail::CheckLength(text);
    return detail::RaisedBase(1, detail::MaxDigitValue(text));
}

double CharToDigit(char32_t c) {
    // Only ASCII characters carry digit values.
    return c < 0x80 ? detail::DigitValueOf(static_cast<std::uint8_t>(c)) : 0.0;
}

std::string DigitToChar(double value) {
    // Digit values are whole numbers 0 to 35; anything else has no character.
    if (!(value >= 0.0 && value <= kMaxDigitValue) || value != std::floor(value)) return {};
    return std::string(1, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[static_cast<int>(value)]);
}

double MaxOfTwo(double a, double b) { return (a + b) / 2 + std::abs(a - b) / 2; }

double MaxOfArray(const std::vector<double>& values) {
    if (values.empty()) return 0.0;
    double best = values.front();
    for (double v : values) best = MaxOfTwo(best, v);
    return best;
}

std::string ReverseText(std::string_view text) {
    detail::CheckLength(text);
    return ReverseByCharacters(text);
}

}  // namespace bw
