#pragma once

#include <ostream>
#include <string>

#include "core/CoreError.h"

namespace bw::test {

// The description of the CoreError that `f` throws, or "(no failure)".
template <class F>
std::string FailureOf(F&& f) {
    try {
        f();
    } catch (const CoreError& e) {
        return e.what();
    }
    return "(no failure)";
}

// A call that must fail, and the description its CoreError must carry.
struct FailureCase {
    const char* label;
    std::string (*call)();
    const char* description;
};
inline std::ostream& operator<<(std::ostream& os, const FailureCase& c) { return os << c.label; }

// UTF-8 encoding of one code point.
inline std::string Utf8(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

}  // namespace bw::test
