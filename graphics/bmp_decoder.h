#pragma once
// Reader for Windows and OS/2 device-independent bitmap files. It stands in for the
// system's bitmap loader, so anything a picture command names as .bmp comes through
// here, as do the in-memory bitmaps the MAG decoder builds.
#include "graphics/surface.h"

#include <string_view>

namespace qvl {

// Decodes a Windows or OS/2 bitmap file held in memory. Throws Fault on anything it
// cannot read. Indexed pictures must use only entries their palette has; pixels an
// RLE picture skips stay black; alpha is dropped, so every pixel is 0x00RRGGBB.
Surface decodeBmp(std::string_view bytes);

}  // namespace qvl
