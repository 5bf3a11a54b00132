#pragma once

#include <QCursor>
#include <QWidget>
#include <optional>

namespace bw {

inline constexpr int kPointerNormal = 0;
inline constexpr int kPointerBusy = 11;
inline constexpr int kPointerHand = 99;

// The window's mouse pointer setting: 0 normal (arrow), 11 busy (wait
// cursor, also the program's one busy flag), 99 hand (the custom cursor
// image when one was loaded, the arrow otherwise).
class WindowPointer {
public:
    explicit WindowPointer(QWidget& window) : window_(window) {}
    int Value() const { return value_; }
    bool Busy() const { return value_ == kPointerBusy; }
    void Set(int value);
    // Loads a .cur file as the hand image; throws AppError when it cannot be
    // read, or is no regular file of at most kMaxLookFileBytes.
    void LoadCustomImage(const QString& path);
    bool HasCustomImage() const { return custom_.has_value(); }

private:
    QWidget& window_;
    int value_ = kPointerNormal;
    std::optional<QCursor> custom_;
};

}  // namespace bw
