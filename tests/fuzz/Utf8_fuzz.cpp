// The UTF-8 decoder against a reference written from the definition of a
// well-formed sequence, and the helpers built on it: counting, reversing by
// characters and replacing non-ASCII characters must agree with the
// decoder's own walk and never lose or add a byte.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/Utf8.h"

namespace {

// Length of the well-formed sequence at p, or 0: the shortest encoding of
// a code point up to U+10FFFF that is not a surrogate.
std::size_t ReferenceLength(const unsigned char* p, std::size_t avail, char32_t& cp) {
    if (p[0] < 0x80) {
        cp = p[0];
        return 1;
    }
    std::size_t length = p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC0 ? 2 : 0;
    if (length == 0 || p[0] > 0xF7 || avail < length) return 0;
    char32_t value = p[0] & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    cp = value;
    return length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const unsigned char* p = data;
    const unsigned char* end = data + size;
    std::size_t characters = 0;
    bool wellFormed = true;
    std::string replaced;
    while (p < end) {
        char32_t cp = 0, expected = 0;
        const std::size_t length = bw::DecodeUtf8Char(p, end, cp);
        const std::size_t reference = ReferenceLength(p, static_cast<std::size_t>(end - p), expected);
        if (reference == 0) {
            if (length != 1 || cp != 0xFFFD) std::abort();  // a malformed byte is a character of its own
            wellFormed = false;
        } else if (length != reference || cp != expected) {
            std::abort();
        }
        replaced += cp < 0x80 ? static_cast<char>(cp) : '?';
        p += length;
        ++characters;
    }
    if (bw::CharacterCount(text) != characters) std::abort();
    if (bw::IsWellFormedUtf8(text) != wellFormed) std::abort();
    std::string scratch;
    if (bw::NonAsciiReplaced(text, '?', scratch) != replaced) std::abort();
    const std::string reversed = bw::ReverseByCharacters(text);
    if (reversed.size() != text.size()) std::abort();
    if (wellFormed && bw::ReverseByCharacters(reversed) != text) std::abort();
    return 0;
}
