#pragma once

// A user in front of the real window, who answers every modal dialog that
// comes up while it is alive (file dialogs, the replace question, message
// boxes), and a few file helpers for the real-platform tests.

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
#include <vector>

#include "shell/ListView.h"
#include "support/QtPrinters.h"

namespace bw::test {

class RealUser {
public:
    // picks: what to pick in the next file dialogs, one answer each: the
    // full paths of the files, all in one folder. The user goes to the
    // folder and types the name, or several names quoted and separated by
    // blanks. A dialog with no answer left is cancelled.
    explicit RealUser(QList<QStringList> picks = {}) : picks_(std::move(picks)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start();
    }

    // The text of every message box shown, in order.
    QStringList messages;
    // Runs when a message box shows, before it is answered.
    std::function<void(const QString& text)> onMessage;

private:
    void Look() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || answered_.contains(modal)) return;
        answered_ << modal;
        // Answered from the event loop, not from this timer: an answer may
        // open the next box (the replace question), which this timer must
        // be free to see.
        QMetaObject::invokeMethod(
            modal, [this, modal] { Answer(modal); }, Qt::QueuedConnection);
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
            // The question before an existing file is replaced: yes.
            if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
                yes->click();
                return;
            }
            messages << box->text();
            if (onMessage) onMessage(box->text());
            box->accept();
            return;
        }
        modal->close();
    }

    QList<QStringList> picks_;
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
