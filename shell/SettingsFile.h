#pragma once

// The settings file's text as QSettings reads it: sections, keys and where
// each value is written, so that one value can be read or replaced while
// every other byte of the file (other sections and keys, comments, lines
// QSettings cannot parse, their order) stays as it is. The values
// themselves are written and read by SettingsValueCodec.h.
//
// Lines are found as QSettings finds them: a line ends at a line break or a
// ";" outside quotes, a ";" at a line's start makes a comment, "key=value"
// lines belong to the last "[section]" line before them, section and key
// names are written with %XX and %UXXXX escapes (and "\" for "/"), and of
// several lines with the same key in one section the last one counts.
// Standard library only.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace bw {

// Where a value is written in the file's text: bytes [start, end).
struct SettingsValueSpan {
    std::size_t start = 0;
    std::size_t end = 0;
};

// What the file holds for one section.
struct SettingsSection {
    // The value of each key of the section (the key's name as UTF-8).
    std::map<std::string, SettingsValueSpan> values;
    // Where a new key can start its own line: just after the section's last
    // "[section]" line and its line break; none when there is no such line.
    std::optional<std::size_t> newKeyAt;
    // The line break the file uses there ("\n" or "\r\n").
    std::string lineBreak = "\n";
};

// Scans text for section (its name as UTF-8, without escapes). pause is
// called now and then on a long text, so that the caller can keep its
// window answering.
SettingsSection ScanSettingsSection(std::string_view text, std::string_view section,
                                    const std::function<void()>& pause = {});

// Every "key=value" line of text, in the order QSettings reads them, as the
// key's full name ("section/key", or "key" outside any section) and where
// its value is written. For checking that an edit kept all other values.
std::multimap<std::string, std::string_view> ScanSettingsEntries(std::string_view text);

// A section or key name as written in the file (escaped as QSettings does).
std::string EscapeSettingsKey(std::string_view name);

// How to give key in section the written value: text [from, to) is
// replaced by before + value + after.
struct SettingsEdit {
    std::size_t from = 0;
    std::size_t to = 0;
    std::string before;
    std::string after;
};

// The edit that sets key: the value QSettings reads is replaced where it is
// written; a key not there yet gets its own line at the start of the
// section; a section not there yet is added at the end of the file. Returns
// no edit when the file's text leaves no place for the key that QSettings
// would read back (an unclosed quote at the end swallowing whatever is
// added), so that the caller reports it instead of losing the value.
std::optional<SettingsEdit> PlanSettingsEdit(std::string_view text, std::string_view section, std::string_view key,
                                             const SettingsSection& scanned);

}  // namespace bw
