#pragma once

// "Copy Results To Clipboard": a list as aligned plain text on the clipboard.

#include <QString>

#include "shell/Yield.h"

namespace bw {

class Clipboard;
class ListView;

// The clipboard text of the list: one line per checked row, no header; each
// cell padded to its column's widest text over all rows (the header does not
// count) and followed by a TAB; each line then loses its last TAB and its
// trailing blanks and ends with CR LF. Pending window events are processed
// as paced. Throws AppError when a row goes away while the text is built.
// Sets *stopped (when given) and returns the empty text when pacing.stop()
// ended the building.
QString ClipboardTextOfListview(ListView& list, const Pacing& pacing = {}, bool* stopped = nullptr);

// Puts the text of ClipboardTextOfListview on the clipboard, after emptying
// it. A list without rows leaves the clipboard untouched; so does a failure
// while the text is built (the AppError goes to the caller).
void CopyListviewToClipboard(ListView& list, Clipboard& clipboard, const Pacing& pacing = {});

// Each makes up to 1000 attempts of its clipboard call, stopping at the first
// success; failures are silent. They return whether an attempt succeeded.
bool ClearClipboardRetrying(Clipboard& clipboard);
bool SetClipboardTextRetrying(Clipboard& clipboard, const QString& text);

inline constexpr int kClipboardAttempts = 1000;

}  // namespace bw
