// The pacing of long commands: when a slice is over, what a turn of the
// event loop does, and the stop.

#include "shell/Yield.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

namespace bw::test {
namespace {

TEST(Pacer, AZeroSliceYieldsAtEveryTick) {
    Pacer pacer(Pacing{0, {}});
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(pacer.Tick(1));
}

TEST(Pacer, ALongSliceIsNotOverAfterLittleWork) {
    Pacer pacer(Pacing{60000, {}});
    for (int i = 0; i < 10 * static_cast<int>(kPacerCheckCost); ++i) ASSERT_FALSE(pacer.Tick(1)) << i;
}

// The clock is looked at once enough work was counted: a slice that ran out
// long ago shows only then, and costly steps count for more.
TEST(Pacer, TheSliceIsOverOnceTheWorkCountedLetsItShow) {
    Pacer pacer(Pacing{1, {}});
    QTest::qSleep(5);
    for (std::size_t i = 1; i < kPacerCheckCost; ++i) ASSERT_FALSE(pacer.Tick(1)) << i;
    EXPECT_TRUE(pacer.Tick(1));
    QTest::qSleep(5);
    EXPECT_TRUE(pacer.Tick(kPacerCheckCost));
}

TEST(Pacer, YieldRunsPendingEventsAndStartsANewSlice) {
    int ran = 0;
    Pacer pacer(Pacing{60000, {}});
    QTimer::singleShot(0, [&] { ++ran; });
    EXPECT_FALSE(pacer.Pace(kPacerCheckCost));
    EXPECT_EQ(ran, 0);
    EXPECT_FALSE(pacer.Yield());
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(pacer.Stopped());
}

TEST(Pacer, TheStopIsAskedAfterEachTurnAndStays) {
    int asked = 0;
    bool stop = false;
    Pacer pacer(Pacing{0, [&] {
                           ++asked;
                           return stop;
                       }});
    EXPECT_FALSE(pacer.Pace());
    stop = true;
    EXPECT_TRUE(pacer.Pace());
    stop = false;
    EXPECT_TRUE(pacer.Yield());  // the window is still going away
    EXPECT_TRUE(pacer.Stopped());
    EXPECT_EQ(asked, 2);
}

}  // namespace
}  // namespace bw::test
