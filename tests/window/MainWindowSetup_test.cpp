// The window's set-up and shutdown: what a first start shows, what comes
// back after a restart, the stored display modes, the skin and pointer
// files beside the program, and the error reports of failing steps.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QTemporaryDir>
#include <QTime>

#include <sys/stat.h>
#include <optional>

#include "WindowDriver.h"
#include "core/ConversionOptions.h"
#include "shell/ErrorReport.h"
#include "shell/Twips.h"
#include "support/AsOrdinaryUser.h"
#include "support/CursorFile.h"
#include "support/ExpectedReport.h"
#include "window/MainWindowSetup.h"

namespace bw {
namespace {

using test::WindowDriver;

const QStringList kFullColumns = {"Numbers", "Conversion", "Results"};
const QStringList kResultsOnly = {"Results"};
const QString kLoad = test::ReportLocation("Form_Load") + "at line ";

TEST(ShortenProductTitle, CutsAtBlanksDownToFortyCharacters) {
    const struct {
        const char* title;
        const char* shortened;
    } cases[] = {
        {"Basewright", "Basewright"},
        {"Basewright Converter", "Basewright"},
        {"Lists, Converted Exactly", "Lists, Converted"},
        {"Marlquist Basewright, the number list converter for everyone", "Marlquist Basewright, the number list"},
        {"Forty characters exactly in this title x and more", "Forty characters exactly in this title x"},
        {"abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz",
         "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz"},
        {"Short abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyz end", "Short"},
        {"trailing ", "trailing"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ShortenProductTitle(c.title), c.shortened) << c.title;
}

TEST(HomePageDraw, GivesOneToAHundred) {
    const struct {
        double r;
        int draw;
    } cases[] = {
        {0.0, 1}, {0.0599, 6}, {0.06, 7}, {0.0699, 7}, {0.07, 8}, {0.5, 51}, {0.999999, 100},
    };
    for (const auto& c : cases) EXPECT_EQ(HomePageDraw(c.r), c.draw) << c.r;
}

TEST(FormLoad, FirstStart) {
    WindowDriver window;
    Form1& f = *window;
    EXPECT_EQ(f.windowTitle(), "Basewright");
    EXPECT_EQ(f.ApplicationTitle(), "Basewright");
    EXPECT_FALSE(f.windowIcon().isNull());
    EXPECT_TRUE(f.Option1->isChecked());
    EXPECT_FALSE(f.Option2->isChecked());
    EXPECT_EQ(WindowDriver::Columns(f.ListView2), kFullColumns);
    EXPECT_EQ(f.ListView2->RowCount(), 0);
    EXPECT_EQ(WindowDriver::Columns(f.ListView1), QStringList({"Numbers"}));
    EXPECT_EQ(f.ListView1->horizontalHeader()->sectionSize(0), TwipsToPixels(7000, f.ListView1->logicalDpiX()));
    EXPECT_EQ(f.ListView1->RowCount(), 0);
    ASSERT_EQ(f.Combo1->count(), 12);
    for (int i = 0; i < 12; ++i) {
        const auto& name = ConversionOptions()[static_cast<std::size_t>(i)].name;
        EXPECT_EQ(f.Combo1->itemText(i), QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    EXPECT_EQ(f.Combo1->currentText(), "Decimal To Hexadecimal");
    EXPECT_EQ(f.MousePointer().Value(), kPointerNormal);
    EXPECT_FALSE(f.MousePointer().HasCustomImage());
    EXPECT_EQ(f.ProgressBar1->text(), "Progress Bar");
    // Nothing shown, nothing stored, the page not opened; the generator
    // seeded with the seconds since midnight.
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
    EXPECT_TRUE(window.scripted.settings.writes.empty());
    EXPECT_TRUE(window.scripted.shell.openedUrls.empty());
    ASSERT_EQ(window.scripted.random.seeds.size(), 1u);
    const int now = QTime::currentTime().msecsSinceStartOfDay() / 1000;
    EXPECT_LE(std::abs(static_cast<int>(window.scripted.random.seeds[0]) - now) % 86399, 5);
}

TEST(FormLoad, OpensTheHomePageOnADrawOfSeven) {
    for (double r : {0.06, 0.065, 0.0699, 0.0599, 0.07, 0.99}) {
        WindowDriver window(false);
        window.scripted.random.value = r;
        window.Start();
        const bool opens = HomePageDraw(r) == 7;
        ASSERT_EQ(window.scripted.shell.openedUrls.size(), opens ? 1u : 0u) << r;
        if (opens) {
            EXPECT_EQ(window.scripted.shell.openedUrls[0], QUrl(kHomePageUrl));
        }
    }
}

TEST(Restart, InputRowsComeBackWithoutEmptyOnesAndSplitAtSemicolons) {
    WindowDriver window;
    window.scripted.dialogs.QueueInput("12,,a;b,  x  ");
    WindowDriver::Click(window->PushButton6);
    window->ListView1->AddRow(" x ");
    window->ListView1->AddRow("12");
    window->ListView1->AddRow("ÄÖ 1/2 \t");
    window->ListView2->AddRow("FF");
    window->Combo1->setCurrentIndex(5);

    window.Restart();
    EXPECT_EQ(window.scripted.settings.Stored("Zip Codes"), "12;;a;b;x; x ;12;ÄÖ 1/2 \t");
    EXPECT_EQ(WindowDriver::Rows(window->ListView1), QStringList({"12", "a", "b", "x", " x ", "12", "ÄÖ 1/2 \t"}));
    EXPECT_EQ(window->ListView2->RowCount(), 0);
    EXPECT_EQ(window->Combo1->currentIndex(), 0);
    EXPECT_EQ(window->Combo1->currentText(), "Decimal To Hexadecimal");
    EXPECT_EQ(window.scripted.shell.endProgramCalls, 1);
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
}

TEST(Restart, AnEmptyListReplacesTheStoredOne) {
    WindowDriver window(false);
    window.scripted.settings.Store("Zip Codes", "1;2");
    window.Start();
    EXPECT_EQ(window->ListView1->RowCount(), 2);
    WindowDriver::Click(window->PushButton1);
    window.Restart();
    EXPECT_EQ(window.scripted.settings.Stored("Zip Codes"), "");
    EXPECT_EQ(window->ListView1->RowCount(), 0);
}

TEST(Restart, ShowResultsOnlyIsRemembered) {
    WindowDriver window;
    WindowDriver::ClickOption(window->Option2);
    window.scripted.settings.writes.clear();
    window.Restart();
    EXPECT_TRUE(window->Option2->isChecked());
    EXPECT_FALSE(window->Option1->isChecked());
    EXPECT_EQ(WindowDriver::Columns(window->ListView2), kResultsOnly);
    // Restoring the buttons does not run the switch: only the close wrote.
    ASSERT_EQ(window.scripted.settings.writes.size(), 1u);
    EXPECT_EQ(window.scripted.settings.writes[0].first, "Zip Codes");
}

TEST(Restart, TheCloseRequestSavesThenTheProgramEnds) {
    WindowDriver window;
    WindowDriver::Click(window->PushButton7);
    window->close();
    EXPECT_EQ(window.scripted.settings.Stored("Zip Codes"), "123;2;8000");
    EXPECT_EQ(window.scripted.shell.endProgramCalls, 1);
    EXPECT_TRUE(window->Unloaded());
    EXPECT_FALSE(window->isVisible());
}

TEST(Restart, AFailedSaveIsReportedAndTheProgramStillEnds) {
    WindowDriver window;
    window.scripted.settings.failingWrites = {"Zip Codes"};
    WindowDriver::Click(window->PushButton7);
    window->close();
    EXPECT_EQ(window.ReportedLocations(), QStringList({test::ReportedAt("Form_QueryUnload", 110)}));
    EXPECT_EQ(window.scripted.shell.endProgramCalls, 1);
}

struct StoredMode {
    std::optional<QString> option1, option2;
    bool checked1, checked2;
    QStringList columns;
    QStringList reports;
};

TEST(FormLoad, RestoresTheStoredDisplayMode) {
    const StoredMode cases[] = {
        {std::nullopt, std::nullopt, true, false, kFullColumns, {}},
        {"True", "False", true, false, kFullColumns, {}},
        {"False", "True", false, true, kResultsOnly, {}},
        {"False", "False", false, false, kResultsOnly, {}},
        {"1", "0", true, false, kFullColumns, {}},
        {"0", "-1", false, true, kResultsOnly, {}},
        {"true", "FALSE", true, false, kFullColumns, {}},
        {"True", "True", false, true, kResultsOnly, {}},
        {"maybe", std::nullopt, false, false, kResultsOnly, {kLoad + "132"}},
        {std::nullopt, "x", true, false, kFullColumns, {kLoad + "134"}},
        {"yes", "", false, false, kResultsOnly, {kLoad + "132", kLoad + "134"}},
    };
    for (const StoredMode& c : cases) {
        WindowDriver window(false);
        if (c.option1) window.scripted.settings.Store("Option1", *c.option1);
        if (c.option2) window.scripted.settings.Store("Option2", *c.option2);
        window.scripted.settings.Store("Zip Codes", "5");
        window.Start();
        const std::string what = c.option1.value_or("-").toStdString() + "/" + c.option2.value_or("-").toStdString();
        EXPECT_EQ(window->Option1->isChecked(), c.checked1) << what;
        EXPECT_EQ(window->Option2->isChecked(), c.checked2) << what;
        EXPECT_EQ(WindowDriver::Columns(window->ListView2), c.columns) << what;
        EXPECT_EQ(window.ReportedLocations(), c.reports) << what;
        // The set-up went on to its end.
        EXPECT_EQ(WindowDriver::Rows(window->ListView1), QStringList({"5"})) << what;
        EXPECT_EQ(window->Combo1->currentText(), "Decimal To Hexadecimal") << what;
        EXPECT_TRUE(window.scripted.settings.writes.empty()) << what;
    }
}

TEST(FormLoad, ANoTruthValueReportsTypeMismatch) {
    WindowDriver window(false);
    window.scripted.settings.Store("Option1", "maybe");
    window.Start();
    const auto reports = window.scripted.dialogs.ErrorReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, "Type mismatch\r\n" + test::ReportedAt("Form_Load", 132) +
                                   "\r\rPlease email screenshot of this message to " + QString(kSupportAddress));
    EXPECT_EQ(reports[0].style, kMsgExclamation);
    EXPECT_EQ(reports[0].title, "Application Error");
}

TEST(FormLoad, FailingSettingsReadsAreReportedAtTheirLines) {
    const struct {
        QString key;
        QStringList reports;
        bool full;
        int rows;
    } cases[] = {
        {"Option1", {kLoad + "132"}, false, 1},
        {"Option2", {kLoad + "134"}, true, 1},
        {"Zip Codes", {kLoad + "158"}, true, 0},
    };
    for (const auto& c : cases) {
        WindowDriver window(false);
        window.scripted.settings.Store("Zip Codes", "77");
        window.scripted.settings.failingReads = {c.key};
        window.Start();
        EXPECT_EQ(window.ReportedLocations(), c.reports) << c.key.toStdString();
        EXPECT_EQ(WindowDriver::Columns(window->ListView2), c.full ? kFullColumns : kResultsOnly);
        EXPECT_EQ(window->ListView1->RowCount(), c.rows);
        EXPECT_EQ(window->Combo1->count(), 12);
    }
}

// The files beside the program.
class ProgramFolder : public ::testing::Test {
protected:
    void SetUp() override { window.scripted.platform().programFolder = folder.path(); }
    void Write(const QString& name, const QByteArray& bytes) {
        QDir(folder.path()).mkpath(QFileInfo(folder.filePath(name)).path());
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void ExpectButtonFaceColours(bool skinned) {
        const QColor expected = skinned ? QGuiApplication::palette().color(QPalette::Button) : QColor(Qt::white);
        for (QWidget* w : {static_cast<QWidget*>(window.form.get()), static_cast<QWidget*>(window->Frame1),
                           static_cast<QWidget*>(window->Frame2), static_cast<QWidget*>(window->Option1),
                           static_cast<QWidget*>(window->Option2)}) {
            EXPECT_EQ(w->palette().color(QPalette::Window), expected) << w->objectName().toStdString();
            if (w != window.form.get()) {
                EXPECT_EQ(WindowDriver::DrawnColour(w), expected) << w->objectName().toStdString();
            }
        }
        EXPECT_EQ(window->PushButton6->palette().color(QPalette::Button), QColor(Qt::white));
    }

    QTemporaryDir folder;
    WindowDriver window{false};
};

TEST_F(ProgramFolder, ASkinFileRestylesTheWindow) {
    const QByteArray sheet = "QPushButton { color: rgb(10, 20, 30); }";
    Write("x/o.cjs", sheet);
    window.Start();
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
    EXPECT_EQ(window->styleSheet(), QString::fromUtf8(sheet));
    ExpectButtonFaceColours(true);
    EXPECT_EQ(window->PushButton6->palette().color(QPalette::ButtonText), QColor(10, 20, 30));
}

TEST_F(ProgramFolder, AFolderNamedLikeTheSkinIsNoSkin) {
    ASSERT_TRUE(QDir(folder.path()).mkpath("x/o.cjs"));
    window.Start();
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
    EXPECT_TRUE(window->styleSheet().isEmpty());
    ExpectButtonFaceColours(false);
}

TEST_F(ProgramFolder, AnUnreadableSkinIsReportedAndTheSetUpGoesOn) {
    // A file that opens but fails on reading (root reads every file whatever
    // its permissions, so a permission test alone would not fail here).
    ASSERT_TRUE(QDir(folder.path()).mkpath("x"));
    ASSERT_TRUE(QFile::link("/proc/self/mem", folder.filePath("x/o.cjs")));
    window.scripted.settings.Store("Zip Codes", "9");
    window.Start();
    EXPECT_EQ(window.ReportedLocations(), QStringList({kLoad + "102"}));
    ExpectButtonFaceColours(true);  // the colours were changed before the read
    EXPECT_EQ(window->windowTitle(), "Basewright");
    EXPECT_EQ(window->ListView1->RowCount(), 1);
    EXPECT_EQ(window->Combo1->count(), 12);
}

TEST_F(ProgramFolder, ASkinWithoutReadPermissionIsReported) {
    if (!test::RunsAsOrdinaryUser()) return;  // root reads files without read permission
    Write("x/o.cjs", "QWidget {}");
    ASSERT_TRUE(QFile::setPermissions(folder.filePath("x/o.cjs"), QFileDevice::WriteOwner));
    window.Start();
    EXPECT_EQ(window.ReportedLocations(), QStringList({kLoad + "102"}));
}

TEST_F(ProgramFolder, AHandCursorFileShowsOverTheButtons) {
    Write("HAND-M.CUR", bw::test::CursorFileBytes(3, 4));
    window.Start();
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
    ASSERT_TRUE(window->MousePointer().HasCustomImage());
    window.MoveOver(window->PushButton17);
    EXPECT_EQ(window->MousePointer().Value(), kPointerHand);
    EXPECT_EQ(window->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(window->cursor().hotSpot(), QPoint(3, 4));
    window.MoveOver(window->ListView1->viewport());
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ProgramFolder, ABrokenHandCursorFileIsReportedAtItsLine) {
    Write("HAND-M.CUR", "not a cursor");
    window.Start();
    EXPECT_EQ(window.ReportedLocations(), QStringList({kLoad + "108"}));
    EXPECT_FALSE(window->MousePointer().HasCustomImage());
    EXPECT_EQ(window->Combo1->count(), 12);
}

// Look files that are not what they seem: a FIFO would keep the window from
// ever appearing, a device or a huge file would fill the memory. Each is
// refused without being read and reported at its statement; the set-up goes
// on to its end.
long PeakResidentKb() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

TEST_F(ProgramFolder, LookFilesThatAreNoRegularFilesAreRefusedAtTheirLines) {
    const QString fifo = folder.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray big(5 * 1024 * 1024, ' ');
    const struct {
        const char* what;
        const char* name;  // the look file ...
        QString linkTo;    // ... as a link to this, or
        QByteArray bytes;  // ... holding these bytes
        QString report;
    } cases[] = {
        {"a FIFO as the cursor", "HAND-M.CUR", fifo, {}, kLoad + "108"},
        {"/dev/zero as the cursor", "HAND-M.CUR", "/dev/zero", {}, kLoad + "108"},
        {"a huge cursor", "HAND-M.CUR", {}, big, kLoad + "108"},
        {"a FIFO as the skin", "x/o.cjs", fifo, {}, kLoad + "102"},
        {"/dev/zero as the skin", "x/o.cjs", "/dev/zero", {}, kLoad + "102"},
        {"a skin that names a FIFO",
         "x/o.cjs",
         {},
         "QPushButton { image: url(" + fifo.toUtf8() + "); }",
         kLoad + "102"},
        {"a skin that names /dev/zero",
         "x/o.cjs",
         {},
         "QWidget { background-image: url(\"/dev/zero\"); }",
         kLoad + "102"},
    };
    for (const auto& c : cases) {
        WindowDriver window(false);
        window.scripted.platform().programFolder = folder.path();
        QFile::remove(folder.filePath("HAND-M.CUR"));
        QDir(folder.filePath("x")).removeRecursively();
        if (!c.linkTo.isEmpty()) {
            QDir(folder.path()).mkpath(QFileInfo(folder.filePath(c.name)).path());
            ASSERT_TRUE(QFile::link(c.linkTo, folder.filePath(c.name))) << c.what;
        } else {
            Write(c.name, c.bytes);
        }
        window.scripted.settings.Store("Zip Codes", "9");
        const long peakBefore = PeakResidentKb();
        window.Start();  // returns: nothing waited on the FIFO
        EXPECT_LT(PeakResidentKb() - peakBefore, 64 * 1024) << c.what;
        EXPECT_EQ(window.ReportedLocations(), QStringList({c.report})) << c.what;
        EXPECT_FALSE(window->MousePointer().HasCustomImage()) << c.what;
        EXPECT_TRUE(window->styleSheet().isEmpty()) << c.what;
        EXPECT_EQ(window->ListView1->RowCount(), 1) << c.what;
        EXPECT_EQ(window->Combo1->count(), 12) << c.what;
    }
}

// Look files in the desktop's data folders, each file found on its own in
// the first folder that holds it: the program's folder, then the user's,
// then the system's.
TEST_F(ProgramFolder, LookFilesAreFoundInTheDataFoldersAfterTheProgramsFolder) {
    QTemporaryDir data;
    const QByteArray home = qgetenv("XDG_DATA_HOME"), dirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.filePath("home")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(data.filePath("system")));
    auto put = [&](const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    put(data.filePath("system/basewright/x/o.cjs"), "QPushButton { color: rgb(1, 2, 3); }");
    put(data.filePath("home/basewright/x/o.cjs"), "QPushButton { color: rgb(4, 5, 6); }");
    put(data.filePath("system/basewright/HAND-M.CUR"), bw::test::CursorFileBytes(5, 6));
    window.Start();
    EXPECT_TRUE(window.scripted.dialogs.messages.empty());
    EXPECT_EQ(window->PushButton6->palette().color(QPalette::ButtonText), QColor(4, 5, 6));  // the user's
    ASSERT_TRUE(window->MousePointer().HasCustomImage());                                    // the system's
    window.MoveOver(window->PushButton17);
    EXPECT_EQ(window->cursor().hotSpot(), QPoint(5, 6));

    // The program's own folder comes first.
    WindowDriver second(false);
    second.scripted.platform().programFolder = folder.path();
    Write("x/o.cjs", "QPushButton { color: rgb(7, 8, 9); }");
    second.Start();
    EXPECT_EQ(second->PushButton6->palette().color(QPalette::ButtonText), QColor(7, 8, 9));
    qputenv("XDG_DATA_HOME", home);
    qputenv("XDG_DATA_DIRS", dirs);
    if (home.isNull()) qunsetenv("XDG_DATA_HOME");
    if (dirs.isNull()) qunsetenv("XDG_DATA_DIRS");
}

}  // namespace
}  // namespace bw
