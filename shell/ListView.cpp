#include "shell/ListView.h"

#include "shell/Twips.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <utility>

#include "shell/AppError.h"
#include "shell/ListViewModel.h"

namespace bw {

ListView::ListView(bool checkBoxes, QWidget* parent) : QTableView(parent), model_(new ListViewModel(checkBoxes)) {
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

    QHeaderView* columns = horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionsClickable(false);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    UpdateRowHeight();

    // Moves over the rows reach the window's pointer hover without a pressed button.
    viewport()->setMouseTracking(true);
}

ListView::~ListView() {
    // Detach before the model goes so the view never sees a dying model.
    setModel(nullptr);
    delete model_;
}

void ListView::UpdateRowHeight() {
    int height = fontMetrics().height() + 4;
    if (model_->HasCheckBoxes())
        height = std::max(height, style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this) + 4);
    QHeaderView* rows = verticalHeader();
    rows->setMinimumSectionSize(std::min(rows->minimumSectionSize(), height));
    rows->setDefaultSectionSize(height);
}

void ListView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) UpdateRowHeight();
}

// Columns

void ListView::ClearColumns() { model_->ClearColumns(); }

void ListView::AddColumn(const QString& caption) { model_->AddColumn(caption); }

void ListView::SetColumnWidth(int n, int twips) {
    if (n < 1 || n > ColumnCount()) throw AppError("Invalid column index " + std::to_string(n));
    horizontalHeader()->resizeSection(n - 1, TwipsToPixels(std::max(twips, 0), logicalDpiX()));
}

int ListView::ColumnCount() const { return model_->ColumnCount(); }

QString ListView::ColumnCaption(int n) const { return model_->ColumnCaption(n); }

// Rows

int ListView::AddRow(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return model_->AppendRow(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

void ListView::SetSubItem(int row, int n, const QString& text) {
    if (n < 1) {
        (void)model_->CellCount(row);  // a missing row is reported first
        throw AppError("Invalid sub-item index " + std::to_string(n));
    }
    const QByteArray utf8 = text.toUtf8();
    model_->SetCell(row, n + 1, std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

void ListView::AppendRow(std::span<const std::string_view> cells) { model_->AppendRow(cells); }

int ListView::AppendLongRow(LongRow&& row) { return model_->AppendLongRow(std::move(row)); }

int ListView::RowCount() const { return model_->RowCount(); }

QString ListView::RowText(int row) const { return SubItem(row, 0); }

QString ListView::SubItem(int row, int n) const {
    if (n < 0) {
        (void)model_->CellCount(row);
        throw AppError("Invalid sub-item index " + std::to_string(n));
    }
    return CellTextToQString(model_->Cell(row, n + 1));
}

std::string_view ListView::CellUtf8(int row, int c) const { return model_->Cell(row, c); }

void ListView::CellsUtf8(int row, std::span<std::string_view> cells) const { model_->Cells(row, cells); }

PinnedText ListView::PinCell(int row, int c) const { return model_->PinCell(row, c); }

int ListView::CellCount(int row) const { return model_->CellCount(row); }

bool ListView::Checked(int row) const { return model_->Checked(row); }

void ListView::SetChecked(int row, bool checked) { model_->SetChecked(row, checked); }

void ListView::RemoveRow(int row) {
    const int selected = SelectedIndex();
    model_->RemoveRow(row);
    // Keep a row selected where the removed one was, so that the next Delete
    // or double-click acts on the row that closed up into its place.
    if (selected == row && model_->rowCount() > 0) SelectRow(std::min(row, model_->rowCount()));
}

void ListView::ClearRows() { model_->ClearRows(); }

int ListView::SelectedIndex() const {
    const QItemSelectionModel* selection = selectionModel();
    if (!selection) return 0;
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isSelected(current)) return current.row() + 1;
    const QItemSelection ranges = selection->selection();
    for (const QItemSelectionRange& range : ranges)
        if (range.isValid()) return range.top() + 1;
    return 0;
}

void ListView::SelectRow(int row) {
    if (row < 1 || row > model_->RowCount()) throw AppError("Invalid row index " + std::to_string(row));
    model_->FlushRows();
    const QModelIndex index = model_->index(row - 1, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Batching

void ListView::BeginBatch() { model_->BeginBatch(); }

void ListView::EndBatch() { model_->EndBatch(); }

void ListView::FlushRows() { model_->FlushRows(); }

// Events

int ListView::KeyCode(int qtKey) { return qtKey == Qt::Key_Delete ? kKeyDelete : 0; }

int ListView::ShiftState(Qt::KeyboardModifiers modifiers) {
    int state = 0;
    if (modifiers & Qt::ShiftModifier) state |= 1;
    if (modifiers & Qt::ControlModifier) state |= 2;
    if (modifiers & Qt::AltModifier) state |= 4;
    return state;
}

void ListView::keyPressEvent(QKeyEvent* event) {
    QPointer<ListView> alive(this);
    emit KeyDown(KeyCode(event->key()), ShiftState(event->modifiers()));
    if (!alive) return;
    // The space bar flips the check box of the selected row, whichever of
    // its cells is current.
    if (model_->HasCheckBoxes() && event->key() == Qt::Key_Space &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (const int row = SelectedIndex()) SetChecked(row, !Checked(row));
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex ListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action == MoveHome || action == MoveEnd) modifiers |= Qt::ControlModifier;
    return QTableView::moveCursor(action, modifiers);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QPointer<ListView> alive(this);
    QTableView::mouseDoubleClickEvent(event);
    if (alive) emit DblClick();
}

}  // namespace bw
