#include "graphics/mask_runs.h"

#include <algorithm>
#include <optional>

namespace qvl {

namespace {

// Shorter runs cost more to walk than the per-pixel rule saves.
constexpr int32_t kShortestRun = 8;
constexpr uint32_t kColourBits = 0xFFFFFF;

}  // namespace

// classify(x, y): the pixel's kind, or nothing when only the per-pixel rule will do.
template <typename Classify>
void MaskRuns::find(int width, int height, Classify classify) {
    height_ = height;
    runs_.clear();
    rowStart_.assign(1, 0);
    sameAs_.clear();
    for (int y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width;) {
            const std::optional<Kind> kind = classify(x, y);
            int32_t end = x + 1;
            while (end < width && classify(end, y) == kind) ++end;
            if (kind && end - x >= kShortestRun) runs_.push_back({x, end, *kind});
            x = end;
        }
        rowStart_.push_back(uint32_t(runs_.size()));
        const auto here = row(y), above = row(y - 1);
        const bool asAbove =
            y > 0 && std::equal(here.begin(), here.end(), above.begin(), above.end(), [](const Run& p, const Run& q) {
                return p.left == q.left && p.right == q.right && p.kind == q.kind;
            });
        sameAs_.push_back(asAbove ? sameAs_.back() : uint32_t(y));
    }
}

void MaskRuns::updatePerson(const Surface& picture, uint64_t pictureChanges, const Surface& mask,
                            uint64_t maskChanges) {
    const Key key{true, pictureChanges, maskChanges, picture.width(), picture.height(), mask.width(), mask.height()};
    if (key == key_) return;
    key_ = key;
    find(picture.width(), picture.height(), [&](int x, int y) -> std::optional<Kind> {
        // Only a wholly zero mask pixel makes the drawn pixel the picture's alone.
        const uint32_t m = mask.row(y)[x];
        if (m == 0) return Kind::Opaque;
        if (m == kColourBits && picture.row(y)[x] == 0) return Kind::Clear;
        return std::nullopt;
    });
}

void MaskRuns::updateEffect(const Surface& mask, uint64_t maskChanges) {
    const Key key{true, 0, maskChanges, 0, 0, mask.width(), mask.height()};
    if (key == key_) return;
    key_ = key;
    find(mask.width(), mask.height(), [&](int x, int y) -> std::optional<Kind> {
        return (mask.row(y)[x] & kColourBits) == 0 ? Kind::Black : Kind::Clear;
    });
}

}  // namespace qvl
