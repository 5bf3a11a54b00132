// The platform layer: truth values, the INI settings store, the error
// report's text and resume rule, path helpers and the window pointer.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include "shell/AppError.h"
#include "shell/ErrorReport.h"
#include "shell/FileSystem.h"
#include "shell/QtPlatform.h"
#include "shell/Settings.h"
#include "shell/WindowPointer.h"
#include "shell/Yield.h"
#include "support/CursorFile.h"
#include "support/ExpectedReport.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPlatform.h"

namespace bw {
namespace {

TEST(TextToTruth, ReadsWordsInAnyCaseAndNumbers) {
    const struct {
        const char* text;
        bool value;
    } cases[] = {
        {"True", true},
        {"true", true},
        {"TRUE", true},
        {"False", false},
        {"fAlSe", false},
        {"1", true},
        {"0", false},
        {"-1", true},
        {"0.0", false},
        {"2.5", true},
        {"+0", false},
        {"-0", false},
        {".5", true},
        {"5.", true},
        {"0.000", false},
        {"1e3", true},
        {"0E5", false},
        {"2.5e-3", true},
        {"-.0e+10", false},
        {" 7 ", true},
        {"\t0\n", false},
        // Zero only when every digit is zero, whatever a double could hold.
        {"1e-400", true},
        {"1e400", true},
        {"0.0000000000000000000000000000001", true},
    };
    for (const auto& c : cases) EXPECT_EQ(TextToTruth(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(TextToTruth, OtherTextsFail) {
    for (const char* text :
         {"",     "yes", "Tru",   "True1", "on", " True", "False ", "nan", "NaN",   "inf", "-inf", "Infinity", "0x10",
          "&H10", "1,5", "1 000", "1e",    "e5", ".",     "+",      "-",   "1.2.3", "--1", "1e+",  "٣"}) {
        EXPECT_THROW(TextToTruth(QString::fromUtf8(text)), AppError) << text;
    }
}

class QtSettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QtSettingsStore store{dir.path()};
    const QString app = QString::fromLatin1(kSettingsApp);
    const QString section = QString::fromLatin1(kSettingsSection);
};

TEST_F(QtSettingsStoreTest, AbsentKeyGivesTheDefault) {
    EXPECT_EQ(store.GetSetting(app, section, "Option1", "1"), "1");
    EXPECT_EQ(store.GetSetting(app, section, "Zip Codes", ""), "");
}

TEST_F(QtSettingsStoreTest, ValuesComeBackLetterForLetter) {
    const QString values[] = {"123;2;8000", "a,b;c",   " 7 ; 8 ", "=1+1", "#x;y",
                              "\"quoted\"", "über;١٢", "",        "a\\b", "True"};
    for (const QString& v : values) {
        store.SaveSetting(app, section, "Zip Codes", v);
        EXPECT_EQ(store.GetSetting(app, section, "Zip Codes", "default"), v);
        // A fresh store over the same file reads the same.
        QtSettingsStore again(dir.path());
        EXPECT_EQ(again.GetSetting(app, section, "Zip Codes", "default"), v);
    }
}

TEST_F(QtSettingsStoreTest, KeysAreKeptApartBySectionAndWrittenToTheApplicationsFile) {
    store.SaveSetting(app, section, "Option1", "False");
    store.SaveSetting(app, "Other", "Option1", "True");
    EXPECT_EQ(store.GetSetting(app, section, "Option1", "1"), "False");
    EXPECT_EQ(store.GetSetting(app, "Other", "Option1", "1"), "True");
    QFile file(dir.filePath("Marlquist.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("[Basewright]"));
}

TEST_F(QtSettingsStoreTest, HandEditedListValueReadsAsText) {
    QFile file(dir.filePath("Marlquist.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Basewright]\nZip%20Codes=1, 2\n");
    file.close();
    EXPECT_EQ(store.GetSetting(app, section, "Zip Codes", ""), "1, 2");
}

TEST_F(QtSettingsStoreTest, UnwritableStoreFails) {
    QtSettingsStore blocked(dir.filePath("file-not-folder/sub"));
    QFile plain(dir.filePath("file-not-folder"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_THROW(blocked.SaveSetting(app, section, "Option1", "True"), AppError);
}

TEST(ErrorReport, MessageTextIsBuiltExactly) {
    EXPECT_EQ(ErrorReport::MessageText("Overflow", kLocPushButton17_Click, 190),
              "Overflow\r\n" + test::ReportedAt("PushButton17_Click", 190) +
                  "\r\rPlease email screenshot of this message to " + kSupportAddress);
    EXPECT_TRUE(
        ErrorReport::MessageText("", kLocForm_Load, 102).startsWith("\r\n" + test::ReportLocation("Form_Load")));
}

TEST(ErrorReport, EachFailingStatementReportsOnceAndWorkGoesOn) {
    ScriptedDialogs dialogs;
    ErrorReport trap(dialogs, kLocPushButton6_Click);
    std::vector<int> ran;
    for (int i = 0; i < 3; ++i) {
        trap.Step(110, [&] { ran.push_back(110); });
        trap.Step(112, [&] {
            if (i != 1) throw AppError("Invalid row");
            ran.push_back(112);
        });
    }
    const bool failedCondition = trap.Test(114, []() -> bool { throw std::runtime_error("bad"); });
    EXPECT_TRUE(failedCondition);
    EXPECT_EQ(ran, (std::vector<int>{110, 110, 112, 110}));
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(trap.ReportCount(), 3);
    for (const auto& m : dialogs.messages) {
        EXPECT_EQ(m.title, "Application Error");
        EXPECT_EQ(m.style, kMsgExclamation);
    }
    EXPECT_TRUE(dialogs.messages[0].text.contains("PushButton6_Click at line 112\r\r"));
    EXPECT_TRUE(dialogs.messages[2].text.startsWith("bad\r\n"));
    EXPECT_TRUE(dialogs.messages[2].text.contains("at line 114\r\r"));
}

// Running out of memory is named so, not by the runtime's type name; the
// layout and the statement number stay those of every other report.
TEST(ErrorReport, AFailureToGetMemoryIsWordedPlainly) {
    ScriptedDialogs dialogs;
    ErrorReport trap(dialogs, kLocPushButton3_Click);
    trap.Step(120, [] { throw std::bad_alloc(); });
    EXPECT_TRUE(trap.Test(122, []() -> bool { throw std::bad_array_new_length(); }));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text,
              ErrorReport::MessageText("Out of memory: this step could not be completed", kLocPushButton3_Click, 120));
    EXPECT_TRUE(dialogs.messages[1].text.startsWith("Out of memory: this step could not be completed\r\n" +
                                                    test::ReportedAt("PushButton3_Click", 122) + "\r\r"));
}

TEST(FileNamePart, TakesTheTextAfterTheLastBackslashOnly) {
    const struct {
        const char* path;
        const char* part;
    } cases[] = {
        {"C:\\data\\list.txt", "list.txt"},
        {"/home/u/list.txt", "/home/u/list.txt"},
        {"list.txt", "list.txt"},
        {"folder/", "folder/"},
        {"C:\\", ""},
        {"", ""},
        {"a\\b/c", "b/c"},
        {"255", "255"},
        {"1/2", "1/2"},
    };
    for (const auto& c : cases) EXPECT_EQ(FileNamePart(c.path), QString(c.part)) << c.path;
}

TEST(LocalFileName, TakesTheTextAfterTheLastSlashOnly) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"/home/u/list.txt", "list.txt"},
        {"/home/u/a\\b.txt", "a\\b.txt"},
        {"C:\\data\\list.txt", "C:\\data\\list.txt"},
        {"list.txt", "list.txt"},
        {"/tmp/folder/", ""},
        {"", ""},
        {"/a.txt", "a.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(LocalFileName(c.path), QString(c.name)) << c.path;
}

TEST(FileExists, TrueOnlyForPathsWithAModificationTime) {
    QTemporaryDir dir;
    QFile file(dir.filePath("a.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(FileExists(dir.filePath("a.txt")));
    EXPECT_TRUE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(dir.filePath("missing.txt")));
    EXPECT_FALSE(FileExists(QString()));
    EXPECT_FALSE(FileExists(QString::fromLatin1("\0bad", 4)));
}

TEST(QtDialogs, LoneCarriageReturnsShowAsLineBreaks) {
    EXPECT_EQ(QtDialogs::DisplayText("a\rb\r\nc\r\rd"), "a\nb\nc\n\nd");
}

static QString WriteCursorFile(const QString& path, int hotX, int hotY) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bw::test::CursorFileBytes(hotX, hotY, Qt::red));
    return path;
}

TEST(WindowPointer, ValuesShowTheirShapes) {
    QWidget window;
    WindowPointer pointer(window);
    EXPECT_EQ(pointer.Value(), kPointerNormal);
    pointer.Set(kPointerBusy);
    EXPECT_TRUE(pointer.Busy());
    EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
    pointer.Set(kPointerHand);  // no image loaded: the arrow
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(pointer.Value(), kPointerHand);
    pointer.Set(kPointerNormal);
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
}

TEST(WindowPointer, LoadsACursorFileForTheHand) {
    QTemporaryDir dir;
    QWidget window;
    WindowPointer pointer(window);
    pointer.LoadCustomImage(WriteCursorFile(dir.filePath("HAND-M.CUR"), 5, 7));
    ASSERT_TRUE(pointer.HasCustomImage());
    pointer.Set(kPointerHand);
    EXPECT_EQ(window.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(window.cursor().hotSpot(), QPoint(5, 7));
}

TEST(WindowPointer, UnreadableCursorFileFails) {
    QTemporaryDir dir;
    QFile junk(dir.filePath("HAND-M.CUR"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a cursor");
    junk.close();
    QWidget window;
    WindowPointer pointer(window);
    EXPECT_THROW(pointer.LoadCustomImage(junk.fileName()), AppError);
    EXPECT_THROW(pointer.LoadCustomImage(dir.filePath("missing.cur")), AppError);
    EXPECT_FALSE(pointer.HasCustomImage());
}

TEST(ScriptedDialogs, AnswersInOrderThenCancels) {
    ScriptedDialogs dialogs;
    dialogs.QueueInput("5,7");
    dialogs.QueueInputFailure("Out of memory");
    EXPECT_EQ(dialogs.InputBox("p", "t", ""), "5,7");
    EXPECT_THROW(dialogs.InputBox("p", "t", ""), AppError);
    EXPECT_EQ(dialogs.InputBox("p", "t", ""), "");
    EXPECT_EQ(dialogs.inputBoxes.size(), 3u);
}

}  // namespace
}  // namespace bw
