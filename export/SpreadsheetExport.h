#pragma once

// "Save Results As Excel File": a list handed to the spreadsheet application
// as a new, unsaved workbook.

#include <QString>

#include "shell/Yield.h"  // Pacing

namespace bw {

class Dialogs;
class ErrorReport;
class ListView;
class SpreadsheetLauncher;
class WindowPointer;

// True when the launcher exists and says its application can be started.
// Never throws.
bool SpreadsheetApplicationAvailable(SpreadsheetLauncher* launcher);

// Copies the list's caption row and its rows into a new workbook of the
// application the launcher starts, fits the columns and shows the workbook.
// Sets the busy pointer for its work and the normal pointer at its end.
// Each step runs as a numbered statement (104 to 154) of the caller's trap,
// so failures are reported under the command's location. Messages use the
// given title. pacing.stop() ends the writing at its next pause.
// The calls into the application run on a thread of the command's own
// while the window keeps processing its events; the list, the reports and
// the pointer are used on the calling (window) thread only. Once
// pacing.stop() is true, a call still running after a short grace is left
// to finish on its own and the procedure returns. A call still running at
// the launcher's CallDeadline() is left likewise, and reported as the
// application not answering.
void SaveListviewToSpreadsheet(ListView& list, SpreadsheetLauncher& launcher, ErrorReport& trap, WindowPointer& pointer,
                               Dialogs& dialogs, const QString& title, const Pacing& pacing);

}  // namespace bw
