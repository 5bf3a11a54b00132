#include "shell/SettingsFile.h"

#include <array>
#include <cstdint>

namespace bw {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// How often a long scan lets its caller pause.
constexpr std::size_t kPauseBytes = std::size_t{1} << 20;

// Byte classes of the line reader: blanks and line breaks before a line;
// the bytes that may end a line or change how it is read; and of those, the
// ones that still matter inside quotes.
enum : std::uint8_t { kSpace = 1, kSpecial = 2, kQuotedSpecial = 4 };

constexpr std::array<std::uint8_t, 256> Traits() {
    std::array<std::uint8_t, 256> traits{};
    for (unsigned char c : {'\t', ' '}) traits[c] |= kSpace;
    for (unsigned char c : {'\n', '\r'}) traits[c] |= kSpace | kSpecial;
    for (unsigned char c : {';', '='}) traits[c] |= kSpecial;
    for (unsigned char c : {'"', '\\'}) traits[c] |= kSpecial | kQuotedSpecial;
    return traits;
}
constexpr std::array<std::uint8_t, 256> kTraits = Traits();

std::uint8_t TraitsOf(char c) { return kTraits[static_cast<unsigned char>(c)]; }

class Pacer {
public:
    explicit Pacer(const std::function<void()>& pause) : pause_(pause) {}
    void At(std::size_t position) {
        if (position < next_) return;
        if (!pause_) {
            next_ = static_cast<std::size_t>(-1);
            return;
        }
        pause_();
        next_ = position + kPauseBytes;
    }

private:
    const std::function<void()>& pause_;
    std::size_t next_ = kPauseBytes;
};

struct Line {
    std::size_t start = 0;
    std::size_t length = 0;
    std::ptrdiff_t equals = -1;  // in data, -1 without an "=" outside quotes
};

// The next line from pos, as QSettings' INI reader finds it: blanks and
// line breaks before it are skipped, a ";" at its start makes a comment up
// to the line break, and it ends at a line break or ";" outside quotes (a
// "\" keeps the next byte, and a line break after it, in the line). pos
// ends on the byte that ended the line. False when no line is left.
bool ReadLine(std::string_view data, std::size_t& pos, Line& line, Pacer& pacer) {
    const std::size_t size = data.size();
    bool inQuotes = false;
    line.equals = -1;
    line.start = pos;
    while (line.start < size && (TraitsOf(data[line.start]) & kSpace)) ++line.start;
    std::size_t i = line.start;
    while (i < size) {
        // Inside quotes only a quote or a backslash changes anything.
        const std::uint8_t stop = inQuotes ? kQuotedSpecial : kSpecial;
        char ch = data[i];
        while (!(TraitsOf(ch) & stop)) {
            if (++i == size) goto done;
            pacer.At(i);
            ch = data[i];
        }
        pacer.At(i);
        ++i;
        if (ch == '=') {
            if (!inQuotes && line.equals == -1) line.equals = static_cast<std::ptrdiff_t>(i - 1);
        } else if (ch == '\n' || ch == '\r') {
            if (i == line.start + 1) {
                ++line.start;
            } else if (!inQuotes) {
                --i;
                goto done;
            }
        } else if (ch == '\\') {
            if (i < size) {
                const char next = data[i++];
                if (i < size) {
                    const char after = data[i];
                    if ((next == '\n' && after == '\r') || (next == '\r' && after == '\n')) ++i;
                }
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else {  // ';'
            if (i == line.start + 1) {
                while (i < size && data[i] != '\n' && data[i] != '\r') ++i;
                while (i < size && (TraitsOf(data[i]) & kSpace)) ++i;
                line.start = i;
            } else if (!inQuotes) {
                --i;
                goto done;
            }
        }
    }
done:
    pos = i;
    line.length = i - line.start;
    return line.length > 0;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A section or key name as QSettings reads it: "\" is "/", %XX and %UXXXX
// give the character of that number; other bytes stand for themselves.
std::string UnescapeKey(std::string_view key) {
    std::string name;
    name.reserve(key.size());
    for (std::size_t i = 0; i < key.size();) {
        const char c = key[i];
        if (c == '\\') {
            name += '/';
            ++i;
            continue;
        }
        if (c != '%' || i + 1 == key.size()) {
            name += c;
            ++i;
            continue;
        }
        std::size_t first = i + 1;
        std::size_t digits = 2;
        if (key[first] == 'U') {
            ++first;
            digits = 4;
        }
        std::uint32_t unit = 0;
        bool ok = first + digits <= key.size();
        for (std::size_t d = 0; ok && d < digits; ++d) {
            const int value = HexDigit(key[first + d]);
            ok = value >= 0;
            unit = unit * 16 + static_cast<std::uint32_t>(value);
        }
        if (!ok) {
            name += '%';
            ++i;
            continue;
        }
        AppendUtf8(name, unit >= 0xD800 && unit <= 0xDFFF ? std::uint32_t{'?'} : unit);
        i = first + digits;
    }
    return name;
}

// The name of the section a "[...]" line starts; "" outside any section.
std::string SectionName(std::string_view line) {
    std::size_t close = line.find(']');
    if (close == std::string_view::npos) close = line.size();
    const std::string_view written = Trimmed(line.substr(1, close - 1));
    if (EqualsIgnoringCase(written, "general")) return std::string();
    if (EqualsIgnoringCase(written, "%general")) return std::string(written.substr(1));
    return UnescapeKey(written);
}

// Calls onSection(name, endOfLine) for each "[...]" line and onEntry(section,
// key, value start, value end) for each "key=value" line, in file order;
// positions count from the start of text.
template <class OnSection, class OnEntry>
void Scan(std::string_view text, const std::function<void()>& pause, OnSection&& onSection, OnEntry&& onEntry) {
    const std::size_t base = text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
    const std::string_view data = text.substr(base);
    Pacer pacer(pause);
    std::string section;
    bool inSection = false;
    std::size_t pos = 0;
    Line line;
    while (ReadLine(data, pos, line, pacer)) {
        const std::string_view content = data.substr(line.start, line.length);
        if (content.front() == '[') {
            section = SectionName(content);
            inSection = true;
            onSection(section, base + pos);
            continue;
        }
        if (line.equals < 0) continue;  // a comment, or a line QSettings cannot parse
        const auto equals = static_cast<std::size_t>(line.equals);
        onEntry(inSection ? section : std::string(), UnescapeKey(Trimmed(data.substr(line.start, equals - line.start))),
                inSection, base + equals + 1, base + line.start + line.length);
    }
}

bool EndsWithLineBreak(std::string_view text) { return !text.empty() && (text.back() == '\n' || text.back() == '\r'); }

// The UTF-8 characters of a name, bytes that are no UTF-8 taken one by one.
template <class F>
void ForEachCodePoint(std::string_view s, F&& f) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t length = c < 0x80             ? 1
                             : (c & 0xE0) == 0xC0 ? 2
                             : (c & 0xF0) == 0xE0 ? 3
                             : (c & 0xF8) == 0xF0 ? 4
                                                  : 0;
        std::uint32_t cp = length == 2 ? (c & 0x1Fu) : length == 3 ? (c & 0x0Fu) : length == 4 ? (c & 0x07u) : c;
        bool valid = length != 0 && i + length <= s.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            valid = (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        if (!valid) {
            f(static_cast<std::uint32_t>(c));
            ++i;
            continue;
        }
        f(cp);
        i += length;
    }
}

}  // namespace

SettingsSection ScanSettingsSection(std::string_view text, std::string_view section,
                                    const std::function<void()>& pause) {
    SettingsSection result;
    Scan(
        text, pause,
        [&](const std::string& name, std::size_t lineEnd) {
            if (name != section) return;
            // The new key's line starts after the header line's own line
            // break (after a comment that may follow the header).
            std::size_t at = lineEnd;
            while (at < text.size() && text[at] != '\n' && text[at] != '\r') ++at;
            if (at < text.size()) {
                if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
                    result.lineBreak = "\r\n";
                    at += 2;
                } else {
                    result.lineBreak = std::string(1, text[at]);
                    ++at;
                }
            }
            result.newKeyAt = at;
        },
        [&](const std::string& name, std::string key, bool inSection, std::size_t start, std::size_t end) {
            if (inSection && name == section) result.values[std::move(key)] = {start, end};
        });
    return result;
}

std::multimap<std::string, std::string_view> ScanSettingsEntries(std::string_view text) {
    std::multimap<std::string, std::string_view> entries;
    Scan(
        text, {}, [](const std::string&, std::size_t) {},
        [&](const std::string& section, std::string key, bool inSection, std::size_t start, std::size_t end) {
            entries.emplace(inSection ? section + '/' + key : key, text.substr(start, end - start));
        });
    return entries;
}

std::string EscapeSettingsKey(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string written;
    auto unit = [&](std::uint32_t u) {
        written += "%U";
        for (int shift = 12; shift >= 0; shift -= 4) written += kHex[(u >> shift) & 0xF];
    };
    ForEachCodePoint(name, [&](std::uint32_t cp) {
        if (cp == '/') {
            written += '\\';
        } else if ((cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z') || (cp >= '0' && cp <= '9') || cp == '_' ||
                   cp == '-' || cp == '.') {
            written += static_cast<char>(cp);
        } else if (cp <= 0xFF) {
            written += '%';
            written += kHex[cp / 16];
            written += kHex[cp % 16];
        } else if (cp <= 0xFFFF) {
            unit(cp);
        } else {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    });
    return written;
}

std::optional<SettingsEdit> PlanSettingsEdit(std::string_view text, std::string_view section, std::string_view key,
                                             const SettingsSection& scanned) {
    if (const auto found = scanned.values.find(std::string(key)); found != scanned.values.end())
        return SettingsEdit{found->second.start, found->second.end, {}, {}};

    const std::string keyLine = EscapeSettingsKey(key) + '=';
    std::string header = EscapeSettingsKey(section);
    if (header.empty()) {
        header = "General";
    } else if (EqualsIgnoringCase(header, "general")) {
        header = "%" + header;
    }
    header = '[' + header + ']';
    const std::size_t base = text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;

    std::optional<SettingsEdit> candidates[3];
    if (scanned.newKeyAt) {
        // First in the section, on a line of its own.
        const std::size_t at = *scanned.newKeyAt;
        const bool needsBreak = at == text.size() && !text.empty() && !EndsWithLineBreak(text);
        candidates[0] =
            SettingsEdit{at, at, (needsBreak ? scanned.lineBreak : std::string()) + keyLine, scanned.lineBreak};
    }
    {
        // A new section at the end, after a blank line (as QSettings writes).
        std::string before;
        if (!text.empty() && !EndsWithLineBreak(text)) before += '\n';
        if (text.size() > base) before += '\n';
        candidates[1] = SettingsEdit{text.size(), text.size(), before + header + '\n' + keyLine, "\n"};
    }
    // A new section at the start.
    candidates[2] = SettingsEdit{base, base, header + '\n' + keyLine, "\n"};

    // An edit is taken only when QSettings reads the file after it with the
    // new key and every other value as before (a value stands in for the
    // real one: any value written by the codec reads as one piece).
    std::multimap<std::string, std::string_view> expected = ScanSettingsEntries(text);
    const std::string fullKey = std::string(section) + '/' + std::string(key);
    constexpr std::string_view kStandIn = "x";
    expected.emplace(fullKey, kStandIn);
    for (const auto& candidate : candidates) {
        if (!candidate) continue;
        std::string edited;
        edited.reserve(text.size() + candidate->before.size() + candidate->after.size() + 1);
        edited.append(text.substr(0, candidate->from));
        edited += candidate->before;
        edited += kStandIn;
        edited += candidate->after;
        edited.append(text.substr(candidate->to));
        if (ScanSettingsEntries(edited) == expected) return candidate;
    }
    return std::nullopt;
}

}  // namespace bw
