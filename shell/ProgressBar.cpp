#include "shell/ProgressBar.h"

#include <cmath>

namespace bw {

ProgressBar::ProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    QProgressBar::setValue(0);
    setFormat(QString());
}

void ProgressBar::SetValue(double value) {
    value_ = value;
    int shown = 0;
    if (value >= 100) {
        shown = 100;
    } else if (value > 0) {  // also false for NaN
        shown = static_cast<int>(std::floor(value));
    }
    QProgressBar::setValue(shown);
}

void ProgressBar::SetText(const QString& text) {
    text_ = text;
    setFormat(text);
    update();
}

}  // namespace bw
