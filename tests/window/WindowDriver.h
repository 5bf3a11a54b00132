#pragma once

// Drives the main window the way a user does, over a scripted platform:
// clicks on buttons and option buttons, keys and double-clicks in the lists,
// pointer movement, and a close followed by a fresh start over the same
// settings.

#include <QApplication>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <memory>

#include "support/QtPrinters.h"
#include "support/ScriptedPlatform.h"
#include "window/Form1.h"

namespace bw::test {

class WindowDriver {
public:
    WindowDriver() { Start(); }
    explicit WindowDriver(bool start) {
        if (start) Start();
    }
    ~WindowDriver() { form.reset(); }

    // Loads and shows a new window (the earlier one, if any, is discarded
    // without its close request).
    Form1& Start() {
        form = std::make_unique<Form1>(scripted.platform());
        form->Form_Load();
        form->show();
        return *form;
    }

    // Closes the window as the user's close box does, then starts anew.
    Form1& Restart() {
        form->close();
        return Start();
    }

    Form1& operator*() { return *form; }
    Form1* operator->() { return form.get(); }

    static void Click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

    // An option button takes a click on its indicator or its label only.
    static void ClickOption(QRadioButton* button) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect rect = button->style()->subElementRect(QStyle::SE_RadioButtonClickRect, &option, button);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, rect.center());
    }

    // Moves the pointer, as the window system reports it, to the centre of
    // the widget (or to pos in its coordinates).
    void MoveOver(QWidget* widget, QPoint pos = QPoint()) {
        if (pos.isNull()) pos = widget->rect().center();
        QTest::mouseMove(form->windowHandle(), widget->mapTo(form.get(), pos));
        QApplication::processEvents();
    }

    // Selects row i (from 1) of a list by clicking it.
    static void ClickRow(ListView* list, int row) {
        const QModelIndex index = list->model()->index(row - 1, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(index).center());
    }

    static void DoubleClickRow(ListView* list, int row) {
        const QModelIndex index = list->model()->index(row - 1, 0);
        list->scrollTo(index);
        const QPoint at = list->visualRect(index).center();
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    // The colour the widget draws at a point (a corner of its own area when
    // no point is given: inside the border, away from any text).
    static QColor DrawnColour(QWidget* widget, QPoint at = QPoint()) {
        const QImage image = widget->grab().toImage();
        if (at.isNull()) at = QPoint(image.width() - 4, image.height() - 4);
        return QColor(image.pixel(at));
    }

    // The texts of all rows of a list (first cells).
    static QStringList Rows(const ListView* list) {
        QStringList rows;
        for (int i = 1; i <= list->RowCount(); ++i) rows << list->RowText(i);
        return rows;
    }

    static QStringList Columns(const ListView* list) {
        QStringList columns;
        for (int n = 1; n <= list->ColumnCount(); ++n) columns << list->ColumnCaption(n);
        return columns;
    }

    // The error reports shown so far, as "location at line N" extracted
    // from their texts.
    QStringList ReportedLocations() const {
        QStringList where;
        for (const RecordedMessage& m : scripted.dialogs.ErrorReports()) {
            const qsizetype start = m.text.indexOf(QStringLiteral("\r\n")) + 2;
            const qsizetype end = m.text.indexOf(QLatin1Char('\r'), start);
            where << m.text.mid(start, end - start);
        }
        return where;
    }

    ScriptedPlatform scripted;
    std::unique_ptr<Form1> form;
};

}  // namespace bw::test
