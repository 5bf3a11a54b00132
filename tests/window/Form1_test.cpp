// The keyboard on the real window's command buttons: Return and Enter
// (keypad) do what Space does on every one of them, once per key press;
// in the dialogs the commands open, the keys keep the dialogs' own meaning.
// Key events go through the window system's path (QWindow), as a user's.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "support/QtPrinters.h"
#include "support/RealUser.h"
#include "support/RealWindow.h"

namespace bw::test {
namespace {

// The class names of the dialogs shown while it lives, in order.
class DialogLog : public QObject {
public:
    DialogLog() { qApp->installEventFilter(this); }
    ~DialogLog() override { qApp->removeEventFilter(this); }
    QStringList shown;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<QDialog*>(watched))
            shown << QString::fromLatin1(watched->metaObject()->className());
        return QObject::eventFilter(watched, event);
    }
};

// The real window with an input list and a result, so that every command
// has something to do, active and ready for keys.
struct KeyWindow {
    KeyWindow() {
        w.form->ListView1->AppendRow(std::vector<std::string_view>{"255"});
        w.form->ListView1->AppendRow(std::vector<std::string_view>{"16"});
        w.form->ListView2->AppendRow(std::vector<std::string_view>{"7", "Decimal To Binary", "111"});
        QApplication::setActiveWindow(w.form.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.form.get()));
    }
    QPushButton* Button(const char* name) const { return w.form->findChild<QPushButton*>(QString::fromLatin1(name)); }
    // Focuses the button and presses and releases the key on the window.
    void Press(QPushButton* button, Qt::Key key, Qt::KeyboardModifiers modifiers) {
        button->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(QApplication::focusWidget(), button);
        QTest::keyClick(w.form->windowHandle(), key, modifiers);
    }
    RealWindow w;
};

// What a key press on a button led to.
struct Outcome {
    int clicks = 0;
    QStringList dialogs;
    QStringList messages;
    QStringList inputRows;
    int resultRows = 0;
    bool operator==(const Outcome&) const = default;
};
void PrintTo(const Outcome& o, std::ostream* os) {
    *os << "clicks " << o.clicks << ", dialogs [" << o.dialogs.join(',').toStdString() << "], messages ["
        << o.messages.join('|').toStdString() << "], input [" << o.inputRows.join(',').toStdString() << "], results "
        << o.resultRows;
}

Outcome PressOn(const char* name, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    KeyWindow k;
    RealUser user;  // cancels file dialogs and the input box, accepts message boxes
    DialogLog log;
    QPushButton* button = k.Button(name);
    EXPECT_NE(button, nullptr) << name;
    if (!button) return {};
    Outcome outcome;
    QObject::connect(button, &QPushButton::clicked, [&] { ++outcome.clicks; });
    k.Press(button, key, modifiers);
    outcome.dialogs = log.shown;
    outcome.messages = user.messages;
    outcome.inputRows = Rows(*k.w.form->ListView1);
    outcome.resultRows = k.w.form->ListView2->RowCount();
    return outcome;
}

struct ButtonCase {
    const char* button;
    QStringList dialogs;  // what the command shows (answered by the user)
};
void PrintTo(const ButtonCase& c, std::ostream* os) { *os << c.button; }

class CommandButtonKeys : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(CommandButtonKeys, ReturnAndEnterDoWhatSpaceDoes) {
    const Outcome space = PressOn(GetParam().button, Qt::Key_Space, Qt::NoModifier);
    EXPECT_EQ(space.clicks, 1);
    EXPECT_EQ(space.dialogs, GetParam().dialogs);
    EXPECT_EQ(PressOn(GetParam().button, Qt::Key_Return, Qt::NoModifier), space);
    EXPECT_EQ(PressOn(GetParam().button, Qt::Key_Enter, Qt::KeypadModifier), space);
}

const QString kBox = QStringLiteral("QMessageBox");
const QString kFiles = QStringLiteral("QFileDialog");

INSTANTIATE_TEST_SUITE_P(EveryButton, CommandButtonKeys,
                         ::testing::Values(ButtonCase{"PushButton6", {QStringLiteral("QInputDialog")}},
                                           ButtonCase{"PushButton3", {kFiles}}, ButtonCase{"PushButton1", {}},
                                           ButtonCase{"PushButton7", {}}, ButtonCase{"PushButton17", {kBox}},
                                           ButtonCase{"PushButton4", {kFiles}},
                                           ButtonCase{"PushButton13", {kBox, kBox}}, ButtonCase{"PushButton5", {kBox}},
                                           ButtonCase{"PushButton2", {}}),
                         [](const auto& info) { return std::string(info.param.button); });

// Return held down presses the button once, not once per repeat; with a
// modifier (Ctrl+Return) it presses nothing.
TEST(CommandButtonKeys, AHeldOrModifiedReturnPressesOnceOrNot) {
    KeyWindow k;
    QPushButton* button = k.Button("PushButton7");  // "Load Sample/Example Numbers": no dialog
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    button->setFocus(Qt::TabFocusReason);
    for (bool repeat : {false, true, true, true}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), repeat);
        QApplication::sendEvent(button, &press);
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(button, &release);
    EXPECT_EQ(clicks, 1);

    k.Press(button, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks, 1);
}

// An answer that closes a message box with a key pressed on the box's own
// window, noting its text. Anything else is a failure, and closed.
std::function<void(QWidget*)> PressOnBox(QStringList& texts, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    return [&texts, key, modifiers](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box) {
            ADD_FAILURE() << "not a message box: " << widget->metaObject()->className();
            widget->close();
            return;
        }
        texts << box->text();
        QTest::keyClick(box->windowHandle(), key, modifiers);
    };
}

// The boxes a command opens close on their own Return and Enter, once
// each, and the key does not reach the window's button again.
TEST(DialogKeys, MessageBoxesCloseOnTheirOwnReturnAndEnter) {
    KeyWindow k;  // no spreadsheet application: two boxes
    RealUser user;
    QStringList texts;
    user.Next(PressOnBox(texts, Qt::Key_Return, Qt::NoModifier));
    user.Next(PressOnBox(texts, Qt::Key_Enter, Qt::KeypadModifier));
    QPushButton* button = k.Button("PushButton13");
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    k.Press(button, Qt::Key_Return, Qt::NoModifier);

    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[0].endsWith(QStringLiteral("without error.")));
    EXPECT_TRUE(texts[1].endsWith(QStringLiteral("to use this feature.")));
    EXPECT_TRUE(user.messages.isEmpty()) << "boxes beyond the two: " << user.messages.join(" | ").toStdString();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The input box takes its typed text on its own Return.
TEST(DialogKeys, TheInputBoxTakesItsTextOnItsOwnReturn) {
    KeyWindow k;
    k.w.form->ListView1->ClearRows();
    RealUser user;
    auto typed = user.Next([](QWidget* box) {
        auto* edit = box->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, QStringLiteral("255, 16"));
        QTest::keyClick(box->windowHandle(), Qt::Key_Return);
    });
    k.Press(k.Button("PushButton6"), Qt::Key_Return, Qt::NoModifier);
    ASSERT_TRUE(*typed);
    EXPECT_EQ(Rows(*k.w.form->ListView1), (QStringList{"255", "16"}));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The file dialog opened by Return takes the typed name on its own Return.
TEST(DialogKeys, TheFileDialogTakesItsNameOnItsOwnReturn) {
    KeyWindow k;
    k.w.form->ListView1->ClearRows();
    const QString file = k.w.dir.filePath(QStringLiteral("numbers.txt"));
    WriteFile(file, "12\n34");
    RealUser user({{file}});
    k.Press(k.Button("PushButton3"), Qt::Key_Return, Qt::NoModifier);
    EXPECT_EQ(Rows(*k.w.form->ListView1), (QStringList{"12", "34"}));
}

}  // namespace
}  // namespace bw::test
