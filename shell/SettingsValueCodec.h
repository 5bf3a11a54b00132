#pragma once

// How a text value is written in the settings file and read back from it:
// the value syntax of INI files as Qt's QSettings writes and reads them, so
// that the file stays readable and writable by QSettings.
//
// A value is UTF-8 text. Written, a value is quoted when it holds ";", ","
// or "=" or starts or ends with a blank; "\" and '"' are escaped, control
// characters become \t, \n, ... or \x escapes; a value that starts with "@"
// gets a second "@" and one holding a NUL byte is written as @String(...).
// Every other byte is written as it is. One difference from QSettings: a
// U+FEFF that QSettings' reader would drop (one that comes before every
// other character written as it is, as at the start of the value) is
// written as the escape \xfeff, which both readers take back as U+FEFF.
//
// Read, the value text is unescaped as QSettings does, except that a U+FEFF
// is always kept and bytes that are not valid UTF-8 are kept as they are
// (so every text, whatever its bytes, comes back exactly). A value with
// unquoted commas is a list whose items come back joined by ", ". Values of
// other types, which this program never writes, read as QSettings' value
// turned into text would: "@Invalid()" and "@Variant(...)" as empty.
//
// Standard library only: no Qt type, so that it can be fuzzed on its own.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace bw {

// Builds the written form of one value from its text given in pieces (the
// pieces joined as they come), without holding the text itself. The
// written form is kept in blocks of a fixed size, so that a long value
// grows without ever being copied.
class SettingsValueEncoder {
public:
    SettingsValueEncoder();
    void Append(std::string_view piece);
    // The written form of all pieces appended since the last Finish(), in
    // blocks to be written one after the other; the encoder starts empty
    // again.
    std::vector<std::string> FinishBlocks();
    // The same as one text.
    std::string Finish();

private:
    void AppendByte(unsigned char c);
    void AppendHexEscape(unsigned value);
    void Put(std::string_view bytes);
    void Put(char c) { Put(std::string_view(&c, 1)); }

    std::vector<std::string> blocks_;
    std::string pending_;  // the start of a U+FEFF cut by the end of a piece
    bool escapeNextHexDigit_ = false;
    bool plainWritten_ = false;  // a byte was written as it is
    bool hasNul_ = false;
    bool hasSeparator_ = false;  // ";", "," or "="
    bool empty_ = true;
    unsigned char first_ = 0;
};

// The written form of text.
std::string EncodeSettingsValue(std::string_view text);

// The text of a written value (the bytes after "key=" up to the line's end).
std::string DecodeSettingsValue(std::string_view written);

}  // namespace bw
