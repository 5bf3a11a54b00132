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
    ErrorReport trap(platform().dialogs, kLocPushButton4_Click);
    QString title;
    QStringList filters;
    QString name;
    trap.Step(100, [&] { title = QStringLiteral("Save"); });
    trap.Step(102, [&] {
        filters = QStringList{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")};
    });
    trap.Step(104, [&] { name = platform().dialogs.SaveFile(title, filters, CommonDialog1FileName); });
    if (trap.Test(106, [&] { return name.isEmpty(); })) return;
    trap.Step(108, [&] {
        CommonDialog1FileName = name;
        MousePointer().Set(kPointerBusy);
    });
    trap.Step(110,
              [&] { SaveListviewProperlySpaced(*ListView2, name, ProgressBar1, platform().dialogs, CommandPacing()); });
    trap.Step(112, [&] { MousePointer().Set(kPointerNormal); });
}

void Form1::PushButton5_Click() {
    ErrorReport trap(platform().dialogs, kLocPushButton5_Click);
    trap.Step(100, [&] { CopyListviewToClipboard(*ListView2, platform().clipboard, CommandPacing()); });
    if (Unloaded()) return;
    trap.Step(102, [&] {
        platform().dialogs.MessageBox(
            QStringLiteral("Results have been copied to the clipboard.") + QStringLiteral("\r\r") +
                QStringLiteral("Click a text area where you normally type and press Ctrl+V to paste the clipboard."),
            kMsgOkOnly, ApplicationTitle());
    });
}

bool Form1::SaveResultsAsExcelFileIsExcelInstalled() {
    if (SpreadsheetApplicationAvailable(platform().spreadsheet)) return true;
    try {
        platform().dialogs.MessageBox(QString::fromUtf8(kNotInstalledForSoftware), kMsgOkOnly, ApplicationTitle());
    } catch (...) {}
    return false;
}

void Form1::PushButton13_Click() {
    ErrorReport trap(platform().dialogs, kLocPushButton13_Click);
    if (trap.Test(100, [&] { return !SaveResultsAsExcelFileIsExcelInstalled(); })) {
        trap.Step(100, [&] {
            platform().dialogs.MessageBox(QString::fromUtf8(kNotInstalledForFeature), kMsgOkOnly, ApplicationTitle());
        });
        return;
    }
    if (trap.Test(102, [&] { return ListView2->RowCount() == 0; })) return;
    SaveListviewToSpreadsheet(*ListView2, *platform().spreadsheet, trap, MousePointer(), platform().dialogs,
                              ApplicationTitle(), CommandPacing());
}

}  // namespace bw
