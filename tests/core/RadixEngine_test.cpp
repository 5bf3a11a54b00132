// The fast conversions checked against the digit-string arithmetic composed
// step by step: digit value times a power of the base, summed at chunk size
// 15, and repeated long division by the target base.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/DigitStringReference.h"
#include "CoreTestSupport.h"

namespace bw {
namespace {

using test::Utf8;

// BaseToDecimal from the text arithmetic. Powers of the base are the
// results of PowerDecimal's own steps (one MultiplyDecimal by the base
// each), kept between texts so that thousands of texts stay affordable.
class SlowReader {
public:
    explicit SlowReader(int base) : base_(std::to_string(base)) { powers_.push_back("1"); }

    const std::string& Power(std::size_t e) {
        while (powers_.size() <= e) powers_.push_back(MultiplyDecimal(powers_.back(), base_));
        return powers_[e];
    }

    std::string ToDecimal(const std::u32string& text) {
        std::string total = "0";
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char32_t c = text[text.size() - 1 - i];  // least significant first
            const std::string digit = std::to_string(static_cast<int>(CharToDigit(c)));
            total = AddDecimal(total, MultiplyDecimal(Power(i), digit), 15);
        }
        return total;
    }

private:
    std::string base_;
    std::vector<std::string> powers_;
};

// DecimalToBase from the text arithmetic; "Overflow" where the decimal text
// does not read as a finite double.
std::string SlowDecimalToBase(std::string d, int base) {
    if (!std::isfinite(std::strtod(d.c_str(), nullptr))) return "Overflow";
    const std::string b = std::to_string(base);
    std::string out;
    while (!IsAllZeros(d)) {
        out += DigitToChar(std::stod(ModBySmall(d, b)));
        d = DivideBySmall(d, b);
    }
    std::reverse(out.begin(), out.end());
    return out.empty() ? "0" : out;
}

std::string Encode(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) out += Utf8(c);
    return out;
}

constexpr char32_t kForeign[] = {U'\u00E9', U'\u00B2', U'\uFF11', U'\u0663', U'\u212A', U'\u017F', U'\U0001F600'};
constexpr char32_t kPunctuation[] = {U' ', U'-', U'.', U',', U'\t', U'+'};
constexpr char kAlphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Texts of every kind an entry may hold: digits of the base in either case,
// digits beyond the base, blanks and signs, non-ASCII characters, leading
// zeros.
std::u32string RandomText(std::mt19937_64& rng, int base, std::size_t maxLength) {
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    std::u32string text(pick(4) == 0 ? pick(5) : 0, U'0');
    const std::size_t length = pick(maxLength + 1);
    while (text.size() < length) {
        const std::size_t kind = pick(10);
        if (kind < 7) {
            const char c = kAlphabet[pick(static_cast<std::size_t>(base))];
            text += pick(2) == 0 ? static_cast<char32_t>(c) : static_cast<char32_t>(c >= 'A' ? c + 32 : c);
        } else if (kind == 7) {
            text += static_cast<char32_t>(kAlphabet[pick(36)]);
        } else if (kind == 8) {
            text += kPunctuation[pick(std::size(kPunctuation))];
        } else {
            text += kForeign[pick(std::size(kForeign))];
        }
    }
    return text;
}

class EveryBase : public ::testing::TestWithParam<int> {};

TEST_P(EveryBase, FastReadingMatchesTheTextArithmetic) {
    const int base = GetParam();
    const std::string b = std::to_string(base);
    SlowReader slow(base);
    for (std::size_t e : {0, 1, 7, 13}) ASSERT_EQ(slow.Power(e), PowerDecimal(b, std::to_string(e)));

    std::mt19937_64 rng(static_cast<unsigned>(base) * 7919u);
    for (int i = 0; i < 300; ++i) {
        const std::u32string text = RandomText(rng, base, i < 240 ? 12 : 40);
        const std::string utf8 = Encode(text);
        const std::string decimal = slow.ToDecimal(text);
        ASSERT_EQ(BaseToDecimal(utf8, b), decimal) << '"' << utf8 << '"';

        const int target = 2 + static_cast<int>(rng() % 35);
        const std::string expected = SlowDecimalToBase(decimal, target);
        ASSERT_EQ(DecimalToBase(decimal, std::to_string(target)), expected) << decimal << " to " << target;
        ASSERT_EQ(ConvertBase(utf8, b, std::to_string(target)), expected) << '"' << utf8 << "\" to " << target;
    }
}

TEST_P(EveryBase, RoundTripsUpToTheLongestConvertibleText) {
    const int base = GetParam();
    const std::string b = std::to_string(base);
    // Below 2^1023 every text of this many digits converts.
    const auto longest = static_cast<std::size_t>(1023 / std::log2(static_cast<double>(base)));
    std::mt19937_64 rng(static_cast<unsigned>(base));
    for (int i = 0; i < 200; ++i) {
        std::string text(1, kAlphabet[1 + rng() % static_cast<unsigned>(base - 1)]);
        const std::size_t length = i == 0 ? longest : 1 + rng() % longest;
        while (text.size() < length) text += kAlphabet[rng() % static_cast<unsigned>(base)];
        const std::string t = std::to_string(2 + rng() % 35);
        ASSERT_EQ(ConvertBase(ConvertBase(text, b, t), t, b), text) << text << " via base " << t;
        ASSERT_EQ(DecimalToBase(BaseToDecimal(text, b), b), text);
    }
}

INSTANTIATE_TEST_SUITE_P(Bases2To36, EveryBase, ::testing::Range(2, 37));

TEST(LongDecimals, DivideDownLikeTheTextArithmetic) {
    std::mt19937_64 rng(1024);
    for (int target : {2, 3, 7, 8, 10, 16, 32, 36}) {
        for (int i = 0; i < 2; ++i) {
            std::string d(1, static_cast<char>('1' + rng() % 9));
            const std::size_t length = i == 0 ? 308 : 100 + rng() % 200;
            while (d.size() < length) d += static_cast<char>('0' + rng() % 10);
            ASSERT_EQ(DecimalToBase(d, std::to_string(target)), SlowDecimalToBase(d, target)) << d << " to " << target;
        }
    }
}

}  // namespace
}  // namespace bw
