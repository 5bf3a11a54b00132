// The aligned text file: exact bytes, failures, the progress bar, the command.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <sys/stat.h>
#include <cmath>
#include <csignal>
#include <optional>
#include <string>
#include <vector>

#include "core/AlignedText.h"
#include "export/TextFileExport.h"
#include "shell/ErrorReport.h"
#include "shell/ListView.h"
#include "shell/ProgressBar.h"
#include "shell/TextPieces.h"
#include "support/AsOrdinaryUser.h"
#include "support/ExpectedReport.h"
#include "support/ListFill.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPlatform.h"
#include "support/SmallDisk.h"
#include "window/Form1.h"

namespace bw {
namespace {

using test::FillList;
using test::Row;

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

const QStringList kFull{"Numbers", "Conversion", "Results"};
const QStringList kOnly{"Results"};

struct BytesCase {
    const char* name;
    QStringList headers;
    std::vector<Row> rows;
    QByteArray expected;
};

class TextFileBytes : public ::testing::TestWithParam<BytesCase> {};

TEST_P(TextFileBytes, WritesExactBytes) {
    const BytesCase& c = GetParam();
    ScriptedPlatform sp;
    ListView list(true);
    FillList(list, c.headers, c.rows);
    QTemporaryDir dir;
    const QString path = dir.filePath("out.txt");
    ProgressBar bar;
    SaveListviewProperlySpaced(list, path, &bar, sp.dialogs);
    EXPECT_EQ(ReadAll(path), c.expected);
    EXPECT_TRUE(sp.dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, TextFileBytes,
    ::testing::Values(
        BytesCase{"WorkedExample",
                  kFull,
                  {{{"255", "Decimal To Hexadecimal", "FF"}}, {{"16", "Decimal To Hexadecimal", "10"}}},
                  QByteArray("Numbers\tConversion            \tResults\t\r\n"
                             "255    \tDecimal To Hexadecimal\tFF     \t\r\n"
                             "16     \tDecimal To Hexadecimal\t10     \t\r\n")},
        BytesCase{"EmptyListFullMode", kFull, {}, QByteArray("Numbers\tConversion\tResults\t\r\n")},
        BytesCase{"ResultsOnlyWidestResult",
                  kOnly,
                  {{{"7B"}}, {{"1234567890AB"}}},
                  QByteArray("Results     \t\r\n7B          \t\r\n1234567890AB\t\r\n")},
        BytesCase{"UncheckedRowWidensButIsLeftOut",
                  kOnly,
                  {{{"1"}}, {{"123456789"}, false}, {{"2"}}},
                  QByteArray("Results  \t\r\n1        \t\r\n2        \t\r\n")},
        BytesCase{"NoRowChecked", kOnly, {{{"1"}, false}}, QByteArray("Results\t\r\n")},
        // No cell, so no line: nothing that would not end TAB CR LF.
        BytesCase{"NoColumns", {}, {{{"1"}}, {{"2"}}}, QByteArray()},
        BytesCase{"EmptyCellIsAllBlanks",
                  kFull,
                  {{{"", "Decimal To Binary", ""}}},
                  QByteArray("Numbers\tConversion       \tResults\t\r\n"
                             "       \tDecimal To Binary\t       \t\r\n")},
        BytesCase{"WidthsCountCharactersNotBytes",
                  kOnly,
                  {{{"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"}}, {{"ab"}}},
                  QByteArray("Results \t\r\n\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\t\r\n"
                             "ab      \t\r\n")},
        BytesCase{"MissingSubItemsAreEmpty",
                  kFull,
                  {{{"12"}}},
                  QByteArray("Numbers\tConversion\tResults\t\r\n12     \t          \t       \t\r\n")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextFileExport, WorkedExampleIs123Bytes) {
    ScriptedPlatform sp;
    ListView list(true);
    FillList(list, kFull, {{{"255", "Decimal To Hexadecimal", "FF"}}, {{"16", "Decimal To Hexadecimal", "10"}}});
    QTemporaryDir dir;
    SaveListviewProperlySpaced(list, dir.filePath("a.txt"), nullptr, sp.dialogs);
    const QByteArray bytes = ReadAll(dir.filePath("a.txt"));
    ASSERT_EQ(bytes.size(), 123);
    EXPECT_EQ(bytes.left(41).toHex(' '),
              QByteArray("4e 75 6d 62 65 72 73 09 43 6f 6e 76 65 72 73 69 6f 6e 20 20 20 20 20 20 20 20 20 20 20 "
                         "20 09 52 65 73 75 6c 74 73 09 0d 0a"));
}

// Long texts with a two-byte character and a U+FEFF where their pieces are
// cut, and blanks at their end.
std::vector<std::string> LongTexts() {
    std::string a(kTextPieceBytes * 2 + 100, '7');
    a.replace(kTextPieceBytes - 1, 2, "\xC3\xA9");
    a.replace(kTextPieceBytes + 1, 3, "\xEF\xBB\xBF");
    std::string b(kTextPieceBytes + 5, '1');
    b.replace(b.size() - 3, 3, "   ");
    return {a, b, std::string(kTextPieceBytes * 3, '9')};
}

// Texts longer than the pieces the exports work in are measured and written
// in pieces, with the window running in between; the file holds the same
// bytes as the aligned layout of whole texts gives.
TEST(TextFileExport, TextsLongerThanAPieceAreWrittenWhole) {
    const std::vector<std::string> big = LongTexts();
    const std::vector<std::vector<std::string>> rows = {
        {"12", "Decimal To Hexadecimal", big[0]}, {big[1], "x", ""}, {"1", big[2], "z"}, {"", "", big[1]}};
    ScriptedPlatform sp;
    ListView list(true);
    for (const QString& h : kFull) list.AddColumn(h);
    for (const auto& row : rows) {
        const std::vector<std::string_view> cells(row.begin(), row.end());
        list.AppendRow(cells);
    }
    list.SetChecked(3, false);  // its texts still count for the widths
    ColumnWidths widths(3);
    for (int c = 0; c < 3; ++c) widths.Measure(static_cast<std::size_t>(c), kFull[c].toStdString());
    for (const auto& row : rows)
        for (std::size_t c = 0; c < 3; ++c) widths.Measure(c, row[c]);
    std::string expected;
    for (int c = 0; c < 3; ++c)
        AppendAlignedCell(expected, kFull[c].toStdString(), widths[static_cast<std::size_t>(c)]);
    EndFileLine(expected);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r == 2) continue;
        for (std::size_t c = 0; c < 3; ++c) AppendAlignedCell(expected, rows[r][c], widths[c]);
        EndFileLine(expected);
    }
    QTemporaryDir dir;
    for (const Pacing& pacing : {Pacing{0, {}}, Pacing{}}) {
        const QString path = dir.filePath("long.txt");
        ProgressBar bar;
        SaveListviewProperlySpaced(list, path, &bar, sp.dialogs, pacing);
        EXPECT_TRUE(ReadAll(path).toStdString() == expected) << pacing.yieldSliceMs;
        EXPECT_TRUE(sp.dialogs.messages.empty());
        EXPECT_EQ(bar.Text(), "Progress Bar");
    }
}

TEST(TextFileExport, ReplacesAnExistingFile) {
    ScriptedPlatform sp;
    ListView list(true);
    FillList(list, kOnly, {{{"1"}}});
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5000, 'x'));
    }
    SaveListviewProperlySpaced(list, path, nullptr, sp.dialogs);
    EXPECT_EQ(ReadAll(path), QByteArray("Results\t\r\n1      \t\r\n"));
}

// A file that cannot be created is reported once; nothing else is reported
// and the bar ends as after a save.
TEST(TextFileExport, FileThatCannotBeCreatedIsReportedOnce) {
    ScriptedPlatform sp;
    ListView list(true);
    std::vector<Row> rows;
    for (int i = 0; i < 50; ++i) rows.push_back({{QString::number(i), "Decimal To Octal", "7"}});
    FillList(list, kFull, rows);
    QTemporaryDir dir;
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ProgressBar bar;
    SaveListviewProperlySpaced(list, dir.filePath("plain/out.txt"), &bar, sp.dialogs);
    const auto reports = sp.dialogs.ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].text.contains(test::ReportedAt("Main", "SaveListviewProperlySpaced", 110) + "\r\r"))
        << reports[0].text.toStdString();
    EXPECT_EQ(reports[0].style, kMsgExclamation);
    EXPECT_EQ(sp.dialogs.messages.size(), 1u);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.Text(), "Progress Bar");
}

// A write that fails half-way (here the process may not write files larger
// than 64 KiB) is reported once and leaves the file that was there intact.
TEST(TextFileExport, FailedWriteKeepsTheOldFile) {
    ScriptedPlatform sp;
    ListView list(true);
    std::vector<Row> rows;
    for (int i = 0; i < 200000; ++i) rows.push_back({{QString::number(i), "Decimal To Hexadecimal", "ABCDEF"}});
    FillList(list, kFull, rows);
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old contents\r\n");
    }
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ProgressBar bar;
    SaveListviewProperlySpaced(list, path, &bar, sp.dialogs);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(ReadAll(path), QByteArray("old contents\r\n"));
    const auto reports = sp.dialogs.ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].text.contains("SaveListviewProperlySpaced at line 12")) << reports[0].text.toStdString();
    EXPECT_EQ(bar.Text(), "Progress Bar");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.txt"});  // no temporary file left
}

struct BarState {
    double value;
    QString text;
};

// Records the bar at every pause of the save.
std::vector<BarState> SaveRecordingBar(ListView& list, const QString& path, ScriptedPlatform& sp, ProgressBar& bar,
                                       const std::function<void(int)>& atPause = {}) {
    std::vector<BarState> seen;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        seen.push_back({bar.Value(), bar.Text()});
        if (atPause) atPause(static_cast<int>(seen.size()));
    });
    timer.start();
    SaveListviewProperlySpaced(list, path, &bar, sp.dialogs, Pacing{0, {}});
    return seen;
}

TEST(TextFileExport, ProgressBarDuringAndAfterTheSave) {
    ScriptedPlatform sp;
    ListView list(true);
    const int n = 4000;
    std::vector<Row> rows;
    for (int i = 1; i <= n; ++i) rows.push_back({{QString::number(i)}, i != 3000});
    FillList(list, kOnly, rows);
    QTemporaryDir dir;
    ProgressBar bar;
    const auto seen = SaveRecordingBar(list, dir.filePath("bar.txt"), sp, bar);

    ASSERT_GT(seen.size(), 10u);
    // The fixed points come in order, each with the file's name.
    auto firstAt = [&](double value) {
        for (std::size_t i = 0; i < seen.size(); ++i)
            if (seen[i].value == value && seen[i].text == "Writing file: bar.txt") return static_cast<int>(i);
        return -1;
    };
    EXPECT_GE(firstAt(1), 0);
    EXPECT_GT(firstAt(10), firstAt(1));
    EXPECT_GT(firstAt(20), firstAt(10));
    bool saw1000 = false, saw2000 = false, saw3000 = false, sawLast = false;
    for (const BarState& s : seen) {
        saw1000 |= s.text == "Writing file: bar.txt (1000)";
        saw2000 |= s.text == "Writing file: bar.txt (2000)";
        saw3000 |= s.text == "Writing file: bar.txt (3000)";  // row 3000 is not written
        sawLast |= s.value == (n / 2000 + 3999.0) / n * 100;
        // "Done." at 100 may be seen too, while the file goes to the disk.
        if (s.value > 20 && s.value < 100.05 && s.text != "Done.") {
            // After row r the bar shows (N \ 2000 + r) / N * 100, with the
            // text of the last thousand written.
            const long r = std::lround(s.value * n / 100 - n / 2000);
            const int thousands = static_cast<int>(r / 1000 * 1000);
            const int expectedText = thousands >= 3000 ? 2000 : thousands;
            EXPECT_EQ(s.text, expectedText ? QString("Writing file: bar.txt (%1)").arg(expectedText)
                                           : QString("Writing file: bar.txt"))
                << s.value;
        }
    }
    EXPECT_TRUE(saw1000 && saw2000 && sawLast);
    EXPECT_FALSE(saw3000);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.Text(), "Progress Bar");
    // The header and the 3999 checked rows, 10 bytes each.
    EXPECT_EQ(ReadAll(dir.filePath("bar.txt")).size(), n * 10);
}

// The results are cleared while the file is written: the rows that are gone
// are reported once, and the rows written before stay in the file.
TEST(TextFileExport, RowsRemovedDuringTheSaveAreReportedOnce) {
    ScriptedPlatform sp;
    ListView list(true);
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i) rows.push_back({{"12345"}});
    FillList(list, kOnly, rows);
    QTemporaryDir dir;
    ProgressBar bar;
    bool cleared = false;
    SaveRecordingBar(list, dir.filePath("gone.txt"), sp, bar, [&](int) {
        if (!cleared && bar.Value() > 30) {
            list.ClearRows();
            cleared = true;
        }
    });
    ASSERT_TRUE(cleared);
    const auto reports = sp.dialogs.ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].text.startsWith("Invalid row index")) << reports[0].text.toStdString();
    EXPECT_TRUE(reports[0].text.contains("SaveListviewProperlySpaced at line 118"));
    const QByteArray bytes = ReadAll(dir.filePath("gone.txt"));
    EXPECT_TRUE(bytes.startsWith("Results\t\r\n12345  \t\r\n"));
    EXPECT_GT(bytes.size(), 10 * 900);
    EXPECT_LT(bytes.size(), 10 * 3001);
    EXPECT_EQ(bytes.size() % 10, 0);
    EXPECT_EQ(bar.Text(), "Progress Bar");
}

TEST(TextFileExportCommand, SavesTheResultsListWithTheSharedName) {
    ScriptedPlatform sp;
    Form1 form(sp.platform());
    FillList(*form.ListView2, kFull, {{{"255", "Decimal To Hexadecimal", "FF"}}});
    QTemporaryDir dir;
    const QString path = dir.filePath("r.txt");
    form.CommonDialog1FileName = dir.filePath("loaded.txt");
    sp.dialogs.QueueSaveFile(path);
    form.PushButton4_Click();

    ASSERT_EQ(sp.dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(sp.dialogs.fileDialogs[0].kind, "save");
    EXPECT_EQ(sp.dialogs.fileDialogs[0].title, "Save");
    EXPECT_EQ(sp.dialogs.fileDialogs[0].filters, (QStringList{"Text Files (*.txt)", "All Files (*)"}));
    EXPECT_EQ(sp.dialogs.fileDialogs[0].initialName, dir.filePath("loaded.txt"));
    EXPECT_EQ(ReadAll(path), QByteArray("Numbers\tConversion            \tResults\t\r\n"
                                        "255    \tDecimal To Hexadecimal\tFF     \t\r\n"));
    EXPECT_EQ(form.CommonDialog1FileName, path);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
    EXPECT_TRUE(sp.dialogs.messages.empty());

    // The next save starts with the name just chosen; cancelling writes nothing.
    form.PushButton4_Click();
    ASSERT_EQ(sp.dialogs.fileDialogs.size(), 2u);
    EXPECT_EQ(sp.dialogs.fileDialogs[1].initialName, path);
    EXPECT_EQ(form.CommonDialog1FileName, path);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"r.txt"});
}

TEST(TextFileExportCommand, BusyPointerDuringTheSave) {
    ScriptedPlatform sp;
    Form1 form(sp.platform());
    std::vector<Row> rows(20000, Row{{"1", "Binary To Octal", "1"}});
    FillList(*form.ListView2, kFull, rows);
    QTemporaryDir dir;
    sp.dialogs.QueueSaveFile(dir.filePath("busy.txt"));
    std::vector<int> pointers;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] { pointers.push_back(form.MousePointer().Value()); });
    timer.start();
    form.PushButton4_Click();
    timer.stop();
    ASSERT_FALSE(pointers.empty());
    EXPECT_EQ(pointers.front(), kPointerBusy);
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
}

// A full disk, in both ways of writing: the file that was there stays
// whole, nothing is left beside it, and the report names the cause.
constexpr const char* kFullDiskFolderVar = "BASEWRIGHT_TEST_FULL_DISK_FOLDER";
const QByteArray kOldText = "an older list\r\n";

// Results rows enough for some hundred KiB of text.
void FillResults(ListView& list) {
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i) rows.push_back({{QString::number(i), "Decimal To Hexadecimal", "ABCDEF"}});
    FillList(list, kFull, rows);
}

// Saves, and returns the one error report's text (empty when none or more).
QString SaveExpectingOneReport(const QString& path) {
    ScriptedPlatform sp;
    ListView list(true);
    FillResults(list);
    ProgressBar bar;
    SaveListviewProperlySpaced(list, path, &bar, sp.dialogs);
    const auto reports = sp.dialogs.ErrorReports();
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(bar.Text(), "Progress Bar");
    return reports.size() == 1 ? reports[0].text : QString();
}

TEST(TextFileExportOnAFullDisk, ANewFileBesideTheOldOneKeepsTheOldOne) {
    test::SmallDisk disk(256 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
    const QString path = disk.FilePath("results.txt");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kOldText);
    }
    disk.Fill(16 * 1024);
    const QString report = SaveExpectingOneReport(path);
    EXPECT_TRUE(report.startsWith(path + ": No space left on device\r\n")) << report.toStdString();
    EXPECT_TRUE(report.contains("SaveListviewProperlySpaced at line 12")) << report.toStdString();
    EXPECT_EQ(ReadAll(path), kOldText);
    EXPECT_EQ(QDir(disk.Path()).entryList(QDir::Files), QStringList{"results.txt"});
}

TEST(TextFileExportOnAFullDisk, InPlaceNothingIsWrittenUnlessAllOfItFits) {
    std::optional<test::SmallDisk> disk;
    QString folder = QFile::decodeName(qgetenv(kFullDiskFolderVar));
    if (folder.isEmpty()) {
        // Root mounts the disk; the save runs as an ordinary user, who cannot
        // create files in the folder.
        disk.emplace(256 * 1024);
        if (!disk->Mounted()) GTEST_SKIP() << disk->Why();
        folder = disk->FilePath("locked");
        QDir().mkpath(folder);
        {
            QFile f(folder + "/results.txt");
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(kOldText);
        }
        ::chmod(QFile::encodeName(folder + "/results.txt").constData(), 0666);
        ::chmod(QFile::encodeName(folder).constData(), 0555);
        disk->Fill(16 * 1024);
        qputenv(kFullDiskFolderVar, QFile::encodeName(folder));
        const bool here = test::RunsAsOrdinaryUser();
        qunsetenv(kFullDiskFolderVar);
        if (!here) {
            EXPECT_EQ(ReadAll(folder + "/results.txt"), kOldText);
            return;
        }
    }
    const QString path = folder + "/results.txt";
    const QString report = SaveExpectingOneReport(path);
    EXPECT_TRUE(report.startsWith(path + ": No space left on device\r\n")) << report.toStdString();
    EXPECT_TRUE(report.contains("SaveListviewProperlySpaced at line 110\r\r")) << report.toStdString();
    EXPECT_EQ(ReadAll(path), kOldText);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"results.txt"});
}

}  // namespace
}  // namespace bw
