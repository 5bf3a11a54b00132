// Loading list files: path cleaning, line endings, failures, the command.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>
#include <string>
#include <vector>

#include "shell/AppError.h"
#include "shell/ListFileReader.h"
#include "shell/ListView.h"
#include "shell/ListViewModel.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"

namespace bw {
namespace {

QStringList Rows(const ListView& list) {
    QStringList rows;
    for (int r = 1; r <= list.RowCount(); ++r) rows << list.RowText(r);
    return rows;
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct CleanCase {
    const char* in;
    const char* out;
};

class CleanPath : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanPath, RemovesDoubledSeparators) {
    EXPECT_EQ(RemoveDoubleBackslashes(QString::fromUtf8(GetParam().in)), QString::fromUtf8(GetParam().out));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CleanPath,
    ::testing::Values(CleanCase{"/home//u/a.txt", "/home/u/a.txt"}, CleanCase{"/home/u/a.txt", "/home/u/a.txt"},
                      CleanCase{"/d///a.txt", "/d//a.txt"}, CleanCase{"/d////a.txt", "/d//a.txt"},
                      CleanCase{"/d/////a.txt", "/d///a.txt"},
                      CleanCase{"//server/share//a.txt", "//server/share/a.txt"},
                      CleanCase{"////server/share/a.txt", "//server/share/a.txt"}, CleanCase{"//", "//"},
                      CleanCase{"/a.txt", "/a.txt"}, CleanCase{"", ""}, CleanCase{"a.txt", "a.txt"},
                      // A backslash is a character of a name here, never a separator.
                      CleanCase{R"(C:\\a.txt)", R"(C:\\a.txt)"},
                      CleanCase{R"(\\server\share\\a.txt)", R"(\\server\share\\a.txt)"},
                      CleanCase{R"(\server\a.txt)", R"(\server\a.txt)"}, CleanCase{R"(/d\/a.txt)", R"(/d\/a.txt)"},
                      CleanCase{R"(/d//a\\\b.txt)", R"(/d/a\\\b.txt)"}));

TEST(JoinPickedPaths, OneFileAsGivenSeveralJoinedAndCleaned) {
    EXPECT_EQ(JoinPickedPaths({"/d//x/a.txt"}), QStringList{"/d//x/a.txt"});
    EXPECT_EQ(JoinPickedPaths({"/d/x/a.txt", "/d/x/b.txt", "/d/x/c.txt"}),
              (QStringList{"/d/x/a.txt", "/d/x/b.txt", "/d/x/c.txt"}));
    EXPECT_EQ(JoinPickedPaths({"/a.txt", "/b.txt"}), (QStringList{"/a.txt", "/b.txt"}));
    EXPECT_EQ(JoinPickedPaths({"/d//x///a.txt", "//srv/x/b.txt"}), (QStringList{"/d/x//a.txt", "//srv/x/b.txt"}));
    // Names keep their backslashes, single or doubled.
    EXPECT_EQ(JoinPickedPaths({R"(/d/a\b.txt)", R"(/d//a\\b.txt)", R"(/d\e/c.txt)"}),
              (QStringList{R"(/d/a\b.txt)", R"(/d/a\\b.txt)", R"(/d\e/c.txt)"}));
    EXPECT_TRUE(JoinPickedPaths({}).isEmpty());
}

TEST(SplitFolderAndName, SplitsAtTheLastSlashOnly) {
    EXPECT_EQ(SplitFolderAndName(R"(/d/a\b.txt)"), (std::pair<QString, QString>{"/d", R"(a\b.txt)"}));
    EXPECT_EQ(SplitFolderAndName("/a.txt"), (std::pair<QString, QString>{"", "a.txt"}));
    EXPECT_EQ(SplitFolderAndName(R"(C:\a.txt)"), (std::pair<QString, QString>{"", R"(C:\a.txt)"}));
}

struct LinesCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> rows;
};

const std::vector<LinesCase> kLineCases = {
    {"Empty", "", {}},
    {"CrLfWithEmptyLine", "10\r\n\r\n20\r\n", {"10", "", "20"}},
    {"CrLfNoFinal", "10\r\n20", {"10", "20"}},
    {"LoneLf", "10\n\n20", {"10", "", "20"}},
    {"LoneLfFinal", "10\n\n20\n", {"10", "", "20"}},
    {"LoneCr", "10\r\r20\r", {"10", "", "20"}},
    {"OnlyLf", "\n", {""}},
    {"OnlyCrLf", "\r\n", {""}},
    {"OnlyCr", "\r", {""}},
    {"LfBeforeCrLf", "a\n\r\nb", {"a", "", "b"}},
    {"LfCr", "\n\r", {"", ""}},
    {"CrCrLf", "a\r\r\nb", {"a", "", "b"}},
    {"BlanksAndCommasStay", " 1,2,3 \r\n  7\r\n", {" 1,2,3 ", "  7"}},
    {"ByteOrderMarkStays",
     "\xEF\xBB\xBF"
     "12\r\n34\r\n",
     {"\xEF\xBB\xBF"
      "12",
      "34"}},
    {"NonAscii", "\xC3\xA9t\xC3\xA9\n", {"\xC3\xA9t\xC3\xA9"}},
};

class SplitLines : public ::testing::TestWithParam<LinesCase> {};

// Every way of cutting the bytes into two pieces gives the same lines.
TEST_P(SplitLines, SameLinesWhereverTheBlockEnds) {
    const LinesCase& c = GetParam();
    for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
        ListFileLineSplitter splitter;
        std::vector<std::string> lines;
        auto sink = [&](std::string_view line) { lines.emplace_back(line); };
        splitter.Feed(std::string_view(c.bytes).substr(0, cut), sink);
        splitter.Feed(std::string_view(c.bytes).substr(cut), sink);
        splitter.Finish(sink);
        EXPECT_EQ(lines, c.rows) << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, SplitLines, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

class LoadFile : public ::testing::TestWithParam<LinesCase> {};

TEST_P(LoadFile, AppendsOneRowPerLine) {
    const LinesCase& c = GetParam();
    ScriptedPlatform sp;
    ListView list(false);
    list.AddColumn("Numbers");
    list.AddRow("before");
    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    Write(path, QByteArray::fromStdString(c.bytes));
    LoadListviewFromTextFile(list, path, sp.dialogs, "Basewright");
    ASSERT_EQ(list.RowCount(), static_cast<int>(c.rows.size()) + 1);
    EXPECT_EQ(list.RowText(1), "before");
    for (std::size_t i = 0; i < c.rows.size(); ++i)
        EXPECT_EQ(list.CellUtf8(static_cast<int>(i) + 2, 1), c.rows[i]) << "row " << i + 2;
    EXPECT_TRUE(sp.dialogs.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Endings, LoadFile, ::testing::ValuesIn(kLineCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LoadFile, MalformedBytesAreDecodedAsTheLocaleDoes) {
    ScriptedPlatform sp;
    ListView list(false);
    QTemporaryDir dir;
    Write(dir.filePath("bad.txt"), QByteArray("1\xFF"
                                              "2\r\n\xC3\r\n"));
    LoadListviewFromTextFile(list, dir.filePath("bad.txt"), sp.dialogs, "Basewright");
    EXPECT_EQ(Rows(list), (QStringList{QString::fromUtf8("1\uFFFD2"), QString::fromUtf8("\uFFFD")}));
}

TEST(LoadFile, LongFileCrossingReadBlocks) {
    ScriptedPlatform sp;
    ListView list(false);
    QTemporaryDir dir;
    // Lines of 19 digits with CR LF: 1 MiB ends inside a line and a pair.
    QByteArray bytes;
    const int n = 200000;
    for (int i = 0; i < n; ++i) bytes += QByteArray::number(1000000000000000000LL + i) + "\r\n";
    Write(dir.filePath("big.txt"), bytes);
    LoadListviewFromTextFile(list, dir.filePath("big.txt"), sp.dialogs, "Basewright");
    ASSERT_EQ(list.RowCount(), n);
    for (int i : {1, 55188, 55189, 100000, n})
        EXPECT_EQ(list.RowText(i), QString::number(1000000000000000000LL + i - 1));
}

TEST(LoadFile, MissingFileShowsFileNotFound) {
    ScriptedPlatform sp;
    ListView list(false);
    QTemporaryDir dir;
    LoadListviewFromTextFile(list, dir.filePath("nothing.txt"), sp.dialogs, "Basewright");
    ASSERT_EQ(sp.dialogs.messages.size(), 1u);
    EXPECT_EQ(sp.dialogs.messages[0].text, "File not found");
    EXPECT_EQ(sp.dialogs.messages[0].style, kMsgOkOnly);
    EXPECT_EQ(sp.dialogs.messages[0].title, "Basewright");
    EXPECT_EQ(list.RowCount(), 0);
}

// Paths that exist but cannot be read as a list file throw with the reason;
// a pipe or a device is not waited for or read without end.
TEST(LoadFile, UnreadablePathsThrow) {
    ScriptedPlatform sp;
    ListView list(false);
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& path : {dir.path(), QString("/proc/self/mem"), fifo, QString("/dev/zero")}) {
        try {
            LoadListviewFromTextFile(list, path, sp.dialogs, "Basewright");
            ADD_FAILURE() << "no failure for " << path.toStdString();
        } catch (const AppError& e) {
            EXPECT_TRUE(QString::fromStdString(e.what()).startsWith(path + ": ")) << e.what();
        }
    }
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_TRUE(sp.dialogs.messages.empty());
}

// A large file lets the window run in between: rows show up while the file
// is being read, and a stop request ends the reading.
TEST(LoadFile, YieldsWhileReadingAndStops) {
    ScriptedPlatform sp;
    ListView list(false);
    QTemporaryDir dir;
    QByteArray bytes;
    const int n = 400000;
    for (int i = 0; i < n; ++i) bytes += "12345678901234567890\n";
    Write(dir.filePath("big.txt"), bytes);
    std::vector<int> seen;
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] { seen.push_back(list.RowCount()); });
    timer.start();
    LoadListviewFromTextFile(list, dir.filePath("big.txt"), sp.dialogs, "Basewright", Pacing{0, {}});
    ASSERT_GE(seen.size(), 2u);
    EXPECT_GT(seen.front(), 0);
    EXPECT_LT(seen.front(), n);
    EXPECT_EQ(list.RowCount(), n);
    EXPECT_EQ(list.Model()->rowCount(), n);  // the view has been told about every row

    ListView stopped(false);
    bool stop = false;
    QObject::connect(&timer, &QTimer::timeout, [&] { stop = true; });
    LoadListviewFromTextFile(stopped, dir.filePath("big.txt"), sp.dialogs, "Basewright",
                             Pacing{0, [&] { return stop; }});
    EXPECT_GT(stopped.RowCount(), 0);
    EXPECT_LT(stopped.RowCount(), n);
}

class LoadCommand : public ::testing::Test {
protected:
    ScriptedPlatform sp;
    Form1 form{sp.platform()};
    QTemporaryDir dir;
    std::vector<int> pointers;  // the pointer at each message box

    void SetUp() override {
        sp.dialogs.onMessage = [&](const RecordedMessage&) { pointers.push_back(form.MousePointer().Value()); };
    }
};

TEST_F(LoadCommand, CancelChangesNothing) {
    form.ListView1->AddRow("1");
    form.CommonDialog1FileName = "/x/r.txt";
    form.PushButton3_Click();
    ASSERT_EQ(sp.dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(sp.dialogs.fileDialogs[0].kind, "open");
    EXPECT_EQ(sp.dialogs.fileDialogs[0].title, "Load List(s) - Hold Ctrl to select multiple list files");
    EXPECT_EQ(sp.dialogs.fileDialogs[0].filters, (QStringList{"Text Files (*.txt)", "All Files (*)"}));
    EXPECT_EQ(Rows(*form.ListView1), QStringList{"1"});
    EXPECT_EQ(form.CommonDialog1FileName, "/x/r.txt");
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
    EXPECT_TRUE(sp.dialogs.messages.empty());
}

TEST_F(LoadCommand, OneFileAppendsAfterExistingRows) {
    form.ListView1->AddRow("0");
    Write(dir.filePath("a.txt"), "10\r\n\r\n20\r\n");
    sp.dialogs.QueueOpenFiles({dir.filePath("a.txt")});
    form.PushButton3_Click();
    EXPECT_EQ(Rows(*form.ListView1), (QStringList{"0", "10", "", "20"}));
    EXPECT_EQ(form.CommonDialog1FileName, dir.filePath("a.txt"));
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
    EXPECT_TRUE(sp.dialogs.messages.empty());
}

TEST_F(LoadCommand, OneFolderIsReportedAtLine120) {
    sp.dialogs.QueueOpenFiles({dir.path()});
    form.PushButton3_Click();
    const auto reports = sp.dialogs.ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].text.contains("in Quorvane2021/08/31.Form1.PushButton3_Click at line 120\r\r"))
        << reports[0].text.toStdString();
    EXPECT_EQ(pointers, std::vector<int>{kPointerBusy});
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
}

// Several files in the dialog's order; a folder and a missing file among
// them are reported and the others still load.
TEST_F(LoadCommand, SeveralFilesWithFailuresAmongThem) {
    Write(dir.filePath("a.txt"), "1\r\n2\r\n");
    Write(dir.filePath("c.txt"), "3\n4");
    Write(dir.filePath("plain"), "x");
    QDir(dir.path()).mkdir("folder.txt");
    sp.dialogs.QueueOpenFiles({dir.filePath("c.txt"), dir.filePath("folder.txt"), dir.filePath("plain/missing.txt"),
                               "/proc/self/mem", dir.filePath("a.txt")});
    form.PushButton3_Click();
    EXPECT_EQ(Rows(*form.ListView1), (QStringList{"3", "4", "1", "2"}));
    ASSERT_EQ(sp.dialogs.messages.size(), 3u);
    EXPECT_EQ(sp.dialogs.messages[0].title, "Application Error");
    EXPECT_TRUE(sp.dialogs.messages[0].text.startsWith(dir.filePath("folder.txt") + ": "));
    EXPECT_TRUE(sp.dialogs.messages[0].text.contains("PushButton3_Click at line 134\r\r"));
    EXPECT_EQ(sp.dialogs.messages[1].text, "File not found");
    EXPECT_EQ(sp.dialogs.messages[1].title, form.ApplicationTitle());
    EXPECT_TRUE(sp.dialogs.messages[2].text.startsWith("/proc/self/mem: "));
    EXPECT_TRUE(sp.dialogs.messages[2].text.contains("PushButton3_Click at line 134\r\r"));
    EXPECT_EQ(pointers, (std::vector<int>{kPointerBusy, kPointerBusy, kPointerBusy}));
    EXPECT_EQ(form.MousePointer().Value(), kPointerNormal);
    EXPECT_EQ(form.CommonDialog1FileName, dir.path());
}

TEST_F(LoadCommand, SameFileTwiceAppendsTwice) {
    Write(dir.filePath("a.txt"), "7\r");
    sp.dialogs.QueueOpenFiles({dir.filePath("a.txt"), dir.filePath("a.txt")});
    form.PushButton3_Click();
    EXPECT_EQ(Rows(*form.ListView1), (QStringList{"7", "7"}));
}

}  // namespace
}  // namespace bw
