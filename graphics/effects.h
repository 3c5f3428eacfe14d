#pragma once
// The effect layer's seven ways of combining its picture with the composed scene.
#include "graphics/mask_runs.h"
#include "graphics/surface.h"

#include <cstdint>
#include <optional>
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

}  // namespace qvl
