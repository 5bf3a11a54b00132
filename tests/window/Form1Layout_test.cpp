// The window's arrangement: positions and sizes from the design in twips,
// fixed frame, captions, fonts, colours, tool tips and the focus order.

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

#include "WindowDriver.h"
#include "shell/Twips.h"

namespace bw {
namespace {

using test::WindowDriver;

TEST(TwipsToPixels, ConvertsAtTheLogicalResolution) {
    const struct {
        int twips;
        double dpi;
        int pixels;
    } cases[] = {
        {1440, 96, 96},  {2300, 96, 153},  {7000, 96, 467},  {120, 96, 8}, {8040, 96, 536},
        {8655, 96, 577}, {1440, 120, 120}, {2300, 144, 230}, {0, 96, 0},   {15, 96, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(TwipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
}

// The figures below are worked out at the offscreen platform's logical
// resolution, 96 dots per inch: 15 twips to the pixel, rounded to the
// nearest pixel.
void AssertNinetySixDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->logicalDotsPerInchX(), 96.0) << "the figures are worked out at 96 dots per inch";
    ASSERT_EQ(screen->logicalDotsPerInchY(), 96.0) << "the figures are worked out at 96 dots per inch";
}

// Every control's place and size in pixels, from the top-left corner of the
// client area, or of the frame it sits in (Combo1 in Frame1, the option
// buttons in Frame2); the design's twips beside each.
const struct {
    const char* name;
    int x, y, width, height;
} kControlGeometry[] = {
    {"ListView1", 8, 8, 520, 121},        // 120, 120, 7800, 1815 twips
    {"PushButton6", 8, 136, 256, 27},     // 120, 2040, 3840, 400
    {"PushButton3", 272, 136, 256, 27},   // 4080, 2040, 3840, 405
    {"PushButton1", 8, 170, 256, 27},     // 120, 2550, 3840, 405
    {"PushButton7", 272, 170, 256, 27},   // 4080, 2550, 3840, 405
    {"Frame1", 8, 201, 520, 53},          // 120, 3015, 7800, 800
    {"Combo1", 16, 20, 489, 23},          // 240, 300, 7335, 345
    {"Frame2", 8, 258, 520, 47},          // 120, 3870, 7800, 705
    {"Option1", 16, 20, 137, 17},         // 240, 300, 2055, 255
    {"Option2", 152, 20, 137, 17},        // 2280, 300, 2055, 255
    {"PushButton17", 8, 313, 520, 27},    // 120, 4695, 7800, 405
    {"ListView2", 8, 347, 520, 121},      // 120, 5210, 7800, 1815
    {"PushButton4", 8, 474, 256, 27},     // 120, 7110, 3840, 405
    {"PushButton13", 272, 474, 256, 27},  // 4080, 7110, 3840, 405
    {"PushButton5", 8, 508, 256, 27},     // 120, 7620, 3840, 405
    {"PushButton2", 272, 508, 256, 27},   // 4080, 7620, 3840, 405
    {"ProgressBar1", 8, 543, 520, 27},    // 120, 8140, 7800, 405
};

TEST(Form1Layout, EveryControlSitsWhereTheDesignPutsIt) {
    ASSERT_NO_FATAL_FAILURE(AssertNinetySixDpi());
    WindowDriver window;
    for (const auto& c : kControlGeometry) {
        QWidget* control = window->findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_EQ(control->geometry(), QRect(c.x, c.y, c.width, c.height)) << c.name;
    }
    // The option box and the option buttons sit in their frames.
    EXPECT_EQ(window->Combo1->parentWidget(), window->Frame1);
    EXPECT_EQ(window->Option1->parentWidget(), window->Frame2);
    EXPECT_EQ(window->Option2->parentWidget(), window->Frame2);
}

TEST(Form1Layout, FixedSizeWithMinimiseButtonOnly) {
    ASSERT_NO_FATAL_FAILURE(AssertNinetySixDpi());
    WindowDriver window;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize client(536, 577);  // 8040 x 8655 twips
    EXPECT_EQ(window->size(), client);
    EXPECT_EQ(window->minimumSize(), client);
    EXPECT_EQ(window->maximumSize(), client);
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    // Centred on the screen (to within the window frame, which is only
    // known once the window is shown).
    const int frameSlack = window->frameGeometry().width() - window->width() + 2;
    EXPECT_LE((window->frameGeometry().center() - screen->availableGeometry().center()).manhattanLength(), frameSlack);
}

TEST(Form1Layout, CaptionsFontsAndToolTips) {
    WindowDriver window;
    const QString toolTip =
        "Double-click item to remove it. Move | line to right and out of window to reveal full names.";
    EXPECT_EQ(window->ListView1->toolTip(), toolTip);
    EXPECT_EQ(window->ListView2->toolTip(), toolTip);

    const struct {
        QAbstractButton* button;
        const char* caption;
    } buttons[] = {
        {window->PushButton6, "Add Number or Numbers"},
        {window->PushButton3, "Load Numbers From File"},
        {window->PushButton1, "Clear List"},
        {window->PushButton7, "Load Sample/Example Numbers"},
        {window->PushButton17, "Start Converting"},
        {window->PushButton4, "Save Results As Text File"},
        {window->PushButton13, "Save Results As Excel File"},
        {window->PushButton5, "Copy Results To Clipboard"},
        {window->PushButton2, "Clear Results"},
    };
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->text(), b.caption);
        EXPECT_TRUE(b.button->font().bold()) << b.caption;
        EXPECT_DOUBLE_EQ(b.button->font().pointSizeF(), 11.25) << b.caption;
        EXPECT_EQ(b.button->palette().color(QPalette::Button), QColor(Qt::white)) << b.caption;
    }
    EXPECT_EQ(window->Frame1->title(), "Conversion Option");
    EXPECT_EQ(window->Frame2->title(), "Results");
    EXPECT_EQ(window->Option1->text(), "Show full results");
    EXPECT_EQ(window->Option2->text(), "Show results only");
    for (QWidget* w : {static_cast<QWidget*>(window->Frame1), static_cast<QWidget*>(window->Option1),
                       static_cast<QWidget*>(window->Combo1), static_cast<QWidget*>(window->ListView1)}) {
        EXPECT_TRUE(w->font().bold()) << w->objectName().toStdString();
        EXPECT_DOUBLE_EQ(w->font().pointSizeF(), 9) << w->objectName().toStdString();
        // Arial, or its metric twin where Arial itself is not installed.
        const QString family = QFontInfo(w->font()).family();
        EXPECT_TRUE(family == "Arial" || family == "Liberation Sans") << family.toStdString();
    }
    EXPECT_FALSE(window->Combo1->isEditable());
    EXPECT_EQ(window->ProgressBar1->text(), "Progress Bar");
    EXPECT_EQ(window->ProgressBar1->value(), 0);
}

TEST(Form1Layout, WhiteWindowFramesAndOptionButtonsWithoutSkin) {
    WindowDriver window;
    for (QWidget* w : {static_cast<QWidget*>(window.form.get()), static_cast<QWidget*>(window->Frame1),
                       static_cast<QWidget*>(window->Frame2), static_cast<QWidget*>(window->Option1),
                       static_cast<QWidget*>(window->Option2)}) {
        EXPECT_EQ(w->palette().color(QPalette::Window), QColor(Qt::white)) << w->objectName().toStdString();
        EXPECT_TRUE(w->autoFillBackground()) << w->objectName().toStdString();
        if (w != window.form.get()) {
            EXPECT_EQ(WindowDriver::DrawnColour(w), QColor(Qt::white)) << w->objectName().toStdString();
        }
    }
    // Drawn white: a pixel of the window's background between two buttons.
    const QImage shot = window->grab().toImage();
    const QRect gap(window->PushButton6->geometry().right() + 1, window->PushButton6->geometry().top(),
                    window->PushButton3->geometry().left() - window->PushButton6->geometry().right() - 1, 4);
    ASSERT_GT(gap.width(), 0);
    EXPECT_EQ(QColor(shot.pixel(gap.center())), QColor(Qt::white));
}

TEST(Form1Layout, TabWalksTheControlsInTheDesignOrder) {
    WindowDriver window;
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.form.get()));
    window->ListView1->setFocus();
    const QList<QWidget*> expected = {
        window->ListView1,    window->ListView2,   window->PushButton6,  window->PushButton3, window->PushButton1,
        window->PushButton17, window->PushButton4, window->PushButton13, window->PushButton2, window->PushButton5,
        window->Combo1,       window->PushButton7, window->Option1};
    QStringList seen;
    QStringList wanted;
    for (QWidget* w : expected) wanted << w->objectName();
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        seen << (focus ? focus->objectName() : QStringLiteral("(none)"));
        QTest::keyClick(focus ? focus : window.form.get(), Qt::Key_Tab);
    }
    EXPECT_EQ(seen, wanted);
}

}  // namespace
}  // namespace bw
