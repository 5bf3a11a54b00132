#include "export/uno/LibreOffice.h"

#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
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
#include <chrono>
#include <csignal>
#include <optional>
#include <vector>

#include "export/uno/UnoSession.h"
#include "shell/Yield.h"

namespace bw {

namespace {

namespace css = com::sun::star;
using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

// Runs one call into the office and turns its failure into a
// SpreadsheetError. A failure is "lost" when the object it went to is gone:
// the bridge to the office is down or the document was closed; alive()
// probes that after other failures.
template <class F>
auto Call(F&& call, const std::function<bool()>& alive = {}) -> decltype(call()) {
    try {
        return call();
    } catch (const SpreadsheetError&) {
        throw;
    } catch (const css::lang::DisposedException& e) {
        throw SpreadsheetError("The spreadsheet application or its document was closed: " + uno::Describe(e), true);
    } catch (const css::uno::Exception& e) {
        bool lost = false;
        if (alive) {
            try {
                lost = !alive();
            } catch (...) {
                lost = true;
            }
        }
        if (lost)
            throw SpreadsheetError("The spreadsheet application or its document was closed: " + uno::Describe(e), true);
        throw SpreadsheetError(uno::Describe(e), false);
    }
}

class CalcWorkbook : public SpreadsheetWorkbook {
public:
    CalcWorkbook(Reference<css::frame::XModel> model, Reference<css::sheet::XSpreadsheet> sheet)
        : model_(std::move(model)), sheet_(std::move(sheet)) {}

    void SetCellText(int row, int column, const QString& text) override {
        Call(
            [&] {
                Reference<css::text::XTextRange> cell(sheet_->getCellByPosition(column - 1, row - 1), UNO_QUERY_THROW);
                cell->setString(uno::ToOUString(text));
            },
            Alive());
        Used(column);
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
            Alive());
        Used(column + columns - 1);
    }

    void FitColumn(int column) override {
        Call(
            [&] {
                Reference<css::table::XColumnRowRange> ranges(sheet_, UNO_QUERY_THROW);
                Reference<css::beans::XPropertySet> props(ranges->getColumns()->getByIndex(column - 1), UNO_QUERY_THROW);
                props->setPropertyValue("OptimalWidth", Any(true));
            },
            Alive());
    }

    void FitAllColumns() override {
        if (usedColumns_ <= 0) return;
        Call(
            [&] {
                Reference<css::table::XColumnRowRange> ranges(
                    sheet_->getCellRangeByPosition(0, 0, usedColumns_ - 1, 0), UNO_QUERY_THROW);
                Reference<css::beans::XPropertySet> props(ranges->getColumns(), UNO_QUERY_THROW);
                props->setPropertyValue("OptimalWidth", Any(true));
            },
            Alive());
    }

    int SheetRows() override {
        return Call(
            [&] {
                Reference<css::sheet::XCellRangeAddressable> address(sheet_, UNO_QUERY_THROW);
                return static_cast<int>(address->getRangeAddress().EndRow) + 1;
            },
            Alive());
    }

private:
    // The document still answers: a cheap call that fails with
    // DisposedException once it is closed or the office is gone.
    std::function<bool()> Alive() {
        return [this] {
            try {
                (void)model_->getURL();
                return true;
            } catch (const css::lang::DisposedException&) {
                return false;
            }
        };
    }
    void Used(int column) { usedColumns_ = std::max(usedColumns_, column); }

    Reference<css::frame::XModel> model_;
    Reference<css::sheet::XSpreadsheet> sheet_;
    int usedColumns_ = 0;
};

class CalcApplication : public SpreadsheetApplication {
public:
    CalcApplication(Reference<css::uno::XComponentContext> context, bool showWindows)
        : context_(std::move(context)), showWindows_(showWindows) {
        desktop_ = Call([&] { return css::frame::Desktop::create(context_); });
    }

    std::unique_ptr<SpreadsheetWorkbook> AddWorkbook() override {
        return Call([&]() -> std::unique_ptr<SpreadsheetWorkbook> {
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
            return std::make_unique<CalcWorkbook>(model, sheet);
        });
    }

    void SetVisible() override {
        if (!showWindows_) return;
        for (const Reference<css::frame::XFrame>& frame : frames_) {
            if (!frame.is()) continue;
            Call([&] {
                Reference<css::awt::XWindow> window = frame->getContainerWindow();
                if (!window.is()) return;
                window->setVisible(true);
                Reference<css::awt::XTopWindow> top(window, UNO_QUERY);
                if (top.is()) top->toFront();
            });
        }
    }

private:
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
    // An office may drop a fresh connection (seen while it is busy starting
    // up); such a connection is made again, a few times.
    for (int attempt = 1;; ++attempt) {
        try {
            return std::make_unique<CalcApplication>(Connection(), options_.showWindows);
        } catch (const SpreadsheetError& e) {
            if (!e.Lost() || attempt >= 3) throw;
        }
    }
}

Reference<css::uno::XComponentContext> LibreOfficeLauncher::Connection() {
    Reference<css::uno::XComponentContext> context = uno::TryConnect(options_.pipeName);
    if (!context.is()) {
        if (!options_.startOffice) {
            // Nothing to start: give the listening office a moment.
            try {
                return uno::Connect(options_.pipeName, 5000, {}, options_.whileWaiting);
            } catch (const SpreadsheetError&) {
                throw SpreadsheetError(
                    "No spreadsheet application listens on the pipe " + options_.pipeName.toStdString() + ".", false);
            }
        }
        const QString program = uno::OfficeProgram();
        if (program.isEmpty()) throw SpreadsheetError("The office program soffice was not found.", false);
        QStringList args = options_.extraArguments;
        args << QStringLiteral("--accept=") + uno::AcceptArgument(options_.pipeName);
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
        context = uno::Connect(options_.pipeName, options_.connectTimeoutMs, keepTrying, options_.whileWaiting);
    }
    return context;
}

std::unique_ptr<SpreadsheetLauncher> CreateLibreOfficeLauncher() {
    LibreOfficeOptions options;
    // The window stays responsive while the office starts up.
    options.whileWaiting = [] { YieldToEvents(); };
    return std::make_unique<LibreOfficeLauncher>(std::move(options));
}

}  // namespace bw
