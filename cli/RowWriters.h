#pragma once

// The batch converter's output formats: one row per entry.

#include <memory>
#include <string_view>

#include "cli/ByteStreams.h"
#include "cli/Options.h"

namespace bw {

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

}  // namespace bw
