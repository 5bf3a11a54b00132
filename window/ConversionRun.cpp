// "Start Converting": converts every entry of the input list under the
// option box's current option and appends one row per entry to the results
// list.
//
// The window stays responsive through a Pacer rather than by yielding once
// or twice per entry: a slice converts as many entries as fit in about
// 10 ms (the clock is read every few hundred short entries, or after each
// long one), then the progress bar is brought up to date with the entry in
// hand, the rows of the slice reach the results view in one insert, and
// pending events run. The first entry's progress shows at once. Whatever
// the user does between slices (switching the display mode, clearing the
// results, adding numbers, a refused removal) has the same outcome as
// between two entries, because the mode and the option are read again
// after every yield and every row is stored the moment it is converted.
//
// An entry too long for the counters fails without being read whole: its
// length in bytes tells when it has more characters than they hold, and in
// the full-results mode its shown text goes into the results row in pieces,
// with the window running in between.

#include <string.h>

#include <QScopeGuard>
#include <array>
#include <new>
#include <string>
#include <string_view>

#include "core/ConversionOptions.h"
#include "core/CoreError.h"
#include "core/Limits.h"
#include "shell/AppError.h"
#include "shell/ErrorReport.h"
#include "shell/FileSystem.h"
#include "shell/ListStorage.h"
#include "shell/ListViewModel.h"
#include "shell/TextPieces.h"
#include "shell/Yield.h"
#include "window/Form1.h"

namespace bw {

namespace {

// A character takes at most four bytes: an entry of more bytes than this has
// more characters than the counters hold, without counting them.
constexpr std::size_t kCertainlyTooLongBytes = 4 * kMaxTextLength;

// The most characters of an entry the progress bar is given: far more than
// it can show, while laying out a text of tens of thousands of characters
// at every repaint of the bar would hold the window.
constexpr qsizetype kProgressCharacters = 1000;

// Pacing units of converting an entry of this many bytes: the work grows
// with the square of its digits.
std::size_t EntryCost(std::size_t bytes) {
    const std::size_t blocks = bytes / 64;
    return 1 + blocks * blocks;
}

// The text cut to kProgressCharacters and ended with "\u2026" when longer.
QString ForTheBar(QString text) {
    if (text.size() <= kProgressCharacters) return text;
    qsizetype keep = kProgressCharacters;
    if (text[keep - 1].isHighSurrogate()) --keep;
    text.truncate(keep);
    return text + QChar(0x2026);
}

// "Processing: " and the part of a long entry after its last backslash (the
// part starts at `from`), its blanks as "0", as much of it as the bar is
// given.
QString ProcessingTextOfLongEntry(std::string_view entry, std::size_t from) {
    entry.remove_prefix(from);
    const std::size_t headBytes = Utf8PieceLength(entry, static_cast<std::size_t>(kProgressCharacters + 1) * 4);
    std::string head;
    AppendBlanksAsZeros(entry.substr(0, headBytes), head);
    QString text = ForTheBar(CellTextToQString(head));
    if (headBytes < entry.size() && !text.endsWith(QChar(0x2026))) text.append(QChar(0x2026));
    return QStringLiteral("Processing: ") + text;
}

}  // namespace

void Form1::PushButton17_Click() {
    // A second press while a run is in progress is ignored.
    if (conversionRunning_) return;
    conversionRunning_ = true;
    const auto running = qScopeGuard([this] { conversionRunning_ = false; });

    using At = PushButton17_ClickSteps;
    ErrorReport trap(platform_.dialogs, kLocPushButton17_Click);
    const QString title = ApplicationTitle();

    if (trap.Test(At::kNoEntries, [&] { return ListView1->RowCount() == 0; })) {
        trap.Step(At::kTellNoNumbers,
                  [&] { platform_.dialogs.MessageBox(QStringLiteral("No numbers added."), kMsgOkOnly, title); });
        return;
    }

    int count = 0;
    trap.Step(At::kCountEntries, [&] { count = ListView1->RowCount(); });

    // What the run holds for the entry in hand; not reset between entries.
    std::string entry;
    int sourceBase = 0;
    int targetBase = 0;
    std::string result;
    std::string shownBuffer, resultBuffer;  // reused between entries
    PinnedText longEntry;                   // an entry too long to convert, read in place
    bool entryIsLong = false;
    QString longEntryProgress;  // its progress text, found once

    // The option box and the display mode are read once per slice: they can
    // only change while the run yields.
    std::string optionName;
    const ConversionOption* option = nullptr;
    bool fullResults = true;
    auto readSettings = [&] {
        optionName = Combo1->currentText().toStdString();
        option = FindConversionOption(optionName);
        fullResults = Option1->isChecked();
    };
    readSettings();

    Pacer pacer(CommandPacing());
    int lastDone = 0;  // the last entry whose row was appended
    auto showProgress = [&] {
        if (lastDone == 0) return;
        trap.Step(At::kProgressValue, [&] {
            const int now = ListView1->RowCount();
            ProgressBar1->SetValue(now > 0 ? double(lastDone) / double(now) * 100.0 : 0.0);
        });
        trap.Step(At::kProgressText, [&] {
            if (!entryIsLong) {
                ProgressBar1->SetText(QStringLiteral("Processing: ") +
                                      ForTheBar(FileNamePart(QString::fromStdString(entry))));
                return;
            }
            // Until its text is known, the bar keeps the entry before.
            if (!longEntryProgress.isNull()) ProgressBar1->SetText(longEntryProgress);
        });
    };
    // Lets the window run with the progress and the rows so far shown; true
    // when the run must end (the window is going away).
    auto pause = [&] {
        showProgress();
        if (pacer.YieldShowing([&] { ListView2->FlushRows(); })) return true;
        readSettings();
        return false;
    };

    ListView2->BeginBatch();
    const auto batch = qScopeGuard([this] { ListView2->EndBatch(); });

    // The row of a long entry whose conversion failed, in the full-results
    // mode: its shown text is written into the row in pieces. False when
    // the run must end meanwhile.
    auto appendLongRow = [&] {
        LongRow row;
        const bool whole = ForEachTextPiece(longEntry.text, [&](std::string_view piece) {
            shownBuffer.clear();
            AppendBlanksAsZeros(piece, shownBuffer);
            row.Append(shownBuffer);
            return !(pacer.Tick(RowCost(piece.size())) && pause());
        });
        if (!whole) return false;
        if (fullResults) {
            row.NextCell();
            row.Append(optionName);
            row.NextCell();
            row.Append(result);
            ListView2->AppendLongRow(std::move(row));
        } else {
            // The mode changed while the row was written.
            const std::array<std::string_view, 1> cells{result};
            ListView2->AppendRow(cells);
        }
        return true;
    };

    for (int i = 1; i <= count; ++i) {
        // The busy pointer (the yields come after each slice).
        if (!pointer_.Busy()) trap.Step(At::kBusyPointer, [&] { pointer_.Set(kPointerBusy); });

        // Read the entry. Rows taken away while the run yielded make the
        // read fail; once the list is shorter than the entry number, every
        // later read would fail too, so that is reported once and the run
        // ends its loop. An entry too long to convert is not copied.
        bool entryGone = false;
        trap.Step(At::kReadEntry, [&] {
            if (i > ListView1->RowCount()) {
                entryGone = true;
                throw AppError("Entry " + std::to_string(i) + " is no longer in the input list");
            }
            const std::string_view text = ListView1->CellUtf8(i, 1);
            entryIsLong = text.size() > kCertainlyTooLongBytes;
            if (entryIsLong) {
                longEntry = ListView1->PinCell(i, 1);
                longEntryProgress = QString();
            } else {
                longEntry = {};
                entry.assign(text);
            }
        });
        if (entryGone) break;
        if (entryIsLong) {
            // The part of the entry the bar shows starts after its last
            // backslash, looked for from the end in pieces, with the window
            // let run in between.
            std::size_t from = 0;
            for (std::size_t end = longEntry.text.size(); end > 0;) {
                const std::size_t begin = end > kTextPieceBytes ? end - kTextPieceBytes : 0;
                if (const void* slash = memrchr(longEntry.text.data() + begin, '\\', end - begin)) {
                    from = static_cast<std::size_t>(static_cast<const char*>(slash) - longEntry.text.data()) + 1;
                    break;
                }
                end = begin;
                if (pacer.Tick(RowCost(kTextPieceBytes)) && pause()) return;
            }
            longEntryProgress = ProcessingTextOfLongEntry(longEntry.text, from);
        }

        // The option's bases (kept from the last entry when the
        // option box holds no known option).
        if (option) {
            sourceBase = option->sourceBase;
            targetBase = option->targetBase;
        }

        // The entry conversion. A failed entry still gets its
        // row, with the failure's description as its result. An entry too
        // long to read in place fails at the first step without being read.
        if (entryIsLong) {
            result = kOverflowDescription;
            trap.Step(At::kCheckLength, [&] { throw CoreError(kOverflowDescription); });
        } else {
            shownBuffer.clear();
            resultBuffer.clear();
            const EntryOutcome outcome =
                ConvertEntryOrShowFailure(sourceBase, targetBase, entry, shownBuffer, resultBuffer);
            entry.swap(shownBuffer);
            if (outcome.Converted()) {
                result.swap(resultBuffer);
            } else {
                result = outcome.description;
                trap.Step(outcome.failedCheck == EntryCheck::Length ? At::kCheckLength : At::kConvert, [&] {
                    if (outcome.outOfMemory) throw std::bad_alloc();
                    throw CoreError(outcome.description);
                });
            }
        }

        // The row, in the display mode set now.
        bool ended = false;
        trap.Step(At::kAddResultRow, [&] {
            if (fullResults && entryIsLong) {
                ended = !appendLongRow();
            } else if (fullResults) {
                const std::array<std::string_view, 3> cells{entry, optionName, result};
                ListView2->AppendRow(cells);
            } else {
                const std::array<std::string_view, 1> cells{result};
                ListView2->AppendRow(cells);
            }
        });
        if (ended) return;
        lastDone = i;

        const std::size_t cost = entryIsLong ? 1 : EntryCost(entry.size());
        if ((pacer.Tick(cost) || i == 1) && pause()) return;
    }

    showProgress();
    ListView2->FlushRows();

    trap.Step(At::kNormalPointer, [&] { pointer_.Set(kPointerNormal); });
    trap.Step(At::kResetBarValue, [&] { ProgressBar1->SetValue(0); });
    trap.Step(At::kResetBarText, [&] { ProgressBar1->SetText(QString::fromLatin1(kProgressBarIdleText)); });
    trap.Step(At::kTellDone, [&] { platform_.dialogs.MessageBox(QStringLiteral("Done."), kMsgOkOnly, title); });
}

}  // namespace bw
