#pragma once
// FRL, the engine's own run-length picture format. A 40-byte header ("FRL", format,
// width, height, coded length) is followed by runs written left to right, top to
// bottom. Four formats trade colour depth for size:
//   24  4-byte runs of up to 256 pixels, 8 bits per channel
//   12  2-byte runs of up to 16 pixels, 4 bits per channel
//   10  2-byte runs of up to 64 pixels, 3 bits blue and red, 4 bits green
//   18  1-byte runs of up to 4 samples, 6 bits, in three whole planes: blue, green, red
#include "graphics/surface.h"

#include <string>
#include <string_view>

namespace qvl {

inline constexpr int kFrlFormats[] = {24, 18, 12, 10};

// Throws Fault when the bytes are not an FRL picture we can trust: no "FRL" magic, a
// short header, a size of zero or above 16384 a side (or 16M pixels), coded data
// that the file does not hold, or more than 4 x width x height bytes of it. A run
// that reaches past the last pixel is cut there and decoding stops. An unknown
// format gives a black picture of the stated size; pixels the runs do not reach
// stay black.
Surface decodeFrl(std::string_view file);

// Encodes the picture in one of the four formats, with the longest runs each format
// allows. Channels are rounded to the nearest value the format can hold, so a
// picture made of such values comes back unchanged. Throws Fault for an unknown
// format or an empty picture.
std::string encodeFrl(const Surface& picture, int format);

}  // namespace qvl
