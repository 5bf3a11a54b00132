// The results list's display modes and "Clear Results".

#include <cstdio>
#include <exception>

#include "shell/ErrorReport.h"
#include "shell/Settings.h"
#include "window/Form1.h"

namespace bw {

void Form1::BuildResultColumns() {
    ListView2->ClearColumns();
    if (Option1->isChecked()) {
        ListView2->AddColumn(QStringLiteral("Numbers"));
        ListView2->AddColumn(QStringLiteral("Conversion"));
        ListView2->AddColumn(QStringLiteral("Results"));
        for (int n = 1; n <= 3; ++n) ListView2->SetColumnWidth(n, 2300);
    } else {
        ListView2->AddColumn(QStringLiteral("Results"));
        ListView2->SetColumnWidth(1, 7000);
    }
}

// Both buttons run the same switch: store both states, empty the results,
// and lay the columns out for the mode now set. A failure to store the
// mode is not shown; the list is still emptied and rebuilt, so that its
// columns always match the mode the buttons show.
void Form1::Option1_Click() {
    try {
        platform_.settings.SaveSetting(QString::fromLatin1(kSettingsApp), QString::fromLatin1(kSettingsSection),
                                       QString::fromLatin1(kKeyOption1), TruthToText(Option1->isChecked()));
        platform_.settings.SaveSetting(QString::fromLatin1(kSettingsApp), QString::fromLatin1(kSettingsSection),
                                       QString::fromLatin1(kKeyOption2), TruthToText(Option2->isChecked()));
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
