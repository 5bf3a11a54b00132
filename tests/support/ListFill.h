#pragma once

// Filling a list view with given columns and rows, for the export tests.

#include <QString>
#include <QStringList>
#include <vector>

#include "shell/ListView.h"

namespace bw::test {

struct Row {
    std::vector<QString> cells;
    bool checked = true;
};

// Replaces the list's columns and rows.
inline void FillList(ListView& list, const QStringList& headers, const std::vector<Row>& rows) {
    list.ClearColumns();
    list.ClearRows();
    for (const QString& h : headers) list.AddColumn(h);
    for (const Row& row : rows) {
        const int r = list.AddRow(row.cells.empty() ? QString() : row.cells[0]);
        for (std::size_t n = 1; n < row.cells.size(); ++n) list.SetSubItem(r, static_cast<int>(n), row.cells[n]);
        list.SetChecked(r, row.checked);
    }
}

}  // namespace bw::test
