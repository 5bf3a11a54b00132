// The hover handlers of the window pointer: the hand over the command
// buttons, the normal pointer over the window's background, the frames and
// the lists, and no change over the option buttons, the option box and the
// progress bar. A busy pointer is left alone by all of them.

#include <QEvent>
#include <QMouseEvent>

#include "shell/ErrorReport.h"
#include "window/Form1.h"

namespace bw {

namespace {

constexpr const char* kHoverRole = "bwHoverRole";
enum HoverRole { kHoverCommand = 1, kHoverBackground = 2 };

}  // namespace

void Form1::CommandButton_MouseMove() {
    if (!MousePointer().Busy()) MousePointer().Set(kPointerHand);
}

void Form1::Background_MouseMove() {
    if (!MousePointer().Busy()) MousePointer().Set(kPointerNormal);
}

void Form1::InstallPointerHover() {
    setMouseTracking(true);
    auto watch = [this](QWidget* widget, HoverRole role) {
        widget->setMouseTracking(true);
        widget->setProperty(kHoverRole, static_cast<int>(role));
        widget->installEventFilter(this);
    };
    // A button ignores a move without a pressed mouse button; it must not
    // travel on to the window behind it and turn the hand back to normal.
    for (QPushButton* button : CommandButtons()) {
        watch(button, kHoverCommand);
        button->setAttribute(Qt::WA_NoMousePropagation);
    }
    watch(Frame1, kHoverBackground);
    watch(Frame2, kHoverBackground);
    // A list is its frame, its rows' viewport, its headers and scroll bars.
    for (ListView* list : {ListView1, ListView2}) {
        watch(list, kHoverBackground);
        for (QWidget* part : list->findChildren<QWidget*>()) watch(part, kHoverBackground);
    }
    // Movement over these changes nothing, and must not reach the frame or
    // window behind them either.
    for (QWidget* widget : {static_cast<QWidget*>(Option1), static_cast<QWidget*>(Option2),
                            static_cast<QWidget*>(Combo1), static_cast<QWidget*>(ProgressBar1)}) {
        widget->setAttribute(Qt::WA_NoMousePropagation);
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        const QVariant role = watched->property(kHoverRole);
        if (role.isValid()) {
            if (role.toInt() == kHoverCommand) {
                RunUntrapped("CommandButton_MouseMove", [this] { CommandButton_MouseMove(); });
            } else {
                RunUntrapped("Background_MouseMove", [this] { Background_MouseMove(); });
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::mouseMoveEvent(QMouseEvent* event) {
    RunUntrapped("Background_MouseMove", [this] { Background_MouseMove(); });
    QWidget::mouseMoveEvent(event);
}

}  // namespace bw
