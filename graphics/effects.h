#pragma once
// The effect layer's seven ways of combining its picture with the composed scene.
#include "graphics/mask_runs.h"
#include "graphics/surface.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace qvl {

// Codes as kept in the effect's SurfaceState::effectKind (and in save files).
enum class EffectKind : int32_t { Copy = 0, Or = 1, And = 2, Xor = 3, Blend = 4, Increase = 5, Decrease = 6 };

// Which effect-mask pixel decides whether a pixel is combined.
enum class EffectMaskMode : int32_t {
    None = 0,     // every pixel
    Picture = 1,  // mask aligned with the effect picture
    Screen = 2,   // mask aligned with the composition surface
};

// "#COPY", "#OR", "#AND", "#XOR", "#BLEND", "#INCREASE", "#DECREASE"; nothing for
// any other text.
std::optional<EffectKind> effectKindFromKeyword(std::string_view keyword);

// Combines effect, its top-left corner at (x, y), into composition where the two
// overlap. Combined pixels are those whose effect-mask pixel is black (where the
// mask mode asks for one); mask pixels outside the mask count as not black. Kinds
// and mask modes outside the known codes combine nothing.
void applyEffect(const Surface& effect, Surface& composition, const Surface& effectMask, int32_t x, int32_t y,
                 int32_t kind, int32_t maskMode);
// The same for composition rows [firstRow, endRow) only, for composing in bands;
// runs, if given, are effectMask's as they are now, and spare reading it.
void applyEffect(const Surface& effect, Surface& composition, const Surface& effectMask, int32_t x, int32_t y,
                 int32_t kind, int32_t maskMode, int64_t firstRow, int64_t endRow, const MaskRuns* runs = nullptr);

// A pixel darkened: each channel times f / 256 (f at most 256), the top byte cleared.
inline uint32_t darkenPixel(uint32_t p, uint32_t f) {
    // A channel times at most 256 stays below the next channel but one, so red and
    // blue share one multiplication and green takes another; the top byte drops out.
    return ((p & 0xFF00FF) * f >> 8 & 0xFF00FF) | ((p & 0xFF00) * f >> 8 & 0xFF00);
}

// The effect's share of one composition row, for callers that combine it themselves:
// columns [left, right) of the row, and the effect's and deciding mask's pixels from
// column left on. Without a mask every pixel is combined; with one, the mask's runs
// on the row (when given) spare reading it, a run's column plus runShift being the
// row's column.
struct EffectRow {
    int64_t left = 0, right = 0;
    const uint32_t* pixels = nullptr;
    const uint32_t* mask = nullptr;
    bool byRuns = false;
    std::span<const MaskRuns::Run> runs;
    int32_t runsAlike = -1;  // the runs' MaskRuns::sameAs number
    int64_t runShift = 0;
};
// The effect clipped once for a whole composition, each row's share then at hand.
class EffectRows {
public:
    // Nothing where the effect reaches no pixel, or its kind or mode is unknown.
    static std::optional<EffectRows> of(const Surface& effect, const Surface& composition, const Surface& effectMask,
                                        int32_t x, int32_t y, int32_t kind, int32_t maskMode, const MaskRuns* runs);
    // Row y's share; none on rows the effect does not reach.
    std::optional<EffectRow> at(int64_t y) const {
        if (y < top_ || y >= bottom_) return std::nullopt;
        EffectRow r;
        r.left = left_;
        r.right = right_;
        r.pixels = picture_->row(int(srcY_ + (y - top_))) + srcX_;
        if (mask_) {
            const int64_t maskY = maskY_ + (y - top_);
            r.mask = mask_->row(int(maskY)) + maskX_;
            r.byRuns = runs_ != nullptr;
            if (runs_) r.runs = runs_->row(maskY), r.runsAlike = runs_->sameAs(maskY);
            r.runShift = left_ - maskX_;
        }
        return r;
    }

private:
    const Surface* picture_ = nullptr;
    const Surface* mask_ = nullptr;
    const MaskRuns* runs_ = nullptr;
    int64_t top_ = 0, bottom_ = 0, left_ = 0, right_ = 0;
    int64_t srcX_ = 0, srcY_ = 0, maskX_ = 0, maskY_ = 0;  // at (left_, top_)
};

}  // namespace qvl
