#pragma once
// JPEG output for qvl-img (the engine itself only reads JPEG).
#include "graphics/surface.h"

#include <string>

namespace qvl {

std::string encodeJpeg(const Surface& picture, int quality = 90);

}  // namespace qvl
