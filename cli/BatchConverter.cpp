#include "cli/BatchConverter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

#include "core/AlignedText.h"
#include "core/ConversionOptions.h"
#include "core/CoreError.h"

#ifndef BASEWRIGHT_VERSION
#define BASEWRIGHT_VERSION "unknown"
#endif

namespace bw {

namespace {

constexpr std::string_view kProgram = "basewright-cli";

// Every UTF-8 character takes at most four bytes, so a line longer than this
// has more characters than an entry may have and is bound to fail; it need
// not be held in memory.
constexpr std::size_t kLongLineBytes = kMaxTextLength * 4;

// Values that convert are below 2^1024, so no result has more than 1024
// digits (in base 2). Only used to size the output buffer's free room.
constexpr std::size_t kLongestResult = 1024;

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) {
            return false;
        }
    }
    return true;
}

}  // namespace

// ------------------------------------------------------------ arguments

std::optional<int> ParseBase(std::string_view text) {
    static constexpr struct {
        std::string_view word;
        int base;
    } kWords[] = {{"dec", 10}, {"hex", 16}, {"bin", 2}, {"oct", 8}};
    for (const auto& w : kWords) {
        if (EqualsIgnoringAsciiCase(text, w.word)) {
            return w.base;
        }
    }
    if (text.empty() || text.size() > 2) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value < 2 || value > 36) {
        return std::nullopt;
    }
    return value;
}

std::string ConversionName(int sourceBase, int targetBase) {
    for (const ConversionOption& option : ConversionOptions()) {
        if (option.sourceBase == sourceBase && option.targetBase == targetBase) {
            return std::string(option.name);
        }
    }
    return "Base " + std::to_string(sourceBase) + " To Base " + std::to_string(targetBase);
}

ParsedArguments ParseArguments(const std::vector<std::string_view>& args) {
    CliOptions options;
    std::optional<std::string_view> conversion;
    std::optional<std::string_view> from;
    std::optional<std::string_view> to;
    bool endOfOptions = false;

    auto fail = [](std::string message) { return ParsedArguments{std::nullopt, std::move(message)}; };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (endOfOptions || arg == "-" || arg.empty() || arg[0] != '-') {
            options.files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            endOfOptions = true;
            continue;
        }
        if (arg == "-h") {
            options.showHelp = true;
            return {options, {}};
        }
        if (arg.size() < 3 || arg[1] != '-') {
            return fail("unknown option '" + std::string(arg) + "'");
        }
        std::string_view name = arg.substr(2);
        std::optional<std::string_view> inlineValue;
        if (std::size_t eq = name.find('='); eq != std::string_view::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        const bool takesValue = name == "conversion" || name == "from" || name == "to";
        const bool isFlag = name == "help" || name == "version" || name == "full" || name == "aligned";
        if (!takesValue && !isFlag) {
            return fail("unknown option '--" + std::string(name) + "'");
        }
        if (isFlag) {
            if (inlineValue) {
                return fail("option '--" + std::string(name) + "' takes no value");
            }
            if (name == "help") {
                options.showHelp = true;
                return {options, {}};
            }
            if (name == "version") {
                options.showVersion = true;
                return {options, {}};
            }
            if (name == "aligned") {
                options.aligned = true;
                continue;
            }
            options.format = OutputFormat::Full;
            continue;
        }
        std::string_view value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return fail("option '--" + std::string(name) + "' needs a value");
        }
        if (name == "conversion") {
            conversion = value;
        } else if (name == "from") {
            from = value;
        } else {
            to = value;
        }
    }

    if (conversion && (from || to)) {
        return fail("--conversion cannot be combined with --from or --to");
    }
    if (from.has_value() != to.has_value()) {
        return fail("--from and --to must be given together");
    }
    if (conversion) {
        const ConversionOption* option = FindConversionOption(*conversion);
        if (option == nullptr) {
            return fail("unknown conversion '" + std::string(*conversion) + "' (see --help for the twelve names)");
        }
        options.sourceBase = option->sourceBase;
        options.targetBase = option->targetBase;
        options.conversionName = std::string(option->name);
    } else if (from) {
        std::optional<int> source = ParseBase(*from);
        if (!source) {
            return fail("invalid base '" + std::string(*from) + "' for --from (2 to 36, dec, hex, bin or oct)");
        }
        std::optional<int> target = ParseBase(*to);
        if (!target) {
            return fail("invalid base '" + std::string(*to) + "' for --to (2 to 36, dec, hex, bin or oct)");
        }
        options.sourceBase = *source;
        options.targetBase = *target;
        options.conversionName = ConversionName(*source, *target);
    }
    return {options, {}};
}

std::string UsageText() {
    std::string text =
        "Usage: basewright-cli [--conversion NAME | --from BASE --to BASE] [--full] [--aligned] [FILE ...]\n"
        "Converts numbers between number systems, one entry per line, exactly and at any length.\n"
        "\n"
        "Entries are read from each FILE in turn, or from standard input when no FILE is\n"
        "given or FILE is \"-\". Lines end with CR, CR LF or LF; text is UTF-8. Each entry is\n"
        "read in the smallest base that fits its characters when the source base does not;\n"
        "blanks count as 0 and other characters as zero digits.\n"
        "\n"
        "Options:\n"
        "  --conversion NAME  one of the conversion names below (default: \"Decimal To Hexadecimal\")\n"
        "  --from BASE        source base: 2 to 36, or dec, hex, bin, oct\n"
        "  --to BASE          target base: 2 to 36, or dec, hex, bin, oct\n"
        "  --full             print the entry as converted, the conversion's name and the result,\n"
        "                     separated by TAB characters; otherwise only the result\n"
        "  --aligned          write the column-aligned text file layout instead: a header line\n"
        "                     (\"Results\", or \"Numbers\", \"Conversion\", \"Results\" with --full),\n"
        "                     every cell padded with blanks to its column's widest text and\n"
        "                     followed by a TAB, every line ended by CR LF. The widths need\n"
        "                     every row, so the rows are kept in memory and written at the end:\n"
        "                     memory grows with the input in this mode (only)\n"
        "  --help, -h         print this text and exit\n"
        "  --version          print the version and exit\n"
        "\n"
        "Conversion names:\n";
    for (const ConversionOption& option : ConversionOptions()) {
        text += "  ";
        text += option.name;
        text += '\n';
    }
    text +=
        "\n"
        "Output: one line per entry, ended by LF. An entry that cannot be converted (more than\n"
        "32767 characters, or a value above about 1.797e308) gets an empty result, and\n"
        "standard error gets \"basewright-cli: FILE:LINE: Overflow\"; standard input is\n"
        "named <stdin> there.\n"
        "\n"
        "Exit status: 0 when every entry was converted, 1 when some entry failed,\n"
        "2 for a usage error or an input that could not be read (the other inputs are\n"
        "still converted) or an output that could not be written.\n";
    return text;
}

std::string VersionText() { return std::string(kProgram) + " " + BASEWRIGHT_VERSION + "\n"; }

// ---------------------------------------------------------- byte streams

long FdSource::Read(char* buffer, std::size_t size, int& error) {
    for (;;) {
        ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) {
            return static_cast<long>(n);
        }
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

bool FdSource::Interactive() const { return ::isatty(fd_) == 1; }

int FdSink::Write(std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd_, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

long StringSource::Read(char* buffer, std::size_t size, int& /*error*/) {
    std::size_t n = std::min({size, pieceSize_, text_.size() - position_});
    std::memcpy(buffer, text_.data() + position_, n);
    position_ += n;
    return static_cast<long>(n);
}

OutputBuffer::OutputBuffer(ByteSink& sink, std::size_t capacity)
    : sink_(sink), capacity_(std::max<std::size_t>(capacity, 1)) {
    buffer_.reserve(capacity_);
}

OutputBuffer::~OutputBuffer() = default;

void OutputBuffer::Flush() {
    if (!buffer_.empty() && error_ == 0) {
        error_ = sink_.Write(buffer_);
    }
    buffer_.clear();
}

void OutputBuffer::AppendSlow(std::string_view text) {
    Flush();
    if (text.size() >= capacity_) {
        if (error_ == 0) {
            error_ = sink_.Write(text);
        }
    } else {
        buffer_.append(text);
    }
}

// ------------------------------------------------------------ row writers

namespace {

class ResultsOnlyWriter : public RowWriter {
public:
    explicit ResultsOnlyWriter(OutputBuffer& out) : out_(out) { resultLinesInPlace_ = &out; }
    void Row(std::string_view, std::string_view result) override {
        out_.Append(result);
        out_.Append('\n');
    }
    void LongRowBegin() override {}
    void LongRowShown(std::string_view) override {}
    void LongRowEnd() override { out_.Append('\n'); }

private:
    OutputBuffer& out_;
};

class FullWriter : public RowWriter {
public:
    FullWriter(std::string_view conversionName, OutputBuffer& out) : out_(out) {
        middle_.append(1, '\t').append(conversionName).append(1, '\t');
    }
    void Row(std::string_view shown, std::string_view result) override {
        out_.Append(shown);
        out_.Append(middle_);
        out_.Append(result);
        out_.Append('\n');
    }
    void LongRowBegin() override {}
    void LongRowShown(std::string_view piece) override { out_.Append(piece); }
    void LongRowEnd() override {
        out_.Append(middle_);
        out_.Append('\n');
    }

private:
    std::string middle_;
    OutputBuffer& out_;
};

// Keeps every row, then writes them in the column-aligned layout.
class AlignedWriter : public RowWriter {
public:
    AlignedWriter(bool full, std::string_view conversionName, OutputBuffer& out)
        : full_(full),
          conversionName_(conversionName),
          table_(full ? std::vector<std::string>{kNumbersCaption, kConversionCaption, kResultsCaption}
                      : std::vector<std::string>{kResultsCaption}),
          out_(out) {}
    void Row(std::string_view shown, std::string_view result) override {
        if (full_) {
            const std::string_view cells[] = {shown, conversionName_, result};
            table_.AddRow(cells);
        } else {
            table_.AddRow(std::span<const std::string_view>(&result, 1));
        }
    }
    void LongRowBegin() override { longShown_.clear(); }
    void LongRowShown(std::string_view piece) override {
        if (full_) longShown_.append(piece);
    }
    void LongRowEnd() override {
        Row(longShown_, {});
        longShown_.clear();
        longShown_.shrink_to_fit();
    }
    void Finish() override {
        table_.Write([this](std::string_view text) {
            out_.Append(text);
            return out_.Error() == 0;
        });
    }

private:
    bool full_;
    std::string conversionName_;
    AlignedTextTable table_;
    std::string longShown_;
    OutputBuffer& out_;
};

}  // namespace

std::unique_ptr<RowWriter> MakeRowWriter(OutputFormat format, std::string_view conversionName, OutputBuffer& out,
                                         bool aligned) {
    if (aligned) {
        return std::make_unique<AlignedWriter>(format == OutputFormat::Full, conversionName, out);
    }
    switch (format) {
        case OutputFormat::Full:
            return std::make_unique<FullWriter>(conversionName, out);
        case OutputFormat::ResultsOnly:
            break;
    }
    return std::make_unique<ResultsOnlyWriter>(out);
}

// ------------------------------------------------------------- the run

namespace {

// Converts the lines of the inputs and reports the entries that fail.
class EntryConverter : public LineConsumer {
public:
    EntryConverter(int sourceBase, int targetBase, RowWriter& writer, OutputBuffer& errors)
        : sourceBase_(sourceBase),
          targetBase_(targetBase),
          writer_(writer),
          inPlace_(writer.ResultLinesInPlace()),
          errors_(errors) {}

    void StartInput(std::string_view displayName) {
        inputName_ = displayName;
        lineNumber_ = 0;
    }
    bool AnyFailed() const { return anyFailed_; }

    void Line(std::string_view text) override {
        ++lineNumber_;
        shown_.clear();
        if (inPlace_ != nullptr) {
            // Results only: no shown text. On a failure the core leaves `out`
            // as it was.
            std::string& out = inPlace_->Room(kLongestResult + 1);
            try {
                ConvertEntryResultInto(sourceBase_, targetBase_, text, out);
                out.push_back('\n');
                return;
            } catch (const CoreError& error) {
                writer_.Row({}, {});
                Report(error.Description());
                return;
            }
        }
        result_.clear();
        const EntryOutcome outcome = ConvertEntryOrShowFailure(sourceBase_, targetBase_, text, shown_, result_);
        // A failed entry's row shows the entry as a converted one is shown,
        // with an empty result.
        writer_.Row(shown_, result_);
        if (!outcome.Converted()) Report(outcome.description);
    }

    void LongLineBegin(std::string_view head) override {
        ++lineNumber_;
        writer_.LongRowBegin();
        LongLinePart(head);
    }
    void LongLinePart(std::string_view part) override {
        // A line this long is never empty: its pieces are shown as they come.
        shown_.clear();
        AppendBlanksAsZeros(part, shown_);
        writer_.LongRowShown(shown_);
    }
    void LongLineEnd() override {
        writer_.LongRowEnd();
        Report(kOverflowDescription);
    }

private:
    void Report(std::string_view description) {
        anyFailed_ = true;
        errors_.Append(kProgram);
        errors_.Append(": ");
        errors_.Append(inputName_);
        errors_.Append(':');
        errors_.Append(std::to_string(lineNumber_));
        errors_.Append(": ");
        errors_.Append(description);
        errors_.Append('\n');
    }

    int sourceBase_;
    int targetBase_;
    RowWriter& writer_;
    OutputBuffer* inPlace_;
    OutputBuffer& errors_;
    std::string inputName_;
    unsigned long long lineNumber_ = 0;
    bool anyFailed_ = false;
    std::string shown_;
    std::string result_;
};

void ReportSystemError(OutputBuffer& errors, std::string_view name, int error) {
    errors.Append(kProgram);
    errors.Append(": ");
    errors.Append(name);
    errors.Append(": ");
    errors.Append(std::strerror(error));
    errors.Append('\n');
}

}  // namespace

int RunBatch(const CliOptions& options, ByteSource& standardInput, ByteSink& output, ByteSink& errorSink,
             const BatchSettings& settings) {
    OutputBuffer out(output, settings.outputBlockSize);
    OutputBuffer errors(errorSink, 1 << 16);
    std::unique_ptr<RowWriter> writer = MakeRowWriter(options.format, options.conversionName, out, options.aligned);
    EntryConverter converter(options.sourceBase, options.targetBase, *writer, errors);
    LineSplitter splitter(converter, kLongLineBytes);

    const std::size_t blockSize = std::max<std::size_t>(settings.readBlockSize, 1);
    std::unique_ptr<char[]> block(new char[blockSize]);
    bool inputFailed = false;

    std::vector<std::string> inputs = options.files;
    if (inputs.empty()) {
        inputs.emplace_back("-");
    }
    for (const std::string& input : inputs) {
        const bool isStdin = input == "-";
        std::string_view displayName = isStdin ? kStdinDisplayName : std::string_view(input);
        std::optional<FdSource> file;
        int fd = -1;
        if (!isStdin) {
            fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                ReportSystemError(errors, displayName, errno);
                inputFailed = true;
                continue;
            }
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            file.emplace(fd);
        }
        ByteSource& source = isStdin ? standardInput : static_cast<ByteSource&>(*file);
        const bool interactive = source.Interactive();
        converter.StartInput(displayName);
        for (;;) {
            if (interactive) {
                // Someone is typing: show the results so far before waiting.
                out.Flush();
                errors.Flush();
            }
            int error = 0;
            long n = source.Read(block.get(), blockSize, error);
            if (n < 0) {
                splitter.Abandon();
                ReportSystemError(errors, displayName, error);
                inputFailed = true;
                break;
            }
            if (n == 0) {
                splitter.Finish();
                break;
            }
            splitter.Feed(std::string_view(block.get(), static_cast<std::size_t>(n)));
            if (out.Error() != 0) {
                break;
            }
        }
        if (fd >= 0) {
            ::close(fd);
        }
        if (out.Error() != 0) {
            break;
        }
    }
    writer->Finish();
    out.Flush();
    if (out.Error() != 0) {
        ReportSystemError(errors, "write error", out.Error());
    }
    errors.Flush();
    if (inputFailed || out.Error() != 0) {
        return 2;
    }
    return converter.AnyFailed() ? 1 : 0;
}

int CliMain(const std::vector<std::string_view>& args, ByteSource& standardInput, ByteSink& output, ByteSink& errors,
            const BatchSettings& settings) {
    ParsedArguments parsed = ParseArguments(args);
    if (!parsed.options) {
        errors.Write(std::string(kProgram) + ": " + parsed.error + "\nTry '" + std::string(kProgram) +
                     " --help' for more information.\n");
        return 2;
    }
    if (parsed.options->showHelp) {
        return output.Write(UsageText()) == 0 ? 0 : 2;
    }
    if (parsed.options->showVersion) {
        return output.Write(VersionText()) == 0 ? 0 : 2;
    }
    try {
        return RunBatch(*parsed.options, standardInput, output, errors, settings);
    } catch (const std::exception& e) {
        errors.Write(std::string(kProgram) + ": " + e.what() + "\n");
        return 2;
    }
}

}  // namespace bw
