#include "WindowPointer.h"

#include <QPixmap>
#include <QtEndian>

#include "AppError.h"
#include "FileSystem.h"

namespace bw {

void WindowPointer::Set(int value) {
    value_ = value;
    if (value == kPointerBusy) {
        window_.setCursor(Qt::WaitCursor);
    } else if (value == kPointerHand && custom_) {
        window_.setCursor(*custom_);
    } else {
        window_.setCursor(Qt::ArrowCursor);
    }
}

void WindowPointer::LoadCustomImage(const QString& path) {
    // Only a regular file of a bounded size is read: a FIFO would hold the
    // window, a device such as /dev/zero would fill the memory.
    std::string content;
    try {
        content = ReadRegularFile(path, kMaxLookFileBytes);
    } catch (const FileError& e) {
        throw AppError(("File not readable: " + path + ": ").toStdString() + e.Cause());
    }
    const QByteArray bytes = QByteArray::fromRawData(content.data(), static_cast<qsizetype>(content.size()));
    QPixmap image;
    if (!image.loadFromData(bytes, "CUR") && !image.loadFromData(bytes)) {
        throw AppError("Invalid picture");
    }
    // A cursor file's first directory entry holds the hot spot (x at byte
    // 10, y at byte 12, little-endian); fall back to the top-left corner.
    int hotX = 0, hotY = 0;
    if (bytes.size() >= 14 && qFromLittleEndian<quint16>(bytes.constData() + 2) == 2) {
        hotX = qFromLittleEndian<quint16>(bytes.constData() + 10);
        hotY = qFromLittleEndian<quint16>(bytes.constData() + 12);
    }
    custom_ = QCursor(image, hotX, hotY);
    if (value_ == kPointerHand) Set(kPointerHand);
}

}  // namespace bw
