#pragma once

// Pieces of the main window's set-up that stand on their own.

#include <QIcon>
#include <QString>

namespace bw {

inline constexpr const char* kProductTitle = "Basewright";
inline constexpr const char* kHomePageUrl = "https://basewright.example/";
inline constexpr const char* kHandCursorFile = "HAND-M.CUR";  // in a look file folder (LookFileFolders)

// The application title made from the product title: cut just before the
// last blank (always once), then again while longer than 40 characters. A
// cut that finds no blank, or that would leave nothing, keeps the text.
QString ShortenProductTitle(const QString& productTitle);

// The whole part of r * 100, plus 1: 1 to 100 for 0 <= r < 1. The home page
// opens on a draw of 7.
int HomePageDraw(double r);

// The window icon: the program's icon at the usual sizes.
QIcon ApplicationIcon();

}  // namespace bw
