#pragma once

// The batch converter's byte streams: where input comes from, where output
// goes, and the buffer between the converter and its output.

#include <cstddef>
#include <string>
#include <string_view>

namespace bw {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes; returns the count, 0 at the end, or -1 with
    // the error number in `error`.
    virtual long Read(char* buffer, std::size_t size, int& error) = 0;
    // True when a person may be typing the input (a terminal).
    virtual bool Interactive() const { return false; }
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Writes all of `data`; returns 0 or an error number.
    virtual int Write(std::string_view data) = 0;
};

// A file descriptor as source or sink; it is not closed.
class FdSource : public ByteSource {
public:
    explicit FdSource(int fd) : fd_(fd) {}
    long Read(char* buffer, std::size_t size, int& error) override;
    bool Interactive() const override;

private:
    int fd_;
};

class FdSink : public ByteSink {
public:
    explicit FdSink(int fd) : fd_(fd) {}
    int Write(std::string_view data) override;

private:
    int fd_;
};

// Gathers output and hands it to the sink in large blocks. After the first
// write failure it keeps the error number and drops further output.
class OutputBuffer {
public:
    explicit OutputBuffer(ByteSink& sink, std::size_t capacity = 1 << 20);
    ~OutputBuffer();  // does not flush: call Flush() and look at the error

    void Append(std::string_view text) {
        if (buffer_.size() + text.size() > capacity_) {
            AppendSlow(text);
        } else {
            buffer_.append(text);
        }
    }
    void Append(char c) {
        if (buffer_.size() >= capacity_) {
            Flush();
        }
        buffer_.push_back(c);
    }
    // Makes room for `size` more bytes without growing the buffer, then
    // gives the buffer itself, for appending in place.
    std::string& Room(std::size_t size) {
        if (buffer_.size() + size > capacity_) {
            Flush();
        }
        return buffer_;
    }
    void Flush();
    int Error() const { return error_; }

private:
    void AppendSlow(std::string_view text);

    ByteSink& sink_;
    std::size_t capacity_;
    std::string buffer_;
    int error_ = 0;
};

}  // namespace bw
