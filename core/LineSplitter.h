#pragma once

// Splitting a byte stream into lines, for the batch converter's entries and
// the window's list files alike.

#include <cstddef>
#include <string>
#include <string_view>

namespace bw {

// Receives the lines of one input.
class LineConsumer {
public:
    virtual ~LineConsumer() = default;
    // A complete line, without its terminator.
    virtual void Line(std::string_view text) = 0;
    // A line longer than the splitter's limit: it arrives in pieces
    // (the first one in LongLineBegin), and LongLineEnd closes it.
    virtual void LongLineBegin(std::string_view head) = 0;
    virtual void LongLinePart(std::string_view part) = 0;
    virtual void LongLineEnd() = 0;
};

// Splits a byte stream into lines ended by CR, CR LF or LF. A terminator at
// the very end does not start another line; an empty input has no lines. A CR LF
// pair counts as one terminator also when the two bytes arrive in
// different blocks. A line is held whole up to `lineLimit` bytes; beyond
// that it is passed on in pieces so that memory stays bounded.
class LineSplitter {
public:
    LineSplitter(LineConsumer& consumer, std::size_t lineLimit);

    void Feed(std::string_view block);
    // The end of the input: passes on a last line without terminator.
    void Finish();
    // Forgets a partial line (after a read error), ready for the next input.
    void Abandon();

private:
    void Emit(std::string_view piece);  // ends the current line with `piece` as its last part
    void Keep(std::string_view piece);  // the current line goes on after `piece`

    LineConsumer& consumer_;
    std::size_t lineLimit_;
    std::string carry_;        // the beginning of an unfinished line
    bool inLongLine_ = false;  // the unfinished line went past the limit
    bool pendingCr_ = false;   // the last block ended with CR: skip an LF that follows
};

}  // namespace bw
