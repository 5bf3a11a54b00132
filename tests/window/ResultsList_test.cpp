// The display modes of the results list and "Clear Results".

#include <gtest/gtest.h>

#include <QHeaderView>

#include "WindowDriver.h"
#include "shell/Twips.h"

namespace bw {
namespace {

using test::WindowDriver;

const QStringList kFullColumns = {"Numbers", "Conversion", "Results"};
const QStringList kResultsOnly = {"Results"};

void AddResultRows(Form1& form, int n) {
    for (int i = 0; i < n; ++i) form.ListView2->AddRow(QString::number(i));
}

TEST(DisplayMode, SwitchStoresBothStatesEmptiesTheListAndReplacesTheColumns) {
    WindowDriver window;
    auto& settings = window.scripted.settings;
    EXPECT_EQ(WindowDriver::Columns(window->ListView2), kFullColumns);
    AddResultRows(*window, 3);

    WindowDriver::ClickOption(window->Option2);
    EXPECT_TRUE(window->Option2->isChecked());
    EXPECT_FALSE(window->Option1->isChecked());
    EXPECT_EQ(WindowDriver::Columns(window->ListView2), kResultsOnly);
    EXPECT_EQ(window->ListView2->RowCount(), 0);
    EXPECT_EQ(settings.Stored("Option1"), "False");
    EXPECT_EQ(settings.Stored("Option2"), "True");
    ASSERT_EQ(settings.writes.size(), 2u);
    EXPECT_EQ(settings.writes[0].first, "Option1");  // Option1 first, then Option2
    EXPECT_EQ(settings.writes[1].first, "Option2");

    AddResultRows(*window, 2);
    WindowDriver::ClickOption(window->Option1);
    EXPECT_EQ(WindowDriver::Columns(window->ListView2), kFullColumns);
    EXPECT_EQ(window->ListView2->RowCount(), 0);  // the rows do not come back
    EXPECT_EQ(settings.Stored("Option1"), "True");
    EXPECT_EQ(settings.Stored("Option2"), "False");
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
}

TEST(DisplayMode, ColumnWidthsFollowTheMode) {
    WindowDriver window;
    const int dpi = window->ListView2->logicalDpiX();
    QHeaderView* header = window->ListView2->horizontalHeader();
    for (int c = 0; c < 3; ++c) EXPECT_EQ(header->sectionSize(c), TwipsToPixels(2300, dpi));
    WindowDriver::ClickOption(window->Option2);
    EXPECT_EQ(header->sectionSize(0), TwipsToPixels(7000, dpi));
}

TEST(DisplayMode, AFailedStoreIsNotShownAndTheColumnsStillFollowTheButtons) {
    WindowDriver window;
    window.scripted.settings.failingWrites = {"Option1", "Option2"};
    AddResultRows(*window, 2);
    WindowDriver::ClickOption(window->Option2);
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
    EXPECT_EQ(WindowDriver::Columns(window->ListView2), kResultsOnly);
    EXPECT_EQ(window->ListView2->RowCount(), 0);
}

TEST(ClearResults, EmptiesTheRowsAndKeepsTheColumns) {
    for (bool resultsOnly : {false, true}) {
        WindowDriver window;
        if (resultsOnly) WindowDriver::ClickOption(window->Option2);
        const QStringList columns = WindowDriver::Columns(window->ListView2);
        WindowDriver::Click(window->PushButton2);  // empty list: nothing changes
        EXPECT_EQ(window->ListView2->RowCount(), 0);
        AddResultRows(*window, 4);
        window->ListView1->AddRow("kept");
        WindowDriver::Click(window->PushButton2);
        EXPECT_EQ(window->ListView2->RowCount(), 0);
        EXPECT_EQ(WindowDriver::Columns(window->ListView2), columns);
        EXPECT_EQ(window->ListView1->RowCount(), 1);
        EXPECT_TRUE(window.scripted.dialogs.messages.empty());
    }
}

TEST(ClearResults, WorksWhileTheBusyPointerShows) {
    WindowDriver window;
    AddResultRows(*window, 2);
    window->MousePointer().Set(kPointerBusy);
    WindowDriver::Click(window->PushButton2);
    EXPECT_EQ(window->ListView2->RowCount(), 0);
}

}  // namespace
}  // namespace bw
