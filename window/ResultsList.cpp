// The results list's display modes and "Clear Results".

#include <span>

#include "shell/ErrorReport.h"
#include "shell/Settings.h"
#include "window/Form1.h"

namespace bw {

void Form1::BuildResultColumns(bool fullResults, ErrorReport* trap) {
    const std::span<const ListColumn> columns = ResultColumns(fullResults);
    const ResultColumnSteps& at = fullResults ? kFullResultColumnSteps : kResultsOnlyColumnSteps;
    auto run = [trap](int line, auto&& statement) {
        if (trap)
            trap->Step(line, statement);
        else
            statement();
    };
    run(at.clearColumns, [&] { ListView2->ClearColumns(); });
    for (std::size_t c = 0; c < columns.size(); ++c)
        run(at.captions[c], [&] { ListView2->AddColumn(QString::fromLatin1(columns[c].caption)); });
    for (std::size_t c = 0; c < columns.size(); ++c)
        run(at.widths[c], [&] { ListView2->SetColumnWidth(static_cast<int>(c) + 1, columns[c].widthTwips); });
}

// Both buttons run the same switch: store both states, empty the results,
// and lay the columns out for the mode now set. A failure to store the
// mode is not shown (RunUntrapped); the list is still emptied and rebuilt,
// so that its columns always match the mode the buttons show.
void Form1::Option1_Click() {
    RunUntrapped("Option1_Click", [this] {
        SaveProgramSetting(platform_.settings, kKeyOption1, TruthToText(Option1->isChecked()));
        SaveProgramSetting(platform_.settings, kKeyOption2, TruthToText(Option2->isChecked()));
    });
    ListView2->ClearRows();
    BuildResultColumns(Option1->isChecked());
}

void Form1::Option2_Click() { Option1_Click(); }

void Form1::PushButton2_Click() {
    using At = PushButton2_ClickSteps;
    ErrorReport trap(platform_.dialogs, kLocPushButton2_Click);
    trap.Step(At::kClearResults, [&] { ListView2->ClearRows(); });
}

}  // namespace bw
