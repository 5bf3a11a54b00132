// The results list's export commands: the text file, the clipboard and the
// spreadsheet application.

#include <QStringList>

#include "export/ClipboardExport.h"
#include "export/Spreadsheet.h"
#include "export/SpreadsheetExport.h"
#include "export/TextFileExport.h"
#include "shell/ErrorReport.h"
#include "window/Form1.h"

namespace bw {

namespace {

constexpr const char* kNotInstalledForSoftware =
    "Excel is not installed on this computer. You need to have it installed to use this software without error.";
constexpr const char* kNotInstalledForFeature =
    "Excel is not installed on this computer. You need to have it installed to use this feature.";

}  // namespace

Pacing Form1::CommandPacing() {
    return Pacing{kYieldSliceMs, [this] { return Unloaded(); }};
}

void Form1::PushButton4_Click() {
    using At = PushButton4_ClickSteps;
    ErrorReport trap(platform_.dialogs, kLocPushButton4_Click);
    QString title;
    QStringList filters;
    QString name;
    trap.Step(At::kDialogTitle, [&] { title = QStringLiteral("Save"); });
    trap.Step(At::kFilters, [&] {
        filters = QStringList{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")};
    });
    trap.Step(At::kAskForName, [&] { name = platform_.dialogs.SaveFile(title, filters, CommonDialog1FileName); });
    if (trap.Test(At::kNoName, [&] { return name.isEmpty(); })) return;
    trap.Step(At::kBusyPointer, [&] {
        CommonDialog1FileName = name;
        MousePointer().Set(kPointerBusy);
    });
    trap.Step(At::kSave,
              [&] { SaveListviewProperlySpaced(*ListView2, name, ProgressBar1, platform_.dialogs, CommandPacing()); });
    trap.Step(At::kNormalPointer, [&] { MousePointer().Set(kPointerNormal); });
}

void Form1::PushButton5_Click() {
    using At = PushButton5_ClickSteps;
    ErrorReport trap(platform_.dialogs, kLocPushButton5_Click);
    trap.Step(At::kCopy, [&] { CopyListviewToClipboard(*ListView2, platform_.clipboard, CommandPacing()); });
    if (Unloaded()) return;
    trap.Step(At::kTellCopied, [&] {
        platform_.dialogs.MessageBox(
            QStringLiteral("Results have been copied to the clipboard.") + QStringLiteral("\r\r") +
                QStringLiteral("Click a text area where you normally type and press Ctrl+V to paste the clipboard."),
            kMsgOkOnly, ApplicationTitle());
    });
}

bool Form1::SaveResultsAsExcelFileIsExcelInstalled() {
    if (SpreadsheetApplicationAvailable(platform_.spreadsheet)) return true;
    RunUntrapped("SaveResultsAsExcelFileIsExcelInstalled", [this] {
        platform_.dialogs.MessageBox(QString::fromUtf8(kNotInstalledForSoftware), kMsgOkOnly, ApplicationTitle());
    });
    return false;
}

void Form1::PushButton13_Click() {
    using At = PushButton13_ClickSteps;
    ErrorReport trap(platform_.dialogs, kLocPushButton13_Click);
    if (trap.Test(At::kNoSpreadsheetApplication, [&] { return !SaveResultsAsExcelFileIsExcelInstalled(); })) {
        trap.Step(At::kNoSpreadsheetApplication, [&] {
            platform_.dialogs.MessageBox(QString::fromUtf8(kNotInstalledForFeature), kMsgOkOnly, ApplicationTitle());
        });
        return;
    }
    if (trap.Test(At::kNoResults, [&] { return ListView2->RowCount() == 0; })) return;
    SaveListviewToSpreadsheet(*ListView2, *platform_.spreadsheet, trap, MousePointer(), platform_.dialogs,
                              ApplicationTitle(), CommandPacing());
}

}  // namespace bw
