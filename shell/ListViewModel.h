#pragma once

// The table model behind ListView: column captions, and rows stored in
// contiguous memory rather than one object per row.
//
// Storage:
// - arena_: one UTF-8 text buffer holding every cell's bytes;
// - cells_: one {offset, length} record per cell, the offset counted from
//   the base of the cell's row; the cells of a row are consecutive records;
// - rows_: one small record per row (base offset into the arena, first cell
//   record, cell count, check state).
// Replacing a cell of an earlier row appends the new text at the arena's end
// and repoints the cell; the old bytes become garbage that is compacted away
// once it outweighs the live text, so memory stays proportional to what the
// list holds.
//
// Rows are addressed from 1 in the public operations (as ListView does) and
// from 0 in the Qt model interface. rowCount() is the number of rows the view
// has been told about; RowCount() includes rows appended during an open batch
// that the view has not been told about yet.

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace bw {

// A cell's UTF-8 bytes as a QString, exactly: a leading U+FEFF stays part of
// the text (QString::fromUtf8 would drop it as a byte-order mark). Every
// place that reads a row's text back from the arena goes through this, so
// the display, the input list saved at close and the exports see the same
// text that was stored.
QString CellTextToQString(std::string_view utf8);

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
    void SetCell(int row, int c, std::string_view text);  // adds empty cells up to c when needed
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Valid until the next change of the rows; empty when the row has no cell c.
    std::string_view Cell(int row, int c) const;
    int CellCount(int row) const;
    bool Checked(int row) const;
    void SetChecked(int row, bool checked);
    void RemoveRow(int row);
    void ClearRows();

    // Batching of insert notifications (nestable).
    void BeginBatch() { ++batchDepth_; }
    void EndBatch();
    void FlushRows();

    // Bytes held by the text arena (live text plus not yet compacted garbage).
    std::size_t ArenaBytes() const { return arena_.size(); }
    std::size_t ArenaCapacity() const { return arena_.capacity(); }

private:
    struct Slot {
        std::uint32_t offset;  // from the row's base
        std::uint32_t length;
    };
    struct Row {
        std::uint64_t base;       // arena offset the row's cells count from
        std::uint32_t firstCell;  // index into cells_
        std::uint32_t cellCount : 31;
        std::uint32_t checked : 1;
    };

    std::size_t RowIndex(int row) const;  // validates a 1-based position
    std::string_view CellText(const Row& r, std::size_t c) const;
    void MoveRowTextsToEnd(Row& r);
    void MaybeCompact();
    void Compact();
    void NotifyAppended();

    bool checkBoxes_;
    QStringList captions_;
    std::string arena_;
    std::vector<Slot> cells_;
    std::vector<Row> rows_;
    std::size_t liveText_ = 0;   // bytes of the arena that live cells point to
    std::size_t liveCells_ = 0;  // cell records that live rows use
    int shown_ = 0;              // rows the view has been told about
    int batchDepth_ = 0;
};

}  // namespace bw
