// The main window's set-up when it is loaded, its close request and its
// unload.

#include "window/MainWindowSetup.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSize>
#include <QStringList>
#include <QTime>
#include <QUrl>
#include <cmath>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <optional>
#include <span>
#include <string>
#include <string_view>

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

// Sets aside the user's input (keys, clicks, the wheel, drops) to the whole
// program while it lives: events that change nothing (painting, timers, the
// session's end) still run.
class UserInputHold : public QObject {
public:
    UserInputHold() {
        if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
    }
    ~UserInputHold() override {
        if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel:
            case QEvent::ContextMenu:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TabletPress:
            case QEvent::TabletRelease:
            case QEvent::TabletMove:
                return true;
            default:
                return false;
        }
    }
};

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
    using At = Form_LoadSteps;
    ErrorReport trap(platform_.dialogs, kLocForm_Load);

    trap.Step(At::kApplySkin, [&] { ApplySkin(*this, platform_.programFolder); });
    trap.Step(At::kTitleAndIcon, [&] { setWindowTitle(QString::fromLatin1(kProductTitle)); });
    trap.Step(At::kTitleAndIcon, [&] { setWindowIcon(ApplicationIcon()); });
    trap.Step(At::kTitleAndIcon, [&] { SetApplicationTitle(); });

    const QString cursorPath = FindLookFile(platform_.programFolder, QString::fromLatin1(kHandCursorFile));
    if (trap.Test(At::kCursorFileThere, [&] { return FileExists(cursorPath); })) {
        trap.Step(At::kLoadCursor, [&] { MousePointer().LoadCustomImage(cursorPath); });
    }
    trap.Step(At::kHomePage, [&] { MaybeOpenHomePage(); });

    trap.Step(At::kInputCaption, [&] { ListView1->AddColumn(QString::fromLatin1(kInputColumn.caption)); });
    trap.Step(At::kInputWidth, [&] { ListView1->SetColumnWidth(1, kInputColumn.widthTwips); });

    // The display mode; a stored value that is no truth value leaves the
    // button as it was.
    trap.Step(At::kRestoreOption1, [&] {
        SetOptionState(*Option1, TextToTruth(GetProgramSetting(platform_.settings, kKeyOption1, QStringLiteral("1"))));
    });
    trap.Step(At::kRestoreOption2, [&] {
        SetOptionState(*Option2, TextToTruth(GetProgramSetting(platform_.settings, kKeyOption2, QStringLiteral("0"))));
    });

    // The results list's columns follow Option1 alone.
    const bool full = trap.Test(At::kFullResults, [&] { return Option1->isChecked(); });
    BuildResultColumns(full, &trap);

    // The input list of the last run, split at ";" as it is read: each
    // piece that is not empty becomes a row, exactly as stored.
    std::string stored;
    trap.Step(At::kReadStoredList, [&] { stored = GetProgramSettingUtf8(platform_.settings, kKeyZipCodes, {}); });
    if (trap.Test(At::kAnyStoredList, [&] { return !stored.empty(); })) {
        ListView1->BeginBatch();
        std::string_view rest = stored;
        for (bool last = false; !last;) {
            const std::size_t end = rest.find(';');
            last = end == std::string_view::npos;
            const std::string_view piece = rest.substr(0, end);
            if (!last) rest.remove_prefix(end + 1);
            if (trap.Test(At::kStoredPieceNotEmpty, [&] { return !piece.empty(); })) {
                trap.Step(At::kRestoreRow, [&] { ListView1->AppendRow(std::span<const std::string_view>(&piece, 1)); });
            }
        }
        ListView1->EndBatch();
    }
    std::string().swap(stored);
#ifdef __GLIBC__
    // The stored text and the file it was read from were large blocks that
    // the C library keeps for later use; the pages they took go back to the
    // system, so that a restored list costs no more memory than a loaded one.
    malloc_trim(0);
#endif

    const auto options = ConversionOptions();
    static_assert(std::size(At::kAddConversion) == kConversionOptionCount);
    for (std::size_t n = 0; n < options.size(); ++n) {
        trap.Step(At::kAddConversion[n], [&] {
            Combo1->addItem(QString::fromUtf8(options[n].name.data(), static_cast<qsizetype>(options[n].name.size())));
        });
    }
    trap.Step(At::kSelectFirstConversion, [&] { Combo1->setCurrentIndex(0); });
}

void Form1::Form_QueryUnload() {
    using At = Form_QueryUnloadSteps;
    ErrorReport trap(platform_.dialogs, kLocForm_QueryUnload);
    // The save of a long list hands the window back now and then, so that
    // it repaints and answers the system; the user's input meanwhile (keys,
    // clicks) is set aside: the window is closing, and no command may start
    // in the middle of the save.
    std::optional<UserInputHold> hold(std::in_place);
    Pacer pacer;

    // The rows' texts joined with ";", handed to the store piece by piece
    // (a row, then ";" and the next row, ...) instead of as one text.
    int count = 0;
    trap.Step(At::kCountRows, [&] { count = ListView1->RowCount(); });
    // The reads of the rows report as one statement (At::kReadRow); a row that has gone
    // meanwhile (the list was cleared) is reported once, and the rows after
    // it, gone too, are left out without a further report.
    ErrorReport rowTrap(platform_.dialogs, kLocForm_QueryUnload);
    int row = 0;
    bool rowsGone = false;
    bool separatorGiven = false;
    std::string_view rowAfterSeparator;
    bool anyRow = false;
    auto next = [&](std::string_view& piece) {
        if (separatorGiven) {
            separatorGiven = false;
            piece = rowAfterSeparator;
            return true;
        }
        while (!rowsGone && ++row <= count) {
            bool read = false;
            std::string_view text;
            rowTrap.Step(At::kReadRow, [&] {
                if (row > ListView1->RowCount()) {
                    rowsGone = true;
                    (void)ListView1->RowText(row);  // fails as a read of a row that is not there
                }
                text = ListView1->CellUtf8(row, 1);
                read = true;
            });
            if (!read) continue;
            if (anyRow) {
                piece = ";";
                rowAfterSeparator = text;
                separatorGiven = true;
                return true;
            }
            anyRow = true;
            piece = text;
            return true;
        }
        return false;
    };
    trap.Step(At::kSaveList,
              [&] { SaveProgramSettingPieces(platform_.settings, kKeyZipCodes, next, [&] { (void)pacer.Pace(); }); });
    hold.reset();
    trap.Step(At::kLetWindowRun, [] { YieldToEvents(); });
}

void Form1::Form_Unload() {
    unloaded_ = true;
    hide();
    platform_.shell.EndProgram();
}

}  // namespace bw
