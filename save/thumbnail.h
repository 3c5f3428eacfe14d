#pragma once
// A save's thumbnail: the screen at the save point, a quarter of its size each
// way, kept as a PNG beside the slot's files so the slot dialog can show which
// save is which. A slot without a readable one simply shows none.
#include "graphics/surface.h"

#include <filesystem>
#include <optional>

namespace qvl {

inline constexpr int kThumbnailWidth = 160;
inline constexpr int kThumbnailHeight = 120;
// A 160 x 120 PNG is some tens of kilobytes; anything far larger is not ours.
inline constexpr std::size_t kMaxThumbnailFile = 1 << 20;

// The screen shrunk to 160 x 120, each pixel the average of the 4 x 4 it covers.
Surface makeThumbnail(const Surface& screen);
// The slot's thumbnail, or nothing when it is missing, damaged or of another size.
std::optional<Surface> readThumbnail(const std::filesystem::path& saveFolder, int slot);

}  // namespace qvl
