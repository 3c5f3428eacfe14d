#include "save/thumbnail.h"

#include "graphics/png_io.h"
#include "save/slot_files.h"
#include "save/slot_store.h"

#include <algorithm>

namespace qvl {

Surface makeThumbnail(const Surface& screen) {
    Surface out(kThumbnailWidth, kThumbnailHeight, 0);
    if (screen.width() <= 0 || screen.height() <= 0) return out;
    for (int y = 0; y < kThumbnailHeight; ++y) {
        const int y0 = y * screen.height() / kThumbnailHeight;
        const int y1 = std::max(y0 + 1, (y + 1) * screen.height() / kThumbnailHeight);
        uint32_t* row = out.row(y);
        for (int x = 0; x < kThumbnailWidth; ++x) {
            const int x0 = x * screen.width() / kThumbnailWidth;
            const int x1 = std::max(x0 + 1, (x + 1) * screen.width() / kThumbnailWidth);
            uint32_t r = 0, g = 0, b = 0, n = 0;
            for (int sy = y0; sy < y1; ++sy) {
                const uint32_t* src = screen.row(sy);
                for (int sx = x0; sx < x1; ++sx, ++n) {
                    r += (src[sx] >> 16) & 0xFF;
                    g += (src[sx] >> 8) & 0xFF;
                    b += src[sx] & 0xFF;
                }
            }
            row[x] = ((r / n) << 16) | ((g / n) << 8) | (b / n);
        }
    }
    return out;
}

std::optional<Surface> readThumbnail(const std::filesystem::path& saveFolder, int slot) {
    platform::FileSystem::ReadResult r = SlotStore(saveFolder).read(thumbnailFileName(slot), kMaxThumbnailFile);
    if (r.status != platform::FileSystem::ReadStatus::Ok) return std::nullopt;
    std::optional<Surface> picture = decodePng(r.bytes);
    if (!picture || picture->width() != kThumbnailWidth || picture->height() != kThumbnailHeight) return std::nullopt;
    return picture;
}

}  // namespace qvl
