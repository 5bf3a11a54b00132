#pragma once

// A cursor file for the tests of the hover pointer: an icon file of one
// 32x32 picture with type 2 (cursor) and the hot spot in the directory
// entry's planes and bit-count fields.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

namespace bw::test {

inline QByteArray CursorFileBytes(int hotX, int hotY, QColor colour = Qt::blue) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "ICO");
    bytes[2] = 2;
    bytes[10] = char(hotX);
    bytes[11] = 0;
    bytes[12] = char(hotY);
    bytes[13] = 0;
    return bytes;
}

}  // namespace bw::test
