// "Copy Results To Clipboard".

#include "export/ClipboardExport.h"

#include <string>
#include <vector>

#include "core/AlignedText.h"
#include "shell/ErrorReport.h"
#include "shell/ListView.h"
#include "shell/ListViewModel.h"
#include "shell/Platform.h"
#include "shell/TextPieces.h"
#include "shell/Yield.h"

namespace bw {

namespace {

constexpr double kLargestReservation = 1 << 29;  // characters
constexpr std::size_t kMoveOutBytes = std::size_t{1} << 20;

// One attempt of a clipboard call; a throwing call counts as failed.
template <class F>
bool Attempt(F&& call) {
    try {
        return call();
    } catch (...) {
        return false;
    }
}

// The text without the blanks at its end.
std::string_view WithoutTrailingBlanks(std::string_view text) {
    const std::size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

}  // namespace

QString ClipboardTextOfListview(ListView& list, const Pacing& pacing, bool* stopped) {
    Pacer pacer(pacing);
    if (stopped) *stopped = false;
    // Lines are built as UTF-8 and handed over to the clipboard's text in
    // parts of about kMoveOutBytes, so that the conversion is spread over
    // the time slices.
    QString result;
    std::string text;
    auto moveOut = [&] {
        // A part may start with a row whose text starts with U+FEFF.
        result.append(CellTextToQString(text));
        text.clear();
    };
    // Lets the window run; true when the copy must end.
    auto pause = [&] {
        moveOut();
        if (!pacer.Yield()) return false;
        if (stopped) *stopped = true;
        return true;
    };
    // After a pause between rows the row must still be there (reading it
    // throws otherwise).
    auto pauseBetweenRows = [&](int r) {
        if (pause()) return true;
        if (r > list.RowCount()) (void)list.Checked(r);
        return false;
    };

    const int columns = list.ColumnCount();
    const int rows = list.RowCount();
    std::vector<std::string_view> cells(static_cast<std::size_t>(columns));
    std::vector<PinnedText> pins;
    // Reads row r's cells; a row with a text long enough that the window
    // runs while it is handled is pinned, so that it stays readable.
    auto readRow = [&](int r) {
        pins.clear();
        std::size_t bytes = 0;
        bool longText = false;
        list.CellsUtf8(r, cells);
        for (std::string_view cell : cells) {
            bytes += cell.size();
            longText = longText || cell.size() > kTextPieceBytes;
        }
        if (longText) {
            for (int c = 1; c <= columns; ++c) {
                pins.push_back(list.PinCell(r, c));
                cells[static_cast<std::size_t>(c - 1)] = pins.back().text;
            }
        }
        return bytes;
    };
    // Appends a text to the clipboard's text in pieces, counting its
    // characters; false when the copy must end.
    auto appendPieces = [&](std::string_view cell, std::size_t* counted = nullptr) {
        return ForEachTextPiece(cell, [&](std::string_view piece) {
            if (counted) *counted += CharacterCount(piece);
            result.append(CellTextToQString(piece));
            return !(pacer.Tick(RowCost(piece.size())) && pause());
        });
    };
    // The characters of a text; a long one counted in pieces.
    auto countCharacters = [&](std::string_view cell, bool& ended) {
        return CountCharactersInPieces(
            cell, [&](std::size_t bytes) { return !(pacer.Tick(RowCost(bytes)) && pause()); }, ended);
    };

    ColumnWidths widths(static_cast<std::size_t>(columns));
    std::size_t cost = 0;  // of the row before
    for (int r = 1; r <= rows; ++r) {
        if (cost > 0 && pacer.Tick(cost) && pauseBetweenRows(r)) return {};
        cost = RowCost(readRow(r));
        bool ended = false;
        for (int c = 1; c <= columns && !ended; ++c)
            widths.MeasureLength(c - 1, countCharacters(cells[static_cast<std::size_t>(c - 1)], ended));
        if (ended) return {};
    }
    // Room for every line at full width at once, so that the text is not
    // copied over again as it grows (lines lose only trailing blanks).
    std::size_t lineWidth = static_cast<std::size_t>(columns) + 2;
    for (int c = 0; c < columns; ++c) lineWidth += widths[static_cast<std::size_t>(c)];
    if (const double estimate = double(lineWidth) * rows; estimate < kLargestReservation)
        result.reserve(static_cast<qsizetype>(estimate));
    cost = 0;
    for (int r = 1; r <= rows; ++r) {
        if (cost > 0 && pacer.Tick(cost) && pauseBetweenRows(r)) return {};
        cost = 1;
        if (!list.Checked(r)) continue;
        cost = RowCost(readRow(r));
        std::size_t lineStart = text.size();
        bool ended = false;
        bool lineEnded = false;
        for (int c = 1; c <= columns && !ended; ++c) {
            const std::string_view cell = cells[static_cast<std::size_t>(c - 1)];
            const std::size_t width = widths[static_cast<std::size_t>(c - 1)];
            const std::size_t length = cell.size() <= kTextPieceBytes ? CharacterCount(cell) : 0;
            if (cell.size() <= kTextPieceBytes && (width <= length || width - length <= kTextPieceBytes)) {
                AppendAlignedCell(text, cell, length, width);
                continue;
            }
            // A long text or a long padding goes over in pieces, converted as
            // it goes; the line so far goes first. Its end never reaches back
            // past the TAB that follows it.
            moveOut();
            lineStart = 0;
            if (c == columns) {
                // The line's end drops the last cell's padding and its
                // trailing blanks: they are never written.
                ended = !appendPieces(WithoutTrailingBlanks(cell));
                lineEnded = true;
                break;
            }
            std::size_t counted = 0;
            ended = !appendPieces(cell, &counted);
            for (std::size_t blanks = width > counted ? width - counted : 0; blanks > 0 && !ended;) {
                const std::size_t n = std::min(blanks, kTextPieceBytes);
                result.append(QString(static_cast<qsizetype>(n), QLatin1Char(' ')));
                blanks -= n;
                ended = pacer.Tick(RowCost(n)) && pause();
            }
            text.push_back('\t');
        }
        if (ended) return {};
        if (lineEnded)
            text.append("\r\n");
        else
            EndClipboardLine(text, lineStart);
        // Complete lines go over as they pile up, so that the conversion is
        // part of the work the pacing counts, not of a pause.
        if (text.size() >= kMoveOutBytes) moveOut();
    }
    moveOut();
    return result;
}

void CopyListviewToClipboard(ListView& list, Clipboard& clipboard, const Pacing& pacing) {
    if (list.RowCount() == 0) return;
    bool stopped = false;
    const QString text = ClipboardTextOfListview(list, pacing, &stopped);
    if (stopped) return;
    ClearClipboardRetrying(clipboard);
    SetClipboardTextRetrying(clipboard, text);
}

bool ClearClipboardRetrying(Clipboard& clipboard) {
    for (int attempt = 0; attempt < kClipboardAttempts; ++attempt)
        if (Attempt([&] { return clipboard.Clear(); })) return true;
    return false;
}

bool SetClipboardTextRetrying(Clipboard& clipboard, const QString& text) {
    for (int attempt = 0; attempt < kClipboardAttempts; ++attempt)
        if (Attempt([&] { return clipboard.SetText(text); })) return true;
    return false;
}

}  // namespace bw
