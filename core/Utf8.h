#pragma once

// The one UTF-8 decoder of the program. Texts are UTF-8 from input to
// output; the core counts, reverses and reads them by characters (code
// points), and the list file reader asks whether a line is well formed.
//
// Well formed means the shortest encoding of a code point up to U+10FFFF
// that is not a surrogate. A byte that does not start a well-formed
// sequence is one character of its own (decoded as U+FFFD), so that no
// byte is ever lost or merged with its neighbours.

#include <cstddef>
#include <string>
#include <string_view>

namespace bw {

// Byte length (1 to 4) of the character that starts at p, and its code
// point in cp. Requires p < end.
inline std::size_t DecodeUtf8Char(const unsigned char* p, const unsigned char* end, char32_t& cp) {
    const unsigned char b0 = p[0];
    const auto avail = static_cast<std::size_t>(end - p);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    auto continuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    cp = 0xFFFD;
    if (b0 >= 0xC2 && b0 <= 0xDF) {  // C0 and C1 would be overlong
        if (avail >= 2 && continuation(p[1])) {
            cp = (char32_t(b0 & 0x1F) << 6) | (p[1] & 0x3F);
            return 2;
        }
        return 1;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (avail < 3) return 1;
        // The second byte's range excludes overlong forms (after E0) and
        // surrogates (after ED).
        const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;
        const unsigned char hi = b0 == 0xED ? 0x9F : 0xBF;
        if (p[1] < lo || p[1] > hi || !continuation(p[2])) return 1;
        cp = (char32_t(b0 & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (avail < 4) return 1;
        // Overlong forms after F0, code points above U+10FFFF after F4.
        const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;
        const unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF;
        if (p[1] < lo || p[1] > hi || !continuation(p[2]) || !continuation(p[3])) return 1;
        cp = (char32_t(b0 & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) | (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
        return 4;
    }
    return 1;
}

// True when every byte of the text belongs to a well-formed character.
// Every non-ASCII character that decodes takes two bytes or more, so a
// one-byte step on a byte from 0x80 up is a malformed byte.
inline bool IsWellFormedUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        char32_t cp;
        const std::size_t length = DecodeUtf8Char(p, end, cp);
        if (length == 1) return false;
        p += length;
    }
    return true;
}

// Number of characters of a UTF-8 text.
std::size_t CharacterCount(std::string_view text);

// The characters in reverse order; each character keeps its bytes in their
// order (a malformed byte is a character of its own).
std::string ReverseByCharacters(std::string_view text);

// True when every byte is below 0x80.
bool IsAscii(std::string_view text);

// The text with every non-ASCII character (a well-formed sequence or a
// malformed byte) replaced by the one byte `replacement`: one byte per
// character. An ASCII text is returned as it is; otherwise the result is
// built in `scratch`.
std::string_view NonAsciiReplaced(std::string_view text, char replacement, std::string& scratch);

}  // namespace bw
