#include "shell/Skin.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QPalette>
#include <QRadioButton>
#include <QRegularExpression>

#include <string>

#include "shell/AppError.h"
#include "shell/FileSystem.h"

namespace bw {

namespace {

// Qt has no public style sheet parser: a sheet it cannot parse is only
// reported by the warning "Could not parse stylesheet of object ..." when a
// widget using it is polished, and the widget is then drawn with whatever
// rules were read before the fault. So the sheet is first applied to a probe
// widget that is polished at once, with that warning caught by a message
// handler installed for that moment (other messages pass on to the handler
// that was there).
thread_local bool* styleSheetFailed = nullptr;  // set while a probe is polished
QtMessageHandler messagesBefore = nullptr;

void CatchStyleSheetWarning(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (styleSheetFailed && type == QtWarningMsg && message.startsWith(QLatin1String("Could not parse")) &&
        message.contains(QLatin1String("stylesheet"), Qt::CaseInsensitive)) {
        *styleSheetFailed = true;
        return;
    }
    messagesBefore(type, context, message);
}

bool StyleSheetParses(const QString& styleSheet) {
    bool failed = false;
    // The warning comes through the default logging category: keep it on
    // for the probe whatever the logging rules say.
    QLoggingCategory* category = QLoggingCategory::defaultCategory();
    const bool warningsWereOn = category->isWarningEnabled();
    struct Restore {
        QLoggingCategory* category;
        bool warnings;
        ~Restore() {
            qInstallMessageHandler(messagesBefore);
            styleSheetFailed = nullptr;
            category->setEnabled(QtWarningMsg, warnings);
        }
    };
    category->setEnabled(QtWarningMsg, true);
    styleSheetFailed = &failed;
    messagesBefore = qInstallMessageHandler(CatchStyleSheetWarning);
    const Restore restore{category, warningsWereOn};
    QWidget probe;
    probe.setStyleSheet(styleSheet);
    probe.ensurePolished();
    return !failed;
}

// The files a style sheet refers to with url(...): Qt reads them (relative
// to the current folder, as Qt takes them) when it draws. Each one that is
// there must be a regular file of a bounded size, or the sheet is refused:
// a FIFO would hold the window, a device or a huge file would fill the
// memory. Qt's own resources (":/...") are not files.
void CheckReferredFiles(const QString& sheet, const QString& skinPath) {
    static const QRegularExpression url(
        QStringLiteral(R"re(url\(\s*(?:"((?:[^"\\]|\\.)*)"|'((?:[^'\\]|\\.)*)'|([^)\s]*))\s*\))re"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto match = url.globalMatch(sheet); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        QString referred = found.captured(1) + found.captured(2) + found.captured(3);
        if (referred.isEmpty() || referred.startsWith(QLatin1Char(':')) ||
            referred.startsWith(QLatin1String("qrc:"), Qt::CaseInsensitive))
            continue;
        if (!QFileInfo::exists(referred)) continue;  // Qt draws nothing for it
        try {
            (void)ReadRegularFile(referred, kMaxLookFileBytes);
        } catch (const FileError& e) {
            throw AppError(("Cannot read the skin " + skinPath + ": it refers to " + referred + ", ").toStdString() +
                           e.Cause());
        }
    }
}

}  // namespace

void SetBackground(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(widget.backgroundRole(), colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void ApplySkin(QWidget& window, const QString& programFolder) {
    const QString path = FindLookFile(programFolder, QString::fromLatin1(kSkinFile));
    if (path.isEmpty() || QFileInfo(path).isHidden()) return;

    const QColor buttonFace = QGuiApplication::palette().color(QPalette::Button);
    SetBackground(window, buttonFace);
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) || qobject_cast<QGroupBox*>(child) ||
            qobject_cast<QLabel*>(child)) {
            SetBackground(*child, buttonFace);
        }
    }

    std::string styleSheet;
    try {
        styleSheet = ReadRegularFile(path, kMaxLookFileBytes);
    } catch (const FileError& e) {
        throw AppError(("Cannot read the skin " + path + ": ").toStdString() + e.Cause());
    }
    const QString sheet = QString::fromUtf8(styleSheet.data(), static_cast<qsizetype>(styleSheet.size()));
    CheckReferredFiles(sheet, path);
    if (!StyleSheetParses(sheet)) {
        throw AppError(("The skin " + path + " cannot be applied: it is not a valid style sheet").toStdString());
    }
    window.setStyleSheet(sheet);
}

}  // namespace bw
