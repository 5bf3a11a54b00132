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

#include "shell/AppError.h"
#include "shell/ListViewModel.h"

namespace bw {

namespace {

// Virtual key codes of the desktop platform the key events are reported in.
constexpr int kVkBack = 8, kVkTab = 9, kVkClear = 12, kVkReturn = 13, kVkShift = 16, kVkControl = 17,
              kVkMenu = 18, kVkPause = 19, kVkCapital = 20, kVkEscape = 27, kVkSpace = 32, kVkPrior = 33,
              kVkNext = 34, kVkEnd = 35, kVkHome = 36, kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40,
              kVkSnapshot = 44, kVkInsert = 45, kVkDelete = 46, kVkLWin = 91, kVkApps = 93, kVkNumpad0 = 96,
              kVkMultiply = 106, kVkAdd = 107, kVkSubtract = 109, kVkDecimal = 110, kVkDivide = 111,
              kVkF1 = 112, kVkNumLock = 144, kVkScroll = 145;
// Keys of the US layout's punctuation row ("OEM" keys).
constexpr int kVkOem1 = 186, kVkOemPlus = 187, kVkOemComma = 188, kVkOemMinus = 189, kVkOemPeriod = 190,
              kVkOem2 = 191, kVkOem3 = 192, kVkOem4 = 219, kVkOem5 = 220, kVkOem6 = 221, kVkOem7 = 222;

int PunctuationKey(int key) {
    switch (key) {
        case Qt::Key_Semicolon: case Qt::Key_Colon: return kVkOem1;
        case Qt::Key_Equal: case Qt::Key_Plus: return kVkOemPlus;
        case Qt::Key_Comma: case Qt::Key_Less: return kVkOemComma;
        case Qt::Key_Minus: case Qt::Key_Underscore: return kVkOemMinus;
        case Qt::Key_Period: case Qt::Key_Greater: return kVkOemPeriod;
        case Qt::Key_Slash: case Qt::Key_Question: return kVkOem2;
        case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return kVkOem3;
        case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return kVkOem4;
        case Qt::Key_Backslash: case Qt::Key_Bar: return kVkOem5;
        case Qt::Key_BracketRight: case Qt::Key_BraceRight: return kVkOem6;
        case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return kVkOem7;
        // Shifted digits of the US layout report the digit key.
        case Qt::Key_Exclam: return '1';
        case Qt::Key_At: return '2';
        case Qt::Key_NumberSign: return '3';
        case Qt::Key_Dollar: return '4';
        case Qt::Key_Percent: return '5';
        case Qt::Key_AsciiCircum: return '6';
        case Qt::Key_Ampersand: return '7';
        case Qt::Key_Asterisk: return '8';
        case Qt::Key_ParenLeft: return '9';
        case Qt::Key_ParenRight: return '0';
        default: return 0;
    }
}

int KeypadKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return kVkNumpad0 + (key - Qt::Key_0);
    switch (key) {
        case Qt::Key_Asterisk: return kVkMultiply;
        case Qt::Key_Plus: return kVkAdd;
        case Qt::Key_Minus: return kVkSubtract;
        case Qt::Key_Period: case Qt::Key_Comma: return kVkDecimal;
        case Qt::Key_Slash: return kVkDivide;
        default: return 0;
    }
}

}  // namespace

ListView::ListView(bool checkBoxes, QWidget* parent)
    : QTableView(parent), model_(new ListViewModel(checkBoxes)) {
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

    viewport()->setMouseTracking(true);
}

ListView::~ListView() {
    // Detach before the model goes so the view never sees a dying model.
    setModel(nullptr);
    delete model_;
}

void ListView::UpdateRowHeight() {
    int height = fontMetrics().height() + 4;
    if (model_->HasCheckBoxes()) height = std::max(height, style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this) + 4);
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

int ListView::RowCount() const { return model_->RowCount(); }

QString ListView::RowText(int row) const { return SubItem(row, 0); }

QString ListView::SubItem(int row, int n) const {
    if (n < 0) {
        (void)model_->CellCount(row);
        throw AppError("Invalid sub-item index " + std::to_string(n));
    }
    const std::string_view text = model_->Cell(row, n + 1);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string_view ListView::CellUtf8(int row, int c) const { return model_->Cell(row, c); }

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

int ListView::VirtualKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (const int vk = KeypadKey(key)) return vk;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return kVkF1 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace: return kVkBack;
        case Qt::Key_Tab: case Qt::Key_Backtab: return kVkTab;
        case Qt::Key_Clear: return kVkClear;
        case Qt::Key_Return: case Qt::Key_Enter: return kVkReturn;
        case Qt::Key_Shift: return kVkShift;
        case Qt::Key_Control: return kVkControl;
        case Qt::Key_Alt: case Qt::Key_AltGr: return kVkMenu;
        case Qt::Key_Pause: return kVkPause;
        case Qt::Key_CapsLock: return kVkCapital;
        case Qt::Key_Escape: return kVkEscape;
        case Qt::Key_Space: return kVkSpace;
        case Qt::Key_PageUp: return kVkPrior;
        case Qt::Key_PageDown: return kVkNext;
        case Qt::Key_End: return kVkEnd;
        case Qt::Key_Home: return kVkHome;
        case Qt::Key_Left: return kVkLeft;
        case Qt::Key_Up: return kVkUp;
        case Qt::Key_Right: return kVkRight;
        case Qt::Key_Down: return kVkDown;
        case Qt::Key_Print: return kVkSnapshot;
        case Qt::Key_Insert: return kVkInsert;
        case Qt::Key_Delete: return kVkDelete;
        case Qt::Key_Meta: case Qt::Key_Super_L: case Qt::Key_Super_R: return kVkLWin;
        case Qt::Key_Menu: return kVkApps;
        case Qt::Key_NumLock: return kVkNumLock;
        case Qt::Key_ScrollLock: return kVkScroll;
        default: return PunctuationKey(key);
    }
}

int ListView::ShiftState(Qt::KeyboardModifiers modifiers) {
    int state = 0;
    if (modifiers & Qt::ShiftModifier) state |= 1;
    if (modifiers & Qt::ControlModifier) state |= 2;
    if (modifiers & Qt::AltModifier) state |= 4;
    return state;
}

void ListView::keyPressEvent(QKeyEvent* event) {
    QPointer<ListView> alive(this);
    emit KeyDown(VirtualKey(event->key(), event->modifiers()), ShiftState(event->modifiers()));
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

void ListView::mouseMoveEvent(QMouseEvent* event) {
    QPointer<ListView> alive(this);
    emit MouseMoved();
    if (alive) QTableView::mouseMoveEvent(event);
}

}  // namespace bw
