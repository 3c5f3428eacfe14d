#pragma once
// PNG reading and writing, for screenshots and the golden images of the tests.
#include "graphics/surface.h"

#include <optional>
#include <string>
#include <string_view>

namespace qvl {

// Decodes any PNG into 0x00RRGGBB pixels (alpha, when present, lands in the top
// byte). Nothing on malformed data.
std::optional<Surface> decodePng(std::string_view bytes);
// Encodes as 8-bit RGB; with keepAlpha the top byte is written as alpha.
std::string encodePng(const Surface& surface, bool keepAlpha = false);

std::optional<Surface> readPngFile(const std::string& path);
bool writePngFile(const std::string& path, const Surface& surface, bool keepAlpha = false);

}  // namespace qvl
