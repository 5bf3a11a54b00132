#pragma once

#include <cmath>

namespace bw {

// Twips (1/1440 inch) to pixels at a logical resolution in dots per inch,
// rounded to the nearest pixel.
inline int TwipsToPixels(int twips, double logicalDpi) {
    return static_cast<int>(std::lround(twips * logicalDpi / 1440.0));
}

}  // namespace bw
