#include "graphics/effects.h"

#include "graphics/effect_ops.h"
#include "graphics/vector_clones.h"

#include <algorithm>
#include <array>
#include <optional>

namespace qvl {

namespace {

constexpr uint32_t kColourBits = 0xFFFFFF;

// The part of the work that survived clipping: rows and columns of the composition,
// and where the effect picture and the deciding mask pixel sit relative to them.
struct Span {
    int64_t dstX, dstY, width, height;
    int64_t srcX, srcY;    // effect pixel of the span's first pixel
    int64_t maskX, maskY;  // mask pixel of the span's first pixel
};

// Plain loops over one row that the compiler vectorises: d[j] combined with the
// effect pixel s[j], everywhere or where the mask pixel is black (a select by bit
// mask rather than a conditional store keeps that one vectorised too).
template <typename Op>
[[gnu::always_inline]] inline void combineAll(uint32_t* d, const uint32_t* s, std::size_t from, std::size_t to) {
    for (std::size_t j = from; j < to; ++j) d[j] = Op{}(d[j], s[j]);
}
template <typename Op>
[[gnu::always_inline]] inline void combineWhereBlack(uint32_t* d, const uint32_t* s, const uint32_t* m,
                                                     std::size_t from, std::size_t to) {
    for (std::size_t j = from; j < to; ++j) {
        const uint32_t take = 0u - uint32_t((m[j] & kColourBits) == 0);
        d[j] = (Op{}(d[j], s[j]) & take) | (d[j] & ~take);
    }
}

template <typename Op>
[[gnu::always_inline]] inline void applyRows(const Surface& effect, Surface& composition, const Surface* mask,
                                             const MaskRuns* runs, const Span& sp) {
    const auto n = std::size_t(sp.width);
    for (int64_t i = 0; i < sp.height; ++i) {
        uint32_t* d = composition.row(int(sp.dstY + i)) + sp.dstX;
        const uint32_t* s = effect.row(int(sp.srcY + i)) + sp.srcX;
        if (!mask) {
            combineAll<Op>(d, s, 0, n);
            continue;
        }
        const uint32_t* m = mask->row(int(sp.maskY + i)) + sp.maskX;
        if (!runs) {
            combineWhereBlack<Op>(d, s, m, 0, n);
            continue;
        }
        // Black runs are combined and clear ones left without a look at the mask.
        std::size_t done = 0;
        for (const MaskRuns::Run& run : runs->row(sp.maskY + i)) {
            const int64_t left = std::max<int64_t>(run.left - sp.maskX, int64_t(done));
            const int64_t right = std::min<int64_t>(run.right - sp.maskX, int64_t(n));
            if (left >= right) continue;
            combineWhereBlack<Op>(d, s, m, done, std::size_t(left));
            if (run.kind == MaskRuns::Kind::Black) combineAll<Op>(d, s, std::size_t(left), std::size_t(right));
            done = std::size_t(right);
        }
        combineWhereBlack<Op>(d, s, m, done, n);
    }
}

// Narrows the span to where the mask has pixels; the rest is never combined.
bool clipToMask(Span& sp, const Surface& mask) {
    const int64_t left = std::max<int64_t>(0, -sp.maskX), top = std::max<int64_t>(0, -sp.maskY);
    const int64_t right = std::min<int64_t>(sp.width, mask.width() - sp.maskX);
    const int64_t bottom = std::min<int64_t>(sp.height, mask.height() - sp.maskY);
    if (left >= right || top >= bottom) return false;
    sp.dstX += left, sp.srcX += left, sp.maskX += left;
    sp.dstY += top, sp.srcY += top, sp.maskY += top;
    sp.width = right - left, sp.height = bottom - top;
    return true;
}

}  // namespace

std::optional<EffectKind> effectKindFromKeyword(std::string_view keyword) {
    static constexpr std::array<std::string_view, 7> kKeywords{"#COPY",  "#OR",       "#AND",     "#XOR",
                                                               "#BLEND", "#INCREASE", "#DECREASE"};
    for (std::size_t i = 0; i < kKeywords.size(); ++i)
        if (keyword == kKeywords[i]) return EffectKind(i);
    return std::nullopt;
}

void applyEffect(const Surface& effect, Surface& composition, const Surface& effectMask, int32_t x, int32_t y,
                 int32_t kind, int32_t maskMode) {
    applyEffect(effect, composition, effectMask, x, y, kind, maskMode, 0, composition.height());
}

namespace {

// The effect's rectangle clipped to the composition, its mask and rows [firstRow,
// endRow), with the mask that decides (none: every pixel is combined).
struct Clipped {
    Span sp;
    const Surface* mask = nullptr;
};
std::optional<Clipped> clipEffect(const Surface& effect, const Surface& composition, const Surface& effectMask,
                                  int32_t x, int32_t y, int32_t kind, int32_t maskMode, int64_t firstRow,
                                  int64_t endRow) {
    if (kind < 0 || kind > int32_t(EffectKind::Decrease)) return std::nullopt;
    if (maskMode < 0 || maskMode > int32_t(EffectMaskMode::Screen)) return std::nullopt;

    int64_t w = effect.width(), h = effect.height(), dx = x, dy = y, c0 = 0, r0 = 0;
    if (dx < 0) c0 = -dx, w -= c0, dx = 0;
    if (dy < 0) r0 = -dy, h -= r0, dy = 0;
    w = std::min<int64_t>(w, composition.width() - dx);
    h = std::min<int64_t>(h, composition.height() - dy);
    if (w <= 0 || h <= 0) return std::nullopt;

    Clipped c{{dx, dy, w, h, c0, r0, 0, 0}};
    Span& sp = c.sp;
    if (maskMode != int32_t(EffectMaskMode::None)) {
        const bool screen = maskMode == int32_t(EffectMaskMode::Screen);
        sp.maskX = screen ? dx : c0;
        sp.maskY = screen ? dy : r0;
        if (!clipToMask(sp, effectMask)) return std::nullopt;
        c.mask = &effectMask;
    }
    const int64_t top = std::max(sp.dstY, firstRow), bottom = std::min(sp.dstY + sp.height, endRow);
    if (top >= bottom) return std::nullopt;
    sp.srcY += top - sp.dstY, sp.maskY += top - sp.dstY;
    sp.dstY = top, sp.height = bottom - top;
    return c;
}

}  // namespace

QVL_VECTOR_CLONES void applyEffect(const Surface& effect, Surface& composition, const Surface& effectMask, int32_t x,
                                   int32_t y, int32_t kind, int32_t maskMode, int64_t firstRow, int64_t endRow,
                                   const MaskRuns* runs) {
    const auto clipped = clipEffect(effect, composition, effectMask, x, y, kind, maskMode, firstRow, endRow);
    if (!clipped) return;
    const Span& sp = clipped->sp;
    const Surface* mask = clipped->mask;
    // The rule is inlined into this function, so its loops get this function's vector copies.
    effect_ops::byKind(
        EffectKind(kind), [&](auto rule) __attribute__((always_inline)) {
            applyRows<decltype(rule)>(effect, composition, mask, runs, sp);
        });
}

std::optional<EffectRows> EffectRows::of(const Surface& effect, const Surface& composition, const Surface& effectMask,
                                         int32_t x, int32_t y, int32_t kind, int32_t maskMode, const MaskRuns* runs) {
    const auto clipped = clipEffect(effect, composition, effectMask, x, y, kind, maskMode, 0, composition.height());
    if (!clipped) return std::nullopt;
    const Span& sp = clipped->sp;
    EffectRows rows;
    rows.picture_ = &effect;
    rows.mask_ = clipped->mask;
    rows.runs_ = clipped->mask ? runs : nullptr;
    rows.top_ = sp.dstY, rows.bottom_ = sp.dstY + sp.height;
    rows.left_ = sp.dstX, rows.right_ = sp.dstX + sp.width;
    rows.srcX_ = sp.srcX, rows.srcY_ = sp.srcY, rows.maskX_ = sp.maskX, rows.maskY_ = sp.maskY;
    return rows;
}

}  // namespace qvl
