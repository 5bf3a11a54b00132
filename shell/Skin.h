#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace bw {

// The skin file's place below the folders searched for look files (see
// LookFileFolders: the program's folder first).
inline constexpr const char* kSkinFile = "x/o.cjs";

// Restyles the window when the skin file is present in one of the look file
// folders (the first that holds it): the window, and its option buttons,
// check boxes, frames and labels, take the palette's button colour, then the
// file is applied to the window as a Qt style sheet. Without the file (a
// folder of that name does not count) the window keeps its colours. Throws
// AppError when the file is present but cannot be read, is no regular file
// of at most kMaxLookFileBytes (a FIFO, a device), refers with url(...) to a
// file that is no such file, or is no style sheet that Qt can parse (the
// window then keeps its own style); the colour changes have been made by
// then.
void ApplySkin(QWidget& window, const QString& programFolder);

// Fills the widget's background with the colour (buttons, option buttons and
// check boxes fill with the button role, other widgets with the window role).
void SetBackground(QWidget& widget, const QColor& colour);

}  // namespace bw
