// "Save Results As Text File" and the run's progress text on the real
// platform: Qt's own save dialog, real files and folders, an ordinary user's
// permissions, the display mode switched while the file is written.

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "WindowDriver.h"
#include "support/RealUser.h"
#include "support/RealWindow.h"

namespace bw::test {
namespace {

// Results rows in the full-results layout.
void AddResults(Form1& form, int count, const QString& number = QStringLiteral("255")) {
    form.ListView2->BeginBatch();
    for (int i = 0; i < count; ++i) {
        const int r = form.ListView2->AddRow(number);
        form.ListView2->SetSubItem(r, 1, QStringLiteral("Decimal To Hexadecimal"));
        form.ListView2->SetSubItem(r, 2, QStringLiteral("FF"));
    }
    form.ListView2->EndBatch();
}

const QByteArray kTwoRows =
    "Numbers\tConversion            \tResults\t\r\n"
    "255    \tDecimal To Hexadecimal\tFF     \t\r\n"
    "255    \tDecimal To Hexadecimal\tFF     \t\r\n";

// Saves the results through the real save dialog, typing path; returns the
// messages shown.
QStringList SaveThroughDialog(Form1& form, const QString& path) {
    RealUser user({{path}});
    form.PushButton4_Click();
    return user.messages;
}

// ---- a writable file in a folder where the user cannot create files ----

// The case below needs an ordinary user's permissions, which root does not
// have: run as root, it runs itself again as the user "nobody" in a child
// process, with this variable naming the file to save.
constexpr const char* kChildFileVar = "BASEWRIGHT_TEST_ORDINARY_USER_FILE";

// A folder nobody may create files in, holding a file everybody may write.
struct LockedFolder {
    LockedFolder() {
        ::chmod(QFile::encodeName(base.path()).constData(), 0755);
        QDir(base.path()).mkdir(QStringLiteral("locked"));
        folder = base.filePath(QStringLiteral("locked"));
        file = folder + QStringLiteral("/results.txt");
        WriteFile(file, "an older list\r\n");
        ::chmod(QFile::encodeName(file).constData(), 0666);
        ::chmod(QFile::encodeName(folder).constData(), 0555);
    }
    ~LockedFolder() { ::chmod(QFile::encodeName(folder).constData(), 0755); }
    // Under /tmp, which every user may enter.
    QTemporaryDir base{QStringLiteral("/tmp/basewright-test-XXXXXX")};
    QString folder;
    QString file;
};

ino_t Inode(const QString& path) {
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Runs the current test case again as "nobody" and returns its output;
// fails the test unless the child passed.
void RunAsOrdinaryUser(const LockedFolder& locked) {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    // A copy of this program that nobody can run wherever the build lies.
    const QString program = locked.base.filePath(QStringLiteral("test-program"));
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), program));
    ::chmod(QFile::encodeName(program).constData(), 0755);
    const QString home = locked.base.filePath(QStringLiteral("home"));
    QDir().mkpath(home);
    ASSERT_EQ(::chown(QFile::encodeName(home).constData(), nobody->pw_uid, nobody->pw_gid), 0);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildFileVar), locked.file);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("TMPDIR"), home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(home);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(
        QStringLiteral("setpriv"),
        {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"), program,
         QStringLiteral("--gtest_filter=%1.%2")
             .arg(QString::fromUtf8(info->test_suite_name()), QString::fromUtf8(info->name()))});
    ASSERT_TRUE(child.waitForStarted(10000)) << child.errorString().toStdString();
    const bool finished = child.waitForFinished(120000);
    const std::string output = child.readAll().toStdString();
    ASSERT_TRUE(finished) << output;
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output;
    EXPECT_EQ(child.exitCode(), 0) << output;
}

TEST(RealTextSave, AWritableFileInAFolderTheUserCannotCreateFilesInIsWrittenInPlace) {
    const QByteArray childFile = qgetenv(kChildFileVar);
    if (childFile.isEmpty()) {
        const LockedFolder locked;
        const ino_t inode = Inode(locked.file);
        if (::geteuid() == 0) {
            RunAsOrdinaryUser(locked);
        } else {
            RealWindow w;
            AddResults(*w.form, 2);
            EXPECT_TRUE(SaveThroughDialog(*w.form, locked.file).isEmpty());
        }
        EXPECT_EQ(ReadFile(locked.file), kTwoRows);
        EXPECT_EQ(Inode(locked.file), inode) << "written in place";
        EXPECT_EQ(QDir(locked.folder).entryList(QDir::Files), QStringList{"results.txt"});
        return;
    }
    // The child, as an ordinary user.
    const QString file = QFile::decodeName(childFile);
    ASSERT_NE(::geteuid(), 0u);
    RealWindow w;
    AddResults(*w.form, 2);
    const QStringList messages = SaveThroughDialog(*w.form, file);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(ReadFile(file), kTwoRows);
    EXPECT_EQ(w.form->MousePointer().Value(), kPointerNormal);
}

// ---- the display mode switched while the file is written ----

// Clicks "Show results only" the first time the progress bar shows the
// given position with its text, while the save yields.
TEST(RealTextSave, SwitchingTheDisplayModeMidSaveStillEndsEveryLineWithTabCrLf) {
    const struct {
        double at;
        QByteArray firstLine;
    } cases[] = {
        // Before the widths are measured: nothing is left to write but the
        // new header.
        {1, "Results\t\r\n"},
        // Measured, file not yet written: the header has the columns there
        // are now, padded to the widths measured.
        {10, "Results\t\r\n"},
        // Header written: it stays as written.
        {20, "Numbers\tConversion            \tResults\t\r\n"},
    };
    for (const auto& c : cases) {
        RealWindow w;
        ASSERT_TRUE(w.form->Option1->isChecked());
        AddResults(*w.form, 5000);
        const QString path = w.dir.filePath(QStringLiteral("switched.txt"));
        int seen = 0;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (w.form->ProgressBar1->Value() == c.at && w.form->ProgressBar1->Text().startsWith("Writing file:") &&
                ++seen == 1) {
                WindowDriver::ClickOption(w.form->Option2);
            }
        });
        watch.start();
        const QStringList messages = SaveThroughDialog(*w.form, path);
        watch.stop();
        ASSERT_GE(seen, 1) << c.at;
        ASSERT_TRUE(w.form->Option2->isChecked()) << c.at;
        const QByteArray bytes = ReadFile(path);
        const QList<QByteArray> lines = bytes.split('\n');
        ASSERT_GE(lines.size(), 2) << c.at;
        EXPECT_TRUE(lines.back().isEmpty()) << c.at << ": the file ends with a line's CR LF";
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            EXPECT_TRUE(lines[i].endsWith("\t\r")) << c.at << ": line " << i;
        EXPECT_TRUE(bytes.startsWith(c.at == 20 ? c.firstLine : QByteArray("Results")))
            << c.at << ": " << bytes.left(80).toStdString();
        EXPECT_EQ(bytes.indexOf("\r\n"), bytes.indexOf('\n') - 1) << c.at;
        for (const QString& m : messages) EXPECT_FALSE(m.contains("at line 112")) << m.toStdString();
        EXPECT_EQ(w.form->MousePointer().Value(), kPointerNormal);
    }
}

// ---- the progress texts: the run's entry, the save's file name ----

// Records every text the progress bar shows while the event loop turns.
struct BarTexts {
    explicit BarTexts(ProgressBar& bar) {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this, &bar] {
            if (texts.isEmpty() || texts.back() != bar.Text()) texts << bar.Text();
        });
        timer.start();
    }
    QStringList texts;
    QTimer timer;
};

TEST(RealProgressText, TheRunShowsTheEntryAfterItsLastBackslashOnly) {
    const struct {
        const char* entry;
        const char* shown;
    } cases[] = {
        {"1/2", "Processing: 1/2"},          {"/home/u/7", "Processing: /home/u/7"},
        {R"(C:\data\12)", "Processing: 12"}, {R"(3\4/5)", "Processing: 4/5"},
        {R"(77\)", "Processing: "},
    };
    for (const auto& c : cases) {
        RealWindow w;
        // Enough entries that the run shows its progress while it works.
        w.form->ListView1->BeginBatch();
        for (int i = 0; i < 100000; ++i) w.form->ListView1->AddRow(QString::fromUtf8(c.entry));
        w.form->ListView1->EndBatch();
        RealUser user;
        BarTexts bar(*w.form->ProgressBar1);
        w.form->PushButton17_Click();
        bar.timer.stop();
        EXPECT_EQ(user.messages, QStringList{"Done."}) << c.entry;
        QStringList processing = bar.texts.filter(QStringLiteral("Processing"));
        processing.removeDuplicates();
        EXPECT_EQ(processing, QStringList{QString::fromUtf8(c.shown)}) << c.entry;
    }
}

TEST(RealProgressText, TheSaveShowsTheFileNameAfterTheLastSlash) {
    const char* names[] = {R"(a\b.txt)", "list.txt", R"(C:\x.txt)"};
    for (const char* name : names) {
        RealWindow w;
        AddResults(*w.form, 2);
        const QString path = w.dir.filePath(QString::fromUtf8(name));
        BarTexts bar(*w.form->ProgressBar1);
        EXPECT_TRUE(SaveThroughDialog(*w.form, path).isEmpty()) << name;
        bar.timer.stop();
        EXPECT_TRUE(bar.texts.contains(QStringLiteral("Writing file: ") + QString::fromUtf8(name))) << name;
        EXPECT_EQ(ReadFile(path), kTwoRows) << name;
    }
}

}  // namespace
}  // namespace bw::test
