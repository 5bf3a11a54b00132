#include "shell/Skin.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>

#include "shell/AppError.h"

namespace bw {

void SetBackground(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(widget.backgroundRole(), colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void ApplySkin(QWidget& window, const QString& programFolder) {
    const QString path = QDir::toNativeSeparators(programFolder + QLatin1Char('/') + QString::fromLatin1(kSkinFile));
    const QFileInfo info(path);
    if (!info.isFile() || info.isHidden()) return;

    const QColor buttonFace = QGuiApplication::palette().color(QPalette::Button);
    SetBackground(window, buttonFace);
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) || qobject_cast<QGroupBox*>(child) ||
            qobject_cast<QLabel*>(child)) {
            SetBackground(*child, buttonFace);
        }
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        throw AppError(("Cannot read the skin " + path + ": " + file.errorString()).toStdString());
    }
    const QByteArray styleSheet = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw AppError(("Cannot read the skin " + path + ": " + file.errorString()).toStdString());
    }
    window.setStyleSheet(QString::fromUtf8(styleSheet));
}

}  // namespace bw
