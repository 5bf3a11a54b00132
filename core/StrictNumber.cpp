#include "core/StrictNumber.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "core/CoreError.h"
#include "core/Limits.h"
#include "core/RadixEngine.h"
#include "core/Utf8.h"

namespace bw {
namespace {

using detail::Limb;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Digit value of a byte, or 36 for a byte that is no digit of any base.
int StrictDigitValue(char ch) {
    const auto c = static_cast<std::uint8_t>(ch);
    const int value = detail::DigitValueOf(c);
    return value != 0 || c == '0' ? value : kMaxDigitValue + 1;
}

struct StrictParts {
    bool negative = false;
    std::string_view digits;  // may hold single "_" between digits
    bool underscores = false;
};

// Splits a strict entry into sign and digits; false if it is not one.
bool SplitStrict(std::string_view text, int base, StrictParts& parts) {
    text = TrimBlanks(text);
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        parts.negative = text[i] == '-';
        ++i;
    }
    const std::string_view prefix = BasePrefix(base);
    if (!prefix.empty() && text.size() - i >= 2 && text[i] == '0' && (text[i + 1] | 0x20) == prefix[1]) i += 2;
    parts.digits = text.substr(i);
    if (parts.digits.empty()) return false;
    const std::size_t n = parts.digits.size();
    for (std::size_t j = 0; j < n; ++j) {
        const char c = parts.digits[j];
        if (c == '_') {
            // Only between two digits: not first, not last, not doubled.
            if (j == 0 || j + 1 == n || parts.digits[j + 1] == '_') return false;
            parts.underscores = true;
        } else if (StrictDigitValue(c) >= base) {
            return false;
        }
    }
    return true;
}

std::size_t BitLength(const Limb* v, std::size_t n) {
    while (n > 0 && v[n - 1] == 0) --n;
    return n == 0 ? 0 : 64 * (n - 1) + static_cast<std::size_t>(std::bit_width(v[n - 1]));
}

bool BitSet(const Limb* v, std::size_t n, std::size_t bit) { return bit / 64 < n && ((v[bit / 64] >> (bit % 64)) & 1); }

// True when v is exactly 2^bit.
bool IsPowerOfTwo(const Limb* v, std::size_t n, std::size_t bit) {
    return BitLength(v, n) == bit + 1 && BitSet(v, n, bit) &&
           std::all_of(v, v + bit / 64, [](Limb limb) { return limb == 0; }) &&
           (v[bit / 64] & ((Limb{1} << (bit % 64)) - 1)) == 0;
}

// r = 2^bits - m for 0 < m <= 2^bits, into r (room for kBoundedLimbs);
// returns the number of limbs.
std::size_t WordComplement(const Limb* m, std::size_t n, int bits, Limb* r) {
    const std::size_t limbs = (static_cast<std::size_t>(bits) + 63) / 64;
    Limb carry = 1;
    for (std::size_t i = 0; i < limbs; ++i) {
        const Limb x = ~(i < n ? m[i] : 0);
        r[i] = x + carry;
        carry = carry != 0 && r[i] == 0 ? 1 : 0;
    }
    if (bits % 64 != 0) r[limbs - 1] &= (Limb{1} << (bits % 64)) - 1;
    return limbs;
}

}  // namespace

std::string_view BasePrefix(int base) {
    switch (base) {
        case 16:
            return "0x";
        case 2:
            return "0b";
        case 8:
            return "0o";
        default:
            return {};
    }
}

std::size_t NaturalWidth(int bits, int base) {
    Limb ones[detail::kBoundedLimbs] = {};
    const std::size_t limbs = (static_cast<std::size_t>(bits) + 63) / 64;
    for (std::size_t i = 0; i < limbs; ++i) ones[i] = ~Limb{0};
    if (bits % 64 != 0) ones[limbs - 1] = (Limb{1} << (bits % 64)) - 1;
    std::string digits;
    detail::AppendValue(ones, limbs, static_cast<std::uint32_t>(base), digits);
    return digits.size();
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

void AppendInForm(std::string_view digits, bool negative, const NumberForm& form, std::string& out) {
    if (negative) out.push_back('-');
    if (form.prefix) out.append(BasePrefix(form.targetBase));
    const std::size_t padding = form.width > digits.size() ? form.width - digits.size() : 0;
    const std::size_t total = padding + digits.size();
    for (std::size_t i = 0; i < total; ++i) {
        if (form.group != 0 && i != 0 && (total - i) % form.group == 0) out.append(form.separator);
        char c = i < padding ? '0' : digits[i - padding];
        if (form.lowerCase && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        out.push_back(c);
    }
}

StrictOutcome ConvertStrictInto(std::string_view entry, const StrictReading& reading, const NumberForm& form,
                                std::string& out) {
    if (entry.size() > kMaxTextLength && CharacterCount(entry) > kMaxTextLength) return StrictOutcome::Overflow;
    // The common case first: nothing but a few digits of the source base
    // is a strict number as it stands, converted in one pass.
    const bool plainForm = reading.bits == 0 && form.IsPlain();
    if (plainForm && detail::TryConvertShortInto(entry, reading.sourceBase, form.targetBase, out)) {
        return StrictOutcome::Converted;
    }
    StrictParts parts;
    if (!SplitStrict(entry, reading.sourceBase, parts)) return StrictOutcome::NotANumber;
    std::string scratch;
    std::string_view digits = parts.digits;
    if (parts.underscores) {
        scratch.reserve(digits.size());
        for (char c : digits) {
            if (c != '_') scratch.push_back(c);
        }
        digits = scratch;
    }
    const int bits = reading.bits;

    if (plainForm && !parts.negative && detail::TryConvertShortInto(digits, reading.sourceBase, form.targetBase, out)) {
        return StrictOutcome::Converted;
    }

    Limb magnitude[detail::kBoundedLimbs] = {};
    std::size_t n = 0;
    bool negative = parts.negative;
    if (reading.signedInput && bits > 0 && reading.sourceBase != 10) {
        // An N-bit pattern: no more than N bits, the top one the sign.
        const std::vector<Limb> pattern = detail::ReadValue(digits, static_cast<std::uint32_t>(reading.sourceBase));
        if (BitLength(pattern.data(), pattern.size()) > static_cast<std::size_t>(bits)) {
            return StrictOutcome::OutOfRange;
        }
        if (BitSet(pattern.data(), pattern.size(), static_cast<std::size_t>(bits - 1))) {
            n = WordComplement(pattern.data(), pattern.size(), bits, magnitude);
            negative = !negative;
        } else {
            n = pattern.size();
            std::copy(pattern.begin(), pattern.end(), magnitude);
        }
    } else {
        try {
            n = detail::ReadBoundedValue(digits, static_cast<std::uint32_t>(reading.sourceBase), magnitude);
        } catch (const CoreError&) {
            return StrictOutcome::Overflow;
        }
    }
    const std::size_t length = BitLength(magnitude, n);
    if (length == 0) negative = false;  // -0 is 0

    if (bits > 0) {
        const auto word = static_cast<std::size_t>(bits);
        const bool fits = negative ? length < word || IsPowerOfTwo(magnitude, n, word - 1) : length <= word;
        if (!fits) return StrictOutcome::OutOfRange;
        if (negative && form.targetBase != 10) {
            Limb complement[detail::kBoundedLimbs];
            n = WordComplement(magnitude, n, bits, complement);
            std::copy(complement, complement + n, magnitude);
            negative = false;
        }
    }

    std::string plain;
    detail::AppendValue(magnitude, n, static_cast<std::uint32_t>(form.targetBase), plain);
    AppendInForm(plain, negative, form, out);
    return StrictOutcome::Converted;
}

}  // namespace bw
