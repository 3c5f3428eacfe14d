#pragma once
// Writes pictures as MAG files, for tools and tests: lossless, with the copy positions
// and the flag streams used as the format intends, so flat pictures stay small.
#include "graphics/surface.h"

#include <string>

namespace qvl {

// `colours` is 16 or 256. A picture with more distinct colours than that is refused
// with a Fault (quantizing is the caller's choice, not ours), as are pictures wider or
// taller than 65536. The width is padded to whole alignment units (8 pixels at 16
// colours, 4 at 256) by repeating each row's last pixel; the palette lists colours in
// the order they first appear, top-down.
std::string encodeMag(const Surface& picture, int colours);

}  // namespace qvl
