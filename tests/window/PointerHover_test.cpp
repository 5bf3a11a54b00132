// The window pointer over the controls: the hand over command buttons, the
// normal pointer over the background, the frames and the lists, no change
// over the option buttons, the option box and the progress bar, and the
// busy pointer left alone everywhere.

#include <gtest/gtest.h>

#include <QHeaderView>

#include "WindowDriver.h"

namespace bw {
namespace {

using test::WindowDriver;

TEST(PointerHover, FollowsThePointerFromControlToControl) {
    WindowDriver window;
    Form1& f = *window;
    // A spot of the window's own background: between the first two buttons.
    const QPoint background(f.PushButton6->geometry().right() + 3, f.PushButton6->geometry().center().y());
    ASSERT_EQ(f.childAt(background), nullptr);
    const QPoint frameTitle(f.Frame1->width() - 10, 4);
    ASSERT_EQ(f.Frame1->childAt(frameTitle), nullptr);

    struct Move {
        QWidget* over;
        QPoint at;
        int expected;
        const char* what;
    };
    const Move moves[] = {
        {f.PushButton6, {}, kPointerHand, "a command button"},
        {f.Option1, {}, kPointerHand, "an option button keeps the hand"},
        {f.Combo1, {}, kPointerHand, "the option box keeps the hand"},
        {f.ProgressBar1, {}, kPointerHand, "the progress bar keeps the hand"},
        {f.Frame1, frameTitle, kPointerNormal, "a frame"},
        {f.PushButton17, {}, kPointerHand, "another command button"},
        {f.ListView1->viewport(), {}, kPointerNormal, "the input list's rows"},
        {f.PushButton2, {}, kPointerHand, "Clear Results"},
        {f.ListView2->horizontalHeader(), {}, kPointerNormal, "the results list's header"},
        {f.PushButton13, {}, kPointerHand, "the spreadsheet button"},
        {f.Option2, {}, kPointerHand, "the other option button"},
        {f.Frame2, QPoint(f.Frame2->width() - 10, f.Frame2->height() - 5), kPointerNormal, "the other frame"},
        {f.PushButton5, {}, kPointerHand, "the clipboard button"},
        {&f, background, kPointerNormal, "the window's background"},
    };
    for (const Move& m : moves) {
        window.MoveOver(m.over, m.at);
        EXPECT_EQ(f.MousePointer().Value(), m.expected) << m.what;
    }
}

TEST(PointerHover, EveryCommandButtonShowsTheHand) {
    WindowDriver window;
    Form1& f = *window;
    for (QWidget* button : {f.PushButton1, f.PushButton2, f.PushButton3, f.PushButton4, f.PushButton5, f.PushButton6,
                            f.PushButton7, f.PushButton13, f.PushButton17}) {
        window.MoveOver(f.ListView2->viewport());
        ASSERT_EQ(f.MousePointer().Value(), kPointerNormal);
        window.MoveOver(button);
        EXPECT_EQ(f.MousePointer().Value(), kPointerHand) << button->objectName().toStdString();
        // Without a hand image the shape stays the arrow.
        EXPECT_EQ(f.cursor().shape(), Qt::ArrowCursor);
    }
}

TEST(PointerHover, TheBusyPointerStaysUntilTheCommandEnds) {
    WindowDriver window;
    Form1& f = *window;
    f.MousePointer().Set(kPointerBusy);
    for (QWidget* over : {static_cast<QWidget*>(f.PushButton6), f.ListView1->viewport(),
                          static_cast<QWidget*>(f.Frame2), static_cast<QWidget*>(f.PushButton4)}) {
        window.MoveOver(over);
        EXPECT_EQ(f.MousePointer().Value(), kPointerBusy) << over->objectName().toStdString();
        EXPECT_EQ(f.cursor().shape(), Qt::WaitCursor);
    }
    f.MousePointer().Set(kPointerNormal);
    window.MoveOver(f.PushButton17);
    EXPECT_EQ(f.MousePointer().Value(), kPointerHand);
}

}  // namespace
}  // namespace bw
