// The application icon compiled from data/basewright.qrc: every size is
// there under its resource path, has its size, and shows the icon (a blue
// rounded square with white letters, transparent corners); the SVG is there
// and is a 256 x 256 drawing in the same blue.

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>
#include <QXmlStreamReader>

namespace {

const QColor kBlue(0x1f, 0x5f, 0xa8);

// Colour distance good enough to tell the blue from white or transparency
// while allowing for antialiasing.
bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 12 && std::abs(a.green() - b.green()) <= 12 &&
           std::abs(a.blue() - b.blue()) <= 12 && std::abs(a.alpha() - b.alpha()) <= 12;
}

class IconSize : public ::testing::TestWithParam<int> {};

TEST_P(IconSize, PngHasItsSizeAndShowsTheIcon) {
    const int size = GetParam();
    const QString path = QStringLiteral(":/icons/basewright-%1.png").arg(size);
    QImage image(path);
    ASSERT_FALSE(image.isNull()) << path.toStdString();
    image = image.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(image.width(), size);
    EXPECT_EQ(image.height(), size);

    // The corners lie outside the rounded square.
    for (const QPoint corner : {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)}) {
        EXPECT_LT(qAlpha(image.pixel(corner)), 32) << "corner " << corner.x() << "," << corner.y();
    }
    // Left of the letters, halfway down, and below them: the blue square.
    EXPECT_TRUE(Near(image.pixelColor(size / 8, size / 2), kBlue)) << "left edge";
    EXPECT_TRUE(Near(image.pixelColor(size / 2, size - 1 - size / 8), kBlue)) << "bottom";

    // The middle row crosses the letters: light pixels (white, or at the
    // small sizes white blended into the blue), and nothing but white and
    // blue shades (no stray colour).
    int light = 0;
    for (int x = size / 4; x < size * 3 / 4; ++x) {
        const QColor c = image.pixelColor(x, size / 2);
        if (c.red() > 128) ++light;
        EXPECT_GE(c.blue(), c.red()) << "x " << x;
    }
    EXPECT_GT(light, 0) << "no letter pixels in the middle row";
}

INSTANTIATE_TEST_SUITE_P(EverySize, IconSize, ::testing::Values(16, 22, 24, 32, 48, 64, 128, 256));

TEST(IconSvg, IsA256SquareDrawingInTheIconBlue) {
    QFile file(QStringLiteral(":/icons/basewright.svg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    bool sawRoot = false, sawBlue = false, sawWhite = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const auto attributes = xml.attributes();
        if (!sawRoot) {
            sawRoot = true;
            EXPECT_EQ(xml.name(), QStringLiteral("svg"));
            EXPECT_EQ(attributes.value(QStringLiteral("viewBox")), QStringLiteral("0 0 256 256"));
        }
        const auto fill = attributes.value(QStringLiteral("fill"));
        sawBlue = sawBlue || fill.compare(kBlue.name(), Qt::CaseInsensitive) == 0;
        sawWhite = sawWhite || fill.compare(QStringLiteral("#ffffff"), Qt::CaseInsensitive) == 0;
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_TRUE(sawBlue);
    EXPECT_TRUE(sawWhite);
}

}  // namespace
