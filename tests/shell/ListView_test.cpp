#include "shell/ListView.h"
#include "shell/Twips.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "shell/AppError.h"
#include "shell/ListViewModel.h"
#include "support/QtPrinters.h"

namespace bw {
namespace {

// A list view that can tell where the check box of a row is drawn.
class ProbeView : public ListView {
public:
    using ListView::ListView;
    QRect CheckRect(int row) {
        QStyleOptionViewItem opt;
        initViewItemOption(&opt);
        opt.rect = visualRect(model()->index(row - 1, 0));
        opt.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        opt.text = RowText(row);
        return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, this);
    }
    QPoint CellCentre(int row, int column) { return visualRect(model()->index(row - 1, column - 1)).center(); }
};

void AddRows(ListView& list, const std::vector<std::vector<std::string>>& rows) {
    for (const auto& row : rows) {
        std::vector<std::string_view> cells(row.begin(), row.end());
        list.AppendRow(cells);
    }
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const AppError& e) {
        return e.what();
    }
    return "no error";
}

// ---- Row addressing -------------------------------------------------------

struct BadRowCase {
    const char* operation;
    std::function<void(ListView&, int)> call;
};

TEST(ListViewRows, MissingRowsFailWithTheirPosition) {
    const std::vector<BadRowCase> operations = {
        {"RowText", [](ListView& l, int r) { (void)l.RowText(r); }},
        {"SubItem", [](ListView& l, int r) { (void)l.SubItem(r, 1); }},
        {"CellUtf8", [](ListView& l, int r) { (void)l.CellUtf8(r, 1); }},
        {"CellCount", [](ListView& l, int r) { (void)l.CellCount(r); }},
        {"Checked", [](ListView& l, int r) { (void)l.Checked(r); }},
        {"SetChecked", [](ListView& l, int r) { l.SetChecked(r, false); }},
        {"SetSubItem", [](ListView& l, int r) { l.SetSubItem(r, 1, "x"); }},
        {"RemoveRow", [](ListView& l, int r) { l.RemoveRow(r); }},
        {"SelectRow", [](ListView& l, int r) { l.SelectRow(r); }},
    };
    for (const BadRowCase& op : operations) {
        for (int row : {0, -1, 4, 1000}) {
            ListView list(true);
            AddRows(list, {{"a"}, {"b"}, {"c"}});
            EXPECT_EQ(ErrorOf([&] { op.call(list, row); }), "Invalid row index " + std::to_string(row))
                << op.operation << " row " << row;
            EXPECT_EQ(list.RowCount(), 3) << op.operation;
        }
    }
}

TEST(ListViewRows, AnEmptyListHasNoRowOne) {
    ListView list(false);
    EXPECT_EQ(ErrorOf([&] { (void)list.RowText(1); }), "Invalid row index 1");
    EXPECT_EQ(ErrorOf([&] { list.RemoveRow(1); }), "Invalid row index 1");
}

TEST(ListViewRows, AddRowReturnsPositionsFromOne) {
    ListView list(false);
    EXPECT_EQ(list.AddRow("x"), 1);
    EXPECT_EQ(list.AddRow("y"), 2);
    EXPECT_EQ(list.RowCount(), 2);
}

TEST(ListViewRows, CellIndicesBelowOneFail) {
    ListView list(true);
    AddRows(list, {{"a", "b"}});
    EXPECT_EQ(ErrorOf([&] { list.SetSubItem(1, 0, "x"); }), "Invalid sub-item index 0");
    EXPECT_EQ(ErrorOf([&] { (void)list.SubItem(1, -1); }), "Invalid sub-item index -1");
    EXPECT_EQ(ErrorOf([&] { (void)list.CellUtf8(1, 0); }), "Invalid cell index 0");
    EXPECT_EQ(list.SubItem(1, 0), "a");  // sub-item 0 is the row's text
}

// ---- Texts ----------------------------------------------------------------

// U+FEFF at the start of a text is a character of the text like any other:
// every way of reading a row gives it back.
TEST(ListViewTexts, ALeadingByteOrderMarkStaysInEveryReading) {
    const QChar bom(0xFEFF);
    const std::vector<QString> texts = {
        QString(bom) + "12", QString(bom), QString(bom) + bom + "1", "1" + QString(bom), QString(bom) + "\u00C4 7",
    };
    ListView list(true);
    for (const char* caption : {"Numbers", "Conversion", "Results"}) list.AddColumn(caption);
    for (const QString& t : texts) {
        const int row = list.AddRow(t);
        list.SetSubItem(row, 1, t);
        const QByteArray utf8 = t.toUtf8();
        const std::string_view cells[] = {"x",
                                          std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))};
        list.AppendRow(cells);
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const QString& t = texts[i];
        const int row = static_cast<int>(2 * i + 1);
        EXPECT_EQ(list.RowText(row), t) << i;
        EXPECT_EQ(list.SubItem(row, 0), t) << i;
        EXPECT_EQ(list.SubItem(row, 1), t) << i;
        EXPECT_EQ(list.SubItem(row + 1, 1), t) << i;
        EXPECT_EQ(list.Model()->index(row - 1, 0).data(Qt::DisplayRole).toString(), t) << i;
        EXPECT_EQ(list.Model()->index(row - 1, 1).data(Qt::DisplayRole).toString(), t) << i;
        EXPECT_EQ(list.Model()->index(row, 1).data(Qt::DisplayRole).toString(), t) << i;
    }
}

TEST(ListViewTexts, TextsRoundTripExactly) {
    const std::vector<QString> texts = {
        "",
        "  7  ",
        "\t1A",
        "a;b,c",
        QString::fromUtf8("Zahl \xC3\x84\xC3\x96\xC3\xBC \xE2\x82\xAC"),  // umlauts and euro sign
        QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC"),                    // CJK
        QString::fromUtf8("\xF0\x9F\x98\x80 smile"),                      // outside the BMP
        QString(32767, QChar('F')),
    };
    ListView list(true);
    list.AddColumn("Numbers");
    for (const QString& t : texts) list.AddRow(t);
    ASSERT_EQ(list.RowCount(), static_cast<int>(texts.size()));
    for (int i = 0; i < list.RowCount(); ++i) {
        const QString& t = texts[static_cast<std::size_t>(i)];
        EXPECT_EQ(list.RowText(i + 1), t) << i;
        EXPECT_EQ(std::string(list.CellUtf8(i + 1, 1)), t.toStdString()) << i;
        EXPECT_EQ(list.Model()->index(i, 0).data().toString(), t) << i;
        EXPECT_EQ(list.CellCount(i + 1), 1) << i;
    }
}

// A view is given at most kDisplayCharacters of a cell to draw, cut between
// characters and ended with an ellipsis; every other way of reading the row
// gives the whole text.
TEST(ListViewTexts, ALongTextIsShownCutButKeptWhole) {
    const QChar bom(0xFEFF);
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // two UTF-16 units
    const struct {
        const char* name;
        QString text;
    } cases[] = {
        {"digits", QString(kDisplayCharacters + 1, QChar('7'))},
        {"two-byte characters", QString(kDisplayCharacters * 3, QChar(0xE9))},
        {"a pair cut in two by the limit", emoji.repeated(kDisplayCharacters)},
        {"a leading U+FEFF", QString(bom) + QString(kDisplayCharacters * 2, QChar('1'))},
        {"megabytes", QString(3 << 20, QChar('9'))},
    };
    for (const auto& c : cases) {
        ListView list(false);
        list.AddColumn("Numbers");
        list.AddRow(c.text);
        const QString shown = list.Model()->index(0, 0).data().toString();
        EXPECT_LE(shown.size(), kDisplayCharacters + 1) << c.name;
        EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << c.name;
        const QString head = shown.chopped(1);
        EXPECT_TRUE(c.text.startsWith(head)) << c.name;
        EXPECT_GE(head.size(), kDisplayCharacters - 1) << c.name;
        EXPECT_FALSE(head.back().isHighSurrogate()) << c.name;
        EXPECT_EQ(list.RowText(1), c.text) << c.name;
    }
    // Up to the limit the whole text is shown.
    ListView list(false);
    list.AddColumn("Numbers");
    const QString full = QString(kDisplayCharacters - 1, QChar(0xE9)) + QChar('x');
    list.AddRow(full);
    EXPECT_EQ(list.Model()->index(0, 0).data().toString(), full);
}

TEST(ListViewTexts, MissingCellsReadEmpty) {
    ListView list(true);
    for (const char* c : {"Numbers", "Conversion", "Results"}) list.AddColumn(c);
    AddRows(list, {{"only text"}, {"1", "2", "3"}});
    list.AppendRow({});  // no cells at all still makes a row with an empty text
    struct Case {
        int row, cell;
        const char* expected;
    };
    for (const Case& c : std::vector<Case>{{1, 1, "only text"},
                                           {1, 2, ""},
                                           {1, 3, ""},
                                           {1, 99, ""},
                                           {2, 3, "3"},
                                           {2, 4, ""},
                                           {3, 1, ""},
                                           {3, 2, ""}}) {
        EXPECT_EQ(std::string(list.CellUtf8(c.row, c.cell)), c.expected) << c.row << "," << c.cell;
        EXPECT_EQ(list.SubItem(c.row, c.cell - 1), QString(c.expected)) << c.row << "," << c.cell;
    }
    EXPECT_EQ(list.CellCount(3), 1);
    EXPECT_EQ(list.Model()->index(0, 2).data().toString(), "");
}

TEST(ListViewTexts, SetSubItemOnEarlierRowsLeavesOthersAlone) {
    ListView list(true);
    AddRows(list, {{"1", "a", "b"}, {"2", "c", "d"}, {"3", "e", "f"}});
    list.SetSubItem(1, 2, "replaced with a longer text");
    list.SetSubItem(2, 1, "");
    list.SetSubItem(1, 5, "far");  // adds empty cells 3 and 4 on the way
    list.SetSubItem(3, 1, QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
    const std::vector<std::vector<std::string>> expected = {
        {"1", "a", "replaced with a longer text", "", "", "far"}, {"2", "", "d"}, {"3", "\xC3\xA9t\xC3\xA9", "f"}};
    for (int r = 1; r <= 3; ++r) {
        const auto& want = expected[static_cast<std::size_t>(r - 1)];
        ASSERT_EQ(list.CellCount(r), static_cast<int>(want.size())) << r;
        for (int c = 1; c <= list.CellCount(r); ++c)
            EXPECT_EQ(std::string(list.CellUtf8(r, c)), want[static_cast<std::size_t>(c - 1)]) << r << "," << c;
    }
    // A row appended afterwards is unaffected by the moved cells.
    list.AddRow("4");
    list.SetSubItem(4, 1, "x");
    EXPECT_EQ(list.SubItem(4, 1), "x");
    EXPECT_EQ(list.SubItem(1, 5), "far");
}

TEST(ListViewTexts, CellsCopiedFromTheListItselfStayIntact) {
    ListView list(false);
    AddRows(list, {{"first", "second"}});
    for (int i = 0; i < 200; ++i) {
        std::string_view cells[2] = {list.CellUtf8(1, 1), list.CellUtf8(1, 2)};
        list.AppendRow(cells);
        list.SetSubItem(list.RowCount(), 1, QString::fromUtf8(list.CellUtf8(1, 1)));
    }
    for (int r = 1; r <= list.RowCount(); ++r) {
        EXPECT_EQ(list.CellUtf8(r, 1), "first") << r;
        EXPECT_EQ(list.CellUtf8(r, 2), r == 1 ? "second" : "first") << r;
    }
}

TEST(ListViewTexts, RewritingCellsKeepsMemoryBounded) {
    ListView list(true);
    AddRows(list, {{"a", "b"}, {"c", "d"}});
    const QString text(40, QChar('9'));
    for (int i = 0; i < 100000; ++i) list.SetSubItem(1 + i % 2, 1, text + QString::number(i));
    EXPECT_LT(list.Model()->ArenaBytes(), std::size_t{3} << 20);
    EXPECT_EQ(list.SubItem(1, 1), text + "99998");
    EXPECT_EQ(list.SubItem(2, 1), text + "99999");
    EXPECT_EQ(list.RowText(1), "a");
    EXPECT_EQ(list.RowText(2), "c");
}

// ---- Removal --------------------------------------------------------------

TEST(ListViewRemoval, RowsCloseUpInOrder) {
    struct Case {
        int remove;
        std::vector<std::string> left;
    };
    for (const Case& c :
         std::vector<Case>{{1, {"2", "3", "4", "5"}}, {3, {"1", "2", "4", "5"}}, {5, {"1", "2", "3", "4"}}}) {
        ListView list(true);
        for (int i = 1; i <= 5; ++i) {
            const std::string t = std::to_string(i), sub = "sub" + t;
            std::string_view cells[2] = {t, sub};
            list.AppendRow(cells);
        }
        list.SetChecked(4, false);
        list.RemoveRow(c.remove);
        ASSERT_EQ(list.RowCount(), 4);
        EXPECT_EQ(list.Model()->rowCount(), 4);
        for (int r = 1; r <= 4; ++r) {
            const std::string& want = c.left[static_cast<std::size_t>(r - 1)];
            EXPECT_EQ(std::string(list.CellUtf8(r, 1)), want);
            EXPECT_EQ(std::string(list.CellUtf8(r, 2)), "sub" + want);
            EXPECT_EQ(list.Checked(r), want != "4") << "the check state travels with its row";
        }
    }
}

TEST(ListViewRemoval, RemovingMostRowsReleasesTheirText) {
    ListView list(false);
    const std::string filler(100, 'x');
    for (int i = 0; i < 20000; ++i) {
        const std::string t = std::to_string(i) + filler;
        std::string_view cell = t;
        list.AppendRow({&cell, 1});
    }
    for (int r = 20000; r > 10; r -= 1) list.RemoveRow(r % 2 == 0 ? r : 1);
    EXPECT_EQ(list.RowCount(), 10);
    EXPECT_LT(list.Model()->ArenaBytes(), std::size_t{3} << 19);
    for (int r = 1; r <= list.RowCount(); ++r) {
        const std::string_view t = list.CellUtf8(r, 1);
        EXPECT_EQ(t.size() > filler.size(), true);
        EXPECT_EQ(t.substr(t.size() - filler.size()), filler);
    }
}

TEST(ListViewRemoval, ClearRowsKeepsColumnsAndReleasesMemory) {
    ListView list(true);
    for (const char* c : {"Numbers", "Conversion", "Results"}) list.AddColumn(c);
    for (int i = 0; i < 1000; ++i) list.AddRow("row " + QString::number(i));
    EXPECT_GT(list.Model()->ArenaCapacity(), 5000u);
    list.ClearRows();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.Model()->rowCount(), 0);
    EXPECT_EQ(list.ColumnCount(), 3);
    EXPECT_EQ(list.ColumnCaption(3), "Results");
    EXPECT_LT(list.Model()->ArenaCapacity(), 64u);  // at most the string's inline buffer
    list.ClearRows();                               // on an empty list: nothing changes
    EXPECT_EQ(list.AddRow("again"), 1);
    EXPECT_EQ(list.RowText(1), "again");
}

// ---- Columns --------------------------------------------------------------

TEST(ListViewColumns, CaptionsInOrderAndClearing) {
    ListView list(true);
    for (const char* c : {"Numbers", "Conversion", "Results"}) list.AddColumn(c);
    AddRows(list, {{"255", "Decimal To Hexadecimal", "FF"}});
    ASSERT_EQ(list.ColumnCount(), 3);
    EXPECT_EQ(list.ColumnCaption(1), "Numbers");
    EXPECT_EQ(list.ColumnCaption(2), "Conversion");
    EXPECT_EQ(list.Model()->headerData(2, Qt::Horizontal).toString(), "Results");
    EXPECT_EQ(ErrorOf([&] { (void)list.ColumnCaption(4); }), "Invalid column index 4");
    EXPECT_EQ(ErrorOf([&] { (void)list.ColumnCaption(0); }), "Invalid column index 0");
    EXPECT_EQ(ErrorOf([&] { list.SetColumnWidth(4, 100); }), "Invalid column index 4");

    list.ClearColumns();
    EXPECT_EQ(list.ColumnCount(), 0);
    EXPECT_EQ(list.Model()->columnCount(), 0);
    EXPECT_EQ(list.horizontalHeader()->count(), 0);
    EXPECT_EQ(list.RowCount(), 1);  // rows stay
    EXPECT_EQ(list.CellUtf8(1, 3), "FF");

    list.AddColumn("Results");
    EXPECT_EQ(list.ColumnCount(), 1);
    EXPECT_EQ(list.horizontalHeader()->count(), 1);
    EXPECT_EQ(list.Model()->index(0, 0).data().toString(), "255");
}

TEST(ListViewColumns, TwipsBecomePixelsAtTheScreenDpi) {
    struct Case {
        int twips, dpi, pixels;
    };
    for (const Case& c : std::vector<Case>{
             {2300, 96, 153}, {7000, 96, 467}, {1440, 96, 96}, {0, 96, 0}, {2300, 144, 230}, {7, 96, 0}, {8, 96, 1}})
        EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;

    ListView list(true);
    for (const char* c : {"Numbers", "Conversion", "Results"}) list.AddColumn(c);
    for (int n = 1; n <= 3; ++n) list.SetColumnWidth(n, 2300 + 700 * n);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(list.horizontalHeader()->sectionSize(n - 1), TwipsToPixels(2300 + 700 * n, list.logicalDpiX()));
    // Widths survive appending and clearing rows.
    for (int i = 0; i < 100; ++i) list.AddRow("x");
    list.ClearRows();
    EXPECT_EQ(list.horizontalHeader()->sectionSize(0), TwipsToPixels(3000, list.logicalDpiX()));
    EXPECT_EQ(list.horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
}

// ---- Check state ----------------------------------------------------------

TEST(ListViewCheckState, RowsStartCheckedAndOnlyTheResultsListShowsBoxes) {
    for (bool boxes : {true, false}) {
        ListView list(boxes);
        list.AddColumn("Numbers");
        list.AddColumn("Results");
        AddRows(list, {{"1", "1"}, {"2", "2"}});
        const QModelIndex first = list.Model()->index(0, 0), second = list.Model()->index(0, 1);
        EXPECT_TRUE(list.Checked(1) && list.Checked(2)) << boxes;
        EXPECT_EQ(first.flags().testFlag(Qt::ItemIsUserCheckable), boxes);
        EXPECT_FALSE(second.flags().testFlag(Qt::ItemIsUserCheckable));
        EXPECT_FALSE(first.flags().testFlag(Qt::ItemIsEditable));
        EXPECT_EQ(first.data(Qt::CheckStateRole).isValid(), boxes);
        EXPECT_FALSE(second.data(Qt::CheckStateRole).isValid());
        EXPECT_EQ(list.Model()->setData(first, Qt::Unchecked, Qt::CheckStateRole), boxes);
        EXPECT_EQ(list.Checked(1), !boxes);
    }
}

TEST(ListViewCheckState, ToggledThroughTheModel) {
    ListView list(true);
    list.AddColumn("Results");
    AddRows(list, {{"1"}, {"2"}});
    QSignalSpy changed(list.Model(), &QAbstractItemModel::dataChanged);
    const QModelIndex second = list.Model()->index(1, 0);
    struct Step {
        QVariant value;
        bool accepted, checked;
    };
    for (const Step& s : std::vector<Step>{{int(Qt::Unchecked), true, false},
                                           {QVariant::fromValue(Qt::Checked), true, true},
                                           {int(Qt::PartiallyChecked), false, true},
                                           {int(Qt::Unchecked), true, false}}) {
        EXPECT_EQ(list.Model()->setData(second, s.value, Qt::CheckStateRole), s.accepted);
        EXPECT_EQ(list.Checked(2), s.checked);
        EXPECT_EQ(second.data(Qt::CheckStateRole).toInt(), s.checked ? Qt::Checked : Qt::Unchecked);
    }
    EXPECT_EQ(changed.count(), 3);
    EXPECT_TRUE(list.Checked(1));
    EXPECT_FALSE(list.Model()->setData(second, "text", Qt::DisplayRole));
    list.SetChecked(2, true);
    EXPECT_EQ(second.data(Qt::CheckStateRole).toInt(), Qt::Checked);
}

TEST(ListViewCheckState, ClickOnTheBoxAndSpaceBarToggle) {
    ProbeView list(true);
    for (const char* c : {"Numbers", "Conversion", "Results"}) list.AddColumn(c);
    AddRows(list, {{"255", "Decimal To Hexadecimal", "FF"}, {"16", "Decimal To Hexadecimal", "10"}});
    list.resize(500, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.CheckRect(2).center());
    EXPECT_FALSE(list.Checked(2));
    EXPECT_TRUE(list.Checked(1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.CheckRect(2).center());
    EXPECT_TRUE(list.Checked(2));

    // A click on the row's other cells selects without toggling.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.CellCentre(1, 3));
    EXPECT_TRUE(list.Checked(1));
    EXPECT_EQ(list.SelectedIndex(), 1);
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_FALSE(list.Checked(1));
    QTest::keyClick(&list, Qt::Key_Space);
    EXPECT_TRUE(list.Checked(1));

    ProbeView input(false);
    input.AddColumn("Numbers");
    input.AddRow("7");
    input.SelectRow(1);
    QTest::keyClick(&input, Qt::Key_Space);
    EXPECT_TRUE(input.Checked(1));
}

// ---- Batching -------------------------------------------------------------

TEST(ListViewBatching, RowsAreStoredAtOnceAndShownWhenTheBatchCloses) {
    ListView list(true);
    list.AddColumn("Results");
    QSignalSpy inserted(list.Model(), &QAbstractItemModel::rowsInserted);
    list.AddRow("before");
    EXPECT_EQ(inserted.count(), 1);

    list.BeginBatch();
    list.BeginBatch();
    for (int i = 0; i < 1000; ++i) list.AddRow(QString::number(i));
    EXPECT_EQ(list.RowCount(), 1001);
    EXPECT_EQ(list.Model()->rowCount(), 1);
    EXPECT_EQ(list.RowText(1001), "999");
    list.EndBatch();  // the inner batch ends: still pending
    EXPECT_EQ(list.Model()->rowCount(), 1);
    list.FlushRows();
    EXPECT_EQ(list.Model()->rowCount(), 1001);
    EXPECT_EQ(inserted.count(), 2);
    list.AddRow("late");
    EXPECT_EQ(list.Model()->rowCount(), 1001);
    list.EndBatch();
    EXPECT_EQ(list.Model()->rowCount(), 1002);
    EXPECT_EQ(inserted.count(), 3);
    list.EndBatch();  // one too many: harmless
    list.AddRow("after");
    EXPECT_EQ(list.Model()->rowCount(), 1003);
}

TEST(ListViewBatching, RemovalAndClearingInABatchKeepTheViewConsistent) {
    ListView list(true);
    list.AddColumn("Results");
    QAbstractItemModelTester tester(list.Model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    list.BeginBatch();
    for (int i = 1; i <= 10; ++i) list.AddRow(QString::number(i));
    list.RemoveRow(10);  // a row the view has not been told about yet
    EXPECT_EQ(list.RowCount(), 9);
    EXPECT_EQ(list.Model()->rowCount(), 9);
    list.AddRow("11");
    EXPECT_EQ(list.Model()->rowCount(), 9);
    list.ClearRows();
    EXPECT_EQ(list.Model()->rowCount(), 0);
    list.AddRow("12");
    list.EndBatch();
    EXPECT_EQ(list.Model()->rowCount(), 1);
    EXPECT_EQ(list.RowText(1), "12");
}

// ---- Model contract -------------------------------------------------------

QStringList g_modelWarnings;

void CollectModelWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtDebugMsg && context.category && QByteArray(context.category).startsWith("qt.modeltest"))
        g_modelWarnings << message;
}

TEST(ListViewModelContract, HoldsWhileRowsChange) {
    g_modelWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(CollectModelWarnings);
    {
        ListView list(true);
        QAbstractItemModelTester tester(list.Model(), QAbstractItemModelTester::FailureReportingMode::Warning);
        for (const char* c : {"Numbers", "Conversion", "Results"}) list.AddColumn(c);
        for (int i = 0; i < 20; ++i) AddRows(list, {{std::to_string(i), "Decimal To Hexadecimal"}});
        list.BeginBatch();
        for (int i = 0; i < 50; ++i) AddRows(list, {{std::to_string(i), "x", "y"}});
        list.FlushRows();
        for (int i = 0; i < 5; ++i) AddRows(list, {{"z"}});
        list.EndBatch();
        list.SetSubItem(3, 2, "new");
        list.SetSubItem(4, 7, "beyond the columns");
        list.Model()->setData(list.Model()->index(5, 0), Qt::Unchecked, Qt::CheckStateRole);
        list.SetChecked(6, false);
        list.SelectRow(10);
        list.RemoveRow(10);
        list.RemoveRow(1);
        list.RemoveRow(list.RowCount());
        list.ClearColumns();
        list.AddColumn("Results");
        list.ClearRows();
        list.AddRow("again");
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_modelWarnings.isEmpty()) << g_modelWarnings.join("\n").toStdString();
}

// ---- Events and selection -------------------------------------------------

TEST(ListViewEvents, KeyDownReportsDeleteAndTheShiftState) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int code, shift;
    };
    const std::vector<Case> cases = {
        {Qt::Key_Delete, Qt::NoModifier, kKeyDelete, 0},
        {Qt::Key_Delete, Qt::ShiftModifier, kKeyDelete, 1},
        {Qt::Key_Delete, Qt::KeypadModifier, kKeyDelete, 0},
        {Qt::Key_Delete, Qt::ControlModifier | Qt::AltModifier, kKeyDelete, 6},
        // Period shares Delete's number among Qt's keys; it must not remove rows.
        {Qt::Key_Period, Qt::NoModifier, 0, 0},
        {Qt::Key_Backspace, Qt::NoModifier, 0, 0},
        {Qt::Key_A, Qt::NoModifier, 0, 0},
        {Qt::Key_F5, Qt::ControlModifier, 0, 2},
    };
    ListView list(false);
    list.AddColumn("Numbers");
    QSignalSpy keys(&list, &ListView::KeyDown);
    for (const Case& c : cases) {
        keys.clear();
        QTest::keyClick(&list, c.key, c.modifiers);
        // Modifier keys arrive as key presses of their own first.
        ASSERT_GE(keys.count(), 1) << c.key;
        EXPECT_EQ(keys.last().at(0).toInt(), c.code) << c.key;
        EXPECT_EQ(keys.last().at(1).toInt(), c.shift) << c.key;
    }
}

TEST(ListViewEvents, ArrowKeysStillMoveTheSelection) {
    ListView list(true);
    list.AddColumn("Numbers");
    AddRows(list, {{"1"}, {"2"}, {"3"}});
    list.resize(300, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    EXPECT_EQ(list.SelectedIndex(), 0);
    list.SelectRow(1);
    QSignalSpy keys(&list, &ListView::KeyDown);
    QTest::keyClick(&list, Qt::Key_Down);
    EXPECT_EQ(list.SelectedIndex(), 2);
    QTest::keyClick(&list, Qt::Key_End);  // End and Home go to the last and first row
    EXPECT_EQ(list.SelectedIndex(), 3);
    QTest::keyClick(&list, Qt::Key_Up);
    EXPECT_EQ(list.SelectedIndex(), 2);
    QTest::keyClick(&list, Qt::Key_Home);
    EXPECT_EQ(list.SelectedIndex(), 1);
    EXPECT_EQ(keys.count(), 4);
}

TEST(ListViewEvents, DoubleClicks) {
    ProbeView list(true);
    list.AddColumn("Numbers");
    list.AddColumn("Results");
    AddRows(list, {{"1", "a"}, {"2", "b"}});
    list.resize(300, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QSignalSpy doubles(&list, &ListView::DblClick);

    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.CellCentre(2, 2));
    EXPECT_EQ(doubles.count(), 1);
    EXPECT_EQ(list.SelectedIndex(), 2);
    EXPECT_TRUE(list.Checked(2));

    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, QPoint(150, 280));  // below the rows
    EXPECT_EQ(doubles.count(), 2);
    EXPECT_EQ(list.SelectedIndex(), 2);  // a click on empty space keeps the selection
}

TEST(ListViewEvents, HandlersMayRemoveTheSelectedRow) {
    ProbeView list(true);
    list.AddColumn("Numbers");
    AddRows(list, {{"1"}, {"2"}, {"3"}, {"4"}});
    list.resize(300, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const auto removeSelected = [&] {
        if (const int row = list.SelectedIndex()) list.RemoveRow(row);
    };
    QObject::connect(&list, &ListView::DblClick, removeSelected);
    QObject::connect(&list, &ListView::KeyDown, [&](int key, int) {
        if (key == 46) removeSelected();
    });
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.CellCentre(2, 1));
    ASSERT_EQ(list.RowCount(), 3);
    EXPECT_EQ(list.RowText(2), "3");
    QTest::keyClick(&list, Qt::Key_Delete);
    ASSERT_EQ(list.RowCount(), 2);
    EXPECT_EQ(list.RowText(2), "4");
    QTest::keyClick(&list, Qt::Key_Backspace);
    QTest::keyClick(&list, Qt::Key_Delete);
    QTest::keyClick(&list, Qt::Key_Delete);
    QTest::keyClick(&list, Qt::Key_Delete);  // on the empty list: nothing happens
    EXPECT_EQ(list.RowCount(), 0);
}

TEST(ListViewEvents, RemovingTheSelectedRowSelectsTheOneClosingUp) {
    struct Case {
        int selected, removed, expected;
    };
    for (const Case& c : std::vector<Case>{{2, 2, 2}, {4, 4, 3}, {1, 1, 1}, {3, 1, 2}, {2, 4, 2}}) {
        ListView list(false);
        list.AddColumn("Numbers");
        AddRows(list, {{"1"}, {"2"}, {"3"}, {"4"}});
        list.SelectRow(c.selected);
        list.RemoveRow(c.removed);
        EXPECT_EQ(list.SelectedIndex(), c.expected) << c.selected << " " << c.removed;
    }
    ListView list(false);
    list.AddColumn("Numbers");
    list.AddRow("only");
    list.SelectRow(1);
    list.RemoveRow(1);
    EXPECT_EQ(list.SelectedIndex(), 0);
    list.AddRow("new");
    list.SelectRow(1);
    list.ClearRows();
    EXPECT_EQ(list.SelectedIndex(), 0);
}

TEST(ListViewLayout, ReportStyleWithFixedRows) {
    ListView list(true);
    EXPECT_FALSE(list.verticalHeader()->isVisibleTo(&list));
    EXPECT_EQ(list.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_GE(list.verticalHeader()->defaultSectionSize(), list.fontMetrics().height());
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(list.isSortingEnabled());
    EXPECT_TRUE(list.viewport()->hasMouseTracking());
}

}  // namespace
}  // namespace bw
