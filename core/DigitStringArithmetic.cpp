// The decimal text arithmetic of the digit-string reference.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/DigitStringReference.h"
#include "core/RadixEngine.h"
#include "core/Utf8.h"

namespace bw {
namespace {

// A decimal digit-string operand: at most 32767 characters of "0"-"9".
void CheckOperand(std::string_view s) {
    detail::CheckLength(s);
    for (char c : s) {
        if (c < '0' || c > '9') throw CoreError("Type mismatch");
    }
}

void CheckChunkSize(int n) {
    if (n < 0 || n > 255) throw CoreError(kOverflowDescription);  // a byte-sized parameter
    if (n == 0) throw CoreError("Division by zero");              // RoundUpToMultiple by 0
}

// One pass over operands that are already checked.
DecimalPass Pass(std::string_view a, std::string_view b, int n) {
    std::string x = PadLeftZeros(a, static_cast<long long>(RoundUpToMultiple(static_cast<double>(a.size()), n)));
    std::string y = PadLeftZeros(b, static_cast<long long>(RoundUpToMultiple(static_cast<double>(b.size()), n)));
    const std::size_t length = std::max(x.size(), y.size());
    x = PadLeftZeros(x, static_cast<long long>(length));
    y = PadLeftZeros(y, static_cast<long long>(length));

    const std::size_t chunk = static_cast<std::size_t>(n);
    DecimalPass pass;
    pass.sumText.reserve(length);
    pass.carryText.reserve(length);
    std::string digits(chunk, '0');
    for (std::size_t start = 0; start < length; start += chunk) {
        // t = x + y of the two n-digit chunks, formed digit by digit so that
        // it is exact for every chunk size; `carry` ends up as t >= 10^n.
        int carry = 0;
        for (std::size_t i = chunk; i-- > 0;) {
            const int d = (x[start + i] - '0') + (y[start + i] - '0') + carry;
            digits[i] = static_cast<char>('0' + d % 10);
            carry = d / 10;
        }
        pass.sumText += digits;  // t, or t - 10^n, as exactly n digits
        if (carry == 0) {
            pass.carryText.append(chunk, '0');
        } else {
            pass.carryText += '1';
            pass.carryText.append(chunk - 1, '0');
        }
    }
    return pass;
}

}  // namespace

DecimalPass AddDecimalPass(std::string_view a, std::string_view b, int chunkSize) {
    CheckChunkSize(chunkSize);
    CheckOperand(a);
    CheckOperand(b);
    return Pass(a, b, chunkSize);
}

std::string AddDecimal(std::string_view a, std::string_view b, int chunkSize) {
    DecimalPass pass = AddDecimalPass(a, b, chunkSize);
    while (!IsAllZeros(pass.carryText)) {
        pass.carryText += '0';  // every carry moves onto the next higher chunk
        pass = Pass(pass.sumText, pass.carryText, chunkSize);
    }
    return StripLeading(pass.sumText, '0', true);
}

std::string MultiplyByDigit(std::string_view p, char digit) {
    CheckOperand(p);
    if (digit < '0' || digit > '9') throw CoreError("Type mismatch");
    std::string result;
    for (int i = 0; i < digit - '0'; ++i) result = AddDecimal(result, p, 2);
    return result;
}

std::string MultiplyDecimal(std::string_view p, std::string_view q) {
    CheckOperand(p);
    CheckOperand(q);
    if (q.empty()) return "0";
    std::string result;
    for (std::size_t i = 0; i < q.size(); ++i) {
        std::string partial = MultiplyByDigit(p, q[q.size() - 1 - i]);
        partial.append(i, '0');
        result = i == 0 ? std::move(partial) : AddDecimal(result, partial, 10);
    }
    return result;
}

std::string PowerDecimal(std::string_view p, std::string_view exponent) {
    CheckOperand(p);
    const std::uint32_t e = detail::ReadSmallWhole(exponent, kMaxLoopCount);
    std::string result = "1";
    for (std::uint32_t i = 0; i < e; ++i) result = MultiplyDecimal(result, p);
    return result;
}

namespace {

// The long-division walk shared by DivideBySmall and ModBySmall. The working
// number starts as the first digit; after each digit it becomes
// (working mod q) followed by the next digit. Returns the final working
// number; appends each quotient digit to `quotient` when given.
std::int64_t DivisionWalk(std::string_view p, std::int64_t q, std::string* quotient) {
    if (p.empty()) return 0;
    std::int64_t working = p[0] - '0';
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (q == 0) throw CoreError("Division by zero");
        if (quotient) *quotient += std::to_string(working / q);
        working %= q;
        if (i + 1 < p.size()) working = working * 10 + (p[i + 1] - '0');
    }
    return working;
}

}  // namespace

std::string DivideBySmall(std::string_view p, std::string_view divisor) {
    CheckOperand(p);
    const std::int64_t q = detail::ReadSmallWhole(divisor, kMaxWholeArgument);
    std::string quotient;
    DivisionWalk(p, q, &quotient);
    return StripLeading(quotient, '0', true);
}

std::string ModBySmall(std::string_view p, std::string_view divisor) {
    CheckOperand(p);
    const std::int64_t q = detail::ReadSmallWhole(divisor, kMaxWholeArgument);
    const std::int64_t working = DivisionWalk(p, q, nullptr);
    if (q == 0) throw CoreError("Division by zero");
    return std::to_string(working % q);
}

std::string PadLeftZeros(std::string_view s, long long length) {
    const auto current = static_cast<long long>(CharacterCount(s));
    if (length < current) return {};
    std::string out(static_cast<std::size_t>(length - current), '0');
    out += s;
    return out;
}

std::string StripLeading(std::string_view s, char c, bool keepOne) {
    const std::size_t first = s.find_first_not_of(c);
    if (first == std::string_view::npos) return keepOne ? std::string(1, c) : std::string();
    return std::string(s.substr(first));
}

bool IsAllZeros(std::string_view s) { return s.find_first_not_of('0') == std::string_view::npos; }

double RoundUpToMultiple(double x, long long n) {
    if (n == 0) throw CoreError("Division by zero");
    const double m = static_cast<double>(n);
    double result = m * std::floor(x / m);
    if (std::fmod(x, m) != 0) result += m;
    return result;
}

}  // namespace bw
