#pragma once
// Writer for the tools: plain uncompressed bitmaps any viewer opens.
#include "graphics/surface.h"

#include <string>

namespace qvl {

// Writes 24-bit bottom-up BI_RGB, or 8-bit with a palette of the picture's own colours
// (ascending) when palettized is asked for and the picture has at most 256 colours.
// The top byte of each pixel is not written. Throws Fault for an empty picture.
std::string encodeBmp(const Surface& picture, bool palettized = false);

}  // namespace qvl
