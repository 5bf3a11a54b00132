#pragma once

// Byte streams in memory, for driving the batch converter in tests.

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "cli/ByteStreams.h"

namespace bw {

// Collects the output in memory.
class StringSink : public ByteSink {
public:
    int Write(std::string_view data) override {
        text.append(data);
        return 0;
    }
    std::string text;
};

// Serves a text in pieces of at most `pieceSize` bytes (tests of block edges).
class StringSource : public ByteSource {
public:
    explicit StringSource(std::string text, std::size_t pieceSize = static_cast<std::size_t>(-1))
        : text_(std::move(text)), pieceSize_(pieceSize) {}
    long Read(char* buffer, std::size_t size, int& /*error*/) override {
        const std::size_t n = std::min({size, pieceSize_, text_.size() - position_});
        std::memcpy(buffer, text_.data() + position_, n);
        position_ += n;
        return static_cast<long>(n);
    }

private:
    std::string text_;
    std::size_t pieceSize_;
    std::size_t position_ = 0;
};

}  // namespace bw
