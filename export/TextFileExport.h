#pragma once

// "Save Results As Text File": writes a list as a column-aligned text file.

#include <QString>
#include <functional>

#include "shell/Yield.h"

namespace bw {

class Dialogs;
class ListView;
class ProgressBar;

// How a long export shares the window's thread.
struct ExportPacing {
    // Pending window events are processed whenever this much time has
    // passed (0: after every row).
    int yieldSliceMs = kYieldSliceMs;
    // Asked after each such pause; true ends the export at once (the window
    // is going away). A file being written is then left as it was.
    std::function<bool()> stop;
};

// Writes the header line and every checked row of the list to fileName in
// the aligned layout (each cell padded to its column's widest text over the
// header and all rows, then a TAB; every line ends TAB CR LF), in the
// locale's encoding. The file is replaced only once it is completely
// written. Drives the progress bar when one is given. Reports its own
// failures through the error report and never throws.
void SaveListviewProperlySpaced(ListView& list, const QString& fileName, ProgressBar* progressBar, Dialogs& dialogs,
                                const ExportPacing& pacing = {});

}  // namespace bw
