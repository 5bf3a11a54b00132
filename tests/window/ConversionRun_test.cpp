// "Start Converting" driven through the window: rows, progress, messages,
// failures, and what other commands do in the middle of a run.

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <functional>
#include <span>
#include <string>

#include "support/ExpectedReport.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"

namespace bw {
namespace {

using test::ReportedAt;

class ConversionRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.Form_Load();
        sp.dialogs.messages.clear();
    }

    void AddEntries(std::initializer_list<const char*> entries) {
        for (const char* e : entries) form.ListView1->AddRow(QString::fromUtf8(e));
    }
    void AddMany(int n, const std::string& entry) {
        const QString text = QString::fromStdString(entry);
        for (int i = 0; i < n; ++i) form.ListView1->AddRow(text);
    }
    void SelectOption(const char* name) { form.Combo1->setCurrentText(QString::fromLatin1(name)); }
    void ShowResultsOnly() {
        form.Option2->setChecked(true);
        form.Option2_Click();
    }
    // Runs `during` once, at the run's first yield.
    void AtFirstYield(std::function<void()> during) { QTimer::singleShot(0, &form, std::move(during)); }
    std::vector<QString> Row(int r) {
        std::vector<QString> cells{form.ListView2->RowText(r)};
        for (int n = 1; n < form.ListView2->CellCount(r); ++n) cells.push_back(form.ListView2->SubItem(r, n));
        return cells;
    }
    QStringList MessageTexts() {
        QStringList texts;
        for (const auto& m : sp.dialogs.messages) texts << m.text;
        return texts;
    }

    ScriptedPlatform sp;
    Form1 form{sp.platform()};
};

TEST_F(ConversionRunTest, EmptyInputListSaysSoAndChangesNothing) {
    form.ListView2->AppendRow(std::array<std::string_view, 3>{"1", "Decimal To Hexadecimal", "1"});
    form.PushButton17_Click();
    ASSERT_EQ(sp.dialogs.messages.size(), 1u);
    EXPECT_EQ(sp.dialogs.messages[0].text, "No numbers added.");
    EXPECT_EQ(sp.dialogs.messages[0].style, kMsgOkOnly);
    EXPECT_EQ(sp.dialogs.messages[0].title, form.ApplicationTitle());
    EXPECT_EQ(form.ListView2->RowCount(), 1);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
    EXPECT_EQ(form.ProgressBar1->Text(), "Progress Bar");
}

TEST_F(ConversionRunTest, FullResultsRowsAndASecondRunBelowThem) {
    AddEntries({"255", "16", ""});
    form.PushButton17_Click();
    form.PushButton17_Click();
    ASSERT_EQ(form.ListView2->RowCount(), 6);
    for (int base : {0, 3}) {
        EXPECT_EQ(Row(base + 1), (std::vector<QString>{"255", "Decimal To Hexadecimal", "FF"}));
        EXPECT_EQ(Row(base + 2), (std::vector<QString>{"16", "Decimal To Hexadecimal", "10"}));
        EXPECT_EQ(Row(base + 3), (std::vector<QString>{"0", "Decimal To Hexadecimal", "0"}));
    }
    EXPECT_EQ(MessageTexts(), (QStringList{"Done.", "Done."}));
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
    EXPECT_EQ(form.ProgressBar1->Value(), 0.0);
    EXPECT_EQ(form.ProgressBar1->Text(), "Progress Bar");
    for (int r = 1; r <= 6; ++r) EXPECT_TRUE(form.ListView2->Checked(r));
}

TEST_F(ConversionRunTest, ConversionsOfTheOptionsInTheBox) {
    const struct {
        const char* option;
        const char* entry;
        const char* shown;
        const char* result;
    } cases[] = {
        {"Octal To Decimal", "1 2", "102", "66"},       {"Binary To Decimal", "123", "123", "27"},
        {"Hexadecimal To Decimal", "ff", "ff", "255"},  {"Decimal To Binary", "1a0", "1a0", "11100111"},
        {"Octal To Binary", "777", "777", "111111111"},
    };
    int row = 0;
    for (const auto& c : cases) {
        form.ListView1->ClearRows();
        AddEntries({c.entry});
        SelectOption(c.option);
        form.PushButton17_Click();
        EXPECT_EQ(Row(++row), (std::vector<QString>{c.shown, c.option, c.result})) << c.option;
    }
}

TEST_F(ConversionRunTest, ResultsOnlyRowsHoldJustTheResult) {
    ShowResultsOnly();
    AddEntries({"255", "8000"});
    form.PushButton17_Click();
    ASSERT_EQ(form.ListView2->RowCount(), 2);
    EXPECT_EQ(Row(1), (std::vector<QString>{"FF"}));
    EXPECT_EQ(Row(2), (std::vector<QString>{"1F40"}));
}

TEST_F(ConversionRunTest, AValueAboveTheDoubleRangeIsReportedOnceAndTheRunFinishes) {
    AddEntries({"255"});
    form.ListView1->AddRow(QString(309, QLatin1Char('9')));
    AddEntries({"16"});
    form.PushButton17_Click();
    const auto reports = sp.dialogs.ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].text.startsWith("Overflow\r\n" + ReportedAt("PushButton17_Click", 190) + "\r\r"));
    ASSERT_EQ(form.ListView2->RowCount(), 3);
    EXPECT_EQ(Row(2)[2], "Overflow");  // not the previous entry's result
    EXPECT_EQ(Row(3), (std::vector<QString>{"16", "Decimal To Hexadecimal", "10"}));
    EXPECT_EQ(sp.dialogs.messages.back().text, "Done.");
}

TEST_F(ConversionRunTest, EveryFailingPassOfTheLoopReportsAndTheLoopRunsToItsEnd) {
    const QString tooLarge(400, QLatin1Char('9'));
    for (int i = 0; i < 3; ++i) {
        form.ListView1->AddRow(tooLarge);
        AddEntries({"10"});
    }
    form.PushButton17_Click();
    const auto reports = sp.dialogs.ErrorReports();
    ASSERT_EQ(reports.size(), 3u);
    for (const auto& r : reports) EXPECT_TRUE(r.text.contains("PushButton17_Click at line 190\r\r"));
    ASSERT_EQ(form.ListView2->RowCount(), 6);
    for (int r = 1; r <= 6; r += 2) EXPECT_EQ(form.ListView2->SubItem(r, 2), "Overflow");
    for (int r = 2; r <= 6; r += 2) EXPECT_EQ(form.ListView2->SubItem(r, 2), "A");
}

TEST_F(ConversionRunTest, AnEntryLongerThanTheCountersIsReportedAtTheMinimumBaseStep) {
    form.ListView1->AddRow(QString(32768, QLatin1Char('1')));
    form.PushButton17_Click();
    const auto reports = sp.dialogs.ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].text.contains("at line 184\r\r"));
    EXPECT_EQ(form.ListView2->SubItem(1, 2), "Overflow");
}

// An entry of more bytes than four times the counters' limit fails at the
// minimum-base step without being counted; in the full-results mode its row
// holds its whole shown text (blanks as "0"), in the results-only mode just
// the failure.
TEST_F(ConversionRunTest, AnEntryOfMegabytesFailsAtTheMinimumBaseStepAndKeepsItsText) {
    std::string entry(3 << 20, '7');
    for (std::size_t i = 0; i < entry.size(); i += 4097) entry[i] = ' ';
    entry.replace(entry.size() - 5, 5, "\xC3\xA9 \\7");  // ends in "\\7" after a character and a blank
    std::string shown = entry;
    for (char& ch : shown)
        if (ch == ' ') ch = '0';
    for (bool full : {true, false}) {
        if (!full) ShowResultsOnly();
        form.ListView1->ClearRows();
        form.ListView2->ClearRows();
        sp.dialogs.messages.clear();
        AddEntries({"255"});
        const std::string_view cell = entry;
        form.ListView1->AppendRow(std::span<const std::string_view>(&cell, 1));
        AddEntries({"16"});
        form.PushButton17_Click();
        const auto reports = sp.dialogs.ErrorReports();
        ASSERT_EQ(reports.size(), 1u) << full;
        EXPECT_TRUE(reports[0].text.startsWith("Overflow\r\n" + ReportedAt("PushButton17_Click", 184) + "\r\r"))
            << full;
        ASSERT_EQ(form.ListView2->RowCount(), 3) << full;
        if (full) {
            EXPECT_TRUE(form.ListView2->CellUtf8(2, 1) == shown);
            EXPECT_EQ(form.ListView2->CellUtf8(2, 2), "Decimal To Hexadecimal");
            EXPECT_EQ(form.ListView2->CellUtf8(2, 3), "Overflow");
            EXPECT_EQ(Row(3), (std::vector<QString>{"16", "Decimal To Hexadecimal", "10"}));
        } else {
            EXPECT_EQ(Row(2), std::vector<QString>{"Overflow"});
            EXPECT_EQ(Row(3), std::vector<QString>{"10"});
        }
        EXPECT_EQ(sp.dialogs.messages.back().text, "Done.");
    }
}

// The window runs while the shown text of such an entry is written into its
// row; clearing the input list meanwhile takes nothing from the row.
TEST_F(ConversionRunTest, TheWindowRunsWhileALongEntrysRowIsWritten) {
    const std::string entry(8 << 20, '1');
    const std::string_view cell = entry;
    form.ListView1->AppendRow(std::span<const std::string_view>(&cell, 1));
    int turns = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (++turns == 2) form.PushButton1_Click();  // refused: the run shows the busy pointer
        if (turns == 3) form.ListView1->ClearRows();
    });
    ticker.start();
    form.PushButton17_Click();
    ticker.stop();
    EXPECT_GE(turns, 3);
    EXPECT_EQ(form.ListView1->RowCount(), 0);
    ASSERT_EQ(form.ListView2->RowCount(), 1);
    EXPECT_TRUE(form.ListView2->CellUtf8(1, 1) == entry);
    EXPECT_EQ(form.ListView2->CellUtf8(1, 3), "Overflow");
}

// The bar shows the first entry as soon as it is converted, however short
// the run.
TEST_F(ConversionRunTest, TheFirstEntryShowsAtOnce) {
    AddEntries({"C:\\data\\255"});
    QString text;
    AtFirstYield([&] { text = form.ProgressBar1->Text(); });
    form.PushButton17_Click();
    EXPECT_EQ(text, "Processing: 255");
}

// The bar is given at most a thousand characters of the entry after its last
// backslash (its blanks as "0"), however long the entry is.
TEST_F(ConversionRunTest, TheBarShowsTheBeginningOfALongEntryAfterItsLastBackslash) {
    const struct {
        const char* name;
        std::string entry;
        std::string shown;  // the bar's text without "Processing: " and the ellipsis
    } cases[] = {
        {"convertible", std::string(30000, '1'), std::string(1000, '1')},
        {"too long to convert", "C:\\x\\1 2" + std::string(200000, '7'), "102" + std::string(997, '7')},
        {"backslash near the end", std::string(300000, '5') + "\\9 ", "90"},
    };
    for (const auto& c : cases) {
        form.ListView1->ClearRows();
        const std::string_view cell = c.entry;
        form.ListView1->AppendRow(std::span<const std::string_view>(&cell, 1));
        // The last entry text the bar showed at a yield: a loaded machine
        // may also yield while the entry's backslash is looked for, before
        // the bar shows it.
        QString text;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const QString shown = form.ProgressBar1->Text();
            if (shown.startsWith(QStringLiteral("Processing: "))) text = shown;
        });
        watch.start();
        form.PushButton17_Click();
        watch.stop();
        const QString expected = QString::fromStdString("Processing: " + c.shown);
        EXPECT_EQ(text, c.shown.size() < 1000 ? expected : expected + QChar(0x2026)) << c.name;
    }
}

// Enough work that the run yields at least once.
constexpr int kManyEntries = 100000;
const std::string kLongEntry(300, '7');

TEST_F(ConversionRunTest, DuringTheRunTheBarShowsTheEntryAndThePointerIsBusy) {
    AddMany(kManyEntries, kLongEntry);
    QString text;
    double value = -1;
    int pointer = -1;
    AtFirstYield([&] {
        text = form.ProgressBar1->Text();
        value = form.ProgressBar1->Value();
        pointer = form.MousePointer().Value();
    });
    form.PushButton17_Click();
    EXPECT_EQ(text, QString::fromStdString("Processing: " + kLongEntry));
    EXPECT_GT(value, 0.0);
    EXPECT_LT(value, 100.0);
    EXPECT_EQ(pointer, kPointerBusy);
    EXPECT_EQ(form.ListView2->RowCount(), kManyEntries);
    EXPECT_EQ(form.ProgressBar1->Text(), "Progress Bar");
}

TEST_F(ConversionRunTest, SwitchingTheModeMidRunClearsAndLaterRowsFollowTheNewMode) {
    AddMany(kManyEntries, kLongEntry);
    int rowsAtSwitch = -1;
    AtFirstYield([&] {
        rowsAtSwitch = form.ListView2->RowCount();
        ShowResultsOnly();
    });
    form.PushButton17_Click();
    ASSERT_GT(rowsAtSwitch, 0);
    EXPECT_EQ(form.ListView2->ColumnCount(), 1);
    EXPECT_EQ(form.ListView2->RowCount(), kManyEntries - rowsAtSwitch);
    const int last = form.ListView2->RowCount();
    EXPECT_EQ(form.ListView2->CellCount(1), 1);
    EXPECT_EQ(form.ListView2->CellCount(last), 1);
    EXPECT_EQ(form.ListView2->RowText(last), form.ListView2->RowText(1));
}

TEST_F(ConversionRunTest, ClearResultsMidRunKeepsOnlyLaterRows) {
    AddMany(kManyEntries, kLongEntry);
    int rowsAtClear = -1;
    AtFirstYield([&] {
        rowsAtClear = form.ListView2->RowCount();
        form.PushButton2_Click();
    });
    form.PushButton17_Click();
    ASSERT_GT(rowsAtClear, 0);
    EXPECT_EQ(form.ListView2->RowCount(), kManyEntries - rowsAtClear);
    EXPECT_EQ(form.ListView2->ColumnCount(), 3);
}

TEST_F(ConversionRunTest, RemovalAndClearListAreRefusedWhileTheRunIsBusyButAddingWorks) {
    AddMany(kManyEntries, kLongEntry);
    AtFirstYield([&] {
        form.ListView1->setCurrentIndex(form.ListView1->model()->index(0, 0));
        QTest::keyClick(form.ListView1, Qt::Key_Delete);
        form.ListView1_DblClick();
        form.PushButton1_Click();
        form.ListView2->setCurrentIndex(form.ListView2->model()->index(0, 0));
        QTest::keyClick(form.ListView2, Qt::Key_Delete);
        form.PushButton7_Click();
    });
    const int resultsBefore = form.ListView2->RowCount();
    form.PushButton17_Click();
    EXPECT_EQ(form.ListView1->RowCount(), kManyEntries + 3);  // the sample rows were added
    // The bound was fixed at the start: the added rows are not converted.
    EXPECT_EQ(form.ListView2->RowCount(), resultsBefore + kManyEntries);
    EXPECT_TRUE(sp.dialogs.ErrorReports().empty());
}

TEST_F(ConversionRunTest, ASecondPressDuringARunIsIgnored) {
    AddMany(kManyEntries, kLongEntry);
    AtFirstYield([&] { form.PushButton17_Click(); });
    form.PushButton17_Click();
    EXPECT_EQ(form.ListView2->RowCount(), kManyEntries);
    EXPECT_EQ(MessageTexts(), QStringList{"Done."});
}

TEST_F(ConversionRunTest, EntriesTakenAwayMidRunAreReportedOnce) {
    AddMany(kManyEntries, kLongEntry);
    AtFirstYield([&] { form.ListView1->ClearRows(); });
    form.PushButton17_Click();
    const auto reports = sp.dialogs.ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].text.contains("at line 110\r\r"));
    EXPECT_LT(form.ListView2->RowCount(), kManyEntries);
    EXPECT_EQ(sp.dialogs.messages.back().text, "Done.");
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
}

}  // namespace
}  // namespace bw
