#pragma once

// The table model behind ListView: column captions, and rows kept in a
// ListStorage (compact records and text blocks that never move; see
// ListStorage.h).
//
// Rows are addressed from 1 in the public operations (as ListView does) and
// from 0 in the Qt model interface. rowCount() is the number of rows the view
// has been told about; RowCount() includes rows appended during an open batch
// that the view has not been told about yet.
//
// Whatever a view asks (data, rowCount, the header) is answered in constant
// time. A cell's text is kept whole, however long; what the view is given to
// draw is cut to kDisplayCharacters, since no screen shows more of a cell and
// Qt's text layout is not made for texts of many megabytes.

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shell/ListStorage.h"

namespace bw {

// A cell's UTF-8 bytes as a QString, exactly: a leading U+FEFF stays part of
// the text (QString::fromUtf8 would drop it as a byte-order mark). Every
// place that reads a row's text back from the list goes through this, so
// the display, the input list saved at close and the exports see the same
// text that was stored.
QString CellTextToQString(std::string_view utf8);

// The most characters of a cell that a view is given to draw: as many as the
// longest entry the number core converts, which Qt lays out in a few
// milliseconds, while a text of megabytes would hold the window for seconds.
inline constexpr qsizetype kDisplayCharacters = 32767;

// A cell's text as a view draws it: the whole text up to kDisplayCharacters,
// a longer one cut there and ended with "\u2026" (read from its first bytes
// only, however long the text is).
QString DisplayText(std::string_view utf8);

class ListViewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListViewModel(bool checkBoxes, QObject* parent = nullptr);
    ~ListViewModel() override;

    bool HasCheckBoxes() const { return checkBoxes_; }

    // Qt model interface (rows and columns from 0).
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Columns (n from 1).
    void ClearColumns();
    void AddColumn(const QString& caption);
    int ColumnCount() const { return static_cast<int>(captions_.size()); }
    QString ColumnCaption(int n) const;  // throws AppError when n does not exist

    // Rows (row from 1, cell c from 1; cell 1 is the row's text). Every
    // operation naming a row that does not exist throws AppError.
    int AppendRow(std::span<const std::string_view> cells);  // returns the new row's position
    int AppendRow(std::string_view text);
    int AppendLongRow(LongRow&& row);
    void SetCell(int row, int c, std::string_view text);  // adds empty cells up to c when needed
    int RowCount() const { return static_cast<int>(storage_.RowCount()); }
    // Valid until that row next changes or goes; empty when the row has no cell c.
    std::string_view Cell(int row, int c) const;
    // Cells 1, 2, ... of a row into `cells`, as Cell() gives them.
    void Cells(int row, std::span<std::string_view> cells) const;
    // The cell's text, kept readable while the pin is held (also after the
    // row went or the list was cleared).
    PinnedText PinCell(int row, int c) const;
    int CellCount(int row) const;
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    void RemoveRow(int row);
    // Removes every row at once; their memory goes back to the system over
    // the next turns of the event loop.
    void ClearRows();

    // Batching of insert notifications (nestable).
    void BeginBatch() { ++batchDepth_; }
    void EndBatch();
    void FlushRows();

    // Bytes of the text blocks in use (live text plus not yet packed
    // garbage), and bytes of the text blocks held.
    std::size_t ArenaBytes() const { return storage_.TextBytes(); }
    std::size_t ArenaCapacity() const { return storage_.ReservedTextBytes(); }
    const ListStorage& Storage() const { return storage_; }

private:
    std::size_t RowIndex(int row) const;  // validates a 1-based position
    void CheckRoomForARow() const;
    void NotifyAppended();

    void ReleaseSome();

    bool checkBoxes_;
    QStringList captions_;
    ListStorage storage_;
    // The memory of cleared rows, given back a part at each turn of the
    // event loop, so that clearing millions of rows never holds the window.
    std::deque<ReleasedRows> releasing_;
    QTimer releaseTimer_;
    int shown_ = 0;  // rows the view has been told about
    int batchDepth_ = 0;
};

}  // namespace bw
