#include "graphics/effects.h"

#include "graphics/effect_ops.h"
#include "graphics/vector_clones.h"

#include <algorithm>
#include <array>
#include <optional>

namespace qvl {

namespace {

constexpr uint32_t kColourBits = 0xFFFFFF;

using effect_ops::Darkened;
using effect_ops::Unchanged;

template <typename Post>
[[gnu::always_inline]] inline void finishOnly(uint32_t* d, std::size_t n, Post post) {
    if constexpr (!Post::kNothing)
        for (std::size_t j = 0; j < n; ++j) d[j] = post(d[j]);
}

// Row rules: out[j] from the composition pixel d[j] and the effect pixel s[j], then
// post; out may be d. Each is a plain loop over one row that the compiler can vectorise.
template <typename Op>
struct WordRule {
    using Pixel = Op;
    static constexpr bool kWords = true;
    template <typename Post>
    void operator()(uint32_t* out, const uint32_t* d, const uint32_t* s, std::size_t n, Post post) const {
        for (std::size_t j = 0; j < n; ++j) out[j] = post(Op{}(d[j], s[j]));
    }
};
using effect_ops::AndOp;
using effect_ops::BlendOp;
using effect_ops::CopyOp;
using effect_ops::OrOp;
using effect_ops::XorOp;

// Per-channel rules work on bytes: every channel follows the same rule, so the row
// is one run of bytes, and the top bytes are cleared afterwards.
template <typename Op>
struct ByteRule {
    static constexpr bool kWords = false;
    template <typename Post>
    void operator()(uint32_t* out, const uint32_t* d, const uint32_t* s, std::size_t n, Post post) const {
        auto* o = reinterpret_cast<uint8_t*>(out);
        const auto* db = reinterpret_cast<const uint8_t*>(d);
        const auto* sb = reinterpret_cast<const uint8_t*>(s);
        for (std::size_t k = 0; k < n * 4; ++k) o[k] = Op{}(db[k], sb[k]);
        for (std::size_t j = 0; j < n; ++j) out[j] = post(out[j] & kColourBits);
    }
};
struct IncreaseOp {
    uint8_t operator()(uint8_t d, uint8_t s) const { return s > d ? s : uint8_t((s + d) >> 1); }
};
struct DecreaseOp {
    uint8_t operator()(uint8_t d, uint8_t s) const { return d > s ? uint8_t(d - s) : 0; }
};

// The part of the work that survived clipping: rows and columns of the composition,
// and where the effect picture and the deciding mask pixel sit relative to them.
struct Span {
    int64_t dstX, dstY, width, height;
    int64_t srcX, srcY;    // effect pixel of the span's first pixel
    int64_t maskX, maskY;  // mask pixel of the span's first pixel
};

// Combines pixels [from, to) of a row where their mask pixel is black: a select by
// bit mask rather than a conditional store keeps it vectorised.
template <typename Rule, typename Post>
[[gnu::always_inline]] inline void combineWhereBlack(uint32_t* d, const uint32_t* s, const uint32_t* m,
                                                     std::size_t from, std::size_t to, Rule rule, Post post) {
    if constexpr (Rule::kWords) {
        for (std::size_t j = from; j < to; ++j) {
            const uint32_t take = 0u - uint32_t((m[j] & kColourBits) == 0);
            d[j] = post((typename Rule::Pixel{}(d[j], s[j]) & take) | (d[j] & ~take));
        }
    } else {
        // Byte rules combine a piece of the row aside first.
        constexpr std::size_t kChunk = 256;
        uint32_t combined[kChunk];
        for (std::size_t k = from; k < to; k += kChunk) {
            const std::size_t count = std::min(kChunk, to - k);
            rule(combined, d + k, s + k, count, Unchanged{});
            for (std::size_t j = 0; j < count; ++j) {
                const uint32_t take = 0u - uint32_t((m[k + j] & kColourBits) == 0);
                d[k + j] = post((combined[j] & take) | (d[k + j] & ~take));
            }
        }
    }
}

template <typename Rule, typename Post>
[[gnu::always_inline]] inline void applyRows(const Surface& effect, Surface& composition, const Surface* mask,
                                             const MaskRuns* runs, const Span& sp, Rule rule, Post post) {
    const auto n = std::size_t(sp.width);
    for (int64_t i = 0; i < sp.height; ++i) {
        uint32_t* d = composition.row(int(sp.dstY + i)) + sp.dstX;
        const uint32_t* s = effect.row(int(sp.srcY + i)) + sp.srcX;
        if (!mask) {
            rule(d, d, s, n, post);
            continue;
        }
        const uint32_t* m = mask->row(int(sp.maskY + i)) + sp.maskX;
        if (!runs) {
            combineWhereBlack(d, s, m, 0, n, rule, post);
            continue;
        }
        // Black runs are combined and clear ones left (but for post) without a look at the mask.
        std::size_t done = 0;
        for (const MaskRuns::Run& run : runs->row(sp.maskY + i)) {
            const int64_t left = std::max<int64_t>(run.left - sp.maskX, int64_t(done));
            const int64_t right = std::min<int64_t>(run.right - sp.maskX, int64_t(n));
            if (left >= right) continue;
            combineWhereBlack(d, s, m, done, std::size_t(left), rule, post);
            if (run.kind == MaskRuns::Kind::Black)
                rule(d + left, d + left, s + left, std::size_t(right - left), post);
            else
                finishOnly(d + left, std::size_t(right - left), post);
            done = std::size_t(right);
        }
        combineWhereBlack(d, s, m, done, n, rule, post);
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

// Combines the clipped rectangle by kind, post following every pixel of it.
template <typename Post>
[[gnu::always_inline]] inline EffectColumns combine(const Surface& effect, Surface& composition,
                                                    const Surface& effectMask, int32_t x, int32_t y, int32_t kind,
                                                    int32_t maskMode, int64_t firstRow, int64_t endRow,
                                                    const MaskRuns* runs, Post post) {
    const auto clipped = clipEffect(effect, composition, effectMask, x, y, kind, maskMode, firstRow, endRow);
    if (!clipped) return {};
    const Span& sp = clipped->sp;
    const Surface* mask = clipped->mask;
    switch (EffectKind(kind)) {
        case EffectKind::Copy:
            applyRows(effect, composition, mask, runs, sp, WordRule<CopyOp>{}, post);
            break;
        case EffectKind::Or:
            applyRows(effect, composition, mask, runs, sp, WordRule<OrOp>{}, post);
            break;
        case EffectKind::And:
            applyRows(effect, composition, mask, runs, sp, WordRule<AndOp>{}, post);
            break;
        case EffectKind::Xor:
            applyRows(effect, composition, mask, runs, sp, WordRule<XorOp>{}, post);
            break;
        case EffectKind::Blend:
            applyRows(effect, composition, mask, runs, sp, WordRule<BlendOp>{}, post);
            break;
        case EffectKind::Increase:
            applyRows(effect, composition, mask, runs, sp, ByteRule<IncreaseOp>{}, post);
            break;
        case EffectKind::Decrease:
            applyRows(effect, composition, mask, runs, sp, ByteRule<DecreaseOp>{}, post);
            break;
    }
    return {sp.dstX, sp.dstX + sp.width};
}

}  // namespace

QVL_VECTOR_CLONES void applyEffect(const Surface& effect, Surface& composition, const Surface& effectMask, int32_t x,
                                   int32_t y, int32_t kind, int32_t maskMode, int64_t firstRow, int64_t endRow,
                                   const MaskRuns* runs) {
    combine(effect, composition, effectMask, x, y, kind, maskMode, firstRow, endRow, runs, Unchanged{});
}

QVL_VECTOR_CLONES EffectColumns applyEffectDarkened(const Surface& effect, Surface& composition,
                                                    const Surface& effectMask, int32_t x, int32_t y, int32_t kind,
                                                    int32_t maskMode, int64_t firstRow, int64_t endRow,
                                                    const MaskRuns* runs, uint32_t f) {
    return combine(effect, composition, effectMask, x, y, kind, maskMode, firstRow, endRow, runs, Darkened{f});
}

std::optional<EffectRow> effectRow(const Surface& effect, const Surface& composition, const Surface& effectMask,
                                   int32_t x, int32_t y, int32_t kind, int32_t maskMode, int64_t row,
                                   const MaskRuns* runs) {
    const auto clipped = clipEffect(effect, composition, effectMask, x, y, kind, maskMode, row, row + 1);
    if (!clipped) return std::nullopt;
    const Span& sp = clipped->sp;
    EffectRow r;
    r.left = sp.dstX;
    r.right = sp.dstX + sp.width;
    r.pixels = effect.row(int(sp.srcY)) + sp.srcX;
    if (const Surface* mask = clipped->mask) {
        r.mask = mask->row(int(sp.maskY)) + sp.maskX;
        r.byRuns = runs != nullptr;
        if (runs) r.runs = runs->row(sp.maskY), r.runsAlike = runs->sameAs(sp.maskY);
        r.runShift = sp.dstX - sp.maskX;
    }
    return r;
}

}  // namespace qvl
