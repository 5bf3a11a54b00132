#pragma once

// The program's one window and its command procedures.
//
// The controls keep their design names and are public so that tests can
// drive the window as a user would. Its procedures are defined in this folder:
//   Form1.cpp            layout, wiring, close event, the drop filter of the input list
//   MainWindowSetup.cpp  Form_Load, Form_QueryUnload, Form_Unload
//   InputList.cpp        PushButton6/3/7/1, files dropped on the input list,
//                        Delete and double-click in both lists
//   ResultsList.cpp      Option1/Option2, BuildResultColumns, PushButton2
//   ConversionRun.cpp    PushButton17 ("Start Converting")
//   ExportCommands.cpp   PushButton4/5/13 (text file, clipboard, spreadsheet)
//   PointerHover.cpp     the hover handlers of the window pointer
// The general procedures they call live in export/ (writing lists out) and
// shell/ (the platform, the list view, reading list files in, the error
// report).

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <array>
#include <memory>
#include <span>

#include "core/ConversionOptions.h"
#include "shell/ListView.h"
#include "shell/Platform.h"
#include "shell/ProgressBar.h"
#include "shell/WindowPointer.h"
#include "shell/Yield.h"

namespace bw {

class ErrorReport;

// A list column: its caption and its width in twips.
struct ListColumn {
    const char* caption;
    int widthTwips;
};
inline constexpr ListColumn kInputColumn{kNumbersCaption, 7000};
inline constexpr std::array<ListColumn, 3> kFullResultColumns{
    {{kNumbersCaption, 2300}, {kConversionCaption, 2300}, {kResultsCaption, 2300}}};
inline constexpr std::array<ListColumn, 1> kResultsOnlyColumns{{{kResultsCaption, 7000}}};
// The results list's columns in "Show full results" or "Show results only".
inline std::span<const ListColumn> ResultColumns(bool fullResults) {
    if (fullResults) return kFullResultColumns;
    return kResultsOnlyColumns;
}

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(Platform& platform, QWidget* parent = nullptr);
    ~Form1() override;

    // Controls.
    ListView* ListView1 = nullptr;       // input list
    ListView* ListView2 = nullptr;       // results list
    QPushButton* PushButton6 = nullptr;  // "Add Number or Numbers"
    QPushButton* PushButton3 = nullptr;  // "Load Numbers From File"
    QPushButton* PushButton1 = nullptr;  // "Clear List"
    QPushButton* PushButton7 = nullptr;  // "Load Sample/Example Numbers"
    QGroupBox* Frame1 = nullptr;         // "Conversion Option"
    QComboBox* Combo1 = nullptr;
    QGroupBox* Frame2 = nullptr;          // "Results"
    QRadioButton* Option1 = nullptr;      // "Show full results"
    QRadioButton* Option2 = nullptr;      // "Show results only"
    QPushButton* PushButton17 = nullptr;  // "Start Converting"
    QPushButton* PushButton4 = nullptr;   // "Save Results As Text File"
    QPushButton* PushButton13 = nullptr;  // "Save Results As Excel File"
    QPushButton* PushButton5 = nullptr;   // "Copy Results To Clipboard"
    QPushButton* PushButton2 = nullptr;   // "Clear Results"
    ProgressBar* ProgressBar1 = nullptr;

    WindowPointer& MousePointer() { return pointer_; }
    // The title of message and input boxes that name none of their own.
    const QString& ApplicationTitle() const { return applicationTitle_; }
    // The file name the shared file dialog last returned (load and save).
    QString CommonDialog1FileName;

    // Set-up and shutdown.
    void Form_Load();
    void Form_QueryUnload();
    void Form_Unload();
    void SetApplicationTitle();
    void MaybeOpenHomePage();

    // Commands.
    void PushButton1_Click();   // Clear List
    void PushButton2_Click();   // Clear Results
    void PushButton3_Click();   // Load Numbers From File
    void PushButton4_Click();   // Save Results As Text File
    void PushButton5_Click();   // Copy Results To Clipboard
    void PushButton6_Click();   // Add Number or Numbers
    void PushButton7_Click();   // Load Sample/Example Numbers
    void PushButton13_Click();  // Save Results As Excel File
    void PushButton17_Click();  // Start Converting
    void ListView1_KeyDown(int keyCode, int shift);
    void ListView2_KeyDown(int keyCode, int shift);
    void ListView1_DblClick();
    void ListView2_DblClick();
    // Files dropped on the input list: loaded as "Load Numbers From File"
    // loads the same files picked in its dialog.
    void ListView1_FilesDropped(const QStringList& paths);
    void Option1_Click();
    void Option2_Click();
    bool SaveResultsAsExcelFileIsExcelInstalled();

    // Pointer hover handlers.
    void CommandButton_MouseMove();  // over any of the nine command buttons
    void Background_MouseMove();     // over the window, a frame or a list

    // Rebuilds the results list's columns for a display mode; under a trap
    // (the window's set-up) each step is a statement of its own.
    void BuildResultColumns(bool fullResults, ErrorReport* trap = nullptr);

    // True while "Start Converting" is in progress.
    bool ConversionRunning() const { return conversionRunning_; }
    // True once Form_Unload ran: long commands stop at their next yield.
    bool Unloaded() const { return unloaded_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // How the long commands share the window's thread: a yield every time
    // slice, and a stop once the window has been unloaded.
    Pacing CommandPacing();
    void RemoveSelectedRow(ListView& list);
    // The load loop of "Load Numbers From File" over full paths.
    void LoadListFiles(const QStringList& paths);
    // Lets the input list take files dropped from a file manager.
    void AcceptFileDrops();
    // The nine command buttons, in the order of their numbers.
    QList<QPushButton*> CommandButtons() const;
    // Mouse tracking and the event filter that drive the hover handlers.
    void InstallPointerHover();

    Platform& platform_;
    WindowPointer pointer_;
    QString applicationTitle_;
    bool conversionRunning_ = false;
    bool closeRequested_ = false;  // the close request has run (or is running)
    bool unloaded_ = false;
};

}  // namespace bw
