// The UTF-8 decoder: which byte sequences are characters, and what each
// malformed byte becomes.

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "core/Utf8.h"
#include "CoreTestSupport.h"

namespace bw {
namespace {

using test::Utf8;

// The characters of a text as the decoder steps through it.
std::u32string Decode(std::string_view text) {
    std::u32string out;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        char32_t cp;
        p += DecodeUtf8Char(p, end, cp);
        out += cp;
    }
    return out;
}

struct Utf8Case {
    const char* label;
    std::string bytes;
    bool wellFormed;
    std::u32string characters;
};
std::ostream& operator<<(std::ostream& os, const Utf8Case& c) { return os << c.label; }

class Utf8Table : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Table, DecodesWellFormedCharactersAndEveryOtherByteAlone) {
    EXPECT_EQ(IsWellFormedUtf8(GetParam().bytes), GetParam().wellFormed);
    EXPECT_EQ(Decode(GetParam().bytes), GetParam().characters);
}

const Utf8Case kUtf8Cases[] = {
    {"Empty", "", true, U""},
    {"Ascii", "1a -", true, U"1a -"},
    {"TwoBytes", "\xC3\xA9", true, U"\u00E9"},
    {"LowestTwoByte", "\xC2\x80", true, U"\u0080"},
    {"ThreeBytes", "\xE2\x82\xAC", true, U"\u20AC"},
    {"ByteOrderMark",
     "\xEF\xBB\xBF"
     "1",
     true, U"\uFEFF1"},
    {"ReplacementCharacterItself", "\xEF\xBF\xBD", true, U"\uFFFD"},
    {"LastBeforeSurrogates", "\xED\x9F\xBF", true, U"\uD7FF"},
    {"FourBytes", "\xF0\x9F\x98\x80", true, U"\U0001F600"},
    {"HighestCodePoint", "\xF4\x8F\xBF\xBF", true, U"\U0010FFFF"},
    {"OverlongTwoBytes", "\xC0\x80", false, U"\uFFFD\uFFFD"},
    {"OverlongC1", "\xC1\xBF", false, U"\uFFFD\uFFFD"},
    {"OverlongThreeBytes", "\xE0\x80\x80", false, U"\uFFFD\uFFFD\uFFFD"},
    {"OverlongFourBytes", "\xF0\x80\x80\x80", false, U"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"Surrogate", "\xED\xA0\x80", false, U"\uFFFD\uFFFD\uFFFD"},
    {"BeyondU10FFFF", "\xF4\x90\x80\x80", false, U"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"LeadF5", "\xF5\x80\x80\x80", false, U"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"LoneContinuation",
     "1\x80"
     "2",
     false, U"1\uFFFD2"},
    {"TruncatedAtTheEnd", "1\xE2\x82", false, U"1\uFFFD\uFFFD"},
    {"TruncatedBeforeAscii",
     "\xE2\x82"
     "1",
     false, U"\uFFFD\uFFFD1"},
    {"ByteFF", "\xFF", false, U"\uFFFD"},
    {"MalformedAfterWellFormed", "\xC3\xA9\xC3", false, U"\u00E9\uFFFD"},
};
INSTANTIATE_TEST_SUITE_P(Sequences, Utf8Table, ::testing::ValuesIn(kUtf8Cases),
                         [](const auto& info) { return std::string(info.param.label); });

// Every code point at the edges of each encoding length decodes back to
// itself from its shortest encoding.
TEST(DecodeUtf8Char, ReadsBackEveryEncodingLength) {
    for (std::uint32_t value : {0x00u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x10FFFFu}) {
        const auto cp = static_cast<char32_t>(value);
        const std::string bytes = Utf8(cp);
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        char32_t decoded = 0;
        EXPECT_EQ(DecodeUtf8Char(p, p + bytes.size(), decoded), bytes.size()) << std::hex << value;
        EXPECT_EQ(decoded, cp) << std::hex << value;
        EXPECT_TRUE(IsWellFormedUtf8(bytes)) << std::hex << value;
    }
}

}  // namespace
}  // namespace bw
