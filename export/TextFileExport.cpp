// "Save Results As Text File" and the aligned text file writer.

#include "export/TextFileExport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/AlignedText.h"
#include "shell/AppError.h"
#include "shell/ErrorReport.h"
#include "shell/FileSystem.h"
#include "shell/ListView.h"
#include "shell/LocaleText.h"
#include "shell/Platform.h"
#include "shell/ProgressBar.h"
#include "shell/Yield.h"

namespace bw {

namespace {

constexpr std::size_t kWriteChunk = 1 << 20;

// Rows between two looks at the clock.
int CheckInterval(const ExportPacing& pacing) { return pacing.yieldSliceMs <= 0 ? 1 : 64; }

}  // namespace

void SaveListviewProperlySpaced(ListView& list, const QString& fileName, ProgressBar* progressBar, Dialogs& dialogs,
                                const ExportPacing& pacing) {
    ErrorReport trap(dialogs, kLocSaveListviewProperlySpaced);
    const QString writing = QStringLiteral("Writing file: ") + LocalFileName(fileName);
    const bool utf8 = LocaleIsUtf8();
    const int interval = CheckInterval(pacing);
    TimeSliceYield ticker(pacing.yieldSliceMs);
    auto stopped = [&] { return pacing.stop && pacing.stop(); };
    // Yields around a fixed progress point, as the bar is set.
    auto showPoint = [&](double value) {
        YieldToEvents();
        progressBar->SetValue(value);
        progressBar->SetText(writing);
        YieldToEvents();
    };

    int columns = 0;
    int rows = 0;
    ColumnWidths widths;
    // A row that goes away while the file is written (the list was cleared
    // meanwhile) is reported once; the rows after it that are gone too are
    // passed over without a further report.
    bool goneReported = false;
    auto rowGone = [&](int line, int r) {
        if (r <= list.RowCount()) return false;
        if (!goneReported) {
            goneReported = true;
            trap.Step(line, [&] { (void)list.Checked(r); });
        }
        return true;
    };

    if (progressBar) {
        trap.Step(100, [&] { showPoint(1); });
        if (stopped()) return;
    }
    trap.Step(102, [&] {
        columns = list.ColumnCount();
        rows = list.RowCount();
        widths.Resize(static_cast<std::size_t>(columns));
    });
    for (int c = 1; c <= columns; ++c) {
        trap.Step(104, [&] { widths.Measure(c - 1, list.ColumnCaption(c).toUtf8().toStdString()); });
    }
    for (int r = 1; r <= rows; ++r) {
        if (r % interval == 0 && ticker.Due()) {
            ticker.Yield();
            if (stopped()) return;
        }
        if (rowGone(106, r)) continue;
        trap.Step(106, [&] {
            for (int c = 1; c <= columns; ++c) widths.Measure(c - 1, list.CellUtf8(r, c));
        });
    }
    if (progressBar) {
        trap.Step(108, [&] { showPoint(10); });
        if (stopped()) return;
    }

    // The file is written beside the target and takes its place once it is
    // complete. Where the folder does not let the user create that file but
    // the target itself may be written, it is written in place instead, once
    // the room for the whole new text has been secured (see SafeFileWriter).
    std::optional<SafeFileWriter> file;
    bool open = false;
    std::string buffer;
    // The bytes of a text as they go to the file.
    auto fileBytes = [&](const std::string& text) {
        return utf8 ? QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size()))
                    : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLocal8Bit();
    };
    auto discard = [&] {
        open = false;
        if (file) file->Discard();
    };
    // Hands the buffered lines to the file; a failed write ends the writing.
    auto flush = [&] {
        if (buffer.empty()) return;
        // (Bytes taken from the buffer itself are written before it is
        // emptied.)
        const QByteArray bytes = fileBytes(buffer);
        try {
            file->Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        } catch (const FileError&) {
            buffer.clear();
            discard();
            throw;
        }
        buffer.clear();
    };
    // Adds one line to text: its cells (the columns the list has now, read
    // when the line starts), each padded to its column's width and followed
    // by a TAB, then CR LF. Every line thus ends TAB CR LF: a line without
    // cells (the list has no columns) is left out, and so is a line whose
    // cells could not all be read.
    auto appendLine = [&](std::string& text, int cells, auto&& cellText) {
        if (cells <= 0) return;
        const std::size_t start = text.size();
        try {
            for (int c = 1; c <= cells; ++c)
                AppendAlignedCell(text, cellText(c), widths[static_cast<std::size_t>(c - 1)]);
        } catch (...) {
            text.resize(start);
            throw;
        }
        EndFileLine(text);
    };
    auto bufferLine = [&](int cells, auto&& cellText) { appendLine(buffer, cells, cellText); };
    auto headerCell = [&](int c) { return list.ColumnCaption(c).toUtf8().toStdString(); };
    // The size of the file the loops below write from the list as it is
    // now, for the room that writing in place secures before it starts.
    // False when the window went away meanwhile.
    auto measureFile = [&](std::uint64_t& size) {
        std::string lines;
        auto count = [&] {
            size += static_cast<std::uint64_t>(fileBytes(lines).size());
            lines.clear();
        };
        appendLine(lines, list.ColumnCount(), headerCell);
        for (int r = 1; r <= rows && r <= list.RowCount(); ++r) {
            if (r % interval == 0 && ticker.Due()) {
                ticker.Yield();
                if (stopped()) return false;
            }
            try {
                if (!list.Checked(r)) continue;
                appendLine(lines, list.ColumnCount(), [&](int c) { return list.CellUtf8(r, c); });
            } catch (const std::exception&) {
                continue;  // reported when the rows are written
            }
            if (lines.size() >= kWriteChunk) count();
        }
        count();
        return true;
    };
    bool windowGone = false;
    trap.Step(110, [&] {
        file.emplace(fileName, true);
        if (file->WriteMode() == SafeFileWriter::Mode::kInPlace) {
            std::uint64_t size = 0;
            if (!measureFile(size)) {
                windowGone = true;
                return;
            }
            file->Reserve(size);
        }
        open = true;
    });
    if (windowGone) {
        discard();
        return;
    }
    if (open) {
        trap.Step(112, [&] { bufferLine(list.ColumnCount(), headerCell); });
        if (progressBar) {
            trap.Step(114, [&] { showPoint(20); });
            if (stopped()) {
                discard();
                return;
            }
        }
        // The bar follows the rows written; it is brought up to date before
        // each pause, which is when it can be seen.
        int lastWritten = 0;
        int lastThousand = 0;
        auto showProgress = [&] {
            if (!progressBar || lastWritten == 0) return;
            const int n = list.RowCount();
            if (n <= 0) return;
            progressBar->SetValue(static_cast<double>(n / 2000 + lastWritten) / n * 100.0);
            progressBar->SetText(lastThousand ? writing + QStringLiteral(" (") + QString::number(lastThousand) +
                                                    QStringLiteral(")")
                                              : writing);
        };
        for (int r = 1; r <= rows && open; ++r) {
            if (r % interval == 0 && ticker.Due()) {
                trap.Step(116, [&] {
                    showProgress();
                    ticker.Yield();
                });
                if (stopped()) {
                    discard();
                    return;
                }
            }
            if (rowGone(118, r)) continue;
            if (trap.Test(118, [&] { return !list.Checked(r); })) continue;
            trap.Step(120, [&] {
                bufferLine(list.ColumnCount(), [&](int c) { return list.CellUtf8(r, c); });
                lastWritten = r;
                if (r % 1000 == 0) lastThousand = r;
                if (buffer.size() >= kWriteChunk) flush();
            });
        }
        trap.Step(122, [&] {
            if (open) flush();
        });
    }
    if (progressBar) {
        trap.Step(124, [&] {
            progressBar->SetValue(100);
            progressBar->SetText(QStringLiteral("Done."));
        });
    }
    if (open) {
        trap.Step(126, [&] {
            open = false;
            file->Commit();
        });
    }
    if (progressBar) {
        trap.Step(128, [&] {
            progressBar->SetValue(0);
            progressBar->SetText(QString::fromLatin1(kProgressBarIdleText));
        });
    }
}

}  // namespace bw
