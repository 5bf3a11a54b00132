// The clipboard copy: the exact text, the retries, the command's messages.

#include <gtest/gtest.h>

#include <QTimer>

#include <string>
#include <vector>

#include "core/AlignedText.h"
#include "export/ClipboardExport.h"
#include "shell/AppError.h"
#include "shell/ListView.h"
#include "shell/ListViewModel.h"
#include "shell/TextPieces.h"
#include "support/ExpectedReport.h"
#include "support/ListFill.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"

namespace bw {
namespace {

using test::FillList;
using test::Row;

const QStringList kFull{"Numbers", "Conversion", "Results"};
const QStringList kOnly{"Results"};
const QString kConfirmation =
    "Results have been copied to the clipboard.\r\rClick a text area where you normally type and press Ctrl+V to "
    "paste the clipboard.";

struct TextCase {
    const char* name;
    QStringList headers;
    std::vector<Row> rows;
    QString expected;
};

class ClipboardText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ClipboardText, PlacesExactText) {
    const TextCase& c = GetParam();
    ScriptedPlatform sp;
    sp.clipboard.Preset("before");
    ListView list(true);
    FillList(list, c.headers, c.rows);
    CopyListviewToClipboard(list, sp.clipboard);
    EXPECT_EQ(sp.clipboard.Text(), c.expected);
    EXPECT_EQ(sp.clipboard.clearCalls, 1);
    EXPECT_EQ(sp.clipboard.setCalls, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ClipboardText,
    ::testing::Values(
        TextCase{"ThreeRowsFullMode",
                 kFull,
                 {{{"123", "Decimal To Hexadecimal", "7B"}},
                  {{"2", "Decimal To Hexadecimal", "2"}},
                  {{"8000", "Decimal To Hexadecimal", "1F40"}}},
                 "123 \tDecimal To Hexadecimal\t7B\r\n2   \tDecimal To Hexadecimal\t2\r\n"
                 "8000\tDecimal To Hexadecimal\t1F40\r\n"},
        TextCase{"HeaderDoesNotWiden", kOnly, {{{"1"}}, {{"2"}}}, "1\r\n2\r\n"},
        TextCase{"UncheckedRowsLeftOutButWiden",
                 kFull,
                 {{{"1", "A", "1"}}, {{"12345", "A", "1"}, false}, {{"2", "A", "2"}}},
                 "1    \tA\t1\r\n2    \tA\t2\r\n"},
        TextCase{"NoneCheckedGivesEmptyText", kOnly, {{{"1"}, false}, {{"2"}, false}}, ""},
        TextCase{"TrailingBlanksOnlyLeaveTheLastColumn",
                 kFull,
                 {{{"7  ", "B", "x  "}}, {{"1", "B", "yy"}}},
                 "7  \tB\tx\r\n1  \tB\tyy\r\n"},
        TextCase{"EmptyLastCellEndsWithTab", kFull, {{{"5", "C", ""}}, {{"6", "C", "1"}}}, "5\tC\t\r\n6\tC\t1\r\n"},
        TextCase{"EmptyCellKeepsItsWidthBeforeOthers",
                 kFull,
                 {{{"", "C", "1"}}, {{"123", "C", "2"}}},
                 "   \tC\t1\r\n123\tC\t2\r\n"},
        TextCase{"AllEmptyRowIsBlankLine", kOnly, {{{""}}, {{"9"}}}, "\r\n9\r\n"},
        TextCase{"WidthsCountCharacters",
                 kFull,
                 {{{"\u00e9\u00e9\u00e9", "C", "1"}}, {{"a", "C", "2"}}},
                 "\u00e9\u00e9\u00e9\tC\t1\r\na  \tC\t2\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Texts longer than the pieces the copy works in are measured and converted
// in pieces, with the window running in between; the text is the one the
// aligned layout of whole texts gives, also where a line's trailing blanks
// belong to a long text.
TEST(ClipboardExport, TextsLongerThanAPieceAreCopiedWhole) {
    std::string a(kTextPieceBytes * 2 + 100, '7');
    a.replace(kTextPieceBytes - 1, 2, "\xC3\xA9");
    a.replace(kTextPieceBytes + 1, 3, "\xEF\xBB\xBF");
    std::string b(kTextPieceBytes + 5, '1');
    b.replace(b.size() - 3, 3, "   ");
    const std::vector<std::vector<std::string>> rows = {{"\xEF\xBB\xBF"
                                                         "12",
                                                         "Decimal To Hexadecimal", a},
                                                        {b, "x", ""},
                                                        {"1", std::string(kTextPieceBytes * 3, '9'), "z"},
                                                        {"22", "", b},
                                                        {"3", "y", "   "}};
    ListView list(true);
    for (const QString& h : kFull) list.AddColumn(h);
    for (const auto& row : rows) {
        const std::vector<std::string_view> cells(row.begin(), row.end());
        list.AppendRow(cells);
    }
    list.SetChecked(3, false);
    ColumnWidths widths(3);
    for (const auto& row : rows)
        for (std::size_t c = 0; c < 3; ++c) widths.Measure(c, row[c]);
    std::string expected;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r == 2) continue;
        const std::size_t start = expected.size();
        for (std::size_t c = 0; c < 3; ++c) AppendAlignedCell(expected, rows[r][c], widths[c]);
        EndClipboardLine(expected, start);
    }
    for (const Pacing& pacing : {Pacing{0, {}}, Pacing{}}) {
        ScriptedPlatform sp;
        CopyListviewToClipboard(list, sp.clipboard, pacing);
        EXPECT_TRUE(sp.clipboard.Text() == CellTextToQString(expected)) << pacing.yieldSliceMs;
    }
}

TEST(ClipboardExport, EmptyListLeavesTheClipboardAndStillConfirms) {
    ScriptedPlatform sp;
    Form1 form(sp.platform());
    FillList(*form.ListView2, kFull, {});
    sp.clipboard.Preset("keep me");
    form.PushButton5_Click();
    EXPECT_EQ(sp.clipboard.Text(), "keep me");
    EXPECT_EQ(sp.clipboard.clearCalls + sp.clipboard.setCalls, 0);
    ASSERT_EQ(sp.dialogs.messages.size(), 1u);
    EXPECT_EQ(sp.dialogs.messages[0].text, kConfirmation);
    EXPECT_EQ(sp.dialogs.messages[0].style, kMsgOkOnly);
    EXPECT_EQ(sp.dialogs.messages[0].title, form.ApplicationTitle());
}

TEST(ClipboardExport, CommandCopiesTheResultsAndConfirms) {
    ScriptedPlatform sp;
    Form1 form(sp.platform());
    FillList(*form.ListView2, kOnly, {{{"FF"}}, {{"10"}}});
    form.PushButton5_Click();
    EXPECT_EQ(sp.clipboard.Text(), "FF\r\n10\r\n");
    ASSERT_EQ(sp.dialogs.messages.size(), 1u);
    EXPECT_EQ(sp.dialogs.messages[0].text, kConfirmation);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
}

struct RetryCase {
    int failClears;
    int failSets;
    bool clearDone;
    bool setDone;
    int clearCalls;
    int setCalls;
};

class ClipboardRetries : public ::testing::TestWithParam<RetryCase> {};

TEST_P(ClipboardRetries, RetryUpTo1000TimesSilently) {
    const RetryCase& c = GetParam();
    ScriptedPlatform sp;
    sp.clipboard.Preset("old");
    sp.clipboard.failClears = c.failClears;
    sp.clipboard.failSets = c.failSets;
    EXPECT_EQ(ClearClipboardRetrying(sp.clipboard), c.clearDone);
    EXPECT_EQ(SetClipboardTextRetrying(sp.clipboard, "new"), c.setDone);
    EXPECT_EQ(sp.clipboard.clearCalls, c.clearCalls);
    EXPECT_EQ(sp.clipboard.setCalls, c.setCalls);
    EXPECT_EQ(sp.clipboard.Text(), c.setDone ? "new" : c.clearDone ? "" : "old");
    EXPECT_TRUE(sp.dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Attempts, ClipboardRetries,
                         ::testing::Values(RetryCase{0, 0, true, true, 1, 1}, RetryCase{3, 5, true, true, 4, 6},
                                           RetryCase{999, 999, true, true, 1000, 1000},
                                           RetryCase{1000, 0, false, true, 1000, 1},
                                           RetryCase{0, 1000, true, false, 1, 1000},
                                           RetryCase{5000, 5000, false, false, 1000, 1000}));

// The results are cleared in the middle of a copy: the copy ends without
// touching the clipboard, the failure is reported, then the confirmation.
TEST(ClipboardExport, RowsRemovedDuringTheCopy) {
    ScriptedPlatform sp;
    ListView list(true);
    FillList(list, kOnly, std::vector<Row>(5000, Row{{"123"}}));
    sp.clipboard.Preset("old");
    int pauses = 0;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++pauses == 3) list.ClearRows();
    });
    timer.start();
    EXPECT_THROW(CopyListviewToClipboard(list, sp.clipboard, Pacing{0, {}}), AppError);
    EXPECT_GE(pauses, 3);
    EXPECT_EQ(sp.clipboard.Text(), "old");
    EXPECT_EQ(sp.clipboard.clearCalls + sp.clipboard.setCalls, 0);
}

TEST(ClipboardExport, FailureInTheCommandIsReportedThenConfirmed) {
    ScriptedPlatform sp;
    Form1 form(sp.platform());
    // Enough rows that the copy pauses at least once on its 15 ms slice.
    FillList(*form.ListView2, kOnly, {});
    form.ListView2->BeginBatch();
    const std::string_view cell = "1234567890";
    for (int i = 0; i < 1000000; ++i) form.ListView2->AppendRow(std::span<const std::string_view>(&cell, 1));
    form.ListView2->EndBatch();
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] { form.ListView2->ClearRows(); });
    timer.start();
    form.PushButton5_Click();
    timer.stop();
    ASSERT_EQ(sp.dialogs.messages.size(), 2u);
    EXPECT_EQ(sp.dialogs.messages[0].title, "Application Error");
    EXPECT_TRUE(sp.dialogs.messages[0].text.contains(test::ReportedAt("PushButton5_Click", 100) + "\r\r"))
        << sp.dialogs.messages[0].text.toStdString();
    EXPECT_EQ(sp.dialogs.messages[1].text, kConfirmation);
    EXPECT_EQ(sp.clipboard.clearCalls + sp.clipboard.setCalls, 0);
}

}  // namespace
}  // namespace bw
