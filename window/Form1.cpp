// The main window: its controls, their layout, fonts and colours, the
// wiring of the controls' events to the command procedures, and the close
// event.

#include "window/Form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionGroupBox>
#include <cmath>
#include <utility>

#include "shell/ErrorReport.h"
#include "shell/FileDrop.h"
#include "shell/Skin.h"
#include "window/FormLayout.h"

namespace bw {

QRect TwipsRect(int left, int top, int width, int height, double dpiX, double dpiY) {
    return QRect(TwipsToPixels(left, dpiX), TwipsToPixels(top, dpiY), TwipsToPixels(width, dpiX),
                 TwipsToPixels(height, dpiY));
}

namespace {

constexpr const char* kListToolTip =
    "Double-click item to remove it. Move | line to right and out of window to reveal full names.";

// Arial bold at the given size; fonts-liberation supplies a metric-compatible
// face where Arial itself is missing.
QFont ArialBold(double pointSize) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(true);
    return font;
}

// Draws a frame as a plain line with its title set into the top edge, so
// that the inside of the frame shows the frame's own background (white, or
// the skin's colour); some styles shade frames with an image of their own.
class PlainFrameStyle : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override {
        const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
        if (control != CC_GroupBox || !box) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        const QRect label = subControlRect(CC_GroupBox, option, SC_GroupBoxLabel, widget).translated(kTitleIndent, 0);
        const QRect frame = option->rect.adjusted(0, label.center().y(), -1, -1);
        painter->save();
        painter->setPen(box->palette.color(QPalette::Mid));
        if (box->text.isEmpty()) {
            painter->drawLine(frame.topLeft(), frame.topRight());
        } else {
            painter->drawLine(frame.topLeft(), QPoint(label.left() - 2, frame.top()));
            painter->drawLine(QPoint(label.right() + 2, frame.top()), frame.topRight());
        }
        painter->drawLine(frame.topLeft(), frame.bottomLeft());
        painter->drawLine(frame.topRight(), frame.bottomRight());
        painter->drawLine(frame.bottomLeft(), frame.bottomRight());
        painter->restore();
        drawItemText(painter, label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, box->palette,
                     box->state & State_Enabled, box->text, QPalette::WindowText);
    }

private:
    static constexpr int kTitleIndent = 6;
};

// Return and Enter (keypad) on a focused command button do what Space
// does: they press it. Qt's buttons take them only as a dialog's default
// button, and this window is no dialog; the dialogs it opens keep their own
// handling, as the filter sits on the window's buttons alone. A key held
// down presses the button once, not once per repeat.
class ReturnPressesButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QAbstractButton*>(watched);
        const bool enterKey = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!button || !enterKey || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return QObject::eventFilter(watched, event);
        if (!key->isAutoRepeat() && button->isEnabled()) button->click();
        return true;
    }
};

}  // namespace

void Form1::AcceptFileDrops() {
    QWidget* rows = ListView1->viewport();
    rows->setAcceptDrops(true);
    rows->installEventFilter(new FileDropFilter(this, [this](const QStringList& files) {
        RunUntrapped("ListView1_FilesDropped", [&] { ListView1_FilesDropped(files); });
    }));
}

Form1::Form1(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      platform_(platform),
      pointer_(*this) {
    setObjectName(QStringLiteral("Form1"));
    setFont(ArialBold(9));

    ListView1 = new ListView(false, this);
    ListView2 = new ListView(true, this);
    PushButton6 = new QPushButton(QStringLiteral("Add Number or Numbers"), this);
    PushButton3 = new QPushButton(QStringLiteral("Load Numbers From File"), this);
    PushButton1 = new QPushButton(QStringLiteral("Clear List"), this);
    PushButton7 = new QPushButton(QStringLiteral("Load Sample/Example Numbers"), this);
    Frame1 = new QGroupBox(QStringLiteral("Conversion Option"), this);
    Combo1 = new QComboBox(Frame1);
    Frame2 = new QGroupBox(QStringLiteral("Results"), this);
    Option1 = new QRadioButton(QStringLiteral("Show full results"), Frame2);
    Option2 = new QRadioButton(QStringLiteral("Show results only"), Frame2);
    PushButton17 = new QPushButton(QStringLiteral("Start Converting"), this);
    PushButton4 = new QPushButton(QStringLiteral("Save Results As Text File"), this);
    PushButton13 = new QPushButton(QStringLiteral("Save Results As Excel File"), this);
    PushButton5 = new QPushButton(QStringLiteral("Copy Results To Clipboard"), this);
    PushButton2 = new QPushButton(QStringLiteral("Clear Results"), this);
    ProgressBar1 = new ProgressBar(this);

    const struct {
        QWidget* widget;
        const char* name;
    } names[] = {{ListView1, "ListView1"},
                 {ListView2, "ListView2"},
                 {PushButton6, "PushButton6"},
                 {PushButton3, "PushButton3"},
                 {PushButton1, "PushButton1"},
                 {PushButton7, "PushButton7"},
                 {Frame1, "Frame1"},
                 {Combo1, "Combo1"},
                 {Frame2, "Frame2"},
                 {Option1, "Option1"},
                 {Option2, "Option2"},
                 {PushButton17, "PushButton17"},
                 {PushButton4, "PushButton4"},
                 {PushButton13, "PushButton13"},
                 {PushButton5, "PushButton5"},
                 {PushButton2, "PushButton2"},
                 {ProgressBar1, "ProgressBar1"}};
    for (const auto& entry : names) entry.widget->setObjectName(QString::fromLatin1(entry.name));

    // Layout in twips, converted at the screen's logical resolution.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpiX = screen ? screen->logicalDotsPerInchX() : 96.0;
    const double dpiY = screen ? screen->logicalDotsPerInchY() : 96.0;
    for (const FormControlLayout& item : Form1Layout()) {
        QWidget* widget = findChild<QWidget*>(QString::fromLatin1(item.name));
        if (widget) widget->setGeometry(TwipsRect(item.left, item.top, item.width, item.height, dpiX, dpiY));
    }
    setFixedSize(TwipsToPixels(kForm1ClientWidth, dpiX), TwipsToPixels(kForm1ClientHeight, dpiY));
    if (screen) move(screen->availableGeometry().center() - rect().center());

    // White window, frames and option buttons; white command buttons with
    // captions in the system's button-text colour.
    SetBackground(*this, Qt::white);
    SetBackground(*Frame1, Qt::white);
    SetBackground(*Frame2, Qt::white);
    auto* frameStyle = new PlainFrameStyle;
    frameStyle->setParent(this);
    Frame1->setStyle(frameStyle);
    Frame2->setStyle(frameStyle);
    SetBackground(*Option1, Qt::white);
    SetBackground(*Option2, Qt::white);
    const QFont buttonFont = ArialBold(11.25);
    auto* returnKeys = new ReturnPressesButton(this);
    for (QPushButton* button : CommandButtons()) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::Button, Qt::white);
        button->setPalette(palette);
        button->setFont(buttonFont);
        button->setAutoDefault(false);
        button->installEventFilter(returnKeys);
    }

    for (ListView* list : {ListView1, ListView2}) {
        list->setToolTip(QString::fromLatin1(kListToolTip));
        // Tab leaves the list for the next control instead of walking its cells.
        list->setTabKeyNavigation(false);
    }
    Combo1->setEditable(false);
    ProgressBar1->SetText(QString::fromLatin1(kProgressBarIdleText));
    ProgressBar1->SetValue(0);

    // Keyboard focus order. The frames and the progress bar take no focus
    // and are left out of the chain, where they would only upset it.
    const QList<QWidget*> tabOrder = {ListView1,    ListView2,   PushButton6,  PushButton3, PushButton1,
                                      PushButton17, PushButton4, PushButton13, PushButton2, PushButton5,
                                      Combo1,       PushButton7, Option1,      Option2};
    for (qsizetype i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    // Commands.
    connect(PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Click(); });
    connect(PushButton2, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
    connect(PushButton3, &QPushButton::clicked, this, [this] { PushButton3_Click(); });
    connect(PushButton4, &QPushButton::clicked, this, [this] { PushButton4_Click(); });
    connect(PushButton5, &QPushButton::clicked, this, [this] { PushButton5_Click(); });
    connect(PushButton6, &QPushButton::clicked, this, [this] { PushButton6_Click(); });
    connect(PushButton7, &QPushButton::clicked, this, [this] { PushButton7_Click(); });
    connect(PushButton13, &QPushButton::clicked, this, [this] { PushButton13_Click(); });
    connect(PushButton17, &QPushButton::clicked, this, [this] { PushButton17_Click(); });

    // The display-mode switch runs on a user's click only: restoring the
    // buttons from the settings at set-up does not emit clicked().
    connect(Option1, &QRadioButton::clicked, this,
            [this] { RunUntrapped("Option1_Click", [this] { Option1_Click(); }); });
    connect(Option2, &QRadioButton::clicked, this,
            [this] { RunUntrapped("Option2_Click", [this] { Option2_Click(); }); });

    connect(ListView1, &ListView::KeyDown, this, [this](int keyCode, int shift) {
        RunUntrapped("ListView1_KeyDown", [&] { ListView1_KeyDown(keyCode, shift); });
    });
    connect(ListView2, &ListView::KeyDown, this, [this](int keyCode, int shift) {
        RunUntrapped("ListView2_KeyDown", [&] { ListView2_KeyDown(keyCode, shift); });
    });
    connect(ListView1, &ListView::DblClick, this,
            [this] { RunUntrapped("ListView1_DblClick", [this] { ListView1_DblClick(); }); });
    connect(ListView2, &ListView::DblClick, this,
            [this] { RunUntrapped("ListView2_DblClick", [this] { ListView2_DblClick(); }); });

    InstallPointerHover();
    AcceptFileDrops();
}

Form1::~Form1() = default;

QList<QPushButton*> Form1::CommandButtons() const {
    return {PushButton1, PushButton2, PushButton3,  PushButton4, PushButton5,
            PushButton6, PushButton7, PushButton13, PushButton17};
}

// Every way of ending the program comes here: the close box, a close asked
// for by the window system, and the session's end (see shell/SessionEnd.h).
// The close request runs once, however many of them arrive, also when one
// arrives while the close request itself lets pending events run.
void Form1::closeEvent(QCloseEvent* event) {
    if (!closeRequested_) {
        closeRequested_ = true;
        Form_QueryUnload();
        RunUntrapped("Form_Unload", [this] { Form_Unload(); });
    }
    event->accept();
}

}  // namespace bw
