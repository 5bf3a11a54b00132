#pragma once

// The main window's design: every control's position and size in twips
// (1/1440 inch), from the top-left corner of the client area, or of the
// frame the control sits in.

#include <QRect>
#include <array>

#include "shell/Twips.h"

namespace bw {

inline constexpr int kForm1ClientWidth = 8040;   // twips
inline constexpr int kForm1ClientHeight = 8655;  // twips

struct FormControlLayout {
    const char* name;  // the control's object name
    int left, top, width, height;
};

inline constexpr std::array<FormControlLayout, 17> kForm1Layout = {{
    {"ListView1", 120, 120, 7800, 1815},
    {"PushButton6", 120, 2040, 3840, 400},
    {"PushButton3", 4080, 2040, 3840, 405},
    {"PushButton1", 120, 2550, 3840, 405},
    {"PushButton7", 4080, 2550, 3840, 405},
    {"Frame1", 120, 3015, 7800, 800},
    {"Combo1", 240, 300, 7335, 345},
    {"Frame2", 120, 3870, 7800, 705},
    {"Option1", 240, 300, 2055, 255},
    {"Option2", 2280, 300, 2055, 255},
    {"PushButton17", 120, 4695, 7800, 405},
    {"ListView2", 120, 5210, 7800, 1815},
    {"PushButton4", 120, 7110, 3840, 405},
    {"PushButton13", 4080, 7110, 3840, 405},
    {"PushButton5", 120, 7620, 3840, 405},
    {"PushButton2", 4080, 7620, 3840, 405},
    {"ProgressBar1", 120, 8140, 7800, 405},
}};

inline const std::array<FormControlLayout, 17>& Form1Layout() { return kForm1Layout; }

QRect TwipsRect(int left, int top, int width, int height, double dpiX, double dpiY);

}  // namespace bw
