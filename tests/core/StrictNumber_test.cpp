// Strict reading and the written form, checked against an oracle with the
// integer semantics of Python's int(): arbitrary size, a sign, two's
// complement by adding 2^N. The oracle's grammar is a regular expression and
// its arithmetic works on 32-bit limbs, independent of the engine.

#include "core/StrictNumber.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace bw::test {
namespace {

// ------------------------------------------------------------ the oracle

// A whole number: sign and magnitude in 32-bit limbs, least significant first.
struct Int {
    bool negative = false;
    std::vector<std::uint32_t> limbs;  // no leading zero limbs; empty for zero

    bool IsZero() const { return limbs.empty(); }
    void Trim() {
        while (!limbs.empty() && limbs.back() == 0) limbs.pop_back();
        if (limbs.empty()) negative = false;
    }
    void MulAdd(std::uint32_t m, std::uint32_t a) {
        std::uint64_t carry = a;
        for (auto& limb : limbs) {
            const std::uint64_t t = std::uint64_t{limb} * m + carry;
            limb = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        if (carry != 0) limbs.push_back(static_cast<std::uint32_t>(carry));
    }
    std::uint32_t DivMod(std::uint32_t d) {
        std::uint64_t rem = 0;
        for (std::size_t i = limbs.size(); i-- > 0;) {
            const std::uint64_t cur = (rem << 32) | limbs[i];
            limbs[i] = static_cast<std::uint32_t>(cur / d);
            rem = cur % d;
        }
        Trim();
        return static_cast<std::uint32_t>(rem);
    }
    std::size_t BitLength() const {
        if (limbs.empty()) return 0;
        std::size_t bits = 32 * (limbs.size() - 1);
        for (std::uint32_t top = limbs.back(); top != 0; top >>= 1) ++bits;
        return bits;
    }
};

int CompareMagnitude(const Int& a, const Int& b) {
    if (a.limbs.size() != b.limbs.size()) return a.limbs.size() < b.limbs.size() ? -1 : 1;
    for (std::size_t i = a.limbs.size(); i-- > 0;) {
        if (a.limbs[i] != b.limbs[i]) return a.limbs[i] < b.limbs[i] ? -1 : 1;
    }
    return 0;
}

Int AddMagnitudes(const Int& a, const Int& b) {
    Int r;
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < std::max(a.limbs.size(), b.limbs.size()); ++i) {
        const std::uint64_t t = carry + (i < a.limbs.size() ? a.limbs[i] : 0) + (i < b.limbs.size() ? b.limbs[i] : 0);
        r.limbs.push_back(static_cast<std::uint32_t>(t));
        carry = t >> 32;
    }
    if (carry != 0) r.limbs.push_back(static_cast<std::uint32_t>(carry));
    r.Trim();
    return r;
}

Int SubtractMagnitudes(const Int& a, const Int& b) {  // |a| >= |b|
    Int r;
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < a.limbs.size(); ++i) {
        std::int64_t t = std::int64_t{a.limbs[i]} - (i < b.limbs.size() ? b.limbs[i] : 0) - borrow;
        borrow = t < 0 ? 1 : 0;
        if (t < 0) t += std::int64_t{1} << 32;
        r.limbs.push_back(static_cast<std::uint32_t>(t));
    }
    r.Trim();
    return r;
}

Int operator+(const Int& a, const Int& b) {
    if (a.negative == b.negative) {
        Int r = AddMagnitudes(a, b);
        r.negative = a.negative && !r.IsZero();
        return r;
    }
    const bool aLarger = CompareMagnitude(a, b) >= 0;
    Int r = aLarger ? SubtractMagnitudes(a, b) : SubtractMagnitudes(b, a);
    r.negative = (aLarger ? a.negative : b.negative) && !r.IsZero();
    return r;
}
Int operator-(Int a) {
    a.negative = !a.negative && !a.IsZero();
    return a;
}
Int operator-(const Int& a, const Int& b) { return a + (-b); }
bool operator<(const Int& a, const Int& b) {
    if (a.negative != b.negative) return a.negative;
    const int c = CompareMagnitude(a, b);
    return a.negative ? c > 0 : c < 0;
}
bool operator>=(const Int& a, const Int& b) { return !(a < b); }

Int Pow2(std::size_t n) {
    Int r;
    r.limbs.assign(n / 32 + 1, 0);
    r.limbs.back() = std::uint32_t{1} << (n % 32);
    return r;
}

Int FromDigits(const std::string& digits, int base) {
    Int r;
    for (char c : digits) {
        const int d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        r.MulAdd(static_cast<std::uint32_t>(base), static_cast<std::uint32_t>(d));
    }
    r.Trim();
    return r;
}

std::string Digits(Int v, int base) {  // of |v|, upper case
    if (v.IsZero()) return "0";
    std::string out;
    v.negative = false;
    while (!v.IsZero())
        out.push_back("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[v.DivMod(static_cast<std::uint32_t>(base))]);
    std::reverse(out.begin(), out.end());
    return out;
}

// int(text, base) with the prefix and "_" rules of the converter.
std::optional<Int> OracleParse(const std::string& text, int base) {
    std::string digitClass = "0-" + std::string(1, static_cast<char>('0' + std::min(base, 10) - 1));
    if (base > 10) {
        const char last = static_cast<char>('a' + base - 11);
        digitClass += std::string("a-") + last + "A-" + static_cast<char>(last - 'a' + 'A');
    }
    std::string prefix;
    if (base == 16) prefix = "(0[xX])?";
    if (base == 2) prefix = "(0[bB])?";
    if (base == 8) prefix = "(0[oO])?";
    const std::regex grammar("[ \\t]*([+-]?)" + prefix + "([" + digitClass + "]+(_[" + digitClass + "]+)*)[ \\t]*");
    // libstdc++'s matcher recurses once per character: runs of one
    // character are cut to four first, which changes no match.
    std::string shape;
    for (char c : text) {
        if (shape.size() < 4 || !std::all_of(shape.end() - 4, shape.end(), [c](char s) { return s == c; })) {
            shape += c;
        }
    }
    std::smatch m;
    if (!std::regex_match(shape, m, grammar)) return std::nullopt;
    std::string digits = text;
    digits.erase(std::remove_if(digits.begin(), digits.end(),
                                [](char c) { return c == ' ' || c == '\t' || c == '+' || c == '-'; }),
                 digits.end());
    if (!prefix.empty() && m[2].matched) digits.erase(0, 2);
    digits.erase(std::remove(digits.begin(), digits.end(), '_'), digits.end());
    Int v = FromDigits(digits, base);
    v.negative = text.find('-') != std::string::npos && !v.IsZero();
    return v;
}

struct Expected {
    StrictOutcome outcome;
    std::string text;
};

// The value limit of every conversion: magnitudes below 2^1024 - 2^970.
const Int kValueLimit = Pow2(1024) - Pow2(970);

Expected Oracle(const std::string& entry, const StrictReading& reading, const NumberForm& form) {
    // Characters: every byte that does not continue a UTF-8 sequence.
    if (std::count_if(entry.begin(), entry.end(), [](char c) { return (c & 0xC0) != 0x80; }) > 32767) {
        return {StrictOutcome::Overflow, ""};
    }
    std::optional<Int> parsed = OracleParse(entry, reading.sourceBase);
    if (!parsed) return {StrictOutcome::NotANumber, ""};
    Int v = *parsed;
    const int n = reading.bits;
    if (reading.signedInput && n > 0 && reading.sourceBase != 10) {
        Int pattern = v;
        pattern.negative = false;
        if (pattern >= Pow2(n)) return {StrictOutcome::OutOfRange, ""};
        if (pattern >= Pow2(n - 1)) pattern = pattern - Pow2(n);
        v = v.negative ? -pattern : pattern;
    } else {
        Int magnitude = v;
        magnitude.negative = false;
        if (magnitude >= kValueLimit) return {StrictOutcome::Overflow, ""};
    }
    if (n > 0) {
        if (v < -Pow2(n - 1) || v >= Pow2(n)) return {StrictOutcome::OutOfRange, ""};
        if (v.negative && form.targetBase != 10) v = v + Pow2(n);
    }
    std::string digits = Digits(v, form.targetBase);
    if (digits.size() < form.width) digits.insert(0, form.width - digits.size(), '0');
    if (form.lowerCase) {
        for (char& c : digits) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (form.group != 0 && i != 0 && (digits.size() - i) % form.group == 0) grouped += form.separator;
        grouped += digits[i];
    }
    return {StrictOutcome::Converted,
            (v.negative ? "-" : "") + std::string(form.prefix ? BasePrefix(form.targetBase) : "") + grouped};
}

std::string Converted(const std::string& entry, const StrictReading& reading, const NumberForm& form,
                      StrictOutcome& outcome) {
    std::string out = "kept";
    outcome = ConvertStrictInto(entry, reading, form, out);
    if (out.rfind("kept", 0) != 0) return "(lost what was there)";
    return out.substr(4);
}

void ExpectAsOracle(const std::string& entry, const StrictReading& reading, const NumberForm& form) {
    const Expected want = Oracle(entry, reading, form);
    StrictOutcome got;
    const std::string text = Converted(entry, reading, form, got);
    ASSERT_EQ(static_cast<int>(got), static_cast<int>(want.outcome))
        << '"' << entry << "\" base " << reading.sourceBase << " bits " << reading.bits << " signed "
        << reading.signedInput << " to " << form.targetBase;
    ASSERT_EQ(text, want.text) << '"' << entry << "\" base " << reading.sourceBase << " bits " << reading.bits << " to "
                               << form.targetBase;
}

// ------------------------------------------------------------ tables

struct StrictCase {
    std::string entry;
    int source, target;
    int bits;
    bool signedInput;
    StrictOutcome outcome;
    std::string result;
};

class StrictTable : public ::testing::TestWithParam<StrictCase> {};

TEST_P(StrictTable, ReadsAndWritesAsTheOracle) {
    const StrictCase& c = GetParam();
    const StrictReading reading{c.source, c.bits, c.signedInput};
    NumberForm form;
    form.targetBase = c.target;
    StrictOutcome got;
    EXPECT_EQ(Converted(c.entry, reading, form, got), c.result) << '"' << c.entry << '"';
    EXPECT_EQ(got, c.outcome) << '"' << c.entry << '"';
    ExpectAsOracle(c.entry, reading, form);
}

constexpr auto kOk = StrictOutcome::Converted;
constexpr auto kNaN = StrictOutcome::NotANumber;
constexpr auto kRange = StrictOutcome::OutOfRange;
constexpr auto kOver = StrictOutcome::Overflow;

INSTANTIATE_TEST_SUITE_P(
    Entries, StrictTable,
    ::testing::Values(
        // Signs, blanks, prefixes and separators.
        StrictCase{"255", 10, 16, 0, false, kOk, "FF"}, StrictCase{"-255", 10, 16, 0, false, kOk, "-FF"},
        StrictCase{"+255", 10, 16, 0, false, kOk, "FF"}, StrictCase{"-0", 10, 16, 0, false, kOk, "0"},
        StrictCase{"-000", 16, 10, 0, false, kOk, "0"}, StrictCase{" \t12 \t", 10, 10, 0, false, kOk, "12"},
        StrictCase{"0x1F", 16, 10, 0, false, kOk, "31"}, StrictCase{"-0X1f", 16, 10, 0, false, kOk, "-31"},
        StrictCase{"0b101", 2, 10, 0, false, kOk, "5"}, StrictCase{"0B101", 2, 10, 0, false, kOk, "5"},
        StrictCase{"0o17", 8, 10, 0, false, kOk, "15"}, StrictCase{"0b101", 16, 10, 0, false, kOk, "45313"},
        StrictCase{"1_000", 10, 10, 0, false, kOk, "1000"}, StrictCase{"0xFF_FF", 16, 10, 0, false, kOk, "65535"},
        StrictCase{"007", 10, 10, 0, false, kOk, "7"},
        // Not numbers.
        StrictCase{"", 10, 16, 0, false, kNaN, ""}, StrictCase{"   ", 10, 16, 0, false, kNaN, ""},
        StrictCase{"-", 10, 16, 0, false, kNaN, ""}, StrictCase{"+", 10, 16, 0, false, kNaN, ""},
        StrictCase{"0x", 16, 10, 0, false, kNaN, ""}, StrictCase{"-0x", 16, 10, 0, false, kNaN, ""},
        StrictCase{"0x10", 10, 10, 0, false, kNaN, ""}, StrictCase{"_1", 10, 10, 0, false, kNaN, ""},
        StrictCase{"1_", 10, 10, 0, false, kNaN, ""}, StrictCase{"1__2", 10, 10, 0, false, kNaN, ""},
        StrictCase{"0x_1", 16, 10, 0, false, kNaN, ""}, StrictCase{"1 2", 10, 10, 0, false, kNaN, ""},
        StrictCase{"--1", 10, 10, 0, false, kNaN, ""}, StrictCase{"+-1", 10, 10, 0, false, kNaN, ""},
        StrictCase{"- 1", 10, 10, 0, false, kNaN, ""}, StrictCase{"1,000", 10, 10, 0, false, kNaN, ""},
        StrictCase{"1e3", 10, 10, 0, false, kNaN, ""}, StrictCase{"1.5", 10, 10, 0, false, kNaN, ""},
        StrictCase{"12", 2, 10, 0, false, kNaN, ""}, StrictCase{"G", 16, 10, 0, false, kNaN, ""},
        StrictCase{"1\xC3\xA9", 10, 10, 0, false, kNaN, ""}, StrictCase{"\xEF\xBC\x91", 10, 10, 0, false, kNaN, ""},
        StrictCase{"1\r", 10, 10, 0, false, kNaN, ""}, StrictCase{"0o8", 8, 10, 0, false, kNaN, ""},
        // Word sizes.
        StrictCase{"-1", 10, 16, 8, false, kOk, "FF"}, StrictCase{"-128", 10, 2, 8, false, kOk, "10000000"},
        StrictCase{"-129", 10, 16, 8, false, kRange, ""}, StrictCase{"255", 10, 16, 8, false, kOk, "FF"},
        StrictCase{"256", 10, 16, 8, false, kRange, ""}, StrictCase{"-1", 10, 10, 8, false, kOk, "-1"},
        StrictCase{"-1", 10, 2, 1, false, kOk, "1"}, StrictCase{"1", 10, 2, 1, false, kOk, "1"},
        StrictCase{"2", 10, 2, 1, false, kRange, ""}, StrictCase{"-1", 10, 8, 64, false, kOk, "1777777777777777777777"},
        StrictCase{"FF", 16, 10, 8, true, kOk, "-1"}, StrictCase{"7F", 16, 10, 8, true, kOk, "127"},
        StrictCase{"80", 16, 10, 8, true, kOk, "-128"}, StrictCase{"1FF", 16, 10, 8, true, kRange, ""},
        StrictCase{"0x0FF", 16, 10, 8, true, kOk, "-1"}, StrictCase{"-FF", 16, 10, 8, true, kOk, "1"},
        StrictCase{"FF", 16, 2, 8, true, kOk, "11111111"}, StrictCase{"FF", 16, 10, 16, true, kOk, "255"},
        StrictCase{"-5", 10, 16, 8, true, kOk, "FB"},  // decimal entries carry their own sign
        // The limits of every conversion.
        StrictCase{"1" + std::string(309, '0'), 10, 16, 0, false, kOver, ""},
        StrictCase{"-1" + std::string(309, '0'), 10, 16, 0, false, kOver, ""},
        StrictCase{std::string(32767, '0'), 10, 16, 0, false, kOk, "0"},
        StrictCase{std::string(32768, '0'), 10, 16, 0, false, kOver, ""},
        StrictCase{std::string(40000, '1'), 10, 16, 0, false, kOver, ""}));

// ----------------------------------------------------- written form

struct FormCase {
    std::string entry;
    int source;
    NumberForm form;
    int bits;
    std::string result;
};

NumberForm Form(int target, bool lower, bool prefix, std::size_t group, std::string separator, std::size_t width) {
    NumberForm f;
    f.targetBase = target;
    f.lowerCase = lower;
    f.prefix = prefix;
    f.group = group;
    f.separator = std::move(separator);
    f.width = width;
    return f;
}

class FormTable : public ::testing::TestWithParam<FormCase> {};

TEST_P(FormTable, WritesSignPrefixPaddingGroupsAndCase) {
    const FormCase& c = GetParam();
    StrictOutcome got;
    EXPECT_EQ(Converted(c.entry, {c.source, c.bits, false}, c.form, got), c.result);
    ExpectAsOracle(c.entry, {c.source, c.bits, false}, c.form);
}

INSTANTIATE_TEST_SUITE_P(Forms, FormTable,
                         ::testing::Values(FormCase{"255", 10, Form(16, true, false, 0, "_", 0), 0, "ff"},
                                           FormCase{"255", 10, Form(16, false, true, 0, "_", 0), 0, "0xFF"},
                                           FormCase{"-255", 10, Form(16, true, true, 0, "_", 0), 0, "-0xff"},
                                           FormCase{"5", 10, Form(2, false, true, 4, "_", 8), 0, "0b0000_0101"},
                                           FormCase{"1234567", 10, Form(10, false, false, 3, ",", 0), 0, "1,234,567"},
                                           FormCase{"123", 10, Form(10, false, false, 3, ",", 0), 0, "123"},
                                           FormCase{"-1", 10, Form(16, false, false, 2, " ", 0), 16, "FF FF"},
                                           FormCase{"8", 10, Form(8, false, true, 0, "_", 3), 0, "0o010"},
                                           FormCase{"0", 10, Form(16, false, false, 0, "_", 4), 0, "0000"},
                                           FormCase{"65535", 10, Form(16, false, false, 0, "_", 2), 0, "FFFF"}));

TEST(NaturalWidth, IsTheDigitCountOfTheLargestWord) {
    EXPECT_EQ(NaturalWidth(8, 16), 2u);
    EXPECT_EQ(NaturalWidth(9, 16), 3u);
    EXPECT_EQ(NaturalWidth(8, 2), 8u);
    EXPECT_EQ(NaturalWidth(64, 10), 20u);
    EXPECT_EQ(NaturalWidth(64, 8), 22u);
    EXPECT_EQ(NaturalWidth(1024, 16), 256u);
    EXPECT_EQ(NaturalWidth(1, 10), 1u);
}

// ---------------------------------------------------- random entries

// A text of the value in `base`, dressed the ways a strict entry may be.
std::string Dress(const Int& v, int base, std::mt19937_64& rng) {
    std::string digits = Digits(v, base);
    if (rng() % 3 == 0) {
        for (char& c : digits) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (rng() % 4 == 0) digits.insert(0, rng() % 3, '0');
    if (rng() % 4 == 0 && digits.size() > 1) digits.insert(1 + rng() % (digits.size() - 1), 1, '_');
    std::string text;
    if (v.negative) {
        text = "-";
    } else if (rng() % 8 == 0) {
        text = "+";
    }
    const std::string_view prefix = BasePrefix(base);
    if (!prefix.empty() && rng() % 3 == 0)
        text += rng() % 2 ? std::string(prefix) : "0" + std::string(1, static_cast<char>(std::toupper(prefix[1])));
    text += digits;
    if (rng() % 6 == 0) text = " " + text + "\t";
    // Now and then a fault: the oracle must agree that it is not a number.
    switch (rng() % 40) {
        case 0:
            text += "_";
            break;
        case 1:
            text.insert(text.size() / 2, "__");
            break;
        case 2:
            text.insert(text.size() / 2, " ");
            break;
        case 3:
            text += "Z";
            break;
        default:
            break;
    }
    return text;
}

Int RandomInt(std::mt19937_64& rng, std::size_t maxBits) {
    Int v;
    const std::size_t bits = rng() % (maxBits + 1);
    v.limbs.assign(bits / 32 + 1, 0);
    for (auto& limb : v.limbs) limb = static_cast<std::uint32_t>(rng());
    if (bits % 32 != 0)
        v.limbs.back() &= (std::uint32_t{1} << (bits % 32)) - 1;
    else
        v.limbs.back() = 0;
    v.Trim();
    v.negative = !v.IsZero() && rng() % 2 == 0;
    return v;
}

// Values at and around the edges of an N-bit word, and random ones in it.
std::vector<Int> EdgeValues(int n, std::mt19937_64& rng) {
    const Int one = FromDigits("1", 10);
    std::vector<Int> values = {
        Int{}, one, -one, Pow2(n) - one, Pow2(n), -Pow2(n - 1), -Pow2(n - 1) - one, Pow2(n - 1) - one, Pow2(n - 1)};
    for (int i = 0; i < 4; ++i) values.push_back(RandomInt(rng, static_cast<std::size_t>(n)));
    return values;
}

TEST(StrictOracle, TwosComplementBothWaysAtEveryWidth) {
    std::mt19937_64 rng(20260101);
    std::vector<int> widths;
    for (int n = 1; n <= 130; ++n) widths.push_back(n);
    for (int n : {256, 512, 1024}) widths.push_back(n);
    for (int n : widths) {
        for (const Int& v : EdgeValues(n, rng)) {
            for (int target : {16, 2, 8, 10}) {
                NumberForm form;
                form.targetBase = target;
                ExpectAsOracle(Dress(v, 10, rng), {10, n, false}, form);
            }
            // The pattern of an N-bit word (when v fits it), read back signed.
            const Int pattern = v.negative ? v + Pow2(n) : v;
            for (int source : {16, 2, 8}) {
                NumberForm form;
                form.targetBase = 10;
                ExpectAsOracle(Dress(pattern, source, rng), {source, n, true}, form);
                form.targetBase = 16;
                ExpectAsOracle(Dress(pattern, source, rng), {source, n, true}, form);
            }
        }
    }
}

TEST(StrictOracle, RandomEntriesInEveryBaseAndForm) {
    std::mt19937_64 rng(7);
    for (int i = 0; i < 6000; ++i) {
        const int source = 2 + static_cast<int>(rng() % 35);
        const Int v = RandomInt(rng, i % 10 == 0 ? 1100 : 140);
        NumberForm form = Form(2 + static_cast<int>(rng() % 35), rng() % 2 == 0, rng() % 3 == 0, rng() % 5,
                               rng() % 2 ? "_" : ",", rng() % 4 == 0 ? rng() % 40 : 0);
        ExpectAsOracle(Dress(v, source, rng), {source, 0, false}, form);
    }
}

}  // namespace
}  // namespace bw::test
