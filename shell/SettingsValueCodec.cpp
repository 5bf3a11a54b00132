#include "shell/SettingsValueCodec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace bw {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Room kept before the text for the longest opening, a quote and "@String(".
constexpr std::string_view kStringOpening = "@String(";
constexpr std::size_t kOpeningRoom = 1 + kStringOpening.size();

bool IsHexDigit(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}
bool IsOctalDigit(unsigned char c) { return c >= '0' && c <= '7'; }

// Bytes that the encoder writes as they are, in one run; every other byte
// (control characters, '"', '\', and the separators that make the value
// quoted) goes through AppendByte.
constexpr std::array<bool, 256> PlainBytes() {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 256; ++c) plain[static_cast<std::size_t>(c)] = true;
    for (unsigned char c : {'"', '\\', ';', ',', '='}) plain[c] = false;
    return plain;
}
constexpr std::array<bool, 256> kPlain = PlainBytes();

// Appends a UTF-16 code unit taken from an escape to UTF-8 text. A high
// surrogate waits for the low one after it; one without its partner becomes
// "?" (as Qt turns a lone surrogate into UTF-8).
class UnitWriter {
public:
    explicit UnitWriter(std::string& out) : out_(out) {}
    void Unit(std::uint16_t unit) {
        if (high_) {
            const std::uint32_t high = high_;
            high_ = 0;
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                CodePoint(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
                return;
            }
            out_ += '?';
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            high_ = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            out_ += '?';
        } else {
            CodePoint(unit);
        }
    }
    // Before bytes that are copied as they are.
    void Flush() {
        if (high_) out_ += '?';
        high_ = 0;
    }

private:
    void CodePoint(std::uint32_t cp) {
        if (cp < 0x80) {
            out_ += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out_ += static_cast<char>(0xC0 | (cp >> 6));
            out_ += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out_ += static_cast<char>(0xE0 | (cp >> 12));
            out_ += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out_ += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out_ += static_cast<char>(0xF0 | (cp >> 18));
            out_ += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out_ += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out_ += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string& out_;
    std::uint16_t high_ = 0;  // a high surrogate waiting for its partner; 0: none
};

void ChopTrailingBlanks(std::string& text, std::size_t limit) {
    while (text.size() > limit && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
}

// The value text as written, unescaped into one text or, when it holds
// commas outside quotes, a list of texts (QSettings' string list syntax).
struct Unescaped {
    std::string text;
    std::vector<std::string> list;
    bool isList = false;
};

Unescaped Unescape(std::string_view s) {
    Unescaped result;
    std::string current;
    current.reserve(s.size());  // never longer than its written form
    UnitWriter units(current);
    bool inQuotes = false;
    bool currentQuoted = false;
    bool chopAtEnd = true;  // an escape cut by the end of the value leaves the blanks before it
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto skipBlanks = [&] {
        while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    };
    skipBlanks();
    std::size_t chopLimit = 0;  // blanks at the end are dropped only after this point
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '\\') {
            ++i;
            if (i >= n) {
                chopAtEnd = false;
                break;
            }
            const auto e = static_cast<unsigned char>(s[i++]);
            char simple = 0;
            switch (e) {
                case 'a':
                    simple = '\a';
                    break;
                case 'b':
                    simple = '\b';
                    break;
                case 'f':
                    simple = '\f';
                    break;
                case 'n':
                    simple = '\n';
                    break;
                case 'r':
                    simple = '\r';
                    break;
                case 't':
                    simple = '\t';
                    break;
                case 'v':
                    simple = '\v';
                    break;
                case '"':
                    simple = '"';
                    break;
                case '?':
                    simple = '?';
                    break;
                case '\'':
                    simple = '\'';
                    break;
                case '\\':
                    simple = '\\';
                    break;
                default:
                    break;
            }
            if (simple) {
                units.Unit(static_cast<unsigned char>(simple));
                chopLimit = current.size();
                continue;
            }
            const bool hex = e == 'x' && i < n && IsHexDigit(static_cast<unsigned char>(s[i]));
            if (e == 'x' && i >= n) {
                chopAtEnd = false;
                break;
            }
            if (hex || IsOctalDigit(e)) {
                // The digits that follow, as many as there are; the value
                // wraps at 16 bits as a UTF-16 code unit.
                std::uint16_t unit = hex ? 0 : static_cast<std::uint16_t>(e - '0');
                while (i < n) {
                    const auto d = static_cast<unsigned char>(s[i]);
                    if (hex && IsHexDigit(d)) {
                        unit = static_cast<std::uint16_t>(unit * 16 + HexValue(d));
                    } else if (!hex && IsOctalDigit(d)) {
                        unit = static_cast<std::uint16_t>(unit * 8 + (d - '0'));
                    } else {
                        break;
                    }
                    ++i;
                }
                units.Unit(unit);
                if (i >= n) {
                    chopAtEnd = false;
                    break;
                }
                chopLimit = current.size();
                continue;
            }
            if (e == '\n' || e == '\r') {
                // A line continuation: \n, \r, \r\n and \n\r end a line.
                if (i < n && (s[i] == '\n' || s[i] == '\r') && static_cast<unsigned char>(s[i]) != e) ++i;
            }
            // Any other escaped character is dropped with its backslash.
            chopLimit = current.size();
            continue;
        }
        if (c == '"') {
            ++i;
            currentQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipBlanks();
                chopLimit = current.size();
            }
            continue;
        }
        if (c == ',' && !inQuotes) {
            units.Flush();
            if (!currentQuoted) ChopTrailingBlanks(current, chopLimit);
            result.isList = true;
            result.list.push_back(std::move(current));
            current.clear();
            currentQuoted = false;
            ++i;
            skipBlanks();
            chopLimit = 0;
            continue;
        }
        // Bytes up to the next backslash, quote or comma, as they are.
        std::size_t j = i + 1;
        while (j < n && s[j] != '\\' && s[j] != '"' && s[j] != ',') ++j;
        units.Flush();
        current.append(s.data() + i, j - i);
        i = j;
    }
    units.Flush();
    if (chopAtEnd && !currentQuoted) ChopTrailingBlanks(current, chopLimit);
    if (result.isList) {
        result.list.push_back(std::move(current));
    } else {
        result.text = std::move(current);
    }
    return result;
}

// The items of "(a b c)" split at blanks, as QSettings counts them.
std::size_t ArgumentCount(std::string_view inner) {
    std::size_t count = 1;
    for (char c : inner)
        if (c == ' ') ++count;
    return count;
}

// Latin-1 bytes of UTF-8 text, "?" for characters beyond U+00FF (how
// QSettings turns the text of @ByteArray(...) into bytes).
std::string Latin1Bytes(std::string_view utf8) {
    std::string bytes;
    bytes.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            bytes += static_cast<char>(c);
            ++i;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            const unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            bytes += cp <= 0xFF ? static_cast<char>(cp) : '?';
            i += 2;
        } else {
            bytes += '?';
            ++i;
            while (i < utf8.size() && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) ++i;
        }
    }
    return bytes;
}

// A value of another type, written with a leading "@", read as text; an
// ordinary text that starts with "@" is written with one more.
enum class Typed { Text, Other };

Typed TypedValue(std::string& s) {
    if (s.empty() || s[0] != '@') return Typed::Text;
    const std::string_view v = s;
    if (v.ends_with(')')) {
        auto inner = [&](std::size_t prefix) { return v.substr(prefix, v.size() - prefix - 1); };
        if (v.starts_with("@ByteArray(")) {
            s = Latin1Bytes(inner(11));
            return Typed::Text;
        }
        if (v.starts_with(kStringOpening)) {
            s = std::string(inner(kStringOpening.size()));
            return Typed::Text;
        }
        if (v.starts_with("@Variant(") || v.starts_with("@DateTime(")) return Typed::Other;
        if ((v.starts_with("@Rect(") && ArgumentCount(inner(6)) == 4) ||
            (v.starts_with("@Size(") && ArgumentCount(inner(6)) == 2) ||
            (v.starts_with("@Point(") && ArgumentCount(inner(7)) == 2) || v == "@Invalid()") {
            return Typed::Other;
        }
    }
    if (v.starts_with("@@")) s.erase(0, 1);
    return Typed::Text;
}

}  // namespace

// The size of the encoder's blocks.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

// (The first block grows as a short value needs; the next ones are made at
// their full size.)
SettingsValueEncoder::SettingsValueEncoder() { blocks_.emplace_back(kOpeningRoom, '\0'); }

void SettingsValueEncoder::Put(std::string_view bytes) {
    while (!bytes.empty()) {
        std::string* block = &blocks_.back();
        if (block->size() == kBlockBytes) {
            blocks_.emplace_back();
            block = &blocks_.back();
            block->reserve(kBlockBytes);
        }
        const std::size_t room = std::min(bytes.size(), kBlockBytes - block->size());
        block->append(bytes.data(), room);
        bytes.remove_prefix(room);
    }
}

void SettingsValueEncoder::AppendHexEscape(unsigned value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    char digits[8];
    int count = 0;
    do {
        digits[count++] = kDigits[value % 16];
        value /= 16;
    } while (value);
    Put("\\x");
    while (count) Put(digits[--count]);
    escapeNextHexDigit_ = true;
}

void SettingsValueEncoder::AppendByte(unsigned char c) {
    if (c == ';' || c == ',' || c == '=') hasSeparator_ = true;
    if (escapeNextHexDigit_ && IsHexDigit(c)) {
        // After a \x or \0 escape, QSettings would read a hexadecimal digit
        // as part of it.
        AppendHexEscape(c);
        return;
    }
    escapeNextHexDigit_ = false;
    switch (c) {
        case '\0':
            Put("\\0");
            escapeNextHexDigit_ = true;
            hasNul_ = true;
            return;
        case '\a':
            Put("\\a");
            return;
        case '\b':
            Put("\\b");
            return;
        case '\f':
            Put("\\f");
            return;
        case '\n':
            Put("\\n");
            return;
        case '\r':
            Put("\\r");
            return;
        case '\t':
            Put("\\t");
            return;
        case '\v':
            Put("\\v");
            return;
        case '"':
        case '\\':
            Put('\\');
            Put(static_cast<char>(c));
            return;
        default:
            break;
    }
    if (c <= 0x1F) {
        AppendHexEscape(c);
        return;
    }
    Put(static_cast<char>(c));
    plainWritten_ = true;
}

void SettingsValueEncoder::Append(std::string_view piece) {
    if (piece.empty()) return;
    if (empty_) first_ = static_cast<unsigned char>(piece.front());
    empty_ = false;
    std::string joined;
    if (!pending_.empty()) {
        joined = std::move(pending_);
        pending_.clear();
        joined.append(piece);
        piece = joined;
    }
    const std::size_t n = piece.size();
    std::size_t i = 0;
    while (i < n) {
        const auto c = static_cast<unsigned char>(piece[i]);
        if (!plainWritten_ && c == 0xEF) {
            // A U+FEFF before any byte written as it is: QSettings' reader
            // would take it for a byte-order mark and drop it.
            const std::string_view rest = piece.substr(i);
            if (rest.starts_with(kUtf8Bom)) {
                AppendHexEscape(0xFEFF);
                i += kUtf8Bom.size();
                continue;
            }
            if (kUtf8Bom.starts_with(rest)) {
                pending_ = rest;  // decided by the next piece
                return;
            }
        }
        if (kPlain[c] && !(escapeNextHexDigit_ && IsHexDigit(c))) {
            std::size_t j = i + 1;
            while (j < n && kPlain[static_cast<unsigned char>(piece[j])]) ++j;
            Put(piece.substr(i, j - i));
            plainWritten_ = true;
            escapeNextHexDigit_ = false;
            i = j;
            continue;
        }
        AppendByte(c);
        ++i;
    }
}

std::vector<std::string> SettingsValueEncoder::FinishBlocks() {
    if (!pending_.empty()) {
        // The start of a U+FEFF that the text ended in: plain bytes.
        Put(pending_);
        pending_.clear();
        plainWritten_ = true;
    }
    std::string_view opening;
    std::string_view closing;
    if (hasNul_) {
        opening = kStringOpening;
        closing = ")";
    } else if (!empty_ && first_ == '@') {
        opening = "@";
    }
    std::string& front = blocks_.front();
    const bool hasText = blocks_.size() > 1 || front.size() > kOpeningRoom;
    const char firstWritten = !opening.empty() ? opening.front() : hasText ? front[kOpeningRoom] : '\0';
    const char lastWritten = !closing.empty() ? closing.back() : hasText ? blocks_.back().back() : '\0';
    const bool quoted = hasSeparator_ || firstWritten == ' ' || lastWritten == ' ';

    std::size_t start = kOpeningRoom - opening.size();
    front.replace(start, opening.size(), opening);
    if (quoted) front[--start] = '"';
    front.erase(0, start);
    Put(closing);
    if (quoted) Put('"');

    std::vector<std::string> written = std::move(blocks_);
    *this = SettingsValueEncoder();
    return written;
}

std::string SettingsValueEncoder::Finish() {
    std::string joined;
    for (const std::string& block : FinishBlocks()) joined += block;
    return joined;
}

std::string EncodeSettingsValue(std::string_view text) {
    SettingsValueEncoder encoder;
    encoder.Append(text);
    return encoder.Finish();
}

std::string DecodeSettingsValue(std::string_view written) {
    Unescaped value = Unescape(written);
    if (!value.isList) {
        if (TypedValue(value.text) == Typed::Other) return std::string();
        return std::move(value.text);
    }
    // A list: its items joined by ", ". One item of another type makes the
    // whole value one that QSettings does not turn into text.
    std::string joined;
    for (std::size_t k = 0; k < value.list.size(); ++k) {
        std::string& item = value.list[k];
        if (!item.empty() && item[0] == '@' && (item.size() < 2 || item[1] != '@')) return std::string();
        if (item.starts_with("@@")) item.erase(0, 1);
        if (k) joined += ", ";
        joined += item;
    }
    return joined;
}

}  // namespace bw
