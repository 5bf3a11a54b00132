#pragma once

// The list view component used for both lists of the main window: a
// report-style list with column headers, rows of texts addressed from 1,
// and a check state per row.
//
// Rows live in a ListStorage (compact records and blocks of UTF-8 text that
// never move), not as one object per row, so that millions of rows stay
// cheap. ListViewModel exposes them to a QTableView with a fixed row height;
// appends made while a batch is open reach the view in one insert
// notification when the batch closes (or when FlushRows() is called), so
// appending stays fast while the list is shown.

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shell/ListStorage.h"

namespace bw {

// The key code of the Delete key in KeyDown.
inline constexpr int kKeyDelete = 46;

class ListViewModel;

class ListView : public QTableView {
    Q_OBJECT
public:
    // checkBoxes: whether rows show a check box (rows start checked).
    explicit ListView(bool checkBoxes, QWidget* parent = nullptr);
    ~ListView() override;

    // Columns (n from 1). Widths are in twips, converted at the screen's DPI.
    void ClearColumns();
    void AddColumn(const QString& caption);
    void SetColumnWidth(int n, int twips);
    int ColumnCount() const;
    QString ColumnCaption(int n) const;  // throws AppError when n does not exist

    // Rows (i from 1). Reading or removing a row that does not exist throws
    // AppError. RowCount() always includes rows not yet shown.
    int AddRow(const QString& text);                          // returns the new row's position
    void SetSubItem(int row, int n, const QString& text);     // n from 1
    void AppendRow(std::span<const std::string_view> cells);  // UTF-8 cells: text, sub-item 1, ...
    // A row built in parts (texts too long to be held twice); returns its position.
    int AppendLongRow(LongRow&& row);
    int RowCount() const;
    QString RowText(int row) const;
    QString SubItem(int row, int n) const;  // empty when the row has no such cell (n = 0: the row's text)
    // Cell c of a row as UTF-8 (c = 1 is the row's text); empty when absent.
    // The view stays valid until the rows next change.
    std::string_view CellUtf8(int row, int c) const;
    // Cells 1, 2, ... of a row at once, as CellUtf8 gives them (for readers
    // that take every cell of many rows).
    void CellsUtf8(int row, std::span<std::string_view> cells) const;
    // The same text, kept readable while the pin is held, also after the row
    // went or the list was cleared: for work on a long text that lets the
    // window run in between.
    PinnedText PinCell(int row, int c) const;
    int CellCount(int row) const;
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    void RemoveRow(int row);
    void ClearRows();
    // Position of the selected (current) row; 0 when no row is selected.
    // Removing the selected row selects the row that closes up into its place.
    int SelectedIndex() const;
    void SelectRow(int row);  // makes the row current and selected; throws AppError when it does not exist

    // Batching of appends for the view.
    void BeginBatch();
    void EndBatch();
    void FlushRows();

    ListViewModel* Model() const { return model_; }

    // The key code KeyDown reports for a Qt key: kKeyDelete for Delete (the
    // one key the lists act on), 0 for every other key; and the shift state
    // bits of the modifiers (1 Shift, 2 Ctrl, 4 Alt).
    static int KeyCode(int qtKey);
    static int ShiftState(Qt::KeyboardModifiers modifiers);

signals:
    void KeyDown(int keyCode, int shift);  // keyCode from KeyCode()
    void DblClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Home and End go to the first and last row, as in a list.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void UpdateRowHeight();

    ListViewModel* model_;
};

}  // namespace bw
