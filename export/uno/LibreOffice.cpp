#include "export/uno/LibreOffice.h"

#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include <QProcess>
#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <optional>
#include <vector>

#include "export/uno/UnoSession.h"

namespace bw {

namespace {

namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

// Runs one call into the office and turns its failure into a
// SpreadsheetError; probe() tells what still answers after a failure.
template <class F>
auto Call(F&& call, const std::function<uno::Presence()>& probe) -> decltype(call()) {
    try {
        return call();
    } catch (const SpreadsheetError&) {
        throw;
    } catch (const css::lang::DisposedException& e) {
        throw uno::CallFailure(e, true, probe);
    } catch (const css::uno::Exception& e) {
        throw uno::CallFailure(e, false, probe);
    }
}

// Probes whether the office behind a context still answers: any call
// through a bridge that is gone fails.
bool Answers(const Reference<css::uno::XComponentContext>& context) {
    try {
        return context.is() && context->getServiceManager().is();
    } catch (const css::uno::Exception&) {
        return false;
    }
}

// Widths of the printable ASCII characters (from the blank to "~") in a
// common sans-serif face (the metrics Helvetica, Arial and Liberation Sans
// share), in thousandths of the font size. Any other character counts as
// wide as the font size, so that texts holding one are measured rather
// than passed over.
constexpr std::array<short, 95> kCharWidths = {
    278,  278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,  //  !"#$%&'()*+,-./
    556,  556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,  // 0-9 :;<=>?
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,  // @A-O
    667,  778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,  // P-Z [\]^_
    333,  556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,  // `a-o
    556,  556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};      // p-z {|}~

int EstimatedWidth(const QString& text) {
    int width = 0;
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        width += (u >= 0x20 && u <= 0x7E) ? kCharWidths[u - 0x20] : 1000;
    }
    return width;
}

// The texts of one column that may be its widest: the few widest by the
// estimate above, each text once.
class WidestTexts {
public:
    void Add(const QString& text) {
        if (text.isEmpty()) return;
        const int width = EstimatedWidth(text);
        if (kept_.size() >= kKeep && width <= kept_.front().first) return;
        for (const auto& k : kept_)
            if (k.first == width && k.second == text) return;
        kept_.emplace_back(width, text);
        std::push_heap(kept_.begin(), kept_.end(), Narrower);
        if (kept_.size() > kKeep) {
            std::pop_heap(kept_.begin(), kept_.end(), Narrower);
            kept_.pop_back();
        }
    }
    const std::vector<std::pair<int, QString>>& Texts() const { return kept_; }

private:
    // Enough that the widest text is among them even where the estimate is
    // off for the font in use; the office measures them all.
    static constexpr std::size_t kKeep = 64;
    // A min-heap: the narrowest kept text first.
    static bool Narrower(const std::pair<int, QString>& a, const std::pair<int, QString>& b) {
        return a.first > b.first;
    }
    std::vector<std::pair<int, QString>> kept_;
};

class CalcWorkbook : public SpreadsheetWorkbook {
public:
    CalcWorkbook(Reference<css::uno::XComponentContext> context, Reference<css::frame::XModel> model,
                 Reference<css::sheet::XSpreadsheet> sheet)
        : context_(std::move(context)), model_(std::move(model)), sheet_(std::move(sheet)) {}

    void SetCellText(int row, int column, const QString& text) override {
        Call(
            [&] {
                Reference<css::text::XTextRange> cell(sheet_->getCellByPosition(column - 1, row - 1), UNO_QUERY_THROW);
                cell->setString(uno::ToOUString(text));
            },
            Probe());
        Track(column, text);
    }

    void SetBlockText(int row, int column, const CellBlock& block) override {
        if (block.Empty() || block.Columns() <= 0) return;
        const int rows = block.Rows();
        const int columns = block.Columns();
        // A string element is stored as text, exactly like setString: a
        // leading "=" or a number-like text never changes its meaning. An
        // empty string leaves its cell empty.
        Sequence<Sequence<Any>> data(rows);
        Sequence<Any>* dataRows = data.getArray();
        for (int r = 0; r < rows; ++r) {
            Sequence<Any> cells(columns);
            Any* out = cells.getArray();
            for (int c = 0; c < columns; ++c) out[c] <<= uno::ToOUString(block.At(r, c));
            dataRows[r] = std::move(cells);
        }
        Call(
            [&] {
                Reference<css::sheet::XCellRangeData> range(
                    sheet_->getCellRangeByPosition(column - 1, row - 1, column - 1 + columns - 1, row - 1 + rows - 1),
                    UNO_QUERY_THROW);
                range->setDataArray(data);
            },
            Probe());
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) Track(column + c, block.At(r, c));
    }

    void FitColumn(int column) override {
        Call(
            [&] {
                Reference<css::table::XColumnRowRange> ranges(sheet_, UNO_QUERY_THROW);
                Reference<css::beans::XPropertySet> props(ranges->getColumns()->getByIndex(column - 1),
                                                          UNO_QUERY_THROW);
                props->setPropertyValue("OptimalWidth", Any(true));
            },
            Probe());
    }

    // The office fits a column by measuring every cell in it, which takes
    // seconds on a long list. The widest text is among the few that the
    // estimate finds widest, so the office measures only those, on a sheet
    // of their own, and the columns get the widths found there. Should
    // that go wrong, the columns are fitted the office's own way.
    void FitAllColumns() override {
        if (widest_.empty()) return;
        Call(
            [&] {
                try {
                    FitByWidestTexts();
                } catch (const css::uno::RuntimeException&) {
                    if (!Answers(context_)) throw;
                    FitWholeColumns();
                } catch (const css::uno::Exception&) {
                    FitWholeColumns();
                }
            },
            Probe());
    }

    int SheetRows() override {
        return Call(
            [&] {
                Reference<css::sheet::XCellRangeAddressable> address(sheet_, UNO_QUERY_THROW);
                return static_cast<int>(address->getRangeAddress().EndRow) + 1;
            },
            Probe());
    }

private:
    // The application answers, and the document is still open (a closed
    // one fails with DisposedException).
    std::function<uno::Presence()> Probe() {
        return [this] {
            if (!Answers(context_)) return uno::Presence::ApplicationGone;
            try {
                (void)model_->getURL();
                return uno::Presence::Both;
            } catch (const css::lang::DisposedException&) {
                return uno::Presence::WorkbookGone;
            }
        };
    }

    void Track(int column, const QString& text) {
        if (text.isEmpty()) return;
        if (static_cast<int>(widest_.size()) < column) widest_.resize(column);
        widest_[column - 1].Add(text);
    }

    // The columns that hold text, fitted over all their cells.
    void FitWholeColumns() {
        Reference<css::table::XColumnRowRange> ranges(
            sheet_->getCellRangeByPosition(0, 0, static_cast<sal_Int32>(widest_.size()) - 1, 0), UNO_QUERY_THROW);
        Reference<css::beans::XPropertySet> props(ranges->getColumns(), UNO_QUERY_THROW);
        props->setPropertyValue("OptimalWidth", Any(true));
    }

    void FitByWidestTexts() {
        const sal_Int32 columns = static_cast<sal_Int32>(widest_.size());
        sal_Int32 rows = 0;
        for (const WidestTexts& w : widest_) rows = std::max(rows, static_cast<sal_Int32>(w.Texts().size()));
        Sequence<Sequence<Any>> data(rows);
        for (sal_Int32 r = 0; r < rows; ++r) {
            Sequence<Any> cells(columns);
            for (sal_Int32 c = 0; c < columns; ++c) {
                const auto& texts = widest_[c].Texts();
                cells.getArray()[c] <<=
                    r < static_cast<sal_Int32>(texts.size()) ? uno::ToOUString(texts[r].second) : rtl::OUString();
            }
            data.getArray()[r] = std::move(cells);
        }

        Reference<css::sheet::XSpreadsheetDocument> document(model_, UNO_QUERY_THROW);
        Reference<css::sheet::XSpreadsheets> sheets = document->getSheets();
        // Measuring leaves nothing for the user to undo.
        Reference<css::document::XUndoManagerSupplier> undoSupplier(model_, UNO_QUERY);
        Reference<css::document::XUndoManager> undo = undoSupplier.is() ? undoSupplier->getUndoManager() : nullptr;
        if (undo.is()) undo->lock();
        rtl::OUString name;
        for (int n = 1; name.isEmpty() || sheets->hasByName(name); ++n)
            name = uno::ToOUString(QStringLiteral("Widths %1").arg(n));
        Reference<css::container::XIndexAccess> index(sheets, UNO_QUERY_THROW);
        sheets->insertNewByName(name, static_cast<sal_Int16>(index->getCount()));
        try {
            Reference<css::sheet::XSpreadsheet> scratch(sheets->getByName(name), UNO_QUERY_THROW);
            Reference<css::sheet::XCellRangeData> range(scratch->getCellRangeByPosition(0, 0, columns - 1, rows - 1),
                                                        UNO_QUERY_THROW);
            range->setDataArray(data);
            Reference<css::table::XColumnRowRange> scratchRanges(range, UNO_QUERY_THROW);
            Reference<css::beans::XPropertySet>(scratchRanges->getColumns(), UNO_QUERY_THROW)
                ->setPropertyValue("OptimalWidth", Any(true));
            Reference<css::table::XColumnRowRange> ranges(sheet_, UNO_QUERY_THROW);
            for (sal_Int32 c = 0; c < columns; ++c) {
                if (widest_[c].Texts().empty()) continue;
                Reference<css::beans::XPropertySet> from(scratchRanges->getColumns()->getByIndex(c), UNO_QUERY_THROW);
                Reference<css::beans::XPropertySet> to(ranges->getColumns()->getByIndex(c), UNO_QUERY_THROW);
                to->setPropertyValue("Width", from->getPropertyValue("Width"));
            }
        } catch (...) {
            try {
                sheets->removeByName(name);
                if (undo.is()) undo->unlock();
            } catch (...) {}
            throw;
        }
        sheets->removeByName(name);
        if (undo.is()) undo->unlock();
    }

    Reference<css::uno::XComponentContext> context_;
    Reference<css::frame::XModel> model_;
    Reference<css::sheet::XSpreadsheet> sheet_;
    std::vector<WidestTexts> widest_;  // per column, from column 1
};

class CalcApplication : public SpreadsheetApplication {
public:
    CalcApplication(Reference<css::uno::XComponentContext> context, bool showWindows)
        : context_(std::move(context)), showWindows_(showWindows) {
        desktop_ = Call([&] { return css::frame::Desktop::create(context_); }, Probe());
    }

    std::unique_ptr<SpreadsheetWorkbook> AddWorkbook() override {
        return Call(
            [&]() -> std::unique_ptr<SpreadsheetWorkbook> {
                Sequence<css::beans::PropertyValue> args(1);
                args.getArray()[0].Name = "Hidden";
                args.getArray()[0].Value <<= true;
                Reference<css::lang::XComponent> component =
                    desktop_->loadComponentFromURL("private:factory/scalc", "_blank", 0, args);
                Reference<css::sheet::XSpreadsheetDocument> document(component, UNO_QUERY);
                Reference<css::frame::XModel> model(component, UNO_QUERY);
                if (!document.is() || !model.is())
                    throw SpreadsheetError("The spreadsheet application made no new workbook.", false);
                // The active sheet of the new document; its first sheet when
                // the document has no view.
                Reference<css::sheet::XSpreadsheet> sheet;
                Reference<css::frame::XController> controller = model->getCurrentController();
                Reference<css::sheet::XSpreadsheetView> view(controller, UNO_QUERY);
                if (view.is()) sheet = view->getActiveSheet();
                if (!sheet.is()) {
                    Reference<css::container::XIndexAccess> sheets(document->getSheets(), UNO_QUERY_THROW);
                    sheet.set(sheets->getByIndex(0), UNO_QUERY_THROW);
                }
                if (controller.is()) frames_.push_back(controller->getFrame());
                return std::make_unique<CalcWorkbook>(context_, model, sheet);
            },
            Probe());
    }

    void SetVisible() override {
        if (!showWindows_) return;
        for (const Reference<css::frame::XFrame>& frame : frames_) {
            if (!frame.is()) continue;
            Call(
                [&] {
                    Reference<css::awt::XWindow> window = frame->getContainerWindow();
                    if (!window.is()) return;
                    window->setVisible(true);
                    Reference<css::awt::XTopWindow> top(window, UNO_QUERY);
                    if (top.is()) top->toFront();
                },
                Probe());
        }
    }

private:
    std::function<uno::Presence()> Probe() {
        return [this] { return Answers(context_) ? uno::Presence::Both : uno::Presence::ApplicationGone; };
    }

    Reference<css::uno::XComponentContext> context_;
    Reference<css::frame::XDesktop2> desktop_;
    bool showWindows_;
    std::vector<Reference<css::frame::XFrame>> frames_;
};

}  // namespace

LibreOfficeLauncher::LibreOfficeLauncher(LibreOfficeOptions options) : options_(std::move(options)) {}

bool LibreOfficeLauncher::Available() {
    try {
        if (uno::OfficeProgram().isEmpty()) return false;
        return uno::LocalContext().is();
    } catch (...) {
        return false;
    }
}

std::unique_ptr<SpreadsheetApplication> LibreOfficeLauncher::Start() {
    // Works on a copy of the options: a start that the export abandons
    // (the window closed while the office was starting) may go on after
    // this launcher is gone, and then touches none of it.
    const LibreOfficeOptions options = options_;
    // An office may drop a fresh connection (seen while it is busy starting
    // up); such a connection is made again, a few times.
    for (int attempt = 1;; ++attempt) {
        try {
            return std::make_unique<CalcApplication>(Connection(options), options.showWindows);
        } catch (const SpreadsheetError& e) {
            if (!e.Lost() || attempt >= 3) throw;
        }
    }
}

Reference<css::uno::XComponentContext> LibreOfficeLauncher::Connection(const LibreOfficeOptions& options) {
    Reference<css::uno::XComponentContext> context = uno::TryConnect(options.pipeName);
    if (!context.is()) {
        if (!options.startOffice) {
            // Nothing to start: give the listening office a moment.
            try {
                return uno::Connect(options.pipeName, 5000, {}, options.whileWaiting);
            } catch (const uno::PipeRefused&) {
                throw;
            } catch (const SpreadsheetError&) {
                throw SpreadsheetError(
                    "No spreadsheet application listens on the pipe " + options.pipeName.toStdString() + ".", false);
            }
        }
        const QString program = uno::OfficeProgram();
        if (program.isEmpty()) throw SpreadsheetError("The office program soffice was not found.", false);
        QStringList args = options.extraArguments;
        args << QStringLiteral("--accept=") + uno::AcceptArgument(options.pipeName);
        qint64 pid = 0;
        // Detached: the office stays open for the user after this program ends.
        if (!QProcess::startDetached(program, args, QString(), &pid))
            throw SpreadsheetError("The office program could not be started: " + program.toStdString(), false);
        startedPid_ = pid;
        // When an office already runs with the user's profile, the started
        // process hands its request over and ends at once; the running
        // office then opens the pipe. So an ended process does not mean
        // failure: keep trying a short while after it ended.
        using Clock = std::chrono::steady_clock;
        std::optional<Clock::time_point> endedAt;
        auto keepTrying = [&] {
            if (!endedAt && pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0) endedAt = Clock::now();
            return !endedAt || Clock::now() - *endedAt < std::chrono::seconds(10);
        };
        context = uno::Connect(options.pipeName, options.connectTimeoutMs, keepTrying, options.whileWaiting);
    }
    return context;
}

std::unique_ptr<SpreadsheetLauncher> CreateLibreOfficeLauncher() {
    // The export calls the launcher off the window thread, so waiting for
    // the office to start never holds the window.
    return std::make_unique<LibreOfficeLauncher>();
}

}  // namespace bw
