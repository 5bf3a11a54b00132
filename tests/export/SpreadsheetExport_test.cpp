// "Save Results As Excel File" driven through the window against a scripted
// spreadsheet application: messages, call order, sheet layout, the "=" rule,
// unchecked rows, blocks, failures, a lost application and the row limit.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "export/Spreadsheet.h"
#include "shell/ErrorReport.h"
#include "shell/ListView.h"
#include "support/ListFill.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPlatform.h"
#include "tests/export/ScriptedSpreadsheet.h"
#include "window/Form1.h"

namespace bw {
namespace {

const QString kForSoftware = QStringLiteral(
    "Excel is not installed on this computer. You need to have it installed to use this software without error.");
const QString kForFeature =
    QStringLiteral("Excel is not installed on this computer. You need to have it installed to use this feature.");

using Cells = std::map<std::pair<int, int>, QString>;

using test::Row;

class SpreadsheetExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        sp.platform().spreadsheet = &office;
        form.Form_Load();
        sp.dialogs.messages.clear();
    }
    // Replaces the results list's columns and rows.
    void Fill(const QStringList& headers, const std::vector<Row>& rows) {
        test::FillList(*form.ListView2, headers, rows);
    }
    void FillNumbered(int rows, int columns = 3) {
        ListView& list = *form.ListView2;
        list.ClearColumns();
        list.ClearRows();
        for (int c = 1; c <= columns; ++c) list.AddColumn(QStringLiteral("H%1").arg(c));
        for (int r = 1; r <= rows; ++r) {
            list.AddRow(QString::number(r));
            for (int c = 2; c <= columns; ++c) list.SetSubItem(r, c - 1, QStringLiteral("%1.%2").arg(r).arg(c));
        }
    }
    std::vector<std::string> CallsAfterAvailable() const {
        std::vector<std::string> calls;
        for (const std::string& c : office.calls)
            if (c != "Available") calls.push_back(c);
        return calls;
    }
    QString At(int row, int column) const {
        auto it = office.cells.find({row, column});
        return it == office.cells.end() ? QString() : it->second;
    }
    std::vector<RecordedMessage> Reports() const { return sp.dialogs.ErrorReports(); }
    QString Report(const std::string& description, int line) const {
        return ErrorReport::MessageText(QString::fromStdString(description), kLocPushButton13_Click, line);
    }

    ScriptedPlatform sp;
    ScriptedSpreadsheet office;
    Form1 form{sp.platform()};
};

// ------------------------------------------------------------ not installed

enum class Missing { NoLauncher, Unavailable, AvailableThrows };

class NotInstalled : public SpreadsheetExportTest, public ::testing::WithParamInterface<Missing> {};

TEST_P(NotInstalled, ShowsBothBoxesAndChangesNothing) {
    switch (GetParam()) {
        case Missing::NoLauncher:
            sp.platform().spreadsheet = nullptr;
            break;
        case Missing::Unavailable:
            office.available = false;
            break;
        case Missing::AvailableThrows:
            office.availableThrows = true;
            break;
    }
    Fill({"Results"}, {{{"1"}}});
    form.MousePointer().Set(kPointerHand);
    form.PushButton13_Click();

    ASSERT_EQ(sp.dialogs.messages.size(), 2u);
    EXPECT_EQ(sp.dialogs.messages[0].text, kForSoftware);
    EXPECT_EQ(sp.dialogs.messages[1].text, kForFeature);
    for (const RecordedMessage& m : sp.dialogs.messages) {
        EXPECT_EQ(m.style, kMsgOkOnly);
        EXPECT_EQ(m.title, form.ApplicationTitle());
    }
    EXPECT_TRUE(CallsAfterAvailable().empty());
    EXPECT_EQ(form.MousePointer().Value(), kPointerHand);
}

INSTANTIATE_TEST_SUITE_P(Ways, NotInstalled,
                         ::testing::Values(Missing::NoLauncher, Missing::Unavailable, Missing::AvailableThrows));

TEST_F(SpreadsheetExportTest, InstalledTestIsQuietWhenTheApplicationIsThere) {
    EXPECT_TRUE(form.SaveResultsAsExcelFileIsExcelInstalled());
    EXPECT_TRUE(sp.dialogs.messages.empty());
    EXPECT_EQ(office.calls, std::vector<std::string>{"Available"});
}

TEST_F(SpreadsheetExportTest, EmptyResultsListEndsSilently) {
    Fill({"Numbers", "Conversion", "Results"}, {});
    form.PushButton13_Click();
    EXPECT_TRUE(sp.dialogs.messages.empty());
    EXPECT_TRUE(CallsAfterAvailable().empty());
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
}

// ------------------------------------------------------------ sheet layout

struct LayoutCase {
    const char* name;
    QStringList headers;
    std::vector<Row> rows;
    Cells expected;
};
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class Layout : public SpreadsheetExportTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(Layout, CellsAsTheSheetHoldsThem) {
    Fill(GetParam().headers, GetParam().rows);
    form.PushButton13_Click();
    EXPECT_TRUE(sp.dialogs.messages.empty());
    EXPECT_EQ(office.cells, GetParam().expected);
    EXPECT_EQ(office.liveObjects, 0);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Layout,
    ::testing::Values(
        LayoutCase{"FullResults",
                   {"Numbers", "Conversion", "Results"},
                   {{{"255", "Decimal To Hexadecimal", "FF"}}, {{"16", "Decimal To Hexadecimal", "10"}}},
                   {{{1, 1}, "Numbers"},
                    {{1, 2}, "Conversion"},
                    {{1, 3}, "Results"},
                    {{2, 1}, "255"},
                    {{2, 2}, "Decimal To Hexadecimal"},
                    {{2, 3}, "FF"},
                    {{3, 1}, "16"},
                    {{3, 2}, "Decimal To Hexadecimal"},
                    {{3, 3}, "10"}}},
        LayoutCase{
            "ResultsOnly", {"Results"}, {{{"0101"}}, {{"7"}}}, {{{1, 1}, "Results"}, {{2, 1}, "0101"}, {{3, 1}, "7"}}},
        // Every "=" leaves columns 2 and up; column 1 keeps its text.
        LayoutCase{"EqualsSigns",
                   {"Numbers", "Conversion", "Results"},
                   {{{"=1+1", "=A=B=", "==7"}}, {{"==", "=", "x=y"}}},
                   {{{1, 1}, "Numbers"},
                    {{1, 2}, "Conversion"},
                    {{1, 3}, "Results"},
                    {{2, 1}, "=1+1"},
                    {{2, 2}, "AB"},
                    {{2, 3}, "7"},
                    {{3, 1}, "=="},
                    {{3, 3}, "xy"}}},
        LayoutCase{
            "ResultsOnlyKeepsEquals", {"Results"}, {{{"=SUM(A1)"}}}, {{{1, 1}, "Results"}, {{2, 1}, "=SUM(A1)"}}},
        // An unchecked row keeps its sheet row, empty.
        LayoutCase{"UncheckedRowLeavesAGap",
                   {"Results"},
                   {{{"1"}}, {{"2"}, false}, {{"3"}}, {{"4"}, false}},
                   {{{1, 1}, "Results"}, {{2, 1}, "1"}, {{4, 1}, "3"}}},
        LayoutCase{"MissingSubItemsStayEmpty",
                   {"Numbers", "Conversion", "Results"},
                   {{{"9"}}, {{"", "", "0"}}},
                   {{{1, 1}, "Numbers"}, {{1, 2}, "Conversion"}, {{1, 3}, "Results"}, {{2, 1}, "9"}, {{3, 3}, "0"}}}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ call order

TEST_F(SpreadsheetExportTest, CallsInOrderWithTheHourglassMeanwhile) {
    Fill({"Numbers", "Conversion", "Results"}, {{{"1", "Decimal To Binary", "1"}}, {{"2", "Decimal To Binary", "10"}}});
    std::vector<int> pointerDuring;
    office.onCall = [&](int, const std::string&) { pointerDuring.push_back(form.MousePointer().Value()); };
    form.PushButton13_Click();

    const std::vector<std::string> expected = {"Start",
                                               "AddWorkbook",
                                               "SetCellText 1 1 Numbers",
                                               "FitColumn 1",
                                               "SetCellText 1 2 Conversion",
                                               "FitColumn 2",
                                               "SetCellText 1 3 Results",
                                               "FitColumn 3",
                                               "SheetRows",
                                               "SetBlockText 2 1 2x3",
                                               "FitAllColumns",
                                               "SetVisible"};
    EXPECT_EQ(CallsAfterAvailable(), expected);
    for (int p : pointerDuring) EXPECT_EQ(p, kPointerBusy);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
    // The workbook is released before the application; nothing stays held.
    EXPECT_EQ(office.releases, (std::vector<std::string>{"workbook", "application"}));
    EXPECT_EQ(office.liveObjects, 0);
}

TEST_F(SpreadsheetExportTest, RowsGoOverInBlocksThatJoin) {
    const int rows = 1300;
    FillNumbered(rows, 2);
    form.ListView2->SetChecked(600, false);
    form.PushButton13_Click();

    std::vector<std::string> blocks;
    for (const std::string& c : office.calls)
        if (c.rfind("SetBlockText", 0) == 0) blocks.push_back(c);
    EXPECT_EQ(blocks, (std::vector<std::string>{"SetBlockText 2 1 512x2", "SetBlockText 514 1 512x2",
                                                "SetBlockText 1026 1 276x2"}));
    EXPECT_EQ(office.cells.size(), static_cast<std::size_t>(2 + 2 * (rows - 1)));
    for (int r : {1, 511, 512, 513, 1024, 1025, rows}) {
        EXPECT_EQ(At(r + 1, 1), QString::number(r)) << r;
        EXPECT_EQ(At(r + 1, 2), QStringLiteral("%1.2").arg(r)) << r;
    }
    EXPECT_EQ(office.cells.count(std::make_pair(601, 1)), 0u);
    EXPECT_EQ(office.cells.count(std::make_pair(rows + 2, 1)), 0u);
}

// ------------------------------------------------------------ failures

// One call to the spreadsheet application fails: the statement reported,
// and what the command still did after it.
struct FailingCallCase {
    const char* name;
    int failAtCall;  // Start = 1, AddWorkbook = 2, headers 3..8, SheetRows 9, block 10, fit all 11, visible 12
    int line;
    std::vector<std::string> missingCalls;  // calls that must not have been made after the failure
    bool cellsWritten;
};
void PrintTo(const FailingCallCase& c, std::ostream* os) { *os << c.name; }

class Failure : public SpreadsheetExportTest, public ::testing::WithParamInterface<FailingCallCase> {};

TEST_P(Failure, IsReportedOnceAndTheCommandGoesOnOrStops) {
    Fill({"Numbers", "Conversion", "Results"}, {{{"1", "Decimal To Binary", "1"}}});
    office.failAtCall = GetParam().failAtCall;
    form.PushButton13_Click();

    ASSERT_EQ(sp.dialogs.messages.size(), 1u);
    EXPECT_EQ(sp.dialogs.messages[0].text, Report(office.failure, GetParam().line));
    EXPECT_EQ(sp.dialogs.messages[0].title, kErrorReportTitle);
    EXPECT_EQ(sp.dialogs.messages[0].style, kMsgExclamation);
    const auto calls = CallsAfterAvailable();
    for (const std::string& missing : GetParam().missingCalls)
        EXPECT_EQ(std::count(calls.begin(), calls.end(), missing), 0) << missing;
    EXPECT_EQ(office.cells.count(std::make_pair(2, 1)) == 1, GetParam().cellsWritten);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
    EXPECT_EQ(office.liveObjects, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, Failure,
                         ::testing::Values(
                             // Without an application or a workbook nothing further can work.
                             FailingCallCase{"Start", 1, 106, {"AddWorkbook", "SetVisible"}, false},
                             FailingCallCase{"AddWorkbook", 2, 108, {"SetCellText 1 1 Numbers", "SetVisible"}, false},
                             // Any other failing call is reported and the export goes on.
                             FailingCallCase{"HeaderCell", 5, 116, {}, true},
                             FailingCallCase{"HeaderFit", 4, 120, {}, true},
                             FailingCallCase{"SheetRows", 9, 126, {}, true},
                             FailingCallCase{"Block", 10, 144, {}, false}, FailingCallCase{"FitAll", 11, 148, {}, true},
                             FailingCallCase{"Visible", 12, 150, {}, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LostCase {
    const char* name;
    int loseAtCall;
    int line;
};
void PrintTo(const LostCase& c, std::ostream* os) { *os << c.name; }

class Lost : public SpreadsheetExportTest, public ::testing::WithParamInterface<LostCase> {};

// The user closes the application in the middle: one report, then the
// export stops instead of failing once per remaining call.
TEST_P(Lost, IsReportedOnceAndStopsTheExport) {
    FillNumbered(2000, 3);
    office.loseAtCall = GetParam().loseAtCall;
    form.PushButton13_Click();

    ASSERT_EQ(sp.dialogs.messages.size(), 1u);
    EXPECT_EQ(sp.dialogs.messages[0].text, Report("Scripted loss of the application", GetParam().line));
    EXPECT_EQ(static_cast<int>(CallsAfterAvailable().size()), GetParam().loseAtCall);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
    EXPECT_EQ(office.liveObjects, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, Lost,
                         ::testing::Values(LostCase{"Start", 1, 106}, LostCase{"AddWorkbook", 2, 108},
                                           LostCase{"FirstHeader", 3, 116}, LostCase{"HeaderFit", 6, 120},
                                           LostCase{"SheetRows", 9, 126}, LostCase{"FirstBlock", 10, 144},
                                           LostCase{"ThirdBlock", 12, 144}, LostCase{"FitAll", 14, 148},
                                           LostCase{"Visible", 15, 150}),
                         [](const auto& info) { return std::string(info.param.name); });

// Rows removed from the list while the export yields: one report for the
// first missing row, then the rows read so far are still handed over.
TEST_F(SpreadsheetExportTest, ResultsClearedMidwayAreReportedOnce) {
    FillNumbered(1500, 1);
    office.onCall = [&](int, const std::string& call) {
        if (call == "SetBlockText 2 1 512x1") form.PushButton2_Click();  // "Clear Results"
    };
    form.PushButton13_Click();

    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_TRUE(Reports()[0].text.contains(QStringLiteral("at line 130\r"))) << Reports()[0].text.toStdString();
    const auto calls = CallsAfterAvailable();
    EXPECT_EQ(calls.back(), "SetVisible");
    EXPECT_EQ(At(513, 1), "512");
    EXPECT_EQ(office.cells.count(std::make_pair(514, 1)), 0u);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
}

// The window closed in the middle: no further rows are read, and what was
// written is still shown rather than left hidden in the application.
TEST_F(SpreadsheetExportTest, WindowClosedMidwayStopsReadingAndShowsWhatWasWritten) {
    FillNumbered(1500, 1);
    office.onCall = [&](int, const std::string& call) {
        if (call == "SetBlockText 2 1 512x1") form.Form_Unload();
    };
    form.PushButton13_Click();

    EXPECT_TRUE(sp.dialogs.messages.empty());
    std::vector<std::string> blocks;
    for (const std::string& c : office.calls)
        if (c.rfind("SetBlockText", 0) == 0) blocks.push_back(c);
    EXPECT_EQ(blocks, std::vector<std::string>{"SetBlockText 2 1 512x1"});
    const auto calls = CallsAfterAvailable();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "FitAllColumns");
    EXPECT_EQ(calls.back(), "SetVisible");
    EXPECT_EQ(office.liveObjects, 0);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
}

// ------------------------------------------------------------ the window meanwhile

// While any call into the application waits, the window keeps processing
// its events (a timer fires and sees the call waiting), under the hourglass;
// the export then goes on as usual.
struct WaitingCase {
    const char* name;
    int holdAtCall;  // Start = 1, AddWorkbook = 2, first header fit = 4, block = 10, fit all = 11, visible = 12
};
void PrintTo(const WaitingCase& c, std::ostream* os) { *os << c.name; }

class CallWaits : public SpreadsheetExportTest, public ::testing::WithParamInterface<WaitingCase> {};

TEST_P(CallWaits, TheWindowKeepsProcessingEvents) {
    Fill({"Numbers", "Conversion", "Results"}, {{{"1", "Decimal To Binary", "1"}}, {{"2", "Decimal To Binary", "10"}}});
    office.holdAtCall = GetParam().holdAtCall;
    int pointerWhileWaiting = -1;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!office.holding) return;
        pointerWhileWaiting = form.MousePointer().Value();
        office.Release();
    });
    timer.start();
    form.PushButton13_Click();

    EXPECT_FALSE(office.heldTooLong) << "the window processed no events while the call waited";
    EXPECT_EQ(pointerWhileWaiting, kPointerBusy);
    EXPECT_TRUE(sp.dialogs.messages.empty());
    EXPECT_EQ(CallsAfterAvailable().size(), 12u);
    EXPECT_EQ(CallsAfterAvailable().back(), "SetVisible");
    EXPECT_EQ(office.liveObjects, 0);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
}

INSTANTIATE_TEST_SUITE_P(Cases, CallWaits,
                         ::testing::Values(WaitingCase{"Start", 1}, WaitingCase{"AddWorkbook", 2},
                                           WaitingCase{"HeaderFit", 4}, WaitingCase{"Block", 10},
                                           WaitingCase{"FitAll", 11}, WaitingCase{"Visible", 12}),
                         [](const auto& info) { return std::string(info.param.name); });

// A second export started while a call of the first one waits runs to its
// end; then the first one finishes. Each has its own workbook.
TEST_F(SpreadsheetExportTest, AnotherExportWhileACallWaits) {
    Fill({"Results"}, {{{"7"}}});
    office.holdAtCall = 6;  // the first export's block
    bool nestedRan = false;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!office.holding || nestedRan) return;
        nestedRan = true;
        form.PushButton13_Click();
        office.Release();
    });
    timer.start();
    form.PushButton13_Click();

    EXPECT_TRUE(nestedRan);
    EXPECT_FALSE(office.heldTooLong);
    EXPECT_TRUE(sp.dialogs.messages.empty());
    const auto calls = CallsAfterAvailable();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "AddWorkbook"), 2);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "SetVisible"), 2);
    EXPECT_EQ(office.liveObjects, 0);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
}

// The window closes while a call hangs: the command gives the call a short
// grace, then returns without a report, so the program can end. The call's
// thread makes no further calls and releases the objects once the hanging
// call returns.
TEST_F(SpreadsheetExportTest, WindowClosedWhileACallHangsDoesNotWaitForIt) {
    FillNumbered(600, 1);
    office.holdAtCall = 6;  // the first block
    office.holdLimit = std::chrono::seconds(30);
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (office.holding && !form.Unloaded()) form.Form_Unload();
    });
    timer.start();
    QElapsedTimer clock;
    clock.start();
    form.PushButton13_Click();
    const qint64 ms = clock.elapsed();
    timer.stop();

    EXPECT_TRUE(form.Unloaded());
    EXPECT_LT(ms, 15000);
    EXPECT_TRUE(office.holding) << "the command waited for the hanging call";
    EXPECT_TRUE(sp.dialogs.messages.empty());
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);

    office.Release();
    for (int n = 0; n < 1000 && office.liveObjects > 0; ++n) QThread::msleep(10);
    ASSERT_EQ(office.liveObjects, 0);
    EXPECT_EQ(office.releases, (std::vector<std::string>{"workbook", "application"}));
    const auto calls = CallsAfterAvailable();
    EXPECT_EQ(calls.back(), "SetBlockText 2 1 512x1");
}

// A call that does not end within the launcher's deadline (an office that
// hangs, or is stopped): one report, in plain words, under that call's
// statement number; no further call; the hourglass goes; the window kept
// processing its events meanwhile. The hanging call is left to finish on
// its own, and its thread releases the objects once it does.
struct HangCase {
    const char* name;
    int holdAtCall;  // Start = 1, AddWorkbook = 2, first header fit = 4, block = 10, fit all = 11, visible = 12
    int line;
};
void PrintTo(const HangCase& c, std::ostream* os) { *os << c.name; }

class CallHangs : public SpreadsheetExportTest, public ::testing::WithParamInterface<HangCase> {};

TEST_P(CallHangs, IsReportedAsNotAnsweringAtTheDeadline) {
    Fill({"Numbers", "Conversion", "Results"}, {{{"1", "Decimal To Binary", "1"}}, {{"2", "Decimal To Binary", "10"}}});
    office.holdAtCall = GetParam().holdAtCall;
    office.holdLimit = std::chrono::seconds(60);
    office.callDeadline = std::chrono::milliseconds(300);
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] { ticks += office.holding ? 1 : 0; });
    timer.start();
    QElapsedTimer clock;
    clock.start();
    form.PushButton13_Click();
    const qint64 ms = clock.elapsed();
    timer.stop();

    EXPECT_TRUE(office.holding) << "the command waited for the hanging call";
    EXPECT_LT(ms, 20000);
    EXPECT_GT(ticks, 5) << "the window processed no events while the call hung";
    ASSERT_EQ(sp.dialogs.messages.size(), 1u);
    EXPECT_EQ(sp.dialogs.messages[0].text,
              Report("The spreadsheet application is not answering: a call into it did not finish within 1 second, "
                     "so the export was stopped.",
                     GetParam().line));
    EXPECT_EQ(static_cast<int>(CallsAfterAvailable().size()), GetParam().holdAtCall);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);

    // Once released, the call returns (a hanging Start still makes its
    // application), and the thread releases whatever it holds.
    office.Release();
    auto settled = [&] { return office.objectsMade > 0 && office.liveObjects == 0; };
    for (int n = 0; n < 1000 && !settled(); ++n) QThread::msleep(10);
    ASSERT_TRUE(settled());
    EXPECT_EQ(static_cast<int>(CallsAfterAvailable().size()), GetParam().holdAtCall) << "a dropped call was made";
}

INSTANTIATE_TEST_SUITE_P(Cases, CallHangs,
                         ::testing::Values(HangCase{"Start", 1, 106}, HangCase{"AddWorkbook", 2, 108},
                                           HangCase{"HeaderFit", 4, 120}, HangCase{"Block", 10, 144},
                                           HangCase{"FitAll", 11, 148}, HangCase{"Visible", 12, 150}),
                         [](const auto& info) { return std::string(info.param.name); });

// A call that ends just before the deadline is no failure, however long
// the window's events took meanwhile; the deadline counts for each call
// anew, not for the whole export.
TEST_F(SpreadsheetExportTest, SlowCallsWithinTheDeadlineAreNoFailure) {
    Fill({"Results"}, {{{"1"}}, {{"2"}}});
    office.callDeadline = std::chrono::milliseconds(1500);
    office.onCall = [&](int, const std::string&) { QThread::msleep(300); };
    form.PushButton13_Click();

    EXPECT_TRUE(sp.dialogs.messages.empty());
    EXPECT_EQ(CallsAfterAvailable().back(), "SetVisible");
    EXPECT_EQ(office.liveObjects, 0);
}

struct DeadlineWordsCase {
    std::chrono::milliseconds deadline;
    const char* span;
};

TEST(SpreadsheetErrorWords, NameTheDeadlineAsAPersonWould) {
    const DeadlineWordsCase cases[] = {{std::chrono::milliseconds(300), "1 second"},
                                       {std::chrono::seconds(2), "2 seconds"},
                                       {std::chrono::seconds(90), "90 seconds"},
                                       {std::chrono::minutes(1), "1 minute"},
                                       {std::chrono::minutes(5), "5 minutes"}};
    for (const DeadlineWordsCase& c : cases) {
        const SpreadsheetError e = SpreadsheetError::NotAnswering(c.deadline);
        EXPECT_TRUE(e.Lost());
        EXPECT_NE(std::string(e.what()).find(std::string("within ") + c.span + ","), std::string::npos) << e.what();
    }
}

// ------------------------------------------------------------ row limit

struct LimitCase {
    const char* name;
    int sheetRows;
    int listRows;
    std::vector<int> unchecked;
    long long leftOut;  // 0: no message
};
void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class RowLimit : public SpreadsheetExportTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(RowLimit, RowsBeyondTheSheetAreCountedInOneMessage) {
    const LimitCase& c = GetParam();
    FillNumbered(c.listRows, 1);
    for (int r : c.unchecked) form.ListView2->SetChecked(r, false);
    office.sheetRows = c.sheetRows;
    form.PushButton13_Click();

    const int lastListRow = std::min(c.listRows, c.sheetRows - 1);
    EXPECT_EQ(office.cells.rbegin()->first.first <= c.sheetRows, true);
    if (lastListRow >= 1 && std::count(c.unchecked.begin(), c.unchecked.end(), lastListRow) == 0) {
        EXPECT_EQ(At(lastListRow + 1, 1), QString::number(lastListRow));
    }
    EXPECT_EQ(office.cells.count(std::make_pair(c.sheetRows + 1, 1)), 0u);
    if (c.leftOut == 0) {
        EXPECT_TRUE(sp.dialogs.messages.empty());
        return;
    }
    ASSERT_EQ(sp.dialogs.messages.size(), 1u);
    const RecordedMessage& m = sp.dialogs.messages[0];
    EXPECT_TRUE(m.text.contains(QStringLiteral(" %1 result row").arg(c.leftOut))) << m.text.toStdString();
    EXPECT_TRUE(m.text.contains(QString::number(c.sheetRows))) << m.text.toStdString();
    EXPECT_EQ(m.style, kMsgOkOnly);
    EXPECT_EQ(m.title, form.ApplicationTitle());
    // The message comes once the workbook is shown.
    EXPECT_EQ(CallsAfterAvailable().back(), "SetVisible");
}

INSTANTIATE_TEST_SUITE_P(Cases, RowLimit,
                         ::testing::Values(LimitCase{"Fits", 10, 9, {}, 0}, LimitCase{"OneOver", 10, 10, {}, 1},
                                           LimitCase{"SeveralOver", 10, 15, {}, 6},
                                           LimitCase{"UncheckedOverflowIsNoLoss", 10, 12, {10, 11, 12}, 0},
                                           LimitCase{"SomeUncheckedOver", 10, 15, {11, 14}, 4},
                                           LimitCase{"OnlyHeaderRow", 1, 3, {}, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace bw
