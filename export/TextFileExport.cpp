// "Save Results As Text File" and the aligned text file writer.

#include "export/TextFileExport.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/AlignedText.h"
#include "shell/AppError.h"
#include "shell/ErrorReport.h"
#include "shell/FileSystem.h"
#include "shell/ListStorage.h"
#include "shell/ListView.h"
#include "shell/LocaleText.h"
#include "shell/Platform.h"
#include "shell/ProgressBar.h"
#include "shell/TextPieces.h"
#include "shell/Yield.h"

namespace bw {

namespace {

constexpr std::size_t kWriteChunk = 1 << 20;

// The cells of one row as the writer reads them: views into the list, or,
// for a row with a text long enough that the window runs while it is
// handled, pinned copies that stay readable whatever happens to the list
// meanwhile.
class RowCells {
public:
    void Read(const ListView& list, int row, int columns) {
        texts_.resize(static_cast<std::size_t>(std::max(columns, 0)));
        pins_.clear();
        bytes_ = 0;
        bool longText = false;
        list.CellsUtf8(row, texts_);
        for (std::string_view text : texts_) {
            bytes_ += text.size();
            longText = longText || text.size() > kTextPieceBytes;
        }
        if (!longText) return;
        for (int c = 1; c <= columns; ++c) {
            pins_.push_back(list.PinCell(row, c));
            texts_[static_cast<std::size_t>(c - 1)] = pins_.back().text;
        }
    }
    std::string_view Text(int c) const { return texts_[static_cast<std::size_t>(c - 1)]; }
    std::size_t Bytes() const { return bytes_; }

private:
    std::vector<std::string_view> texts_;
    std::vector<PinnedText> pins_;
    std::size_t bytes_ = 0;
};

}  // namespace

void SaveListviewProperlySpaced(ListView& list, const QString& fileName, ProgressBar* progressBar, Dialogs& dialogs,
                                const Pacing& pacing) {
    using At = SaveListviewProperlySpacedSteps;
    ErrorReport trap(dialogs, kLocSaveListviewProperlySpaced);
    const QString writing = QStringLiteral("Writing file: ") + LocalFileName(fileName);
    const bool utf8 = LocaleIsUtf8();
    Pacer pacer(pacing);
    // Yields around a fixed progress point, as the bar is set.
    auto showPoint = [&](double value) {
        pacer.Yield();
        progressBar->SetValue(value);
        progressBar->SetText(writing);
        pacer.Yield();
    };

    int columns = 0;
    int rows = 0;
    ColumnWidths widths;
    RowCells cells;
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
    // Counts the characters of a text; a long one in pieces, with the window
    // let run in between (`pause` says whether the export must end).
    auto countCharacters = [&](std::string_view text, auto&& pause, bool& ended) {
        return CountCharactersInPieces(
            text, [&](std::size_t bytes) { return !(pacer.Tick(RowCost(bytes)) && pause()); }, ended);
    };

    if (progressBar) {
        trap.Step(At::kFirstProgress, [&] { showPoint(1); });
        if (pacer.Stopped()) return;
    }
    trap.Step(At::kCountList, [&] {
        columns = list.ColumnCount();
        rows = list.RowCount();
        widths.Resize(static_cast<std::size_t>(columns));
    });
    for (int c = 1; c <= columns; ++c) {
        trap.Step(At::kMeasureCaption, [&] { widths.Measure(c - 1, list.ColumnCaption(c).toUtf8().toStdString()); });
    }
    auto measurePause = [&] { return pacer.Yield(); };
    for (int r = 1; r <= rows; ++r) {
        if (rowGone(At::kMeasureRow, r)) continue;
        bool ended = false;
        trap.Step(At::kMeasureRow, [&] {
            cells.Read(list, r, columns);
            for (int c = 1; c <= columns && !ended; ++c)
                widths.MeasureLength(c - 1, countCharacters(cells.Text(c), measurePause, ended));
        });
        if (ended || (pacer.Tick(RowCost(cells.Bytes())) && pacer.Yield())) return;
    }
    if (progressBar) {
        trap.Step(At::kSecondProgress, [&] { showPoint(10); });
        if (pacer.Stopped()) return;
    }

    // The file is written beside the target and takes its place once it is
    // complete. Where the folder does not let the user create that file but
    // the target itself may be written, it is written in place instead, once
    // the room for the whole new text has been secured (see SafeFileWriter).
    std::optional<SafeFileWriter> file;
    bool open = false;
    std::string buffer;
    // The bytes of a text as they go to the file.
    auto fileBytes = [&](std::string_view text) {
        return utf8 ? QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size()))
                    : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toLocal8Bit();
    };
    auto discard = [&] {
        open = false;
        if (file) file->Discard();
    };
    // Hands bytes to the file; a failed write ends the writing.
    auto write = [&](std::string_view text) {
        if (text.empty()) return;
        const QByteArray bytes = fileBytes(text);
        try {
            file->Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        } catch (...) {
            discard();
            throw;
        }
    };
    auto flush = [&] {
        if (buffer.empty()) return;
        try {
            write(buffer);
        } catch (...) {
            buffer.clear();
            throw;
        }
        buffer.clear();
    };
    // Buffers one cell, padded to its column's width and followed by a TAB.
    // A long text, and the blanks of a long padding (beside the widest text
    // of a column of millions of characters), go to the file in pieces, with
    // the window let run in between. Returns false when the export must end.
    auto bufferCell = [&](std::string_view text, std::size_t width, auto&& pause) {
        auto paced = [&](std::size_t bytes) { return !(pacer.Tick(RowCost(bytes)) && pause()); };
        std::size_t length = 0;
        if (text.size() <= kTextPieceBytes) {
            length = CharacterCount(text);
            if (width <= length || width - length <= kTextPieceBytes) {
                AppendAlignedCell(buffer, text, length, width);
                return true;
            }
            buffer.append(text);
        } else {
            flush();
            const bool whole = ForEachTextPiece(text, [&](std::string_view piece) {
                length += CharacterCount(piece);
                write(piece);
                return paced(piece.size());
            });
            if (!whole) return false;
        }
        for (std::size_t blanks = width > length ? width - length : 0; blanks > 0;) {
            const std::size_t n = std::min(blanks, kTextPieceBytes);
            buffer.append(n, ' ');
            blanks -= n;
            if (buffer.size() >= kWriteChunk) flush();
            if (!paced(n)) return false;
        }
        buffer.push_back('\t');
        return true;
    };
    // The bytes one cell takes in the file (its text, the blanks up to its
    // column's width, the TAB); a long text is measured in pieces. False when
    // the export must end meanwhile.
    auto cellFileBytes = [&](std::string_view text, std::size_t width, std::uint64_t& size) {
        std::size_t length = 0;
        const bool whole = ForEachTextPiece(text, [&](std::string_view piece) {
            length += CharacterCount(piece);
            size += utf8 ? piece.size() : static_cast<std::uint64_t>(fileBytes(piece).size());
            return !(pacer.Tick(RowCost(piece.size())) && pacer.Yield());
        });
        size += (width > length ? width - length : 0) + 1;
        return whole;
    };
    // The size of the file the loops below write from the list as it is
    // now, for the room that writing in place secures before it starts.
    // False when the window went away meanwhile.
    auto measureFile = [&](std::uint64_t& size) {
        const int headerCells = list.ColumnCount();
        for (int c = 1; c <= headerCells; ++c)
            if (!cellFileBytes(list.ColumnCaption(c).toUtf8().toStdString(), widths[static_cast<std::size_t>(c - 1)],
                               size))
                return false;
        if (headerCells > 0) size += 2;
        for (int r = 1; r <= rows && r <= list.RowCount(); ++r) {
            int count = 0;
            try {
                if (!list.Checked(r)) continue;
                count = list.ColumnCount();
                if (count <= 0) continue;
                cells.Read(list, r, count);
            } catch (const std::exception&) {
                continue;  // reported when the rows are written
            }
            for (int c = 1; c <= count; ++c)
                if (!cellFileBytes(cells.Text(c), widths[static_cast<std::size_t>(c - 1)], size)) return false;
            size += 2;
            if (pacer.Tick(1) && pacer.Yield()) return false;
        }
        return true;
    };
    bool windowGone = false;
    trap.Step(At::kOpenFile, [&] {
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
        // The header line: a line without cells (the list has no columns)
        // is left out, so every line ends TAB CR LF.
        bool headerEnded = false;
        trap.Step(At::kWriteHeader, [&] {
            const int count = list.ColumnCount();
            if (count <= 0) return;
            std::vector<std::string> captions;
            for (int c = 1; c <= count; ++c) captions.push_back(list.ColumnCaption(c).toUtf8().toStdString());
            for (int c = 1; c <= count && !headerEnded; ++c)
                headerEnded = !bufferCell(captions[static_cast<std::size_t>(c - 1)],
                                          widths[static_cast<std::size_t>(c - 1)], [&] { return pacer.Yield(); });
            if (!headerEnded) EndFileLine(buffer);
        });
        if (headerEnded) {
            discard();
            return;
        }
        if (progressBar) {
            trap.Step(At::kThirdProgress, [&] { showPoint(20); });
            if (pacer.Stopped()) {
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
        auto writePause = [&] {
            showProgress();
            return pacer.Yield();
        };
        std::size_t rowCost = 0;
        for (int r = 1; r <= rows && open; ++r) {
            if (rowCost > 0 && pacer.Tick(rowCost)) {
                bool ended = false;
                trap.Step(At::kLetWindowRun, [&] { ended = writePause(); });
                if (ended) {
                    discard();
                    return;
                }
            }
            rowCost = 1;
            if (rowGone(At::kRowChecked, r)) continue;
            if (trap.Test(At::kRowChecked, [&] { return !list.Checked(r); })) continue;
            bool ended = false;
            trap.Step(At::kWriteRow, [&] {
                // Each line has the cells of the columns the list has now; a
                // line whose cells could not all be read is left out.
                const int count = list.ColumnCount();
                if (count <= 0) return;
                cells.Read(list, r, count);
                rowCost = RowCost(cells.Bytes());
                for (int c = 1; c <= count && !ended; ++c)
                    ended = !bufferCell(cells.Text(c), widths[static_cast<std::size_t>(c - 1)], writePause);
                if (ended) return;
                EndFileLine(buffer);
                lastWritten = r;
                if (r % 1000 == 0) lastThousand = r;
                if (buffer.size() >= kWriteChunk) flush();
            });
            if (ended) {
                discard();
                return;
            }
        }
        trap.Step(At::kFlush, [&] {
            if (open) flush();
        });
    }
    if (progressBar) {
        trap.Step(At::kDoneText, [&] {
            progressBar->SetValue(100);
            progressBar->SetText(QStringLiteral("Done."));
        });
    }
    if (open) {
        // The wait for the disk to take the text, which may take seconds,
        // runs beside the window, which keeps running meanwhile.
        trap.Step(At::kCommit, [&] {
            open = false;
            file->Commit([&] { pacer.Yield(); });
        });
    }
    if (progressBar) {
        trap.Step(At::kIdleBar, [&] {
            progressBar->SetValue(0);
            progressBar->SetText(QString::fromLatin1(kProgressBarIdleText));
        });
    }
}

}  // namespace bw
