// The main window's set-up when it is loaded, its close request and its
// unload.

#include "window/MainWindowSetup.h"

#include <QSize>
#include <QStringList>
#include <QTime>
#include <QUrl>
#include <cmath>
#include <span>

#include "core/ConversionOptions.h"
#include "shell/ErrorReport.h"
#include "shell/FileSystem.h"
#include "shell/Settings.h"
#include "shell/Skin.h"
#include "shell/Yield.h"
#include "window/Form1.h"

// The icon's pictures are compiled into the window's library; a static
// library's resources must be registered by name before first use.
static void LoadIconResources() { Q_INIT_RESOURCE(basewright); }

namespace bw {

namespace {

// The sizes the icon is drawn at (the same pictures the desktop's icon
// theme gets when the program is installed).
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

}  // namespace

QString ShortenProductTitle(const QString& productTitle) {
    auto cut = [](QString& text) {
        const qsizetype blank = text.lastIndexOf(QLatin1Char(' '));
        if (blank <= 0) return false;
        text.truncate(blank);
        return true;
    };
    QString title = productTitle;
    if (!cut(title)) return title;
    while (title.size() > 40) {
        if (!cut(title)) break;
    }
    return title;
}

int HomePageDraw(double r) { return static_cast<int>(std::floor(r * 100.0)) + 1; }

QIcon ApplicationIcon() {
    LoadIconResources();
    QIcon icon;
    for (int size : kIconSizes) icon.addFile(QStringLiteral(":/icons/basewright-%1.png").arg(size), QSize(size, size));
    return icon;
}

namespace {

// Sets or clears one button of the exclusive pair. Clearing needs the
// group's exclusivity lifted for a moment, or the set button would stay set.
void SetOptionState(QRadioButton& button, bool checked) {
    if (checked || !button.isChecked()) {
        button.setChecked(checked);
        return;
    }
    button.setAutoExclusive(false);
    button.setChecked(false);
    button.setAutoExclusive(true);
}

}  // namespace

void Form1::SetApplicationTitle() { applicationTitle_ = ShortenProductTitle(QString::fromLatin1(kProductTitle)); }

void Form1::MaybeOpenHomePage() {
    const unsigned secondsSinceMidnight = static_cast<unsigned>(QTime::currentTime().msecsSinceStartOfDay() / 1000);
    platform_.random.Seed(secondsSinceMidnight);
    const double r = platform_.random.Next();
    if (HomePageDraw(r) == 7) platform_.shell.OpenUrl(QUrl(QString::fromLatin1(kHomePageUrl)));
}

void Form1::Form_Load() {
    ErrorReport trap(platform_.dialogs, kLocForm_Load);

    trap.Step(102, [&] { ApplySkin(*this, platform_.programFolder); });
    trap.Step(104, [&] { setWindowTitle(QString::fromLatin1(kProductTitle)); });
    trap.Step(104, [&] { setWindowIcon(ApplicationIcon()); });
    trap.Step(104, [&] { SetApplicationTitle(); });

    const QString cursorPath = platform_.programFolder + QLatin1Char('/') + QString::fromLatin1(kHandCursorFile);
    if (trap.Test(106, [&] { return FileExists(cursorPath); })) {
        trap.Step(108, [&] { MousePointer().LoadCustomImage(cursorPath); });
    }
    trap.Step(110, [&] { MaybeOpenHomePage(); });

    trap.Step(128, [&] { ListView1->AddColumn(QString::fromLatin1(kInputColumn.caption)); });
    trap.Step(130, [&] { ListView1->SetColumnWidth(1, kInputColumn.widthTwips); });

    // The display mode; a stored value that is no truth value leaves the
    // button as it was.
    trap.Step(132, [&] {
        SetOptionState(*Option1, TextToTruth(GetProgramSetting(platform_.settings, kKeyOption1, QStringLiteral("1"))));
    });
    trap.Step(134, [&] {
        SetOptionState(*Option2, TextToTruth(GetProgramSetting(platform_.settings, kKeyOption2, QStringLiteral("0"))));
    });

    // The results list's columns follow Option1 alone.
    const bool full = trap.Test(136, [&] { return Option1->isChecked(); });
    const std::span<const ListColumn> columns = ResultColumns(full);
    const int firstLine = full ? 138 : 152;  // clear; then each caption; then each width
    trap.Step(firstLine, [&] { ListView2->ClearColumns(); });
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const int line = firstLine + 2 + 2 * static_cast<int>(c);
        trap.Step(line, [&] { ListView2->AddColumn(QString::fromLatin1(columns[c].caption)); });
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const int line = firstLine + 2 + 2 * static_cast<int>(columns.size() + c);
        trap.Step(line, [&] { ListView2->SetColumnWidth(static_cast<int>(c) + 1, columns[c].widthTwips); });
    }

    // The input list of the last run; empty pieces are not restored.
    QString stored;
    trap.Step(158, [&] { stored = GetProgramSetting(platform_.settings, kKeyZipCodes, QString()); });
    if (trap.Test(160, [&] { return !stored.isEmpty(); })) {
        QStringList pieces;
        trap.Step(162, [&] { pieces = stored.split(QLatin1Char(';')); });
        ListView1->BeginBatch();
        for (const QString& piece : pieces) {
            if (trap.Test(166, [&] { return !piece.isEmpty(); })) {
                trap.Step(168, [&] { ListView1->AddRow(piece); });
            }
        }
        ListView1->EndBatch();
    }

    int line = 172;
    for (const ConversionOption& option : ConversionOptions()) {
        trap.Step(line, [&] {
            Combo1->addItem(QString::fromUtf8(option.name.data(), static_cast<qsizetype>(option.name.size())));
        });
        line += 2;
    }
    trap.Step(196, [&] { Combo1->setCurrentIndex(0); });
}

void Form1::Form_QueryUnload() {
    ErrorReport trap(platform_.dialogs, kLocForm_QueryUnload);
    QString joined;
    int count = 0;
    trap.Step(102, [&] { count = ListView1->RowCount(); });
    for (int i = 1; i <= count; ++i) {
        trap.Step(104, [&] {
            joined += ListView1->RowText(i);
            joined += QLatin1Char(';');
        });
    }
    trap.Step(108, [&] {
        if (!joined.isEmpty()) joined.chop(1);
    });
    trap.Step(110, [&] { SaveProgramSetting(platform_.settings, kKeyZipCodes, joined); });
    trap.Step(112, [] { YieldToEvents(); });
}

void Form1::Form_Unload() {
    unloaded_ = true;
    hide();
    platform_.shell.EndProgram();
}

}  // namespace bw
