#include "core/RadixEngine.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "core/CoreError.h"
#include "core/Limits.h"
#include "core/Utf8.h"

// Numbers are held as little-endian arrays of 64-bit limbs. Reading uses
// Horner's rule over chunks of as many digits as fit a word; writing divides
// by the largest power of the target base that fits a word (by multiplying
// with a precomputed reciprocal), or extracts bits for power-of-two bases.
// Values that have to pass the double range check never exceed 16 limbs and
// live in a fixed array; only values read without that bound use the heap.
// Short entries whose value fits 128 bits take a path of their own that
// reads and writes them in registers.

namespace bw {
namespace {

__extension__ typedef unsigned __int128 u128;
using u64 = std::uint64_t;

constexpr u64 kWordMax = std::numeric_limits<u64>::max();

// 2^1024 - 2^970 is 2^960 * (2^64 - 2^10): sixteen limbs, the top one
// 0xFFFFFFFFFFFFFC00, the others zero. Values at or above it round to an
// infinite double.
constexpr std::size_t kLimbsAtBound = 16;
constexpr u64 kTopLimbBound = kWordMax - ((u64{1} << 10) - 1);

[[noreturn]] void Fail(const char* description) { throw CoreError(description); }

// DigitValueOf as a table, for the loops that read one digit at a time.
constexpr std::array<std::uint8_t, 256> MakeDigitTable() {
    std::array<std::uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) table[c] = detail::DigitValueOf(static_cast<std::uint8_t>(c));
    return table;
}
constexpr std::array<std::uint8_t, 256> kDigit = MakeDigitTable();

constexpr char kDigitChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// ---------------------------------------------------- limb arithmetic

// Reading: the largest chunk k with 36 * base^k below 2^64, so that a chunk
// of digits at face value (up to 35 each) still fits a word.
struct ReadChunk {
    u64 multiplier = 1;  // base^digits
    int digits = 0;
};

constexpr ReadChunk MakeReadChunk(u64 base) {
    ReadChunk chunk;
    const u64 limit = kWordMax / (kMaxDigitValue + 1);
    while (chunk.multiplier <= limit / base) {
        chunk.multiplier *= base;
        ++chunk.digits;
    }
    return chunk;
}

// Writing: the largest power of the base that fits a word, normalised
// (shifted so that its top bit is set) with its reciprocal
// floor((2^128 - 1) / normalised) - 2^64 for division by multiplication.
struct WriteChunk {
    u64 divisor = 1;     // base^digits
    u64 normalised = 0;  // divisor << shift
    u64 reciprocal = 0;
    int shift = 0;
    int digits = 0;
};

constexpr WriteChunk MakeWriteChunk(u64 base) {
    WriteChunk chunk;
    while (chunk.divisor <= kWordMax / base) {
        chunk.divisor *= base;
        ++chunk.digits;
    }
    chunk.shift = std::countl_zero(chunk.divisor);
    chunk.normalised = chunk.divisor << chunk.shift;
    const u128 numerator = (u128(~chunk.normalised) << 64) | kWordMax;
    chunk.reciprocal = static_cast<u64>(numerator / chunk.normalised);
    return chunk;
}

template <class Chunk, Chunk (*Make)(u64)>
constexpr std::array<Chunk, 37> MakeChunkTable() {
    std::array<Chunk, 37> table{};
    for (u64 base = 2; base <= 36; ++base) table[base] = Make(base);
    return table;
}
constexpr auto kReadChunks = MakeChunkTable<ReadChunk, MakeReadChunk>();
constexpr auto kWriteChunks = MakeChunkTable<WriteChunk, MakeWriteChunk>();

ReadChunk ReadChunkFor(u64 base) { return base <= 36 ? kReadChunks[base] : MakeReadChunk(base); }
WriteChunk WriteChunkFor(u64 base) { return base <= 36 ? kWriteChunks[base] : MakeWriteChunk(base); }

// v = v * m + a; the array must have room for n + 1 limbs. Returns the new n.
inline std::size_t MulAdd(u64* v, std::size_t n, u64 m, u64 a) {
    u64 carry = a;
    for (std::size_t i = 0; i < n; ++i) {
        const u128 t = u128(v[i]) * m + carry;
        v[i] = static_cast<u64>(t);
        carry = static_cast<u64>(t >> 64);
    }
    if (carry != 0) v[n++] = carry;
    return n;
}

// Quotient of (nh:nl) by the normalised divisor d with reciprocal inv;
// requires nh < d (Moller and Granlund, "Improved division by invariant
// integers", 2011).
inline u64 DivStep(u64 nh, u64 nl, u64 d, u64 inv, u64& remainder) {
    u128 q = u128(nh) * inv;
    q += (u128(nh + 1) << 64) | nl;
    u64 qh = static_cast<u64>(q >> 64);
    const u64 ql = static_cast<u64>(q);
    u64 r = nl - qh * d;
    if (r > ql) {
        --qh;
        r += d;
    }
    if (r >= d) {
        ++qh;
        r -= d;
    }
    remainder = r;
    return qh;
}

// v = v / divisor; returns the remainder and shortens n past zero limbs.
inline u64 DivRem(u64* v, std::size_t& n, const WriteChunk& c) {
    u64 rem = 0;  // remainder << shift
    const int s = c.shift;
    for (std::size_t i = n; i-- > 0;) {
        const u64 u = v[i];
        const u64 nh = s != 0 ? rem | (u >> (64 - s)) : rem;
        const u64 nl = u << s;
        v[i] = DivStep(nh, nl, c.normalised, c.reciprocal, rem);
    }
    while (n > 0 && v[n - 1] == 0) --n;
    return rem >> s;
}

// Eight ASCII decimal digits at p, most significant first, as a number;
// false if any of the eight bytes is not "0"-"9".
inline bool ReadEightDecimals(const unsigned char* p, u64& value) {
    u64 x;
    std::memcpy(&x, p, 8);
    if constexpr (std::endian::native != std::endian::little) x = __builtin_bswap64(x);
    constexpr u64 kHigh = 0xF0F0F0F0F0F0F0F0u;
    constexpr u64 kThrees = 0x3030303030303030u;
    if ((x & kHigh) != kThrees || ((x + 0x0606060606060606u) & kHigh) != kThrees) return false;
    x -= kThrees;
    x = x * 10 + (x >> 8);  // pairs of digits in every other byte
    constexpr u64 kMask = 0x000000FF000000FFu;
    constexpr u64 kMul1 = 100 + (1000000ull << 32);
    constexpr u64 kMul2 = 1 + (10000ull << 32);
    value = (((x & kMask) * kMul1) + (((x >> 16) & kMask) * kMul2)) >> 32;
    return true;
}

// Eight ASCII binary digits at p, most significant first, as a number;
// false if any of the eight bytes is not "0" or "1".
inline bool ReadEightBinary(const unsigned char* p, u64& value) {
    u64 x;
    std::memcpy(&x, p, 8);
    if constexpr (std::endian::native != std::endian::little) x = __builtin_bswap64(x);
    constexpr u64 kOnes = 0x0101010101010101u;
    if ((x & ~kOnes) != 0x3030303030303030u) return false;
    // Byte i holds bit 7 - i of the result; the product gathers them, all
    // partial products landing on distinct bits.
    value = ((x & kOnes) * 0x8040201008040201u) >> 56;
    return true;
}

// Decimal texts are read in chunks of 16 digits and binary texts in chunks
// of 56, eight digits at a time where the bytes are plain digits.
constexpr ReadChunk kDecimalReadChunk{10000000000000000u, 16};
constexpr ReadChunk kBinaryReadChunk{u64{1} << 56, 56};

// True when a value of n limbs has reached the double bound. For bases from
// 1 up partial values never decrease while digits are read, so a partial
// value past the bound means the full value is past it too.
inline bool PastDoubleBound(const u64* v, std::size_t n) {
    return n > kLimbsAtBound || (n == kLimbsAtBound && v[n - 1] >= kTopLimbBound);
}

// What ReadDecimalChunks<true, ...> returns for a text that is not plain digits.
constexpr std::size_t kNotPlainDigits = static_cast<std::size_t>(-1);

// The reader of decimal digit text [p, end): its value in v by Horner's rule
// over chunks of 16 digits (the first chunk shorter, so that the others line
// up); returns the number of limbs. A byte that is not "0"-"9" reads at its
// face value (DigitValueOf); with kPlainOnly it instead stops the reading,
// and the result is kNotPlainDigits. With kBounded, fails with "Overflow"
// as soon as the partial value is past the double bound (and then never
// holds more than kLimbsAtBound + 1 limbs, which lets the compiler unroll
// the limb loop). The shape of the chunk loop is kept as it is because the
// compiler then keeps its constants in registers.
template <bool kPlainOnly, bool kBounded>
std::size_t ReadDecimalChunks(const unsigned char* p, const unsigned char* end, u64* v) {
    std::size_t n = 0;
    if (p == end) return n;
    std::size_t first = static_cast<std::size_t>(end - p) % 16;
    if (first == 0) first = 16;
    for (const unsigned char* chunkEnd = p + first;; chunkEnd = p + 16) {
        u64 c = 0;
        // Digit by digit: the short first chunk, or a chunk with other bytes
        // than digits. False when kPlainOnly and a byte is not "0"-"9".
        auto readDigitByDigit = [&] {
            for (; p < chunkEnd; ++p) {
                if constexpr (kPlainOnly) {
                    const unsigned d = *p - unsigned{'0'};
                    if (d > 9) return false;
                    c = c * 10 + d;
                } else {
                    c = c * 10 + kDigit[*p];
                }
            }
            return true;
        };
        if (chunkEnd - p == 16) {
            u64 high, low;
            if (ReadEightDecimals(p, high) && ReadEightDecimals(p + 8, low)) {
                c = high * 100000000u + low;
                p = chunkEnd;
            } else if (kPlainOnly) {
                return kNotPlainDigits;
            } else {
                readDigitByDigit();
            }
        } else if (!readDigitByDigit()) {
            return kNotPlainDigits;
        }
        n = MulAdd(v, n, kDecimalReadChunk.multiplier, c);
        if (kBounded && PastDoubleBound(v, n)) Fail(kOverflowDescription);
        if (p == end) return n;  // before a chunk end past the text is formed
    }
}

// Horner's rule over digit text [p, end) in any other base (one byte per
// character; bytes read at their face value), in chunks of as many digits
// as fit a word. With `bounded`, fails with "Overflow" as soon as the
// partial value is past the double bound. Returns the number of limbs.
// kBase is the base when known at compile time, else 0.
template <u64 kBase>
std::size_t ReadChunks(const unsigned char* p, const unsigned char* end, u64 runtimeBase, u64* v, bool bounded) {
    static_assert(kBase != 10, "decimal text has its own reader");
    const u64 base = kBase != 0 ? kBase : runtimeBase;
    const ReadChunk chunk = kBase == 2 ? kBinaryReadChunk : kBase != 0 ? kReadChunks[kBase] : ReadChunkFor(base);
    const auto digitsPerChunk = static_cast<std::size_t>(chunk.digits);
    std::size_t n = 0;
    std::size_t first = static_cast<std::size_t>(end - p) % digitsPerChunk;
    if (first == 0) first = digitsPerChunk;
    const unsigned char* chunkEnd = p + first;
    while (p < end) {
        u64 c = 0;
        if constexpr (kBase == 2) {
            if (chunkEnd - p == 56) {
                u64 byte;
                while (p < chunkEnd && ReadEightBinary(p, byte)) {
                    c = (c << 8) | byte;
                    p += 8;
                }
            }
        }
        for (; p < chunkEnd; ++p) c = c * base + kDigit[*p];
        n = MulAdd(v, n, chunk.multiplier, c);
        if (bounded && PastDoubleBound(v, n)) Fail(kOverflowDescription);
        chunkEnd = p + digitsPerChunk;
    }
    return n;
}

std::size_t ZeroRun(const unsigned char* p, const unsigned char* end);

// The value of the digit text in `base`; 0 limbs for zero.
std::size_t ReadInto(std::string_view digits, u64 base, u64* v, bool bounded) {
    const auto* p = reinterpret_cast<const unsigned char*>(digits.data());
    const auto* end = p + digits.size();
    // Leading zero digits add nothing: runs of "0" a word at a time, then
    // any other byte that reads as 0.
    for (p += ZeroRun(p, end); p < end && kDigit[*p] == 0; p += ZeroRun(p, end)) ++p;
    if (p == end) return 0;
    switch (base) {
        case 0:
        case 1: {
            // Base 0: 0^0 = 1 and every other power is 0, so only the last
            // digit counts. Base 1: every power is 1, so the digits add up.
            u64 sum = 0;
            if (base == 0) {
                sum = kDigit[end[-1]];
            } else {
                for (; p < end; ++p) sum += kDigit[*p];
            }
            v[0] = sum;
            return sum != 0 ? 1 : 0;
        }
        case 2:
            return ReadChunks<2>(p, end, base, v, bounded);
        case 8:
            return ReadChunks<8>(p, end, base, v, bounded);
        case 10:
            return bounded ? ReadDecimalChunks<false, true>(p, end, v) : ReadDecimalChunks<false, false>(p, end, v);
        case 16:
            return ReadChunks<16>(p, end, base, v, bounded);
        default:
            return ReadChunks<0>(p, end, base, v, bounded);
    }
}

// For bases 2, 4 and 16: the digits of every byte value, most significant
// first.
template <int kBits>
constexpr auto MakeByteDigits() {
    constexpr int kPerByte = 8 / kBits;
    std::array<std::array<char, kPerByte>, 256> table{};
    for (int b = 0; b < 256; ++b) {
        for (int i = 0; i < kPerByte; ++i) {
            table[b][kPerByte - 1 - i] = kDigitChars[(b >> (i * kBits)) & ((1 << kBits) - 1)];
        }
    }
    return table;
}
template <int kBits>
constexpr auto kByteDigits = MakeByteDigits<kBits>();

// Digits of nonzero v in base 2^kBits (kBits 1 to 5), most significant
// first, read straight from the bits.
template <int kBits>
void AppendPowerOfTwo(const u64* v, std::size_t n, std::string& out) {
    constexpr u64 kMask = (u64{1} << kBits) - 1;
    const std::size_t totalBits = 64 * n - static_cast<std::size_t>(std::countl_zero(v[n - 1]));
    const std::size_t count = (totalBits + kBits - 1) / kBits;
    const std::size_t start = out.size();
    out.resize(start + count);
    char* dst = out.data() + start;
    std::size_t i = count;
    if constexpr (8 % kBits == 0) {
        // The top digits one at a time down to a byte boundary, then whole
        // bytes through the table.
        constexpr std::size_t kPerByte = 8 / kBits;
        for (; i % kPerByte != 0; --i) {
            const std::size_t bit = (i - 1) * kBits;
            *dst++ = kDigitChars[(v[bit / 64] >> (bit % 64)) & kMask];
        }
        for (std::size_t byte = i / kPerByte; byte-- > 0;) {
            const auto b = static_cast<std::uint8_t>(v[byte / 8] >> (8 * (byte % 8)));
            std::memcpy(dst, kByteDigits<kBits>[b].data(), kPerByte);
            dst += kPerByte;
        }
        return;
    }
    for (; i-- > 0;) {
        const std::size_t bit = i * kBits;
        const std::size_t limb = bit / 64;
        const unsigned offset = bit % 64;
        u64 d = v[limb] >> offset;
        if (offset + kBits > 64 && limb + 1 < n) d |= v[limb + 1] << (64 - offset);
        *dst++ = kDigitChars[d & kMask];
    }
}

// The sixteen hexadecimal digits of x, most significant first.
inline void PutHexLimb(char* dst, u64 x) {
    auto spread = [](std::uint32_t half) {  // nibble i of half into byte i
        u64 b = half;
        b = (b | (b << 16)) & 0x0000FFFF0000FFFFu;
        b = (b | (b << 8)) & 0x00FF00FF00FF00FFu;
        b = (b | (b << 4)) & 0x0F0F0F0F0F0F0F0Fu;
        return b;
    };
    auto ascii = [](u64 nibbles) {  // "0"-"9", and "A"-"F" 7 codes further on
        const u64 letters = ((nibbles + 0x0606060606060606u) >> 4) & 0x0101010101010101u;
        u64 text = nibbles + 0x3030303030303030u + letters * 7;
        if constexpr (std::endian::native == std::endian::little) text = __builtin_bswap64(text);
        return text;
    };
    const u64 high = ascii(spread(static_cast<std::uint32_t>(x >> 32)));
    const u64 low = ascii(spread(static_cast<std::uint32_t>(x)));
    std::memcpy(dst, &high, 8);
    std::memcpy(dst + 8, &low, 8);
}

void AppendHexadecimal(const u64* v, std::size_t n, std::string& out) {
    if (n > kLimbsAtBound + 1) return AppendPowerOfTwo<4>(v, n, out);
    const auto topDigits = static_cast<std::size_t>(16 - std::countl_zero(v[n - 1]) / 4);
    char top[16];
    PutHexLimb(top, v[n - 1]);
    const std::size_t start = out.size();
    out.resize(start + topDigits + 16 * (n - 1));
    char* dst = out.data() + start;
    // The top limb's digits, as two 8-byte moves that may overlap.
    if (topDigits >= 8) {
        std::memcpy(dst, top + 16 - topDigits, 8);
        std::memcpy(dst + topDigits - 8, top + 8, 8);
    } else {
        for (std::size_t i = 0; i < topDigits; ++i) dst[i] = top[16 - topDigits + i];
    }
    dst += topDigits;
    for (std::size_t i = n - 1; i-- > 0; dst += 16) PutHexLimb(dst, v[i]);
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the eight decimal digits of r < 10^8 before pos.
inline void PutEightDecimals(char* pos, std::uint32_t r) {
    for (int i = 0; i < 4; ++i) {
        pos -= 2;
        std::memcpy(pos, kDigitPairs + 2 * (r % 100), 2);
        r /= 100;
    }
}

// Writes the `count` lowest base-b digits of r before pos (zero padded);
// returns the new start.
template <u64 kBase>
inline char* PutDigits(char* pos, u64 r, int count, u64 runtimeBase) {
    if constexpr (kBase == 10) {
        // 19 digits: three, then two independent groups of eight.
        static_assert(kWriteChunks[10].digits == 19);
        const u64 rest = r % 10000000000000000u;
        const auto top = static_cast<std::uint32_t>(r / 10000000000000000u);
        PutEightDecimals(pos, static_cast<std::uint32_t>(rest % 100000000u));
        PutEightDecimals(pos - 8, static_cast<std::uint32_t>(rest / 100000000u));
        pos -= 16;
        *--pos = static_cast<char>('0' + top % 10);
        std::memcpy(pos -= 2, kDigitPairs + 2 * (top / 10), 2);
        (void)count;
    } else {
        const u64 base = kBase != 0 ? kBase : runtimeBase;
        for (int i = 0; i < count; ++i) {
            *--pos = kDigitChars[r % base];
            r /= base;
        }
    }
    return pos;
}

// Digits of nonzero v in a base from 3 to 36 that is no power of two, by
// repeated division by the largest power of the base that fits a word.
template <u64 kBase>
void AppendByDivision(u64* v, std::size_t n, u64 runtimeBase, std::string& out) {
    const u64 base = kBase != 0 ? kBase : runtimeBase;
    const WriteChunk chunk = kBase != 0 ? kWriteChunks[kBase] : kWriteChunks[base];
    // 64 * n digits is more than any base >= 2 needs.
    const std::size_t capacity = 64 * n + 1;
    char local[64 * (kLimbsAtBound + 1) + 1];
    std::unique_ptr<char[]> heap;
    char* buffer = local;
    if (capacity > sizeof local) {
        heap = std::make_unique<char[]>(capacity);
        buffer = heap.get();
    }
    char* const bufferEnd = buffer + capacity;
    char* pos = bufferEnd;
    while (n > 0) {
        u64 r = DivRem(v, n, chunk);
        if (n > 0) {
            pos = PutDigits<kBase>(pos, r, chunk.digits, base);
        } else {
            while (r != 0) {  // the most significant chunk, without leading zeros
                *--pos = kDigitChars[r % base];
                r /= base;
            }
        }
    }
    out.append(pos, static_cast<std::size_t>(bufferEnd - pos));
}

// Appends the digits of nonzero v in base b >= 2; v is consumed. Digit
// values above 35 have no character and are left out (bases above 36).
void AppendDigits(u64* v, std::size_t n, u64 base, std::string& out) {
    switch (base) {
        case 2:
            return AppendPowerOfTwo<1>(v, n, out);
        case 4:
            return AppendPowerOfTwo<2>(v, n, out);
        case 8:
            return AppendPowerOfTwo<3>(v, n, out);
        case 16:
            return AppendHexadecimal(v, n, out);
        case 32:
            return AppendPowerOfTwo<5>(v, n, out);
        case 10:
            return AppendByDivision<10>(v, n, base, out);
        default:
            break;
    }
    if (base <= 36) return AppendByDivision<0>(v, n, base, out);

    // Rare: collect digit values first, least significant first.
    std::vector<u64> values;
    const WriteChunk chunk = WriteChunkFor(base);
    while (n > 0) {
        u64 r = DivRem(v, n, chunk);
        for (int i = 0; i < chunk.digits && (n > 0 || r != 0); ++i) {
            values.push_back(r % base);
            r /= base;
        }
    }
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
        if (*it <= static_cast<u64>(kMaxDigitValue)) out.push_back(kDigitChars[*it]);
    }
}

// Width in bits that bounds base^k, for sizing an unbounded value.
std::size_t LimbsFor(std::size_t digitCount, u64 base) {
    const std::size_t bitsPerDigit = static_cast<std::size_t>(std::bit_width(std::max<u64>(base, 2)));
    return (digitCount * bitsPerDigit + 6) / 64 + 2;
}

void CheckTargetBase(u64 base) {
    if (base == 0) Fail("Division by zero");
    if (base == 1) Fail("Target base must be at least 2");
}

// Length of the run of "0" bytes at p, eight bytes at a time.
std::size_t ZeroRun(const unsigned char* p, const unsigned char* end) {
    const unsigned char* q = p;
    constexpr u64 kZeros = 0x3030303030303030u;
    for (u64 x; end - q >= 8; q += 8) {
        std::memcpy(&x, q, 8);
        if (x != kZeros) {
            // The first byte that differs, in memory order.
            const u64 diff = x ^ kZeros;
            const int bit =
                std::endian::native == std::endian::little ? std::countr_zero(diff) : std::countl_zero(diff);
            return static_cast<std::size_t>(q - p) + static_cast<std::size_t>(bit / 8);
        }
    }
    while (q < end && *q == '0') ++q;
    return static_cast<std::size_t>(q - p);
}

// ------------------------------------------------------ short entries

// Digit value of a byte, or 0xFF for a byte that is no digit at all.
constexpr std::array<std::uint8_t, 256> MakeStrictDigitTable() {
    std::array<std::uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        const auto d = detail::DigitValueOf(static_cast<std::uint8_t>(c));
        table[c] = d != 0 || c == '0' ? d : 0xFF;
    }
    return table;
}
constexpr std::array<std::uint8_t, 256> kStrictDigit = MakeStrictDigitTable();

// The most digits of each base whose value always fits 128 bits.
constexpr std::array<std::uint8_t, 37> MakeShortDigits() {
    std::array<std::uint8_t, 37> table{};
    const u128 max = ~u128{0};
    for (unsigned base = 2; base <= 36; ++base) {
        u128 power = 1;  // base^digits, while it stays below 2^128
        int digits = 0;
        while (power <= max / base) {
            power *= base;
            ++digits;
        }
        table[base] = static_cast<std::uint8_t>(digits);
    }
    return table;
}
constexpr std::array<std::uint8_t, 37> kShortDigits = MakeShortDigits();

// Up to 19 decimal digits at p into w; false if a byte is not "0"-"9".
inline bool ReadDecimalWord(const unsigned char* p, std::size_t n, u64& w) {
    u64 x = 0;
    const std::size_t head = n % 8;
    for (std::size_t i = 0; i < head; ++i) {
        const unsigned d = p[i] - unsigned{'0'};
        if (d > 9) return false;
        x = x * 10 + d;
    }
    for (p += head, n -= head; n != 0; p += 8, n -= 8) {
        u64 eight;
        if (!ReadEightDecimals(p, eight)) return false;
        x = x * 100000000u + eight;
    }
    w = x;
    return true;
}

// The value of the n digits at p (no more than kShortDigits[base]) in
// registers; false if a byte is not a digit of the base.
inline bool ReadShortValue(const unsigned char* p, std::size_t n, unsigned base, u128& value) {
    if (base == 10) {
        u64 low;
        if (n <= 19) {
            if (!ReadDecimalWord(p, n, low)) return false;
            value = low;
            return true;
        }
        u64 high;
        if (!ReadDecimalWord(p, n - 19, high) || !ReadDecimalWord(p + n - 19, 19, low)) return false;
        value = u128(high) * 10000000000000000000u + low;
        return true;
    }
    u128 x = 0;
    std::size_t i = 0;
    if (base == 2) {
        for (const std::size_t head = n % 8; i < head; ++i) {
            const unsigned d = p[i] - unsigned{'0'};
            if (d > 1) return false;
            x = (x << 1) | d;
        }
        for (u64 byte; i < n; i += 8) {
            if (!ReadEightBinary(p + i, byte)) return false;
            x = (x << 8) | byte;
        }
        value = x;
        return true;
    }
    for (; i < n; ++i) {
        const unsigned d = kStrictDigit[p[i]];
        if (d >= base) return false;
        x = x * base + d;
    }
    value = x;
    return true;
}

}  // namespace

// ------------------------------------------------------------ detail

namespace detail {

void CheckLength(std::string_view text) {
    if (text.size() > kMaxTextLength && CharacterCount(text) > kMaxTextLength) Fail(kOverflowDescription);
}

bool AllDecimalDigitsBelow(std::string_view text, int limit) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    // Eight bytes at a time: all below 0x80, then adding 0x80 - "0" sets the
    // top bit of each byte >= "0" and adding 0x80 - ("0" + limit) that of
    // each byte >= "0" + limit; no sum carries into the next byte.
    constexpr u64 kOnes = 0x0101010101010101u;
    constexpr u64 kTops = 0x8080808080808080u;
    const u64 atLeastZero = (0x80 - '0') * kOnes;
    const u64 atLeastLimit = static_cast<u64>(0x80 - '0' - limit) * kOnes;
    for (; end - p >= 8; p += 8) {
        u64 x;
        std::memcpy(&x, p, 8);
        if ((x & kTops) != 0 || ((x + atLeastZero) & kTops) != kTops || ((x + atLeastLimit) & kTops) != 0) {
            return false;
        }
    }
    for (; p < end; ++p) {
        if (*p < '0' || *p >= '0' + limit) return false;
    }
    return true;
}

int MaxDigitValue(std::string_view text) {
    // Bytes of multi-byte characters are all >= 0x80 and read as 0, so a
    // byte scan gives the same maximum as a scan of the characters.
    std::uint8_t best = 0;
    for (char c : text) best = std::max(best, DigitValueOf(static_cast<std::uint8_t>(c)));
    return best;
}

std::uint32_t ReadSmallWhole(std::string_view text, std::uint32_t limit) {
    u64 value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') Fail("Type mismatch");
        value = value * 10 + static_cast<u64>(c - '0');
        if (value > limit) Fail(kOverflowDescription);
    }
    return static_cast<std::uint32_t>(value);
}

std::size_t ReadBoundedValue(std::string_view digits, std::uint32_t base, Limb* v) {
    return ReadInto(digits, base, v, true);
}

std::vector<Limb> ReadValue(std::string_view digits, std::uint32_t base) {
    std::vector<Limb> v(LimbsFor(digits.size(), base) + 1);
    v.resize(ReadInto(digits, base, v.data(), false));
    return v;
}

void AppendValue(Limb* v, std::size_t n, std::uint32_t base, std::string& out) {
    while (n > 0 && v[n - 1] == 0) --n;
    if (n == 0) {
        out.push_back('0');
        return;
    }
    CheckTargetBase(base);
    AppendDigits(v, n, base, out);
}

void ConvertBaseInto(std::string_view text, std::uint32_t sourceBase, std::uint32_t targetBase, std::string& out) {
    std::string scratch;
    ConvertAsciiInto(NonAsciiReplaced(text, '0', scratch), sourceBase, targetBase, out);
}

void ConvertAsciiInto(std::string_view digits, std::uint32_t sourceBase, std::uint32_t targetBase, std::string& out) {
    u64 v[kBoundedLimbs];
    AppendValue(v, ReadInto(digits, sourceBase, v, true), targetBase, out);
}

bool TryConvertShortInto(std::string_view text, int sourceBase, int targetBase, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t n = text.size();
    if (n == 0) return false;
    const std::size_t zeros = ZeroRun(p, p + n);
    p += zeros;
    n -= zeros;
    if (n > kShortDigits[static_cast<unsigned>(sourceBase)]) return false;
    u128 value;
    if (!ReadShortValue(p, n, static_cast<unsigned>(sourceBase), value)) return false;
    u64 v[2] = {static_cast<u64>(value), static_cast<u64>(value >> 64)};
    if (v[1] == 0 && targetBase == 16) {
        // One word in hexadecimal: its sixteen digits, then the significant ones.
        char digits[16];
        PutHexLimb(digits, v[0]);
        const auto count = static_cast<std::size_t>(v[0] == 0 ? 1 : 16 - std::countl_zero(v[0]) / 4);
        out.append(digits + 16 - count, count);
        return true;
    }
    AppendValue(v, 2, static_cast<std::uint32_t>(targetBase), out);
    return true;
}

bool TryConvertPlainDecimalInto(std::string_view text, std::uint32_t targetBase, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    p += ZeroRun(p, end);  // only "0": any other byte must refuse
    u64 v[kBoundedLimbs];
    // A prefix past the bound fails at once: the whole entry is past it in
    // any base it could be raised to.
    const std::size_t n = ReadDecimalChunks<true, true>(p, end, v);
    if (n == kNotPlainDigits) return false;
    AppendValue(v, n, targetBase, out);
    return true;
}

std::size_t LeadingZeroCount(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    return ZeroRun(p, p + text.size());
}

}  // namespace detail
}  // namespace bw
