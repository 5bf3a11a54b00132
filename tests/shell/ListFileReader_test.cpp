// Loading list files: path cleaning, line endings, failures, the command.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "shell/AppError.h"
#include "shell/ListFileReader.h"
#include "shell/ListView.h"
#include "shell/ListViewModel.h"
#include "support/ExpectedReport.h"
#include "support/QtPrinters.h"
#include "support/ReferenceListRows.h"
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

std::vector<std::string> CellsOf(const ListView& list) {
    std::vector<std::string> rows;
    for (int r = 1; r <= list.RowCount(); ++r) rows.emplace_back(list.CellUtf8(r, 1));
    return rows;
}

// A final LF, CR LF or CR ends the last line: the three endings give the
// same rows, and an empty line inside the file still gives an empty row.
TEST(LoadFile, TheThreeLineEndingsGiveTheSameRows) {
    const struct {
        const char* body;  // "|" stands for the line ending
        std::vector<std::string> rows;
    } cases[] = {
        {"", {}},
        {"7|", {"7"}},
        {"7", {"7"}},
        {"10||20|", {"10", "", "20"}},
        {"10|20", {"10", "20"}},
        {"|", {""}},
        {"||", {"", ""}},
        {"1|2|3||", {"1", "2", "3", ""}},
    };
    QTemporaryDir dir;
    ScriptedPlatform sp;
    for (const char* ending : {"\n", "\r\n", "\r"}) {
        for (const auto& c : cases) {
            QByteArray bytes(c.body);
            bytes.replace('|', ending);
            Write(dir.filePath("list.txt"), bytes);
            ListView list(false);
            LoadListviewFromTextFile(list, dir.filePath("list.txt"), sp.dialogs, "Basewright");
            EXPECT_EQ(CellsOf(list), c.rows)
                << "body " << c.body << " ending " << QByteArray(ending).toHex().constData();
        }
    }
}

// However the file is cut into read blocks and whichever lines go into the
// list in pieces, the rows are the same: malformed bytes, characters and
// CR LF pairs split between pieces included.
TEST(LoadFile, LinesReadInPiecesGiveTheSameRows) {
    const std::vector<std::string> alphabet = {"1",
                                               "7",
                                               " ",
                                               "\r",
                                               "\n",
                                               "\r\n",
                                               "\xC3\xA9",
                                               "\xE2\x82\xAC",
                                               "\xF0\x9F\x98\x80",
                                               "\xEF\xBB\xBF",
                                               "\xFF",
                                               "\xC3",
                                               "\xE2\x82",
                                               "\xF0\x9F",
                                               "\x80",
                                               "\xED\xA0\x80",
                                               "\xC0\xAF"};
    const ListFileLimits limits[] = {{kListFileLongestLine, 1, 1},  {kListFileLongestLine, 2, 3},
                                     {kListFileLongestLine, 5, 7},  {kListFileLongestLine, 8, 4},
                                     {kListFileLongestLine, 64, 5}, {}};
    std::mt19937 random(20240607);
    QTemporaryDir dir;
    ScriptedPlatform sp;
    const QString path = dir.filePath("list.txt");
    ListView list(false);
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const int pieces = static_cast<int>(random() % 40);
        for (int i = 0; i < pieces; ++i) bytes += alphabet[random() % alphabet.size()];
        Write(path, QByteArray::fromStdString(bytes));
        const std::vector<std::string> expected = bw::test::ReferenceListRows(bytes);
        for (const ListFileLimits& l : limits) {
            list.ClearRows();
            LoadListviewFromTextFile(list, path, sp.dialogs, "Basewright", {}, l);
            ASSERT_EQ(CellsOf(list), expected) << "bytes " << QByteArray::fromStdString(bytes).toHex(' ').constData()
                                               << ", held " << l.heldLine << ", block " << l.readBlock;
        }
    }
}

TEST(LoadFile, ALineLongerThanTheCapEndsItsFileAndNamesIt) {
    QTemporaryDir dir;
    ScriptedPlatform sp;
    const QString path = dir.filePath("list.txt");
    Write(path, "1\r\n2\r\n" + QByteArray(300, '7') + "\r\n3\r\n");
    Write(dir.filePath("next.txt"), "4\n");
    for (const ListFileLimits& limits : {ListFileLimits{100, 16, 64}, ListFileLimits{100, 1000, 1 << 20}}) {
        ListView list(false);
        list.AddRow("before");
        try {
            LoadListviewFromTextFile(list, path, sp.dialogs, "Basewright", {}, limits);
            ADD_FAILURE() << "no failure";
        } catch (const AppError& e) {
            EXPECT_EQ(std::string(e.what()), path.toStdString() +
                                                 ": line 3 is too long to load (more than 100 bytes); reading "
                                                 "stopped there, the lines before it were added");
        }
        EXPECT_EQ(CellsOf(list), (std::vector<std::string>{"before", "1", "2"}));
        EXPECT_EQ(list.Model()->rowCount(), 3);  // the view knows them
        LoadListviewFromTextFile(list, dir.filePath("next.txt"), sp.dialogs, "Basewright", {}, limits);
        EXPECT_EQ(CellsOf(list), (std::vector<std::string>{"before", "1", "2", "4"}));
    }
}

long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

// A sparse file of 4 GiB without a line break after its first two lines:
// reading holds the long line only up to the cap, in the list's own storage,
// and gives that memory back when it ends.
TEST(LoadFile, AFileWithoutLineBreaksIsReadInBoundedMemory) {
    QTemporaryDir dir;
    ScriptedPlatform sp;
    const QString path = dir.filePath("sparse.txt");
    Write(path, "1\n2\n");
    ASSERT_EQ(::truncate(path.toLocal8Bit().constData(), off_t{4} << 30), 0);
    constexpr std::size_t kCap = std::size_t{64} << 20;
    const bool peakResets = static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5");
    const long before = StatusKb("VmRSS");
    long highest = before;
    QTimer sampler;
    sampler.setInterval(0);
    QObject::connect(&sampler, &QTimer::timeout, [&] { highest = std::max(highest, StatusKb("VmRSS")); });
    sampler.start();
    ListView list(false);
    try {
        LoadListviewFromTextFile(list, path, sp.dialogs, "Basewright", Pacing{1, {}}, ListFileLimits{kCap});
        ADD_FAILURE() << "no failure";
    } catch (const AppError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(path + ": line 3 is too long to load")) << e.what();
    }
    sampler.stop();
    EXPECT_EQ(CellsOf(list), (std::vector<std::string>{"1", "2"}));
    const long margin = 32 << 10;  // kB: the read block, the list, the allocator
    EXPECT_LT(highest - before, static_cast<long>(kCap >> 10) + margin);
    if (peakResets) {
        EXPECT_LT(StatusKb("VmHWM") - before, static_cast<long>(kCap >> 10) + margin);
    }
    EXPECT_LT(StatusKb("VmRSS") - before, margin);
}

// When memory runs out while a long line is read, the report says so in
// plain words and names the line; the rows before it stay.
TEST(LoadFile, RunningOutOfMemoryIsReportedPlainly) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves its shadow memory outside any address-space limit";
#else
    QTemporaryDir dir;
    const QString path = dir.filePath("sparse.txt");
    Write(path, "1\r\n");
    ASSERT_EQ(::truncate(path.toLocal8Bit().constData(), off_t{2} << 30), 0);
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    if (child == 0) {
        // Room for 256 MiB more than is mapped now.
        const rlimit limit{static_cast<rlim_t>(StatusKb("VmSize") + (256 << 10)) << 10, RLIM_INFINITY};
        setrlimit(RLIMIT_AS, &limit);
        std::string outcome;
        {
            ScriptedPlatform sp;
            ListView list(false);
            try {
                LoadListviewFromTextFile(list, path, sp.dialogs, "Basewright");
                outcome = "no failure";
            } catch (const AppError& e) {
                outcome = e.what();
            }
            outcome += "|" + std::to_string(list.RowCount());
        }
        (void)!write(channel[1], outcome.data(), outcome.size());
        _exit(0);
    }
    close(channel[1]);
    std::string outcome;
    char buffer[512];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        outcome.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(outcome, "Out of memory: line 2 of " + path.toStdString() +
                           " could not be loaded; reading stopped there, the lines before it were added|1");
#endif
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
    EXPECT_TRUE(reports[0].text.contains(test::ReportedAt("PushButton3_Click", 120) + "\r\r"))
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
