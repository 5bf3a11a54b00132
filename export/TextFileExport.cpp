// "Save Results As Text File" and the aligned text file writer.

#include "export/TextFileExport.h"

#include <QSaveFile>

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
    // the target itself may be written, it is written in place instead.
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    bool open = false;
    std::string buffer;
    // Hands the buffered lines to the file; a failed write ends the writing.
    auto flush = [&] {
        if (buffer.empty()) return;
        QByteArray bytes = utf8 ? QByteArray::fromRawData(buffer.data(), static_cast<qsizetype>(buffer.size()))
                                : QString::fromUtf8(buffer.data(), static_cast<qsizetype>(buffer.size())).toLocal8Bit();
        const qint64 written = file.write(bytes);
        buffer.clear();
        if (written != bytes.size()) {
            const std::string reason = (fileName + QStringLiteral(": ") + file.errorString()).toStdString();
            open = false;
            file.cancelWriting();
            throw AppError(reason);
        }
    };
    // Buffers one line: its cells (the columns the list has now, read when
    // the line starts), each padded to its column's width and followed by a
    // TAB, then CR LF. Every line thus ends TAB CR LF: a line without cells
    // (the list has no columns) is left out, and so is a line whose cells
    // could not all be read.
    auto bufferLine = [&](int cells, auto&& cellText) {
        if (cells <= 0) return;
        const std::size_t start = buffer.size();
        try {
            for (int c = 1; c <= cells; ++c)
                AppendAlignedCell(buffer, cellText(c), widths[static_cast<std::size_t>(c - 1)]);
        } catch (...) {
            buffer.resize(start);
            throw;
        }
        EndFileLine(buffer);
    };
    trap.Step(110, [&] {
        if (!file.open(QIODevice::WriteOnly))
            throw AppError((fileName + QStringLiteral(": ") + file.errorString()).toStdString());
        open = true;
    });
    if (open) {
        trap.Step(112, [&] {
            bufferLine(list.ColumnCount(), [&](int c) { return list.ColumnCaption(c).toUtf8().toStdString(); });
        });
        if (progressBar) {
            trap.Step(114, [&] { showPoint(20); });
            if (stopped()) {
                file.cancelWriting();
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
                    file.cancelWriting();
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
            if (!file.commit()) throw AppError((fileName + QStringLiteral(": ") + file.errorString()).toStdString());
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
