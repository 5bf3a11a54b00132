// "Start Converting": converts every entry of the input list under the
// option box's current option and appends one row per entry to the results
// list.
//
// The window stays responsive by yielding on a time slice rather than once
// or twice per entry: a slice converts as many entries as fit in about
// 10 ms, then the progress bar is brought up to date with the entry in hand,
// the rows of the slice reach the results view in one insert, and pending
// events run. Whatever the user does between slices (switching the display
// mode, clearing the results, adding numbers, a refused removal) has the
// same outcome as between two entries, because the mode and the option are
// read again after every yield and every row is stored the moment it is
// converted.

#include <QScopeGuard>
#include <array>
#include <string>
#include <string_view>

#include "core/ConversionOptions.h"
#include "shell/AppError.h"
#include "shell/ErrorReport.h"
#include "shell/FileSystem.h"
#include "shell/Yield.h"
#include "window/Form1.h"

namespace bw {

void Form1::PushButton17_Click() {
    // A second press while a run is in progress is ignored.
    if (conversionRunning_) return;
    conversionRunning_ = true;
    const auto running = qScopeGuard([this] { conversionRunning_ = false; });

    ErrorReport trap(platform_.dialogs, kLocPushButton17_Click);
    const QString title = ApplicationTitle();

    if (trap.Test(100, [&] { return ListView1->RowCount() == 0; })) {
        trap.Step(218, [&] { platform_.dialogs.MessageBox(QStringLiteral("No numbers added."), kMsgOkOnly, title); });
        return;
    }

    int count = 0;
    trap.Step(102, [&] { count = ListView1->RowCount(); });

    // What the run holds for the entry in hand; not reset between entries.
    std::string entry;
    int sourceBase = 0;
    int targetBase = 0;
    std::string result;
    std::string shownBuffer, resultBuffer;  // reused between entries

    // The option box and the display mode are read once per slice: they can
    // only change while the run yields.
    std::string optionName;
    const ConversionOption* option = nullptr;
    auto readOption = [&] {
        optionName = Combo1->currentText().toStdString();
        option = FindConversionOption(optionName);
    };
    readOption();

    TimeSliceYield slice(kYieldSliceMs);
    int lastDone = 0;  // the last entry whose row was appended
    auto showProgress = [&] {
        if (lastDone == 0) return;
        trap.Step(202, [&] {
            const int now = ListView1->RowCount();
            ProgressBar1->SetValue(now > 0 ? double(lastDone) / double(now) * 100.0 : 0.0);
        });
        trap.Step(204, [&] {
            ProgressBar1->SetText(QStringLiteral("Processing: ") + FileNamePart(QString::fromStdString(entry)));
        });
    };

    ListView2->BeginBatch();
    const auto batch = qScopeGuard([this] { ListView2->EndBatch(); });

    for (int i = 1; i <= count; ++i) {
        // 104 to 108: yield, and show the busy pointer.
        if (slice.Due()) {
            showProgress();
            ListView2->FlushRows();
            slice.Yield();
            if (unloaded_) return;
            readOption();
        }
        if (!pointer_.Busy()) trap.Step(106, [&] { pointer_.Set(kPointerBusy); });

        // 110: read the entry. Rows taken away while the run yielded make the
        // read fail; once the list is shorter than the entry number, every
        // later read would fail too, so that is reported once and the run
        // ends its loop.
        bool entryGone = false;
        trap.Step(110, [&] {
            if (i > ListView1->RowCount()) {
                entryGone = true;
                throw AppError("Entry " + std::to_string(i) + " is no longer in the input list");
            }
            entry.assign(ListView1->CellUtf8(i, 1));
        });
        if (entryGone) break;

        // 112 to 182: the option's bases (kept from the last entry when the
        // option box holds no known option).
        if (option) {
            sourceBase = option->sourceBase;
            targetBase = option->targetBase;
        }

        // 184 to 190: the entry conversion. A failed entry still gets its
        // row, with the failure's description as its result.
        shownBuffer.clear();
        resultBuffer.clear();
        const EntryOutcome outcome =
            ConvertEntryOrShowFailure(sourceBase, targetBase, entry, shownBuffer, resultBuffer);
        entry.swap(shownBuffer);
        if (outcome.Converted()) {
            result.swap(resultBuffer);
        } else {
            result = outcome.description;
            trap.Step(outcome.failedCheck == EntryCheck::Length ? 184 : 190,
                      [&] { throw CoreError(outcome.description); });
        }

        // 192 to 200: the row, in the display mode set now.
        trap.Step(192, [&] {
            if (Option1->isChecked()) {
                const std::array<std::string_view, 3> cells{entry, optionName, result};
                ListView2->AppendRow(cells);
            } else {
                const std::array<std::string_view, 1> cells{result};
                ListView2->AppendRow(cells);
            }
        });
        lastDone = i;
    }

    showProgress();
    ListView2->FlushRows();

    trap.Step(210, [&] { pointer_.Set(kPointerNormal); });
    trap.Step(212, [&] { ProgressBar1->SetValue(0); });
    trap.Step(214, [&] { ProgressBar1->SetText(QString::fromLatin1(kProgressBarIdleText)); });
    trap.Step(216, [&] { platform_.dialogs.MessageBox(QStringLiteral("Done."), kMsgOkOnly, title); });
}

}  // namespace bw
