#pragma once

// The window program's command line, read before anything needs a display:
// "--help" and "--version" print and end the program, a usage error ends it
// with status 2, and everything else opens the window. The options that every
// Qt program takes ("-platform NAME", "-style STYLE", ...) are accepted here
// and left in place for QApplication, which reads them itself.

#include <QString>
#include <QStringList>

namespace bw {

inline constexpr const char* kProgramName = "basewright";

struct CommandLineRequest {
    bool openWindow = true;
    // When the window does not open: the text to print (ending in a line
    // break), where it goes, and the program's exit status.
    QString text;
    bool toStandardError = false;
    int exitStatus = 0;
};

// `arguments` as the program received them, the program's path first.
CommandLineRequest ReadCommandLine(const QStringList& arguments, const QString& version);

// The program's arguments from main()'s argc and argv, decoded as Qt decodes
// them (the local 8-bit encoding), without needing an application object.
QStringList ArgumentsOf(int argc, const char* const* argv);

}  // namespace bw
