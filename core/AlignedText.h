#pragma once

// The column-aligned text layout shared by the text file and clipboard
// exports of the window and by the batch converter's --aligned output, so
// that all three line up their columns the same way. Texts are UTF-8 and
// lengths count characters (code points, CharacterCount), not bytes.
//
// A cell is its text, blanks up to its column's width, and a TAB. A file
// line is its cells followed by CR LF (so every line ends TAB CR LF); a
// clipboard line drops its last TAB and trailing blanks before the CR LF.

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Utf8.h"  // CharacterCount

namespace bw {

// Appends text, blanks up to width, then a TAB. A text longer than width is
// appended without blanks.
void AppendAlignedCell(std::string& out, std::string_view text, std::size_t width);
// The same when the text's character count is already known.
void AppendAlignedCell(std::string& out, std::string_view text, std::size_t length, std::size_t width);

// Ends a line of the text file: CR LF after the last cell's TAB.
void EndFileLine(std::string& out);

// Ends a clipboard line that started at lineStart in out: removes the line's
// last TAB, then the blanks at its end (TABs stay), then appends CR LF.
void EndClipboardLine(std::string& out, std::size_t lineStart);

// Column widths in characters, grown by Measure().
class ColumnWidths {
public:
    explicit ColumnWidths(std::size_t columns = 0) : widths_(columns, 0) {}
    void Resize(std::size_t columns) { widths_.resize(columns, 0); }
    std::size_t Count() const { return widths_.size(); }
    // column from 0; grows the table when needed.
    void Measure(std::size_t column, std::string_view utf8) { MeasureLength(column, CharacterCount(utf8)); }
    void MeasureLength(std::size_t column, std::size_t length) {
        if (column >= widths_.size()) widths_.resize(column + 1, 0);
        if (widths_[column] < length) widths_[column] = length;
    }
    std::size_t operator[](std::size_t column) const { return column < widths_.size() ? widths_[column] : 0; }

private:
    std::vector<std::size_t> widths_;
};

// A whole table kept in memory, for writers that see their rows one at a
// time but must know every width before the first line: the header and the
// rows are stored in one text arena and written in the text file's layout.
class AlignedTextTable {
public:
    explicit AlignedTextTable(std::vector<std::string> headers);

    std::size_t ColumnCount() const { return headers_.size(); }
    std::size_t RowCount() const { return rows_; }
    // Cells beyond the column count are dropped; missing cells are empty.
    void AddRow(std::span<const std::string_view> cells);

    // Writes the header line and every row. The sink receives the text in
    // pieces of about chunkBytes; a sink returning false stops the writing
    // and makes Write return false.
    bool Write(const std::function<bool(std::string_view)>& sink, std::size_t chunkBytes = 1 << 20) const;

private:
    std::vector<std::string> headers_;
    ColumnWidths widths_;
    std::string arena_;
    // Every row holds ColumnCount() cells; cell k (counted over all rows)
    // spans [cellEnds_[k - 1], cellEnds_[k]) of the arena (from 0 for k = 0).
    std::vector<std::size_t> cellEnds_;
    std::size_t rows_ = 0;
};

}  // namespace bw
