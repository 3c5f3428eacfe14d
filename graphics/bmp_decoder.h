#pragma once
// Reader for Windows and OS/2 device-independent bitmap files. It stands in for the
// system's bitmap loader, so anything a picture command names as .bmp comes through
// here, as do the in-memory bitmaps the MAG decoder builds.
#include "graphics/surface.h"

#include <string_view>

namespace qvl {

// Decodes a Windows or OS/2 bitmap file held in memory. Throws Fault on anything it
// cannot read. Indexed pictures (1, 2, 4 or 8 bits) must use only entries their
// palette has; palette entries past what the bit count reaches are skipped. Pixels an
// RLE picture skips stay black. 64-bit pixels are linear light and come out as sRGB.
// OS/2 2.x files may use its RLE24 and 1-bit Huffman codings; a Windows header may
// wrap a PNG or JPEG file, which must have the size the header gives. Alpha is
// dropped, so every pixel is 0x00RRGGBB.
Surface decodeBmp(std::string_view bytes);

}  // namespace qvl
