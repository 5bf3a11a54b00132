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
// create files but the file itself is writable, the file is written in
// place: the room for the whole new text is secured on the disk first (so a
// full disk leaves the old file whole), then the text is written over the
// old one and the file cut to its length. Only a failure half-way through
// that (the program killed) leaves new lines followed by the rest of the old
// text. A FIFO, a device or a folder is not written. Drives the progress bar
// when one is given (its text names the file by LocalFileName). A stop
// asked for by pacing ends the save at its next pause and leaves the file as
// it was, except one written in place after its first lines went out, which
// then holds the lines written so far followed by the rest of its old text.
// Reports its own failures, naming their cause, through the error report and
// never throws.
void SaveListviewProperlySpaced(ListView& list, const QString& fileName, ProgressBar* progressBar, Dialogs& dialogs,
                                const Pacing& pacing = {});

}  // namespace bw
