#pragma once

// The batch converter: converts number lists read from files or standard
// input, one entry per line, with the same entry rules as the window.
//
// The pieces are kept apart so that each can be tested on its own and so
// that another output format only needs another RowWriter:
//   ByteSource -> LineSplitter (core) -> BatchRun (conversion) -> RowWriter -> OutputBuffer -> ByteSink

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/LineSplitter.h"

namespace bw {

// ---------------------------------------------------------------- options

enum class OutputFormat {
    ResultsOnly,  // the result text
    Full,         // shown text TAB conversion name TAB result text
};

struct CliOptions {
    int sourceBase = 10;
    int targetBase = 16;
    std::string conversionName = "Decimal To Hexadecimal";
    OutputFormat format = OutputFormat::ResultsOnly;
    // --aligned: the column-aligned text file layout (header line, padded
    // columns, TAB CR LF line ends); the rows are kept until the end.
    bool aligned = false;
    std::vector<std::string> files;  // empty: standard input; "-" also means standard input
    bool showHelp = false;
    bool showVersion = false;
};

struct ParsedArguments {
    std::optional<CliOptions> options;  // empty on a usage error
    std::string error;                  // the usage error's message, without program name
};

// Reads the arguments after the program name.
ParsedArguments ParseArguments(const std::vector<std::string_view>& args);

// A base given on the command line: 2 to 36 in decimal, or dec, hex, bin, oct.
std::optional<int> ParseBase(std::string_view text);

// The name of the conversion from one base to another: the option's name for
// the twelve conversion options, "Base 7 To Base 16" for every other pair.
std::string ConversionName(int sourceBase, int targetBase);

std::string UsageText();
std::string VersionText();

// The name standard input goes by in error messages.
inline constexpr std::string_view kStdinDisplayName = "<stdin>";

// ------------------------------------------------------------ byte streams

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

// Collects the output in memory (tests, error text).
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
    long Read(char* buffer, std::size_t size, int& error) override;

private:
    std::string text_;
    std::size_t pieceSize_;
    std::size_t position_ = 0;
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

// ------------------------------------------------------------ row writers

// Formats one output row per entry. A failed entry has an empty result.
class RowWriter {
public:
    virtual ~RowWriter() = default;
    virtual void Row(std::string_view shown, std::string_view result) = 0;
    // A writer whose row is just the result text and LF may name its output
    // here: the converter then appends each converted result and its LF to
    // that buffer in place, saving a copy and two calls per entry; Row is
    // still called for failed entries. Null for every other writer.
    OutputBuffer* ResultLinesInPlace() const { return resultLinesInPlace_; }
    // An entry too long to hold in memory (it always fails): its shown text
    // arrives in pieces between LongRowBegin and LongRowEnd.
    virtual void LongRowBegin() = 0;
    virtual void LongRowShown(std::string_view piece) = 0;
    virtual void LongRowEnd() = 0;
    // After the last entry.
    virtual void Finish() {}

protected:
    OutputBuffer* resultLinesInPlace_ = nullptr;
};

std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::string_view conversionName, OutputBuffer& out,
                                         bool aligned = false);

// ------------------------------------------------------------- the run

struct BatchSettings {
    std::size_t readBlockSize = 1 << 20;
    std::size_t outputBlockSize = 1 << 20;
};

// Runs the converter over the inputs of `options` and returns the exit
// status: 0 all converted, 1 some entry failed, 2 an input could not be read
// or the output could not be written. Messages go to `errors`, each line
// starting with "basewright-cli: ".
int RunBatch(const CliOptions& options, ByteSource& standardInput, ByteSink& output, ByteSink& errors,
             const BatchSettings& settings = {});

// The whole program behind main(): parses the arguments, then runs.
int CliMain(const std::vector<std::string_view>& args, ByteSource& standardInput, ByteSink& output, ByteSink& errors,
            const BatchSettings& settings = {});

}  // namespace bw
