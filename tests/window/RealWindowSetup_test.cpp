// The real window on the real Qt platform: Qt's own boxes, the INI settings
// file, the desktop shell, the clipboard and the files beside the program.
// Set-up, the close request, a long paste into the input box, the error
// reports of failing set-up steps, and a row that starts with U+FEFF.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <optional>

#include "export/ClipboardExport.h"
#include "shell/ErrorReport.h"
#include "support/AsOrdinaryUser.h"
#include "support/CursorFile.h"
#include "support/ExpectedReport.h"
#include "support/QtPrinters.h"
#include "support/RealUser.h"
#include "support/RealWindow.h"
#include "window/MainWindowSetup.h"

namespace bw::test {
namespace {

const QChar kBom(0xFEFF);
const QString kLoad = ReportLocation("Form_Load") + "at line ";
const QString kClose = ReportLocation("Form_QueryUnload") + "at line ";

// The text of every message box the user answered, with OK or Yes.
QStringList BoxTexts(const RealUser& user) { return user.messages + user.questions; }

// "location at line N" of each error report the user answered.
QStringList ReportedLocations(const RealUser& user) {
    QStringList where;
    for (qsizetype i = 0; i < user.messages.size(); ++i) {
        if (user.titles[i] != "Application Error") continue;
        for (const QString& line : user.messages[i].split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String(kReportPrefix))) where << line;
    }
    return where;
}

void Write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

QStringList Rows(const ListView* list) {
    QStringList rows;
    for (int i = 1; i <= list->RowCount(); ++i) rows << list->RowText(i);
    return rows;
}

QStringList Columns(const ListView* list) {
    QStringList columns;
    for (int n = 1; n <= list->ColumnCount(); ++n) columns << list->ColumnCaption(n);
    return columns;
}

// Has the user paste text into the next input box and confirm it.
std::shared_ptr<bool> PasteIntoInputBox(RealUser& user, RealWindow& w, const QString& text) {
    w.clipboard.SetText(text);
    return user.Next([](QWidget* box) {
        auto* edit = box->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

// The window's close request, then a new window over the same settings.
void Restart(RealWindow& w) {
    w.form->Form_QueryUnload();
    w.form = std::make_unique<Form1>(w.platform);
    w.dialogs.SetParent(w.form.get());
    w.form->Form_Load();
    w.form->show();
}

TEST(RealWindowSetup, APastedListOf5000NumbersIsAddedWhole) {
    RealWindow w;
    QStringList numbers;
    for (int i = 0; i < 5000; ++i) numbers << QString::number(1000000000000000000LL + i * 7919LL);
    const QString pasted = numbers.join(QLatin1Char(','));
    ASSERT_GT(pasted.size(), 99000);
    RealUser user;
    auto done = PasteIntoInputBox(user, w, pasted);
    w.form->PushButton6_Click();
    ASSERT_TRUE(*done);
    EXPECT_EQ(Rows(w.form->ListView1), numbers);
    EXPECT_TRUE(BoxTexts(user).isEmpty());
}

TEST(RealWindowSetup, AHomePageThatCannotBeOpenedIsReportedAtItsLine) {
    // The offscreen platform has no program to open web pages with.
    const struct {
        double r;
        bool opens;
    } cases[] = {{0.06, true}, {0.0699, true}, {0.0599, false}, {0.5, false}};
    for (const auto& c : cases) {
        ASSERT_EQ(HomePageDraw(c.r) == 7, c.opens);
        RealWindow w(false);
        w.random = FixedRandomSource(c.r);
        RealUser user;
        w.form->Form_Load();
        EXPECT_EQ(ReportedLocations(user), c.opens ? QStringList{kLoad + "110"} : QStringList()) << c.r;
        if (c.opens) {
            const QStringList texts = BoxTexts(user);
            ASSERT_EQ(texts.size(), 1);
            EXPECT_TRUE(texts[0].startsWith("No program was found to open the web page " +
                                            QString::fromLatin1(kHomePageUrl) + "\n"))
                << texts[0].toStdString();
        }
        EXPECT_EQ(w.form->Combo1->count(), 12) << c.r;  // the set-up went on
    }
}

TEST(RealWindowSetup, TheFilesBesideTheProgramRestyleTheWindowOrAreReported) {
    const QByteArray sheet = "QPushButton { color: rgb(10, 20, 30); }";
    const struct {
        const char* what;
        std::optional<QByteArray> skin;
        std::optional<QByteArray> cursor;
        QStringList reports;
        bool styled;
        bool hand;
    } cases[] = {
        {"no files", std::nullopt, std::nullopt, {}, false, false},
        {"skin", sheet, std::nullopt, {}, true, false},
        {"cursor", std::nullopt, CursorFileBytes(3, 4), {}, false, true},
        {"skin and cursor", sheet, CursorFileBytes(3, 4), {}, true, true},
        {"no style sheet", QByteArray("this is { not a { sheet"), CursorFileBytes(3, 4), {kLoad + "102"}, false, true},
        {"unclosed rule",
         QByteArray("QPushButton { color: red; } QLabel {"),
         std::nullopt,
         {kLoad + "102"},
         false,
         false},
        {"broken cursor", sheet, QByteArray("not a cursor"), {kLoad + "108"}, true, false},
    };
    for (const auto& c : cases) {
        RealWindow w(false);
        if (c.skin) Write(w.ProgramFolder() + "/x/o.cjs", *c.skin);
        if (c.cursor) Write(w.ProgramFolder() + "/HAND-M.CUR", *c.cursor);
        RealUser user;
        w.form->Form_Load();
        w.form->show();
        EXPECT_EQ(ReportedLocations(user), c.reports) << c.what;
        // A skin file that is there takes the window to the button colour,
        // applied or not; only a sheet Qt can parse restyles it.
        const QColor background = w.form->palette().color(QPalette::Window);
        EXPECT_EQ(background == QGuiApplication::palette().color(QPalette::Button), c.skin.has_value()) << c.what;
        EXPECT_EQ(w.form->styleSheet(), c.styled ? QString::fromUtf8(sheet) : QString()) << c.what;
        EXPECT_EQ(w.form->PushButton6->palette().color(QPalette::ButtonText) == QColor(10, 20, 30), c.styled) << c.what;
        EXPECT_EQ(w.form->MousePointer().HasCustomImage(), c.hand) << c.what;
        w.form->MousePointer().Set(kPointerHand);
        EXPECT_EQ(w.form->cursor().shape(), c.hand ? Qt::BitmapCursor : Qt::ArrowCursor) << c.what;
        if (c.hand) {
            EXPECT_EQ(w.form->cursor().hotSpot(), QPoint(3, 4)) << c.what;
        }
    }
}

TEST(RealWindowSetup, ASettingsFileWithLinesQtCannotParseIsReadAndWrittenWithoutReports) {
    const QByteArray values = "Option1=False\nOption2=True\nZip%20Codes=\"1;2\"\n";
    const QByteArray files[] = {
        "[garbage\n[Basewright]\n" + values,
        "[Basewright\n" + values,
        "[Basewright]\n" + values + "[Other section\n",
    };
    for (const QByteArray& file : files) {
        RealWindow w(false);
        Write(w.SettingsFile(), file);
        RealUser user;
        w.form->Form_Load();
        EXPECT_TRUE(w.form->Option2->isChecked()) << file.constData();
        EXPECT_EQ(Columns(w.form->ListView2), QStringList{"Results"});
        EXPECT_EQ(Rows(w.form->ListView1), QStringList({"1", "2"}));
        w.form->ListView1->AddRow("3");
        w.form->Form_QueryUnload();
        EXPECT_TRUE(BoxTexts(user).isEmpty()) << file.constData() << ": " << BoxTexts(user).join(" | ").toStdString();
        // Only the value written changed: the lines QSettings cannot parse
        // stay, and QSettings still reads every value.
        QByteArray expected = file;
        expected.replace("Zip%20Codes=\"1;2\"", "Zip%20Codes=\"1;2;3\"");
        EXPECT_EQ(Read(w.SettingsFile()), expected);
        QSettings written(w.SettingsFile(), QSettings::IniFormat);
        EXPECT_EQ(written.value("Basewright/Zip Codes").toString(), "1;2;3") << file.constData();
        EXPECT_EQ(written.value("Basewright/Option2").toString(), "True");
    }
}

// A settings file or folder the user cannot read or write: every value that
// could not be read and the list that could not be saved is reported, and
// nothing else.
TEST(RealWindowSetup, SettingsTheUserCannotReachAreReportedAtTheirLines) {
    if (!RunsAsOrdinaryUser()) return;
    const QByteArray contents = "[Basewright]\nOption1=False\nOption2=True\nZip%20Codes=\"1;2\"\n";
    const auto rw = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto folderAll = rw | QFileDevice::ExeOwner;
    const auto folderReadOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    const struct {
        const char* what;
        bool file;
        QFileDevice::Permissions filePermissions;
        QFileDevice::Permissions folderPermissions;
        QStringList loadReports;
        QStringList rows;
    } cases[] = {
        {"file without read permission",
         true,
         QFileDevice::WriteOwner,
         folderAll,
         {kLoad + "132", kLoad + "134", kLoad + "158"},
         {}},
        {"read-only file", true, QFileDevice::ReadOwner, folderAll, {}, {"1", "2"}},
        {"read-only folder without a file", false, rw, folderReadOnly, {}, {}},
    };
    for (const auto& c : cases) {
        RealWindow w(false);
        QDir().mkpath(w.SettingsFolder());
        if (c.file) {
            Write(w.SettingsFile(), contents);
            ASSERT_TRUE(QFile::setPermissions(w.SettingsFile(), c.filePermissions));
        }
        ASSERT_TRUE(QFile::setPermissions(w.SettingsFolder(), c.folderPermissions));
        RealUser user;
        w.form->Form_Load();
        EXPECT_EQ(ReportedLocations(user), c.loadReports) << c.what;
        EXPECT_EQ(Rows(w.form->ListView1), c.rows) << c.what;
        w.form->ListView1->AddRow("9");
        w.form->Form_QueryUnload();
        EXPECT_EQ(ReportedLocations(user), c.loadReports + QStringList{kClose + "110"}) << c.what;
        QFile::setPermissions(w.SettingsFolder(), folderAll);
        QFile::setPermissions(w.SettingsFile(), rw);
        EXPECT_EQ(Read(w.SettingsFile()), c.file ? contents : QByteArray("(unreadable)")) << c.what;
    }
}

// The three values through the real file, with texts that the INI format
// must quote or encode, and a row that starts with U+FEFF typed in.
TEST(RealWindowSetup, TheDisplayModeAndTheInputListComeBackThroughTheSettingsFile) {
    RealWindow w;
    RealUser user;
    auto typed = PasteIntoInputBox(user, w, QString(kBom) + "7, Ünïcode 日本 ,  x");
    w.form->PushButton6_Click();
    ASSERT_TRUE(*typed);
    w.form->ListView1->AddRow("a,b");
    w.form->ListView1->AddRow("p;q");
    w.form->ListView1->AddRow("=1+1 \"quoted\" \\ #");
    const QStringList before = {QString(kBom) + "7", "Ünïcode 日本", "x", "a,b", "p;q", "=1+1 \"quoted\" \\ #"};
    ASSERT_EQ(Rows(w.form->ListView1), before);
    EXPECT_EQ(w.form->ListView1->model()->index(0, 0).data().toString(), QString(kBom) + "7");
    QStyleOptionButton option;  // an option button takes a click on its indicator or label
    option.initFrom(w.form->Option2);
    option.text = w.form->Option2->text();
    QTest::mouseClick(
        w.form->Option2, Qt::LeftButton, Qt::NoModifier,
        w.form->Option2->style()->subElementRect(QStyle::SE_RadioButtonClickRect, &option, w.form->Option2).center());
    ASSERT_TRUE(w.form->Option2->isChecked());

    Restart(w);
    EXPECT_TRUE(BoxTexts(user).isEmpty()) << BoxTexts(user).join(" | ").toStdString();
    QSettings stored(w.SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("Basewright/Zip Codes").toString(), before.join(QLatin1Char(';')));
    EXPECT_EQ(stored.value("Basewright/Option1").toString(), "False");
    EXPECT_EQ(stored.value("Basewright/Option2").toString(), "True");
    EXPECT_EQ(Rows(w.form->ListView1),
              QStringList({QString(kBom) + "7", "Ünïcode 日本", "x", "a,b", "p", "q", "=1+1 \"quoted\" \\ #"}));
    EXPECT_TRUE(w.form->Option2->isChecked());
    EXPECT_FALSE(w.form->Option1->isChecked());
    EXPECT_EQ(Columns(w.form->ListView2), QStringList{"Results"});
}

TEST(RealWindowSetup, CopyResultsToClipboardPlacesTheAlignedTextOnTheSystemClipboard) {
    RealWindow w;
    RealUser user;
    w.form->ListView1->AddRow("255");
    w.form->ListView1->AddRow("4096");
    w.form->PushButton17_Click();
    w.clipboard.SetText("before");
    w.form->PushButton5_Click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              "255 \tDecimal To Hexadecimal\tFF\r\n4096\tDecimal To Hexadecimal\t1000\r\n");
    EXPECT_EQ(BoxTexts(user), QStringList({"Done.",
                                           "Results have been copied to the clipboard.\n\nClick a text area where you "
                                           "normally type and press Ctrl+V to paste the clipboard."}));
}

TEST(ClipboardText, ARowStartingWithUFeffKeepsItWhereverTheCopyPauses) {
    ListView list(true);
    list.AddColumn("Results");
    for (const QString& text : {QString("1"), QString(kBom) + "2", QString(kBom)}) list.AddRow(text);
    // A pause after every row: each row's text is handed over on its own.
    const QString expected = "1\r\n" + QString(kBom) + "2\r\n" + QString(kBom) + "\r\n";
    EXPECT_EQ(ClipboardTextOfListview(list, Pacing{0, {}}), expected);
    EXPECT_EQ(ClipboardTextOfListview(list, Pacing{60000, {}}), expected);
}

// A long list at close: the window goes on answering while the list is
// saved (its timers fire), a click meanwhile does nothing, and every row
// comes back at the next start, the first one with its U+FEFF too.
TEST(RealWindowSetup, ALongListIsSavedWhileTheWindowAnswersAndComesBackWhole) {
    RealWindow w;
    QStringList rows{QString(kBom) + "1F"};
    for (int i = 0; i < 300000; ++i) rows << QString::number(1000000007LL * i);
    w.form->ListView1->BeginBatch();
    for (const QString& row : rows) w.form->ListView1->AddRow(row);
    w.form->ListView1->EndBatch();

    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (++ticks == 1) {
            // "Clear List", clicked while the list is saved.
            QTest::mouseClick(w.form->PushButton1, Qt::LeftButton);
        }
    });
    ticker.start();
    RealUser user;
    w.form->Form_QueryUnload();
    ticker.stop();
    EXPECT_GT(ticks, 0) << "the window did not answer during the close";
    EXPECT_EQ(w.form->ListView1->RowCount(), rows.size()) << "the click ran during the close";
    EXPECT_TRUE(BoxTexts(user).isEmpty()) << BoxTexts(user).join(" | ").toStdString();

    // A new program: another store over the same file.
    QtSettingsStore fresh(w.SettingsFolder());
    Platform platform{w.dialogs, w.clipboard, fresh, w.shell, w.random, nullptr, w.ProgramFolder()};
    Form1 next(platform);
    next.Form_Load();
    EXPECT_EQ(Rows(next.ListView1), rows);
    QSettings qt(w.SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(qt.value("Basewright/Zip Codes").toString(), rows.join(QLatin1Char(';')));
}

}  // namespace
}  // namespace bw::test
