// The input list's commands: typed numbers, list files, the sample set,
// clearing, and removing one row from either list.

#include <QStringList>

#include "shell/ErrorReport.h"
#include "shell/ListFileReader.h"
#include "window/Form1.h"

namespace bw {

namespace {

// Removes blanks (the space character only) at both ends; tabs and other
// white space stay.
QString TrimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' ')) ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin);
}

}  // namespace

void Form1::PushButton6_Click() {
    using At = PushButton6_ClickSteps;
    ErrorReport trap(platform_.dialogs, kLocPushButton6_Click);
    QString typed;
    trap.Step(At::kAskForNumbers, [&] {
        typed = platform_.dialogs.InputBox(QStringLiteral("Enter number or numbers (use commas):"), ApplicationTitle(),
                                           QString());
    });
    if (trap.Test(At::kNothingTyped, [&] { return typed.isEmpty(); })) return;
    QStringList pieces;
    trap.Step(At::kSplitAtCommas, [&] { pieces = typed.split(QLatin1Char(',')); });
    if (trap.Test(At::kNoPieces, [&] { return pieces.isEmpty(); })) return;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        QString piece;
        trap.Step(At::kTrimPiece, [&] { piece = TrimSpaces(pieces[i]); });
        trap.Step(At::kAddPiece, [&] { ListView1->AddRow(piece); });
    }
}

void Form1::PushButton3_Click() {
    using At = PushButton3_ClickSteps;
    ErrorReport trap(platform_.dialogs, kLocPushButton3_Click);
    QString title;
    QStringList filters;
    QStringList picked;

    trap.Step(At::kForgetPicked, [&] { picked.clear(); });
    trap.Step(At::kDialogTitle,
              [&] { title = QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"); });
    trap.Step(At::kTextFilesFilter, [&] { filters = QStringList{QStringLiteral("Text Files (*.txt)")}; });
    trap.Step(At::kAllFilesFilter, [&] { filters << QStringLiteral("All Files (*)"); });
    trap.Step(At::kAskForFiles, [&] { picked = platform_.dialogs.OpenFiles(title, filters); });
    if (trap.Test(At::kNonePicked, [&] { return picked.isEmpty(); })) return;
    trap.Step(At::kRememberPicked, [&] {
        CommonDialog1FileName = picked.size() == 1 ? picked.front() : SplitFolderAndName(picked.front()).first;
    });
    LoadListFiles(picked);
}

void Form1::ListView1_FilesDropped(const QStringList& paths) {
    if (!paths.isEmpty()) LoadListFiles(paths);
}

void Form1::LoadListFiles(const QStringList& paths) {
    // Reports as part of "Load Numbers From File", whose load loop this is.
    using At = PushButton3_ClickSteps;
    ErrorReport trap(platform_.dialogs, kLocPushButton3_Click);
    QStringList toLoad;
    QString path;
    qsizetype count = 0;
    const Pacing pacing = CommandPacing();

    trap.Step(At::kJoinPaths, [&] { toLoad = JoinPickedPaths(paths); });
    trap.Step(At::kBusyPointer, [&] { MousePointer().Set(kPointerBusy); });
    if (trap.Test(At::kOneFile, [&] { return paths.size() == 1; })) {
        trap.Step(At::kTakeTheFile, [&] { path = toLoad.value(0); });
        trap.Step(At::kLoadTheFile,
                  [&] { LoadListviewFromTextFile(*ListView1, path, platform_.dialogs, ApplicationTitle(), pacing); });
    } else {
        trap.Step(At::kCountFiles, [&] { count = toLoad.size(); });
        for (qsizetype i = 0; i < count && !Unloaded(); ++i) {
            trap.Step(At::kLoadEachFile, [&] {
                LoadListviewFromTextFile(*ListView1, toLoad[i], platform_.dialogs, ApplicationTitle(), pacing);
            });
        }
    }
    trap.Step(At::kNormalPointer, [&] { MousePointer().Set(kPointerNormal); });
}

void Form1::PushButton7_Click() {
    using At = PushButton7_ClickSteps;
    ErrorReport trap(platform_.dialogs, kLocPushButton7_Click);
    trap.Step(At::kFirstSample, [&] { ListView1->AddRow(QStringLiteral("123")); });
    trap.Step(At::kSecondSample, [&] { ListView1->AddRow(QStringLiteral("2")); });
    trap.Step(At::kThirdSample, [&] { ListView1->AddRow(QStringLiteral("8000")); });
}

void Form1::PushButton1_Click() {
    using At = PushButton1_ClickSteps;
    ErrorReport trap(platform_.dialogs, kLocPushButton1_Click);
    trap.Step(At::kClearInput, [&] {
        if (!MousePointer().Busy()) ListView1->ClearRows();
    });
}

void Form1::RemoveSelectedRow(ListView& list) {
    if (MousePointer().Busy()) return;
    if (list.RowCount() == 0) return;
    // Rows but no selection: nothing to remove.
    const int selected = list.SelectedIndex();
    if (selected == 0) return;
    list.RemoveRow(selected);
}

void Form1::ListView1_KeyDown(int keyCode, int /*shift*/) {
    if (keyCode == kKeyDelete) RemoveSelectedRow(*ListView1);
}

void Form1::ListView2_KeyDown(int keyCode, int /*shift*/) {
    if (keyCode == kKeyDelete) RemoveSelectedRow(*ListView2);
}

void Form1::ListView1_DblClick() { RemoveSelectedRow(*ListView1); }

void Form1::ListView2_DblClick() { RemoveSelectedRow(*ListView2); }

}  // namespace bw
