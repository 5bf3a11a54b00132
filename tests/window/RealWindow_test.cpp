// The window on the real Qt platform: set-up, a typed entry through Qt's own
// input box, and the close request writing the real settings file.

#include <gtest/gtest.h>

#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

#include "support/RealUser.h"
#include "support/RealWindow.h"

namespace bw::test {
namespace {

TEST(RealWindow, TypedNumbersGoThroughQtsInputBoxAndAreSavedOnClose) {
    RealWindow w;
    RealUser user;
    auto typed = user.Next([](QWidget* box) {
        auto* edit = box->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        QTest::keyClicks(edit, QStringLiteral("255, 16"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    w.form->PushButton6_Click();
    ASSERT_TRUE(*typed);
    ASSERT_EQ(w.form->ListView1->RowCount(), 2);
    EXPECT_EQ(w.form->ListView1->RowText(1), "255");
    EXPECT_EQ(w.form->ListView1->RowText(2), "16");

    w.form->Form_QueryUnload();
    QSettings stored(w.SettingsFile(), QSettings::IniFormat);
    EXPECT_EQ(stored.value("Basewright/Zip Codes").toString(), "255;16");
}

TEST(RealWindow, ShowsTheProgramsIconAtEverySizeTheDesktopGets) {
    RealWindow w;
    const QList<QSize> sizes = w.form->windowIcon().availableSizes();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    // The picture is the program's (blue square), not a blank placeholder.
    const QImage image = w.form->windowIcon().pixmap(QSize(32, 32)).toImage();
    EXPECT_EQ(image.pixelColor(16, 4).blue() > 150 && image.pixelColor(16, 4).red() < 80, true);
}

}  // namespace
}  // namespace bw::test
