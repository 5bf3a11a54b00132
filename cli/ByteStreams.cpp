#include "cli/ByteStreams.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace bw {

long FdSource::Read(char* buffer, std::size_t size, int& error) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) return static_cast<long>(n);
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

bool FdSource::Interactive() const { return ::isatty(fd_) == 1; }

int FdSink::Write(std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd_, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

OutputBuffer::OutputBuffer(ByteSink& sink, std::size_t capacity)
    : sink_(sink), capacity_(std::max<std::size_t>(capacity, 1)) {
    buffer_.reserve(capacity_);
}

OutputBuffer::~OutputBuffer() = default;

void OutputBuffer::Flush() {
    if (!buffer_.empty() && error_ == 0) error_ = sink_.Write(buffer_);
    buffer_.clear();
}

void OutputBuffer::AppendSlow(std::string_view text) {
    Flush();
    if (text.size() >= capacity_) {
        if (error_ == 0) error_ = sink_.Write(text);
    } else {
        buffer_.append(text);
    }
}

}  // namespace bw
