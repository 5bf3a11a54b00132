#include "cli/BatchRun.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>

#include "cli/RowWriters.h"
#include "core/ConversionOptions.h"
#include "core/LineSplitter.h"
#include "core/StrictNumber.h"
#include "core/Utf8.h"

namespace bw {

namespace {

// Every UTF-8 character takes at most four bytes, so a line longer than this
// has more characters than an entry may have and is bound to fail; it need
// not be held in memory.
constexpr std::size_t kLongLineBytes = kMaxTextLength * 4;

// The most characters of an entry that a message quotes.
constexpr std::size_t kQuotedCharacters = 40;

// Converts the lines of the inputs and reports the entries that fail.
class EntryConverter : public LineConsumer {
public:
    EntryConverter(const CliOptions& options, RowWriter& writer, OutputBuffer& out, OutputBuffer& errors)
        : sourceBase_(options.sourceBase),
          targetBase_(options.targetBase),
          strict_(options.strict),
          reading_(options.Reading()),
          form_(options.Form()),
          plainForm_(form_.IsPlain()),
          field_(options.field),
          delimiter_(options.delimiter),
          writer_(writer),
          inPlace_(writer.ResultLinesInPlace()),
          out_(out),
          errors_(errors) {
        // Room for the longest result: 1024 digits (values stay below
        // 2^1024), or the width, with separators, sign and prefix.
        const std::size_t digits = std::max<std::size_t>(kMaxValueBits, form_.width);
        room_ = digits + (form_.group != 0 ? digits / form_.group * form_.separator.size() : 0) + 8;
    }

    void StartInput(std::string_view displayName) {
        inputName_ = displayName;
        lineNumber_ = 0;
    }
    bool AnyFailed() const { return anyFailed_; }

    void Line(std::string_view text) override {
        ++lineNumber_;
        if (field_ != 0) return FieldLine(text);
        if (inPlace_ != nullptr) {
            // Results only: no shown text, each result straight into the
            // output. A failed conversion leaves `out` as it was.
            std::string& out = inPlace_->Room(room_);
            if (Convert(text, nullptr, out)) {
                out.push_back('\n');
            } else {
                writer_.Row({}, {});
            }
            return;
        }
        shown_.clear();
        result_.clear();
        const bool converted = Convert(text, &shown_, result_);
        writer_.Row(shown_, converted ? std::string_view(result_) : std::string_view());
    }

    void LongLineBegin(std::string_view head) override {
        ++lineNumber_;
        if (field_ == 0) writer_.LongRowBegin();
        LongLinePart(head);
    }
    void LongLinePart(std::string_view part) override {
        if (field_ != 0) {
            out_.Append(part);  // a line this long is copied as it is
            return;
        }
        // A line this long is never empty: its pieces are shown as they come.
        shown_.clear();
        if (strict_) {
            shown_.append(part);
        } else {
            AppendBlanksAsZeros(part, shown_);
        }
        writer_.LongRowShown(shown_);
    }
    void LongLineEnd() override {
        if (field_ != 0) {
            out_.Append('\n');
        } else {
            writer_.LongRowEnd();
        }
        Report(kOverflowDescription);
    }

private:
    // Converts one entry: appends its result to `result` and, when `shown`
    // is given, its shown text to `shown`. A failure is reported and leaves
    // `result` as it was; the shown text is there either way.
    bool Convert(std::string_view entry, std::string* shown, std::string& result) {
        if (strict_) return ConvertStrict(entry, shown, result);
        if (plainForm_) {
            if (shown != nullptr) {
                const EntryOutcome outcome = ConvertEntryOrShowFailure(sourceBase_, targetBase_, entry, *shown, result);
                if (!outcome.Converted()) Report(outcome.description);
                return outcome.Converted();
            }
            try {
                ConvertEntryResultInto(sourceBase_, targetBase_, entry, result);
                return true;
            } catch (const CoreError& error) {
                Report(error.Description());
                return false;
            }
        }
        // The entry rule's result, written in the form asked for.
        plain_.clear();
        std::string ignored;
        const EntryOutcome outcome =
            ConvertEntryOrShowFailure(sourceBase_, targetBase_, entry, shown != nullptr ? *shown : ignored, plain_);
        if (!outcome.Converted()) {
            Report(outcome.description);
            return false;
        }
        AppendInForm(plain_, false, form_, result);
        return true;
    }

    bool ConvertStrict(std::string_view entry, std::string* shown, std::string& result) {
        if (shown != nullptr) shown->append(TrimBlanks(entry));
        switch (ConvertStrictInto(entry, reading_, form_, result)) {
            case StrictOutcome::Converted:
                return true;
            case StrictOutcome::NotANumber:
                Report("not a base-" + std::to_string(sourceBase_) + " number: " + QuotedEntry(entry));
                return false;
            case StrictOutcome::OutOfRange:
                Report("out of range for " + std::to_string(reading_.bits) + " bits: " + QuotedEntry(entry));
                return false;
            case StrictOutcome::Overflow:
                break;
        }
        Report(kOverflowDescription);
        return false;
    }

    // --field: the line with its field K converted, every other byte as it
    // was. A failed field is left empty.
    void FieldLine(std::string_view line) {
        std::size_t start = 0;
        for (std::size_t k = 1; k < field_; ++k) {
            const std::size_t at = line.find(delimiter_, start);
            if (at == std::string_view::npos) {
                out_.Append(line);
                out_.Append('\n');
                if (strict_) Report("no field " + std::to_string(field_) + " in this line");
                return;
            }
            start = at + delimiter_.size();
        }
        std::size_t end = line.find(delimiter_, start);
        if (end == std::string_view::npos) end = line.size();
        result_.clear();
        Convert(line.substr(start, end - start), nullptr, result_);
        out_.Append(line.substr(0, start));
        out_.Append(result_);
        out_.Append(line.substr(end));
        out_.Append('\n');
    }

    void Report(std::string_view description) {
        anyFailed_ = true;
        errors_.Append(kProgramName);
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
    bool strict_;
    StrictReading reading_;
    NumberForm form_;
    bool plainForm_;
    std::size_t field_;
    std::string delimiter_;
    RowWriter& writer_;
    OutputBuffer* inPlace_;
    OutputBuffer& out_;
    OutputBuffer& errors_;
    std::size_t room_ = 0;
    std::string inputName_;
    unsigned long long lineNumber_ = 0;
    bool anyFailed_ = false;
    std::string shown_;
    std::string result_;
    std::string plain_;
};

void ReportSystemError(OutputBuffer& errors, std::string_view name, int error) {
    errors.Append(kProgramName);
    errors.Append(": ");
    errors.Append(name);
    errors.Append(": ");
    errors.Append(std::strerror(error));
    errors.Append('\n');
}

}  // namespace

std::string QuotedEntry(std::string_view entry) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(entry.data());
    const auto* end = p + entry.size();
    std::size_t characters = 0;
    for (; p < end && characters < kQuotedCharacters; ++characters) {
        char32_t cp;
        const std::size_t length = DecodeUtf8Char(p, end, cp);
        const unsigned char c = *p;
        if (length == 1 && (c < 0x20 || c == 0x7F || c >= 0x80)) {
            if (c == '\t') {
                out += "\\t";
            } else if (c == '\r') {
                out += "\\r";
            } else {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
            }
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            out.append(reinterpret_cast<const char*>(p), length);
        }
        p += length;
    }
    out += '"';
    if (p < end) out += "...";
    return out;
}

int RunBatch(const CliOptions& options, ByteSource& standardInput, ByteSink& output, ByteSink& errorSink,
             const BatchSettings& settings) {
    OutputBuffer out(output, settings.outputBlockSize);
    OutputBuffer errors(errorSink, 1 << 16);
    std::unique_ptr<RowWriter> writer = MakeRowWriter(options.format, options.conversionName, out, options.aligned);
    EntryConverter converter(options, *writer, out, errors);
    LineSplitter splitter(converter, kLongLineBytes);

    const std::size_t blockSize = std::max<std::size_t>(settings.readBlockSize, 1);
    std::unique_ptr<char[]> block(new char[blockSize]);
    bool inputFailed = false;

    std::vector<std::string> inputs = options.files;
    if (inputs.empty()) inputs.emplace_back("-");
    for (const std::string& input : inputs) {
        const bool isStdin = input == "-";
        const std::string_view displayName = isStdin ? kStdinDisplayName : std::string_view(input);
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
            const long n = source.Read(block.get(), blockSize, error);
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
            if (out.Error() != 0) break;
        }
        if (fd >= 0) ::close(fd);
        if (out.Error() != 0) break;
    }
    writer->Finish();
    out.Flush();
    if (out.Error() != 0) ReportSystemError(errors, "write error", out.Error());
    errors.Flush();
    if (inputFailed || out.Error() != 0) return 2;
    return converter.AnyFailed() ? 1 : 0;
}

int CliMain(const std::vector<std::string_view>& args, ByteSource& standardInput, ByteSink& output, ByteSink& errors,
            const BatchSettings& settings) {
    const ParsedArguments parsed = ParseArguments(args);
    if (!parsed.options) {
        errors.Write(std::string(kProgramName) + ": " + parsed.error + "\nTry '" + std::string(kProgramName) +
                     " --help' for more information.\n");
        return 2;
    }
    if (parsed.options->showHelp || parsed.options->showVersion) {
        const int error = output.Write(parsed.options->showHelp ? UsageText() : VersionText());
        if (error == 0) return 0;
        errors.Write(std::string(kProgramName) + ": write error: " + std::strerror(error) + "\n");
        return 2;
    }
    try {
        return RunBatch(*parsed.options, standardInput, output, errors, settings);
    } catch (const std::exception& e) {
        errors.Write(std::string(kProgramName) + ": " + e.what() + "\n");
        return 2;
    }
}

}  // namespace bw
