// Peer converter for the speed comparison: a hand-tuned loop for numbers of
// one or two machine words. Reads standard input in large blocks, finds the
// line ends with memchr, skips leading zeros, reads each number into a
// 128-bit word (bases 2, 8, 10, 16) and writes it in another of those bases
// with table lookups, into one large output buffer. No checks beyond what
// the benchmark inputs need: it is the bound a converter of such numbers
// can approach, not a converter.
//
//   basewright_word_peer FROM TO < numbers > converted

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

__extension__ typedef unsigned __int128 u128;
using u64 = std::uint64_t;

constexpr char kDigits[] = "0123456789ABCDEF";

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline u128 Read(const char* p, const char* end, int base) {
    u128 v = 0;
    if (base == 10) {
        auto word = [](const char* q, const char* e) {
            u64 w = 0;
            for (; q < e; ++q) w = w * 10 + static_cast<u64>(*q - '0');
            return w;
        };
        if (end - p <= 19) return word(p, end);
        return u128(word(p, end - 19)) * 10000000000000000000u + word(end - 19, end);
    }
    const int shift = base == 16 ? 4 : base == 8 ? 3 : 1;
    for (; p < end; ++p) {
        const unsigned c = static_cast<unsigned char>(*p);
        const unsigned d = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        v = (v << shift) | d;
    }
    return v;
}

inline char* Write(char* out, u128 v, int base) {
    char tmp[130];
    char* pos = tmp + sizeof tmp;
    if (v == 0) {
        *out++ = '0';
        return out;
    }
    if (base == 10) {
        // A two-word value gives 19 low digits per division until it fits
        // one word.
        while ((v >> 64) != 0) {
            u64 low = static_cast<u64>(v % 10000000000000000000u);
            v /= 10000000000000000000u;
            for (int i = 0; i < 19; ++i, low /= 10) *--pos = static_cast<char>('0' + low % 10);
        }
        u64 w = static_cast<u64>(v);
        for (; w >= 100; w /= 100) {
            pos -= 2;
            std::memcpy(pos, kPairs + 2 * (w % 100), 2);
        }
        if (w >= 10) {
            pos -= 2;
            std::memcpy(pos, kPairs + 2 * w, 2);
        } else if (w != 0 || pos == tmp + sizeof tmp) {
            *--pos = static_cast<char>('0' + w);
        }
    } else {
        const int shift = base == 16 ? 4 : base == 8 ? 3 : 1;
        const unsigned mask = static_cast<unsigned>(base - 1);
        if ((v >> 64) == 0) {
            for (u64 w = static_cast<u64>(v); w != 0; w >>= shift) *--pos = kDigits[static_cast<unsigned>(w) & mask];
        } else {
            for (; v != 0; v >>= shift) *--pos = kDigits[static_cast<unsigned>(v) & mask];
        }
    }
    const auto n = static_cast<std::size_t>(tmp + sizeof tmp - pos);
    std::memcpy(out, pos, n);
    return out + n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FROM TO < numbers\n", argv[0]);
        return 2;
    }
    const int from = std::atoi(argv[1]);
    const int to = std::atoi(argv[2]);
    constexpr std::size_t kBlock = 1 << 20;
    std::vector<char> in(kBlock * 2);
    std::vector<char> out(kBlock + 256);
    std::size_t have = 0;
    char* o = out.data();
    for (;;) {
        const ssize_t n = ::read(0, in.data() + have, in.size() - have);
        if (n < 0) return 1;
        have += static_cast<std::size_t>(n);
        const char* p = in.data();
        const char* end = p + have;
        for (;;) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            if (nl == nullptr) {
                if (n == 0 && p < end)
                    nl = end;  // last line without LF
                else
                    break;
            }
            const char* q = p;
            while (q < nl && *q == '0') ++q;
            o = Write(o, Read(q, nl, from), to);
            *o++ = '\n';
            if (static_cast<std::size_t>(o - out.data()) >= kBlock) {
                if (::write(1, out.data(), static_cast<std::size_t>(o - out.data())) < 0) return 1;
                o = out.data();
            }
            p = nl + (nl < end ? 1 : 0);
            if (p >= end) break;
        }
        have = static_cast<std::size_t>(end - p);
        std::memmove(in.data(), p, have);
        if (have == in.size()) in.resize(in.size() * 2);  // a line longer than the buffer
        if (n == 0) break;
    }
    if (o != out.data() && ::write(1, out.data(), static_cast<std::size_t>(o - out.data())) < 0) return 1;
    return 0;
}
