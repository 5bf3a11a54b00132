// The Qt platform classes themselves, with Qt's own dialogs driven as a
// person would: the input box (its long paste is tested through the window),
// the save and open dialogs, the clipboard, the
// INI settings file (unparsable lines, missing permissions) and the desktop
// shell.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

#include "shell/AppError.h"
#include "shell/QtPlatform.h"
#include "shell/Settings.h"
#include "support/AsOrdinaryUser.h"
#include "support/QtPrinters.h"
#include "support/RealUser.h"
#include "support/SmallDisk.h"

namespace bw::test {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

// Qt's widget dialogs, which a test can drive, also where the desktop would
// offer its own.
class RealDialogs : public ::testing::Test {
protected:
    void SetUp() override { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true); }
    void TearDown() override { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, false); }
    QtDialogs dialogs;
    QTemporaryDir dir;
};

TEST_F(RealDialogs, TheInputBoxGivesTheTextOnOkAndNothingOnCancel) {
    const struct {
        const char* typed;
        Qt::Key key;
        const char* result;
    } cases[] = {
        {"255, 16", Qt::Key_Return, "255, 16"},
        {"255, 16", Qt::Key_Escape, ""},
        {"", Qt::Key_Return, ""},
    };
    for (const auto& c : cases) {
        QString title;
        RealUser user;
        auto done = user.Next([&](QWidget* box) {
            title = box->windowTitle();
            auto* edit = box->findChild<QLineEdit*>();
            QTest::keyClicks(edit, QString::fromUtf8(c.typed));
            QTest::keyClick(edit, c.key);
        });
        EXPECT_EQ(dialogs.InputBox("Enter:", "Basewright", QString()), QString::fromUtf8(c.result)) << c.typed;
        EXPECT_TRUE(*done);
        EXPECT_EQ(title, "Basewright");
    }
}

// Types a name into a file dialog, as the user does in the folder the
// dialog shows, and presses Return once the dialog has taken the name in
// (its Save or Open button enabled). The keys go to the focused name field of
// the active dialog: without the focus the dialog replaces the typed text
// with the file it selects as the name is typed.
void TypeAndConfirm(QWidget* dialog, const QString& folder, const QString& typed) {
    auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(fileDialog, nullptr);
    fileDialog->setDirectory(folder);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog, 5000));
    name->setFocus();
    name->clear();
    QTest::keyClicks(name, typed);
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QPushButton* accept = buttons->button(QDialogButtonBox::Save);
    if (!accept) accept = buttons->button(QDialogButtonBox::Open);
    ASSERT_NE(accept, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return accept->isEnabled(); }, 5000)) << typed.toStdString();
    QTest::keyClick(name, Qt::Key_Return);
}

// What the save dialog did when a name was typed and confirmed.
struct SaveOutcome {
    QString returned;
    std::optional<QString> question;  // the replace question, when one was shown
    bool dialogStayedOpen = false;
};

SaveOutcome TypeIntoSaveDialog(QtDialogs& dialogs, const QString& folder, const QString& typed,
                               QMessageBox::StandardButton answer) {
    SaveOutcome outcome;
    RealUser user;
    auto done = user.Next([&](QWidget* dialog) {
        // Confirming may open the question, modal over the dialog, which
        // gets the answer below.
        TypeAndConfirm(dialog, folder, typed);
        QTest::qWait(50);
        if (dialog->isVisible()) {
            outcome.dialogStayedOpen = true;
            qobject_cast<QDialog*>(dialog)->reject();
        }
    });
    user.Next([&](QWidget* box) {
        auto* question = qobject_cast<QMessageBox*>(box);
        ASSERT_NE(question, nullptr);
        outcome.question = question->text();
        question->button(answer)->click();
    });
    outcome.returned = dialogs.SaveFile("Save", {"Text Files (*.txt)", "All Files (*)"}, QString());
    EXPECT_TRUE(*done);
    return outcome;
}

TEST_F(RealDialogs, TheSaveDialogAsksBeforeReplacingAFile) {
    const QString existing = dir.filePath("results.txt");
    WriteAll(existing, "keep");
    const QString fresh = dir.filePath("new.txt");
    const struct {
        const char* typed;
        QMessageBox::StandardButton answer;
        bool asked;
        bool stays;
        QString returned;
    } cases[] = {
        {"results.txt", QMessageBox::No, true, true, QString()},
        {"results.txt", QMessageBox::Yes, true, false, existing},
        {"new.txt", QMessageBox::Yes, false, false, fresh},
    };
    for (const auto& c : cases) {
        const SaveOutcome outcome = TypeIntoSaveDialog(dialogs, dir.path(), c.typed, c.answer);
        const std::string what = c.typed + std::string(c.answer == QMessageBox::No ? " No" : " Yes");
        EXPECT_EQ(outcome.question.has_value(), c.asked) << what;
        if (outcome.question) {
            EXPECT_TRUE(outcome.question->contains("results.txt already exists")) << outcome.question->toStdString();
            EXPECT_TRUE(outcome.question->contains("Do you want to replace it?"));
        }
        EXPECT_EQ(outcome.dialogStayedOpen, c.stays) << what;
        EXPECT_EQ(outcome.returned, c.returned) << what;
        EXPECT_EQ(ReadAll(existing), "keep") << what;  // the dialog never writes
        EXPECT_FALSE(QFile::exists(fresh)) << what;
    }
}

TEST_F(RealDialogs, TheOpenDialogTakesSeveralFilesWithTheFirstFilterChosen) {
    for (const char* name : {"a.txt", "b.txt"}) WriteAll(dir.filePath(name), "1\n");
    const struct {
        QString typed;
        QStringList returned;
    } cases[] = {
        {"\"a.txt\" \"b.txt\"", {dir.filePath("a.txt"), dir.filePath("b.txt")}},
        {"\"b.txt\" \"a.txt\"", {dir.filePath("b.txt"), dir.filePath("a.txt")}},
        {"b.txt", {dir.filePath("b.txt")}},
        {QString(), {}},  // cancelled
    };
    for (const auto& c : cases) {
        QString filter, title;
        bool stayedOpen = false;
        RealUser user;
        auto done = user.Next([&](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            ASSERT_NE(dialog, nullptr);
            filter = dialog->selectedNameFilter();
            title = dialog->windowTitle();
            if (!c.typed.isEmpty()) {
                TypeAndConfirm(dialog, dir.path(), c.typed);
                QTest::qWait(50);
            }
            stayedOpen = dialog->isVisible();
            if (stayedOpen) dialog->reject();
        });
        const QStringList picked = dialogs.OpenFiles("Load", {"Text Files (*.txt)", "All Files (*)"});
        EXPECT_TRUE(*done);
        EXPECT_EQ(picked, c.returned) << c.typed.toStdString();
        EXPECT_EQ(stayedOpen, c.typed.isEmpty()) << c.typed.toStdString();
        EXPECT_EQ(filter, "Text Files (*.txt)");
        EXPECT_EQ(title, "Load");
    }
}

TEST(QtClipboard, TextGoesInAndComesBackAndClearEmptiesIt) {
    QtClipboard clipboard;
    for (const QString& text : {QStringLiteral("1\r\n2\r\n"), QStringLiteral("Zahl ÄÖü € 日本 😀"),
                                QString(QChar(0xFEFF)) + QStringLiteral("12"), QStringLiteral("x")}) {
        ASSERT_TRUE(clipboard.SetText(text));
        EXPECT_EQ(clipboard.Text(), text);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
    }
    ASSERT_TRUE(clipboard.Clear());
    EXPECT_EQ(clipboard.Text(), "");
}

TEST(QtDesktopShell, AnAddressNothingCanOpenIsAFailure) {
    // The offscreen platform has no program to open web pages with.
    QtDesktopShell shell;
    try {
        shell.OpenUrl(QUrl("https://example.invalid/basewright"));
        ADD_FAILURE() << "no failure";
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find("https://example.invalid/basewright"), std::string::npos) << e.what();
    }
}

// The settings file as a person may have left it.
class SettingsFile : public ::testing::Test {
protected:
    QString Get(const char* key, const QString& defaultValue = "default") {
        return store.GetSetting(app, section, QString::fromLatin1(key), defaultValue);
    }
    void Save(const char* key, const QString& value) {
        store.SaveSetting(app, section, QString::fromLatin1(key), value);
    }
    QString Path() const { return store.FilePath(app); }

    QTemporaryDir dir;
    QtSettingsStore store{dir.path()};
    const QString app = QString::fromLatin1(kSettingsApp);
    const QString section = QString::fromLatin1(kSettingsSection);
};

TEST_F(SettingsFile, LinesQtCannotParseAreNoFailure) {
    const QByteArray files[] = {
        "[garbage\n[Basewright]\nOption1=False\nOption2=True\nZip%20Codes=\"1;2\"\n",
        "[Basewright\nOption1=False\nOption2=True\nZip%20Codes=\"1;2\"\n",
        "[Basewright]\nOption1=False\nOption2=True\nZip%20Codes=\"1;2\"\n[Other\n=\n",
    };
    for (const QByteArray& contents : files) {
        WriteAll(Path(), contents);
        // Qt finds a fault in the file. (Asked of a copy: QSettings keeps a
        // file it has parsed, and would not parse this one again.)
        const QString copy = dir.filePath("copy.ini");
        WriteAll(copy, contents);
        ASSERT_EQ(QSettings(copy, QSettings::IniFormat).status(), QSettings::FormatError) << contents.constData();
        EXPECT_EQ(Get("Option1"), "False") << contents.constData();
        EXPECT_EQ(Get("Option2"), "True");
        EXPECT_EQ(Get("Zip Codes"), "1;2");
        EXPECT_NO_THROW(Save("Zip Codes", "7;8")) << contents.constData();
        // Written, with the other values kept.
        QSettings after(Path(), QSettings::IniFormat);
        EXPECT_EQ(after.value("Basewright/Zip Codes").toString(), "7;8");
        EXPECT_EQ(after.value("Basewright/Option2").toString(), "True");
    }
}

// What an ordinary user meets when permissions are missing. Each case
// starts from a file with three values; "make" takes the permissions away.
TEST_F(SettingsFile, MissingPermissionsAreFailuresAndNothingElse) {
    if (!RunsAsOrdinaryUser()) return;
    const QByteArray clean = "[Basewright]\nOption1=False\nZip%20Codes=\"1;2\"\n";
    const QByteArray unparsable = "[garbage\n" + clean;
    const auto rw = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto dirAll = rw | QFileDevice::ExeOwner;
    const struct {
        const char* what;
        QByteArray contents;
        QFileDevice::Permissions file;
        QFileDevice::Permissions folder;
        bool readFails;
        bool writeFails;
    } cases[] = {
        {"file without read permission", clean, QFileDevice::WriteOwner, dirAll, true, true},
        {"read-only file", clean, QFileDevice::ReadOwner, dirAll, false, true},
        {"read-only file with an unparsable line", unparsable, QFileDevice::ReadOwner, dirAll, false, true},
        // QSettings locks the file through a file beside it.
        {"writable file in a read-only folder", clean, rw, QFileDevice::ReadOwner | QFileDevice::ExeOwner, false, true},
        {"no file in a read-only folder", QByteArray(), rw, QFileDevice::ReadOwner | QFileDevice::ExeOwner, false,
         true},
    };
    for (const auto& c : cases) {
        QTemporaryDir folder;
        QtSettingsStore local(folder.path());
        const QString path = local.FilePath(app);
        if (!c.contents.isEmpty()) {
            WriteAll(path, c.contents);
            ASSERT_TRUE(QFile::setPermissions(path, c.file));
        }
        ASSERT_TRUE(QFile::setPermissions(folder.path(), c.folder));
        std::optional<QString> read;
        try {
            read = local.GetSetting(app, section, "Option1", "1");
        } catch (const AppError&) {}
        bool writeFailed = false;
        try {
            local.SaveSetting(app, section, "Zip Codes", "9");
        } catch (const AppError&) {
            writeFailed = true;
        }
        QFile::setPermissions(folder.path(), dirAll);
        QFile::setPermissions(path, rw);
        EXPECT_EQ(!read.has_value(), c.readFails) << c.what;
        if (read) {
            EXPECT_EQ(*read, c.contents.isEmpty() ? "1" : "False") << c.what;
        }
        EXPECT_EQ(writeFailed, c.writeFails) << c.what;
        if (!c.contents.isEmpty()) {
            // What could not be written is left as it was.
            EXPECT_EQ(ReadAll(path) == c.contents, c.writeFails) << c.what << ": " << ReadAll(path).constData();
        }
    }
}

}  // namespace
}  // namespace bw::test

namespace bw::test {
namespace {

// What a write leaves of a file the program does not own alone: exactly the
// bytes that were there, with only the one value changed.
TEST_F(SettingsFile, AWriteChangesOnlyItsOwnValue) {
    const struct {
        const char* what;
        QByteArray before;
        const char* key;
        QString value;
        QByteArray after;
    } cases[] = {
        {"garbage before a foreign section", "garbage\n[[x\n[Keep]\nimportant=yes\n[Basewright]\nOption1=False\n",
         "Option1", "True", "garbage\n[[x\n[Keep]\nimportant=yes\n[Basewright]\nOption1=True\n"},
        {"comments, order and line breaks", "; mine\r\n[Basewright]\r\nZ=1\r\nOption1=False ; note\r\nA=2\r\n",
         "Option1", "True", "; mine\r\n[Basewright]\r\nZ=1\r\nOption1=True; note\r\nA=2\r\n"},
        {"a key not there yet goes first in its section", "[Basewright]\r\nOption1=True\r\n[Other]\r\nx=1\r\n",
         "Option2", "False", "[Basewright]\r\nOption2=False\r\nOption1=True\r\n[Other]\r\nx=1\r\n"},
        {"a section not there yet goes last", "[Other]\nx=1", "Zip Codes", "1;2",
         "[Other]\nx=1\n\n[Basewright]\nZip%20Codes=\"1;2\"\n"},
        {"an empty file", "", "Option1", "True", "[Basewright]\nOption1=True\n"},
        {"a byte-order mark", "\xEF\xBB\xBF[Basewright]\nOption1=False\n", "Option1", "True",
         "\xEF\xBB\xBF[Basewright]\nOption1=True\n"},
        {"the last of two lines of the key counts", "[Basewright]\nOption1=1\nOption1=2\n", "Option1", "True",
         "[Basewright]\nOption1=1\nOption1=True\n"},
        {"a value over several lines", "[Basewright]\nZip%20Codes=\"1;\n2\"\nOption1=True\n", "Zip Codes", "3",
         "[Basewright]\nZip%20Codes=3\nOption1=True\n"},
        {"the same key in another section", "[Other]\nOption1=x\n[Basewright]\nOption1=y\n", "Option1", "True",
         "[Other]\nOption1=x\n[Basewright]\nOption1=True\n"},
    };
    for (const auto& c : cases) {
        WriteAll(Path(), c.before);
        EXPECT_NO_THROW(Save(c.key, c.value)) << c.what;
        EXPECT_EQ(ReadAll(Path()), c.after) << c.what;
        EXPECT_EQ(QtSettingsStore(dir.path()).GetSetting(app, section, QString::fromLatin1(c.key), "-"), c.value)
            << c.what;
        // QSettings reads the same, the values it does not own too.
        const QString copy = dir.filePath(QStringLiteral("copy-%1.ini").arg(qHash(QByteArray(c.what))));
        WriteAll(copy, ReadAll(Path()));
        QSettings qt(copy, QSettings::IniFormat);
        EXPECT_EQ(qt.value("Basewright/" + QString::fromLatin1(c.key)).toString(), c.value) << c.what;
        if (c.before.contains("important")) {
            EXPECT_EQ(qt.value("Keep/important").toString(), "yes");
        }
        if (c.before.contains("x=1")) {
            EXPECT_NE(qt.value("Other/x", "gone").toString(), "gone") << c.what;
        }
    }
}

// One line QSettings cannot parse before the first section: each of two
// writes keeps the other's value, and neither reports.
TEST_F(SettingsFile, AnUnparsableFirstLineLosesNoWrite) {
    WriteAll(Path(), "garbage\n[Basewright]\nOption1=False\nOption2=True\n");
    EXPECT_NO_THROW(Save("Option1", "True"));
    EXPECT_NO_THROW(Save("Option2", "False"));
    QtSettingsStore fresh(dir.path());
    EXPECT_EQ(fresh.GetSetting(app, section, "Option1", "-"), "True");
    EXPECT_EQ(fresh.GetSetting(app, section, "Option2", "-"), "False");
    EXPECT_EQ(ReadAll(Path()), "garbage\n[Basewright]\nOption1=True\nOption2=False\n");
}

// Every text comes back exactly after a restart, a leading U+FEFF too, and
// QSettings reads the same text.
TEST_F(SettingsFile, EveryTextSurvivesARestart) {
    const QChar bom(0xFEFF);
    const QString texts[] = {QString(bom) + "1F",
                             QString(bom) + "1F;2;" + bom + "3",
                             "\t" + QString(bom),
                             " lead;trail ",
                             "a,b;=c;\"q\";\\;#;ünï;日本;😀",
                             "@x;@@y",
                             QString("a") + QChar(0) + "b",
                             ""};
    int n = 0;
    for (const QString& text : texts) {
        Save("Zip Codes", text);
        EXPECT_EQ(QtSettingsStore(dir.path()).GetSetting(app, section, "Zip Codes", "-"), text) << text.toStdString();
        const QString copy = dir.filePath(QStringLiteral("restart-%1.ini").arg(n++));
        WriteAll(copy, ReadAll(Path()));
        EXPECT_EQ(QSettings(copy, QSettings::IniFormat).value("Basewright/Zip Codes").toString(), text)
            << text.toStdString();
    }
}

// The file keeps its permissions, a link to it stays a link, and nothing
// is left beside it.
TEST_F(SettingsFile, AWriteKeepsTheFilesPermissionsAndLinks) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("real.ini");
    WriteAll(target, "[Basewright]\nOption1=False\n");
    ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::link(target, Path()));
    Save("Option1", "True");
    EXPECT_TRUE(QFileInfo(Path()).isSymLink());
    EXPECT_EQ(ReadAll(target), "[Basewright]\nOption1=True\n");
    const auto ownerGroupOther = QFileDevice::Permissions::fromInt(0x7077);
    EXPECT_EQ(QFile::permissions(target) & ownerGroupOther, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"real.ini"});
}

// A FIFO or a file with a quote that never closes: reported at once, and
// left as it is.
TEST_F(SettingsFile, WhatCannotBeReadOrKeptIsReportedAndLeftAlone) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path()).constData(), 0600), 0);
    EXPECT_THROW(Get("Option1"), AppError);  // it would wait for a writer forever
    EXPECT_THROW(Save("Option1", "True"), AppError);
    EXPECT_TRUE(QFileInfo(Path()).exists() && !QFileInfo(Path()).isFile());
    QFile::remove(Path());

    // (A key outside any section, so that no new section can go first.)
    const QByteArray open = "x=\"never closed\n";
    WriteAll(Path(), open);
    try {
        Save("Option1", "True");
        ADD_FAILURE() << "no failure";
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot be written"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadAll(Path()), open);
}

// A full disk: the write fails before it starts, says why, and leaves the
// old file whole with nothing beside it.
TEST(SettingsFileOnAFullDisk, TheOldFileStaysWholeAndTheCauseIsNamed) {
    SmallDisk disk(256 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
    QtSettingsStore store(disk.Path());
    const QString app = QString::fromLatin1(kSettingsApp), section = QString::fromLatin1(kSettingsSection);
    store.SaveSetting(app, section, "Zip Codes", "1;2;3");
    const QByteArray old = ReadAll(store.FilePath(app));
    disk.Fill(16 * 1024);
    const QString big = QString("1234567890;").repeated(20000);
    try {
        store.SaveSetting(app, section, "Zip Codes", big);
        ADD_FAILURE() << "no failure";
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadAll(store.FilePath(app)), old);
    EXPECT_EQ(QDir(disk.Path()).entryList(QDir::Files), QStringList{"Marlquist.ini"});
    EXPECT_EQ(QtSettingsStore(disk.Path()).GetSetting(app, section, "Zip Codes", "-"), "1;2;3");
}

}  // namespace
}  // namespace bw::test
