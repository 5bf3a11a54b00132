#pragma once

// A user in front of the real Qt platform, who answers every modal dialog
// that comes up while it is alive: Qt's own file dialogs, input box,
// message boxes and the save dialog's replace question. Also a few file
// helpers for the real-platform tests.
//
// Qt's modal dialogs run their own event loop, so a test sets the user up
// before the call that opens one:
//
//     RealWindow w;
//     RealUser user;
//     auto typed = user.Next([](QWidget* box) { ... type, accept or reject ... });
//     w.form->PushButton6_Click();
//     EXPECT_TRUE(*typed);

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>

#include "shell/ListView.h"
#include "support/QtPrinters.h"

namespace bw::test {

// Looks every 10 ms for the active modal widget
// (QApplication::activeModalWidget()) and answers each one once, with the
// first of these that applies:
//  - the next answer handed to Next(), while any is left;
//  - a file dialog: the next pick (see the constructor), cancelled when no
//    pick is left;
//  - a message box with a Yes button (the question before an existing file
//    is replaced): Yes;
//  - any other message box: OK, its text and title noted;
//  - anything else (the input box): closed, as cancelled.
class RealUser {
public:
    // picks: what to pick in the next file dialogs, one answer each: the
    // full paths of the files, all in one folder. The user goes to the
    // folder and types the name, or several names quoted and separated by
    // blanks.
    explicit RealUser(QList<QStringList> picks = {}) : picks_(std::move(picks)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start();
    }

    // Hands the next modal widget to `answer` instead of the usual answer;
    // answers handed over in turn go to the widgets in the order they show.
    // A widget still open after its answer is left to the answer (it must
    // accept or reject it); a widget that opens while it runs (a question
    // over the dialog) gets the following answer. The returned flag turns
    // true once the answer has run.
    std::shared_ptr<bool> Next(std::function<void(QWidget*)> answer) {
        auto ran = std::make_shared<bool>(false);
        answers_.push_back([ran, answer = std::move(answer)](QWidget* modal) {
            *ran = true;
            answer(modal);
        });
        return ran;
    }

    // The text of every message box answered with OK, in order, and the
    // title of each.
    QStringList messages;
    QStringList titles;
    // The text of every question answered with Yes.
    QStringList questions;
    // Runs when a message box is answered with OK, before it closes.
    std::function<void(const QString& text)> onMessage;

private:
    void Look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || answered_.contains(modal)) return;
        answered_ << modal;
        std::function<void(QWidget*)> answer = [this](QWidget* widget) { Answer(widget); };
        if (!answers_.empty()) answer = answers_.takeFirst();
        // Answered from the event loop, not from this timer: an answer may
        // open the next box (the replace question), which this timer must
        // be free to see. A widget gone meanwhile, or a user gone, gets no
        // answer.
        QMetaObject::invokeMethod(
            &timer_,
            [answer = std::move(answer), widget = QPointer<QWidget>(modal)] {
                if (widget) answer(widget);
            },
            Qt::QueuedConnection);
    }

    void Answer(QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            if (picks_.isEmpty()) {
                dialog->reject();
                return;
            }
            const QStringList paths = picks_.takeFirst();
            QStringList names;
            for (const QString& path : paths) {
                const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
                names << (paths.size() == 1 ? name : QLatin1Char('"') + name + QLatin1Char('"'));
            }
            // A "/" typed into the name box would open a folder instead.
            dialog->setDirectory(paths.front().left(paths.front().lastIndexOf(QLatin1Char('/'))));
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            // Typed into the focused name box, as a user types: without the
            // focus, the dialog rewrites the box as it selects typed names.
            QApplication::setActiveWindow(dialog);
            edit->setFocus();
            edit->clear();
            QTest::keyClicks(edit, names.join(QLatin1Char(' ')));
            QTest::keyClick(edit, Qt::Key_Return);
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                questions << box->text();
                yes->click();
                return;
            }
            messages << box->text();
            titles << box->windowTitle();
            if (onMessage) onMessage(box->text());
            box->accept();
            return;
        }
        modal->close();
    }

    QList<QStringList> picks_;
    QList<std::function<void(QWidget*)>> answers_;
    QList<QPointer<QWidget>> answered_;
    QTimer timer_;
};

inline QStringList Rows(const ListView& list) {
    QStringList rows;
    for (int r = 1; r <= list.RowCount(); ++r) rows << list.RowText(r);
    return rows;
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

inline QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace bw::test
