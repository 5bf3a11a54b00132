// The results list's display modes and "Clear Results".

#include <cstdio>
#include <exception>

#include "shell/ErrorReport.h"
#include "shell/Settings.h"
#include "window/Form1.h"

namespace bw {

void Form1::BuildResultColumns() {
    ListView2->ClearColumns();
    int n = 0;
    for (const ListColumn& column : ResultColumns(Option1->isChecked())) {
        ListView2->AddColumn(QString::fromLatin1(column.caption));
        ListView2->SetColumnWidth(++n, column.widthTwips);
    }
}

// Both buttons run the same switch: store both states, empty the results,
// and lay the columns out for the mode now set. A failure to store the
// mode is not shown; the list is still emptied and rebuilt, so that its
// columns always match the mode the buttons show.
void Form1::Option1_Click() {
    try {
        SaveProgramSetting(platform_.settings, kKeyOption1, TruthToText(Option1->isChecked()));
        SaveProgramSetting(platform_.settings, kKeyOption2, TruthToText(Option2->isChecked()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "basewright: the display mode was not stored: %s\n", e.what());
    }
    ListView2->ClearRows();
    BuildResultColumns();
}

void Form1::Option2_Click() { Option1_Click(); }

void Form1::PushButton2_Click() {
    ErrorReport trap(platform_.dialogs, kLocPushButton2_Click);
    trap.Step(100, [&] { ListView2->ClearRows(); });
}

}  // namespace bw
