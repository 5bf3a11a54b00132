#include "cli/RowWriters.h"

#include <span>
#include <string>
#include <vector>

#include "core/AlignedText.h"
#include "core/ConversionOptions.h"

namespace bw {

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

}  // namespace bw
