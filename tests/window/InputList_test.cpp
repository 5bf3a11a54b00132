// Filling and editing the input list from the window: typed numbers, the
// sample set, clearing, and removing single rows from either list.

#include <gtest/gtest.h>

#include "WindowDriver.h"
#include "shell/ErrorReport.h"
#include "support/ExpectedReport.h"

namespace bw {
namespace {

using test::ReportedAt;

using test::WindowDriver;

TEST(AddNumbers, SplitsAtCommasAndTrimsBlanksOnly) {
    const struct {
        const char* typed;
        QStringList rows;
    } cases[] = {
        {"255,16", {"255", "16"}},
        {"5,,7", {"5", "", "7"}},
        {"5,", {"5", ""}},
        {",,", {"", "", ""}},
        {"  7  ,8", {"7", "8"}},
        {" 1A , 12 ,xyz", {"1A", "12", "xyz"}},
        {"\t9 ,  \t", {"\t9", "\t"}},
        {"   ", {""}},
        {"1 2,-3.5", {"1 2", "-3.5"}},
        {"ab;cd", {"ab;cd"}},
    };
    for (const auto& c : cases) {
        WindowDriver window;
        window.scripted.dialogs.QueueInput(QString::fromLatin1(c.typed));
        WindowDriver::Click(window->PushButton6);
        EXPECT_EQ(WindowDriver::Rows(window->ListView1), c.rows) << c.typed;
        EXPECT_TRUE(window.scripted.dialogs.ErrorReports().empty());
    }
}

TEST(AddNumbers, AsksWithTheApplicationTitleAndAppendsAfterExistingRows) {
    WindowDriver window;
    window.scripted.dialogs.QueueInput("1");
    window.scripted.dialogs.QueueInput("2,3");
    WindowDriver::Click(window->PushButton6);
    WindowDriver::Click(window->PushButton6);
    EXPECT_EQ(WindowDriver::Rows(window->ListView1), QStringList({"1", "2", "3"}));
    ASSERT_EQ(window.scripted.dialogs.inputBoxes.size(), 2u);
    EXPECT_EQ(window.scripted.dialogs.inputBoxes[0].text, "Enter number or numbers (use commas):");
    EXPECT_EQ(window.scripted.dialogs.inputBoxes[0].title, "Basewright");
}

TEST(AddNumbers, CancelOrEmptyAnswerAddsNothing) {
    WindowDriver window;
    window.scripted.dialogs.QueueInput("");
    WindowDriver::Click(window->PushButton6);  // confirmed empty
    WindowDriver::Click(window->PushButton6);  // cancelled (no answer queued)
    EXPECT_EQ(window->ListView1->RowCount(), 0);
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
}

TEST(AddNumbers, AFailingInputBoxIsReportedAtItsLine) {
    WindowDriver window;
    window.scripted.dialogs.QueueInputFailure("The box could not be shown");
    WindowDriver::Click(window->PushButton6);
    EXPECT_EQ(window.ReportedLocations(), QStringList({ReportedAt("PushButton6_Click", 100)}));
    const auto reports = window.scripted.dialogs.ErrorReports();
    EXPECT_TRUE(reports[0].text.startsWith("The box could not be shown\r\n"));
    EXPECT_EQ(reports[0].style, kMsgExclamation);
    EXPECT_EQ(window->ListView1->RowCount(), 0);
}

TEST(SampleNumbers, AppendsTheSameThreeRowsEachTime) {
    WindowDriver window;
    window.scripted.dialogs.QueueInput("x");
    WindowDriver::Click(window->PushButton6);
    WindowDriver::Click(window->PushButton7);
    WindowDriver::Click(window->PushButton7);
    EXPECT_EQ(WindowDriver::Rows(window->ListView1), QStringList({"x", "123", "2", "8000", "123", "2", "8000"}));
}

TEST(ClearList, EmptiesTheInputListOnlyAndNotWhileBusy) {
    WindowDriver window;
    WindowDriver::Click(window->PushButton7);
    window->ListView2->AddRow("FF");

    window->MousePointer().Set(kPointerBusy);
    WindowDriver::Click(window->PushButton1);
    EXPECT_EQ(window->ListView1->RowCount(), 3);

    window->MousePointer().Set(kPointerNormal);
    WindowDriver::Click(window->PushButton1);
    EXPECT_EQ(window->ListView1->RowCount(), 0);
    EXPECT_EQ(window->ListView2->RowCount(), 1);
    WindowDriver::Click(window->PushButton1);  // on an empty list
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
}

// How a row is removed, in which list, and what is left.
struct RemovalCase {
    const char* name;
    bool resultsList;
    int selectRow;  // 0: clear the selection
    enum { kDelete, kShiftDelete, kBackspace, kOtherKey, kDoubleClick } how;
    bool busy;
    QStringList left;
};

TEST(RemoveRow, DeleteAndDoubleClickRemoveTheSelectedRow) {
    const QStringList all = {"123", "2", "8000"};
    const RemovalCase cases[] = {
        {"Delete on the middle row", false, 2, RemovalCase::kDelete, false, {"123", "8000"}},
        {"Shift+Delete", false, 1, RemovalCase::kShiftDelete, false, {"2", "8000"}},
        {"double-click on the last row", false, 3, RemovalCase::kDoubleClick, false, {"123", "2"}},
        {"Backspace removes nothing", false, 2, RemovalCase::kBackspace, false, all},
        {"other keys remove nothing", false, 2, RemovalCase::kOtherKey, false, all},
        {"Delete while busy", false, 2, RemovalCase::kDelete, true, all},
        {"double-click while busy", false, 2, RemovalCase::kDoubleClick, true, all},
        {"Delete without a selection", false, 0, RemovalCase::kDelete, false, all},
        {"Delete in the results list", true, 1, RemovalCase::kDelete, false, {"2", "8000"}},
        {"double-click in the results list", true, 2, RemovalCase::kDoubleClick, false, {"123", "8000"}},
    };
    for (const RemovalCase& c : cases) {
        WindowDriver window;
        ListView* list = c.resultsList ? window->ListView2 : window->ListView1;
        ListView* other = c.resultsList ? window->ListView1 : window->ListView2;
        for (const QString& text : all) {
            list->AddRow(text);
            other->AddRow(text);
        }
        list->FlushRows();
        if (c.selectRow) {
            WindowDriver::ClickRow(list, c.selectRow);
            ASSERT_EQ(list->SelectedIndex(), c.selectRow) << c.name;
        } else {
            list->clearSelection();
            ASSERT_EQ(list->SelectedIndex(), 0) << c.name;
        }
        if (c.busy) window->MousePointer().Set(kPointerBusy);
        switch (c.how) {
            case RemovalCase::kDelete:
                QTest::keyClick(list, Qt::Key_Delete);
                break;
            case RemovalCase::kShiftDelete:
                QTest::keyClick(list, Qt::Key_Delete, Qt::ShiftModifier);
                break;
            case RemovalCase::kBackspace:
                QTest::keyClick(list, Qt::Key_Backspace);
                break;
            case RemovalCase::kOtherKey:
                for (Qt::Key key : {Qt::Key_Insert, Qt::Key_D, Qt::Key_Period, Qt::Key_Escape})
                    QTest::keyClick(list, key);
                break;
            case RemovalCase::kDoubleClick:
                WindowDriver::DoubleClickRow(list, c.selectRow ? c.selectRow : 1);
                break;
        }
        EXPECT_EQ(WindowDriver::Rows(list), c.left) << c.name;
        EXPECT_EQ(WindowDriver::Rows(other), all) << c.name;
        EXPECT_TRUE(window.scripted.dialogs.messages.empty()) << c.name;
    }
}

TEST(RemoveRow, OnAnEmptyListNothingHappens) {
    WindowDriver window;
    for (ListView* list : {window->ListView1, window->ListView2}) {
        QTest::keyClick(list, Qt::Key_Delete);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
        EXPECT_EQ(list->RowCount(), 0);
    }
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
}

TEST(RemoveRow, RepeatedDeleteWorksDownTheList) {
    WindowDriver window;
    WindowDriver::Click(window->PushButton7);
    window->ListView1->FlushRows();
    WindowDriver::ClickRow(window->ListView1, 1);
    for (int i = 0; i < 3; ++i) QTest::keyClick(window->ListView1, Qt::Key_Delete);
    EXPECT_EQ(window->ListView1->RowCount(), 0);
    QTest::keyClick(window->ListView1, Qt::Key_Delete);
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
}

TEST(Busy, AddingStillWorksWhileTheBusyPointerShows) {
    WindowDriver window;
    window->MousePointer().Set(kPointerBusy);
    window.scripted.dialogs.QueueInput("7,8");
    WindowDriver::Click(window->PushButton6);
    WindowDriver::Click(window->PushButton7);
    EXPECT_EQ(WindowDriver::Rows(window->ListView1), QStringList({"7", "8", "123", "2", "8000"}));
}

}  // namespace
}  // namespace bw
