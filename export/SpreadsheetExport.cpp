// Placeholder until this command is built.
#include "window/Form1.h"

namespace bw {
void Form1::PushButton13_Click() {}
bool Form1::SaveResultsAsExcelFileIsExcelInstalled() { return false; }
}  // namespace bw
