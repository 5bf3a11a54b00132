#pragma once

// An independent reading of text into lines, for checking the line splitter
// and the list-file reader against: a line ends at CR, at a CR LF pair (one
// terminator) or at LF, and a terminator at the very end starts no further
// line. Written plainly, byte by byte, on purpose.

#include <string>
#include <string_view>
#include <vector>

namespace bw::test {

inline std::vector<std::string> ReferenceLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string line;
    bool open = false;  // a line has started that no terminator ended
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char ch = bytes[i];
        if (ch == '\r' || ch == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
            if (ch == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            line.push_back(ch);
            open = true;
        }
    }
    if (open) lines.push_back(line);
    return lines;
}

}  // namespace bw::test
