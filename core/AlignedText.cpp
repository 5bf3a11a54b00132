#include "core/AlignedText.h"

#include <algorithm>
#include <utility>

namespace bw {

void AppendAlignedCell(std::string& out, std::string_view text, std::size_t width) {
    AppendAlignedCell(out, text, CharacterCount(text), width);
}

void AppendAlignedCell(std::string& out, std::string_view text, std::size_t length, std::size_t width) {
    out.append(text);
    if (width > length) out.append(width - length, ' ');
    out.push_back('\t');
}

void EndFileLine(std::string& out) { out.append("\r\n"); }

void EndClipboardLine(std::string& out, std::size_t lineStart) {
    if (out.size() > lineStart && out.back() == '\t') out.pop_back();
    while (out.size() > lineStart && out.back() == ' ') out.pop_back();
    out.append("\r\n");
}

AlignedTextTable::AlignedTextTable(std::vector<std::string> headers)
    : headers_(std::move(headers)), widths_(headers_.size()) {
    for (std::size_t c = 0; c < headers_.size(); ++c) widths_.Measure(c, headers_[c]);
}

void AlignedTextTable::AddRow(std::span<const std::string_view> cells) {
    for (std::size_t c = 0; c < headers_.size(); ++c) {
        if (c < cells.size()) {
            arena_.append(cells[c]);
            widths_.Measure(c, cells[c]);
        }
        cellEnds_.push_back(arena_.size());
    }
    ++rows_;
}

bool AlignedTextTable::Write(const std::function<bool(std::string_view)>& sink, std::size_t chunkBytes) const {
    const std::size_t columns = headers_.size();
    std::string out;
    out.reserve(std::max<std::size_t>(chunkBytes, 4096) + 4096);
    for (std::size_t c = 0; c < columns; ++c) AppendAlignedCell(out, headers_[c], widths_[c]);
    EndFileLine(out);
    std::size_t cell = 0;
    std::size_t start = 0;
    for (std::size_t r = 0; r < rows_; ++r) {
        for (std::size_t c = 0; c < columns; ++c, ++cell) {
            const std::size_t end = cellEnds_[cell];
            AppendAlignedCell(out, std::string_view(arena_).substr(start, end - start), widths_[c]);
            start = end;
        }
        EndFileLine(out);
        if (out.size() >= chunkBytes) {
            if (!sink(out)) return false;
            out.clear();
        }
    }
    return out.empty() || sink(out);
}

}  // namespace bw
