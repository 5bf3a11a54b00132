// The input list's commands: typed numbers, list files, the sample set,
// clearing, and removing one row from either list.

#include <QStringList>

#include <utility>
#include <vector>

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
    ErrorReport trap(platform_.dialogs, kLocPushButton6_Click);
    QString typed;
    trap.Step(100, [&] {
        typed = platform_.dialogs.InputBox(QStringLiteral("Enter number or numbers (use commas):"), ApplicationTitle(),
                                           QString());
    });
    if (trap.Test(102, [&] { return typed.isEmpty(); })) return;
    QStringList pieces;
    trap.Step(104, [&] { pieces = typed.split(QLatin1Char(',')); });
    if (trap.Test(106, [&] { return pieces.isEmpty(); })) return;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        QString piece;
        trap.Step(110, [&] { piece = TrimSpaces(pieces[i]); });
        trap.Step(112, [&] { ListView1->AddRow(piece); });
    }
}

void Form1::PushButton3_Click() {
    ErrorReport trap(platform().dialogs, kLocPushButton3_Click);
    QString title;
    QStringList filters;
    QStringList picked;

    trap.Step(100, [&] { picked.clear(); });
    trap.Step(102, [&] { title = QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files"); });
    trap.Step(104, [&] { filters = QStringList{QStringLiteral("Text Files (*.txt)")}; });
    trap.Step(106, [&] { filters << QStringLiteral("All Files (*)"); });
    trap.Step(108, [&] { picked = platform().dialogs.OpenFiles(title, filters); });
    if (trap.Test(110, [&] { return picked.isEmpty(); })) return;
    trap.Step(112, [&] {
        CommonDialog1FileName = picked.size() == 1 ? picked.front() : SplitFolderAndName(picked.front()).first;
    });
    LoadListFiles(picked);
}

void Form1::ListView1_FilesDropped(const QStringList& paths) {
    if (!paths.isEmpty()) LoadListFiles(paths);
}

void Form1::LoadListFiles(const QStringList& paths) {
    // Reports as part of "Load Numbers From File", whose load loop this is.
    ErrorReport trap(platform().dialogs, kLocPushButton3_Click);
    std::vector<std::pair<QString, QString>> parts;
    QString path;
    qsizetype count = 0;
    const Pacing pacing = CommandPacing();

    trap.Step(112, [&] {
        for (const QString& p : paths) parts.push_back(SplitFolderAndName(p));
    });
    trap.Step(114, [&] { MousePointer().Set(kPointerBusy); });
    if (trap.Test(116, [&] { return paths.size() == 1; })) {
        trap.Step(118, [&] { path = paths.value(0); });
        trap.Step(120,
                  [&] { LoadListviewFromTextFile(*ListView1, path, platform().dialogs, ApplicationTitle(), pacing); });
    } else {
        trap.Step(122, [&] { count = static_cast<qsizetype>(parts.size()); });
        for (qsizetype i = 0; i < count && !Unloaded(); ++i) {
            trap.Step(130, [&] { path = JoinFolderAndName(parts[i].first, parts[i].second); });
            trap.Step(132, [&] { path = RemoveDoubleBackslashes(path); });
            trap.Step(134, [&] {
                LoadListviewFromTextFile(*ListView1, path, platform().dialogs, ApplicationTitle(), pacing);
            });
            trap.Step(136, [] {});
        }
    }
    trap.Step(138, [&] { MousePointer().Set(kPointerNormal); });
}

void Form1::PushButton7_Click() {
    ErrorReport trap(platform_.dialogs, kLocPushButton7_Click);
    trap.Step(100, [&] { ListView1->AddRow(QStringLiteral("123")); });
    trap.Step(102, [&] { ListView1->AddRow(QStringLiteral("2")); });
    trap.Step(104, [&] { ListView1->AddRow(QStringLiteral("8000")); });
}

void Form1::PushButton1_Click() {
    ErrorReport trap(platform_.dialogs, kLocPushButton1_Click);
    trap.Step(100, [&] {
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
