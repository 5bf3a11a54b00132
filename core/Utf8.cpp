#include "core/Utf8.h"

#include <cstring>

namespace bw {

std::size_t CharacterCount(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    std::size_t count = 0;
    while (p < end) {
        if (*p < 0x80) {
            ++p;
        } else {
            char32_t cp;
            p += DecodeUtf8Char(p, end, cp);
        }
        ++count;
    }
    return count;
}

std::string ReverseByCharacters(std::string_view text) {
    std::string out(text.size(), '\0');
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    std::size_t dst = out.size();
    while (p < end) {
        char32_t cp;
        const std::size_t len = DecodeUtf8Char(p, end, cp);
        dst -= len;
        std::memcpy(out.data() + dst, p, len);
        p += len;
    }
    return out;
}

bool IsAscii(std::string_view text) {
    unsigned char any = 0;
    for (char c : text) any |= static_cast<unsigned char>(c);  // vectorises
    return any < 0x80;
}

std::string_view NonAsciiReplaced(std::string_view text, char replacement, std::string& scratch) {
    if (IsAscii(text)) return text;
    scratch.clear();
    scratch.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        char32_t cp;
        const std::size_t len = DecodeUtf8Char(p, end, cp);
        scratch.push_back(cp < 0x80 ? static_cast<char>(cp) : replacement);
        p += len;
    }
    return scratch;
}

}  // namespace bw
