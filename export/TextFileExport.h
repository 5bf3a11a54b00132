#pragma once

// "Save Results As Text File": writes a list as a column-aligned text file.

#include <QString>
#include <functional>

#include "shell/Yield.h"

namespace bw {

class Dialogs;
class ListView;
class ProgressBar;

// Writes the header line and every checked row of the list to fileName in
// the aligned layout (each cell padded to its column's widest text over the
// header and all rows, then a TAB; every line ends TAB CR LF), in the
// locale's encoding. Each line has the columns the list has when the line is
// written; a list without columns gives an empty file. The file is replaced
// only once it is completely written; where the folder does not let the user
// create files but the file itself is writable, the file is written in place
// (emptied first, then filled), so a failure half-way leaves it holding the
// lines written up to the failure. Drives the progress bar when one is given
// (its text names the file by LocalFileName). Reports its own failures
// through the error report and never throws.
void SaveListviewProperlySpaced(ListView& list, const QString& fileName, ProgressBar* progressBar, Dialogs& dialogs,
                                const Pacing& pacing = {});

}  // namespace bw
