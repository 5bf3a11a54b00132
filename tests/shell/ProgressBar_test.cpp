// The progress bar: real-valued positions shown rounded down and capped,
// and texts shown exactly as given.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shell/ProgressBar.h"
#include "support/QtPrinters.h"

namespace bw {
namespace {

TEST(ProgressBar, ShowsPositionsRoundedDownWithinTheRange) {
    ProgressBar bar;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double set;
        int shown;
    } cases[] = {
        {0, 0}, {0.99, 0}, {49.9, 49}, {50, 50}, {99.999, 99}, {100, 100}, {100.5, 100}, {250, 100}, {-3, 0},
    };
    for (const auto& c : cases) {
        bar.SetValue(c.set);
        EXPECT_EQ(bar.value(), c.shown) << c.set;
        EXPECT_DOUBLE_EQ(bar.Value(), c.set) << c.set;
    }
    bar.SetValue(nan);
    EXPECT_EQ(bar.value(), 0);
}

TEST(ProgressBar, ShowsItsTextLetterForLetter) {
    ProgressBar bar;
    for (const QString& text : {QString("Progress Bar"), QString("50% of numbers.txt"), QString("100%%"), QString()}) {
        bar.SetText(text);
        bar.SetValue(37.5);
        EXPECT_EQ(bar.Text(), text);
        EXPECT_EQ(bar.text(), text);
    }
}

}  // namespace
}  // namespace bw
