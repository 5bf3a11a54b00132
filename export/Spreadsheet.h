#pragma once

// Automation of a spreadsheet application: start it hidden, add a workbook,
// write texts into the cells of the workbook's active sheet (one by one or
// in blocks), fit column widths, show it to the user, release it.
//
// The export command works only against these interfaces, so it can be
// tested with a scripted stand-in; export/uno/ implements them on
// LibreOffice Calc. Rows and columns count from 1, as on the sheet.

#include <QString>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "shell/AppError.h"

namespace bw {

// A call into the spreadsheet application failed. Lost() tells that the
// application or its document is gone (the user closed it, the office ended
// or crashed), so every further call on it will fail too.
class SpreadsheetError : public AppError {
public:
    SpreadsheetError(const std::string& description, bool lost) : AppError(description), lost_(lost) {}
    bool Lost() const { return lost_; }

    // The losses in the words the user reads, instead of the automation
    // layer's own message (which names its internals).
    static SpreadsheetError ApplicationClosed() {
        return SpreadsheetError("The spreadsheet application was closed before the export finished.", true);
    }
    static SpreadsheetError WorkbookClosed() {
        return SpreadsheetError("The workbook was closed in the spreadsheet application before the export finished.",
                                true);
    }
    // A call that did not end within the deadline: the application hangs
    // (or is stopped), and the export gives up on it.
    static SpreadsheetError NotAnswering(std::chrono::milliseconds deadline);

private:
    bool lost_;
};

// A rectangle of cell texts, row by row. An empty text leaves its cell empty.
class CellBlock {
public:
    explicit CellBlock(int columns = 1) : columns_(columns) {}
    int Columns() const { return columns_; }
    int Rows() const { return columns_ > 0 ? static_cast<int>(cells_.size()) / columns_ : 0; }
    // Appends one row of empty texts and returns its index (from 0).
    int AddRow() {
        cells_.resize(cells_.size() + static_cast<size_t>(columns_));
        return Rows() - 1;
    }
    QString& At(int row, int column) { return cells_[static_cast<size_t>(row) * columns_ + column]; }
    const QString& At(int row, int column) const { return cells_[static_cast<size_t>(row) * columns_ + column]; }
    void Clear() { cells_.clear(); }
    bool Empty() const { return cells_.empty(); }

private:
    int columns_;
    std::vector<QString> cells_;
};

// A new workbook; the cell operations work on its active sheet. Every value
// is stored as text: a text beginning with "=" stays that text, "007" keeps
// its zeros. Each call may throw SpreadsheetError.
//
// The application objects are used from one thread at a time, but not
// necessarily from the thread that made them: the export makes its calls on
// a thread of its own so that the window never waits for the application.
class SpreadsheetWorkbook {
public:
    virtual ~SpreadsheetWorkbook() = default;
    virtual void SetCellText(int row, int column, const QString& text) = 0;
    // Writes the block with its top-left cell at (row, column), in one call.
    virtual void SetBlockText(int row, int column, const CellBlock& block) = 0;
    // Fits the width of one column, or of every column holding data, to its contents.
    virtual void FitColumn(int column) = 0;
    virtual void FitAllColumns() = 0;
    // How many rows the active sheet holds.
    virtual int SheetRows() = 0;
};

// A running spreadsheet application. Releasing the object releases this
// program's references only: the application and its workbooks stay open.
class SpreadsheetApplication {
public:
    virtual ~SpreadsheetApplication() = default;
    // Each call may throw SpreadsheetError.
    virtual std::unique_ptr<SpreadsheetWorkbook> AddWorkbook() = 0;
    // Shows the application with the workbooks added through this object.
    virtual void SetVisible() = 0;
};

// How long one call into the application may take by default: generous,
// since a call may start the application, and a block of many rows or the
// fitting of long columns takes seconds.
inline constexpr std::chrono::milliseconds kSpreadsheetCallDeadline = std::chrono::minutes(5);

// Starts the spreadsheet application.
class SpreadsheetLauncher {
public:
    virtual ~SpreadsheetLauncher() = default;
    // True when the application can be started here. Never throws.
    virtual bool Available() = 0;
    // Starts the application (or reaches the one already running), not yet
    // visible. Throws SpreadsheetError; never returns nullptr.
    virtual std::unique_ptr<SpreadsheetApplication> Start() = 0;
    // How long any one call (Start() and every call on the objects it
    // gives) may take. A call that takes longer is left to finish on its
    // own, and the export reports the application as not answering.
    virtual std::chrono::milliseconds CallDeadline() const { return kSpreadsheetCallDeadline; }
};

// The launcher of the real program: LibreOffice Calc with the user's own
// profile and a visible window. nullptr when built without the office SDK.
std::unique_ptr<SpreadsheetLauncher> CreateLibreOfficeLauncher();

}  // namespace bw
