// Built instead of the LibreOffice bridge when the spreadsheet support is
// left out: there is no application to start.

#include "export/Spreadsheet.h"

namespace bw {

std::unique_ptr<SpreadsheetLauncher> CreateLibreOfficeLauncher() { return nullptr; }

}  // namespace bw
