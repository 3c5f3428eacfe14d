#pragma once
// JPEG pictures (baseline, progressive, arithmetic-coded) through libjpeg-turbo.
#include "graphics/surface.h"

#include <string_view>

namespace qvl {

// Decodes to 0x00RRGGBB at full size. Greyscale spreads to three equal channels;
// CMYK and YCCK are converted to RGB, reading the ink values as inverted when an
// Adobe marker is present, as Adobe's writers store them. Throws Fault with
// libjpeg's own reason for anything it cannot read, for a file that ends before
// its pixels do, for more than 16384 pixels a side (or 16M pixels) and for
// progressive files of more than 256 scans.
Surface decodeJpeg(std::string_view file);

}  // namespace qvl
