#pragma once

#include <QProgressBar>
#include <QString>

namespace bw {

// What the bar shows when no command is running.
inline constexpr const char* kProgressBarIdleText = "Progress Bar";

// The window's progress bar: a real-valued position from 0 to 100 and a
// text shown on the bar. A fractional position shows rounded down; a
// position above 100 shows as 100 (Value() still returns what was set).
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);
    void SetValue(double value);
    double Value() const { return value_; }
    void SetText(const QString& text);
    QString Text() const { return text_; }
    // What the bar shows: the text exactly ('%' has no meaning of its own).
    QString text() const override { return text_; }

private:
    double value_ = 0;
    QString text_;
};

}  // namespace bw
