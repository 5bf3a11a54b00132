// Placeholder until this command is built.
#include "window/Form1.h"

namespace bw {
void Form1::PushButton4_Click() {}
}  // namespace bw
