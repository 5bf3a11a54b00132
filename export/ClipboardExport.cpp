// "Copy Results To Clipboard".

#include "export/ClipboardExport.h"

#include <string>

#include "core/AlignedText.h"
#include "shell/ErrorReport.h"
#include "shell/ListView.h"
#include "shell/ListViewModel.h"
#include "shell/Platform.h"
#include "shell/Yield.h"

namespace bw {

namespace {

constexpr double kLargestReservation = 1 << 29;  // characters

// One attempt of a clipboard call; a throwing call counts as failed.
template <class F>
bool Attempt(F&& call) {
    try {
        return call();
    } catch (...) {
        return false;
    }
}

}  // namespace

QString ClipboardTextOfListview(ListView& list, const ExportPacing& pacing, bool* stopped) {
    const int interval = pacing.yieldSliceMs <= 0 ? 1 : 64;
    TimeSliceYield ticker(pacing.yieldSliceMs);
    if (stopped) *stopped = false;
    // Lines are built as UTF-8 and handed over to the clipboard's text at
    // every pause, so that the conversion is spread over the time slices.
    QString result;
    std::string text;
    auto moveOut = [&] {
        // A part may start with a row whose text starts with U+FEFF.
        result.append(CellTextToQString(text));
        text.clear();
    };
    // Pauses when the slice is over; afterwards the row must still be there
    // (reading it throws otherwise). Returns true when the copy must end.
    auto pause = [&](int r) {
        if (r % interval != 0 || !ticker.Due()) return false;
        moveOut();
        ticker.Yield();
        if (pacing.stop && pacing.stop()) {
            if (stopped) *stopped = true;
            return true;
        }
        if (r > list.RowCount()) (void)list.Checked(r);
        return false;
    };

    const int columns = list.ColumnCount();
    const int rows = list.RowCount();
    ColumnWidths widths(static_cast<std::size_t>(columns));
    for (int r = 1; r <= rows; ++r) {
        if (pause(r)) return {};
        for (int c = 1; c <= columns; ++c) widths.Measure(c - 1, list.CellUtf8(r, c));
    }
    // Room for every line at full width at once, so that the text is not
    // copied over again as it grows (lines lose only trailing blanks).
    std::size_t lineWidth = static_cast<std::size_t>(columns) + 2;
    for (int c = 0; c < columns; ++c) lineWidth += widths[static_cast<std::size_t>(c)];
    if (const double estimate = double(lineWidth) * rows; estimate < kLargestReservation)
        result.reserve(static_cast<qsizetype>(estimate));
    for (int r = 1; r <= rows; ++r) {
        if (pause(r)) return {};
        if (!list.Checked(r)) continue;
        const std::size_t lineStart = text.size();
        for (int c = 1; c <= columns; ++c)
            AppendAlignedCell(text, list.CellUtf8(r, c), widths[static_cast<std::size_t>(c - 1)]);
        EndClipboardLine(text, lineStart);
    }
    moveOut();
    return result;
}

void CopyListviewToClipboard(ListView& list, Clipboard& clipboard, const ExportPacing& pacing) {
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
