#include "graphics/composition.h"

#include "graphics/effect_ops.h"
#include "graphics/effects.h"
#include "graphics/masks.h"
#include "graphics/row_plan.h"
#include "graphics/vector_clones.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace qvl {

namespace {

// VirtualVram is composed a row at a time, every layer passing over the row while it
// is still in the first-level cache; layer by layer, each one would stream the whole
// picture through memory again. Every layer works pixel by pixel from sources other
// than VirtualVram, so neither the order of the work nor cutting it into pieces
// changes the result.

// Target columns [left, right).
struct ColumnSpan {
    int64_t left = 0, right = 0;
};

// A picture layer as composition reads it: drawn at (x, y), w x h.
struct Placed {
    const Surface* picture = nullptr;
    int64_t x = 0, y = 0, w = 0, h = 0;
    bool on(int64_t row) const { return picture && row >= y && row < y + h; }
};

struct Person : Placed {
    const Surface* mask = nullptr;   // drawn through it when set
    const MaskRuns* runs = nullptr;  // the mask's, where it covers the picture
};

// What one composition reads, taken once.
struct Layers {
    Placed background;
    const Surface* effect = nullptr;
    const Surface* effectMask = nullptr;
    const MaskRuns* effectRuns = nullptr;
    SurfaceState effectState;
    bool effectFirst = false, effectLast = false;
    std::array<Person, kPersonSlots> persons;
    bool dark = false;
    int32_t rate = 0;
};

Layers layersOf(SurfaceBank& bank, const Darkness& darkness) {
    const SurfaceBank& sources = bank;
    Layers layers;
    const SurfaceState& bg = bank.state(SurfaceId::Background);
    if (bg.shown == 1) {
        // Drawn from its top-left 640 x 480, as much as the picture has.
        const Surface& picture = sources[SurfaceId::Background];
        layers.background = {&picture, bg.x, bg.y, std::min(kSceneWidth, picture.width()),
                             std::min(kSceneHeight, picture.height())};
    }
    const SurfaceState& effect = bank.state(SurfaceId::Effect);
    layers.effectState = effect;
    layers.effectFirst = effect.shown == 1 && effect.order == 0;
    layers.effectLast = effect.shown == 1 && (effect.order == 1 || effect.order == 2);
    layers.effect = &sources[SurfaceId::Effect];
    layers.effectMask = &sources[SurfaceId::EffectMask];
    if ((layers.effectFirst || layers.effectLast) && effect.maskMode != int32_t(EffectMaskMode::None)) {
        bank.effectRuns.updateEffect(*layers.effectMask, bank.changes(SurfaceId::EffectMask));
        layers.effectRuns = &bank.effectRuns;
    }
    for (int slot = 0; slot < kPersonSlots; ++slot) {
        const SurfaceState& s = bank.state(personSurface(slot));
        const Surface& picture = sources[personSurface(slot)];
        if (s.shown != 1 || picture.empty()) continue;
        Person& p = layers.persons[std::size_t(slot)];
        p.picture = &picture;
        p.x = s.x, p.y = s.y, p.w = picture.width(), p.h = picture.height();
        if (s.masked != 1) continue;
        p.mask = &sources[personMaskSurface(slot)];
        // A mask short of the picture is drawn the slow way, and hides nothing.
        if (p.mask->width() < p.w || p.mask->height() < p.h) continue;
        bank.personRuns[std::size_t(slot)].updatePerson(picture, bank.changes(personSurface(slot)), *p.mask,
                                                        bank.changes(personMaskSurface(slot)));
        p.runs = &bank.personRuns[std::size_t(slot)];
    }
    layers.dark = darkness.on && !darkness.suppressed;
    layers.rate = darkness.rate;
    return layers;
}

// The target columns a picture lands on.
ColumnSpan landing(const Surface& target, const Placed& p) {
    return {std::max<int64_t>(p.x, 0), std::min<int64_t>(p.x + p.w, target.width())};
}

QVL_VECTOR_CLONES void clearTopBytes(uint32_t* row, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) row[i] &= 0xFFFFFF;
}

// Copies columns [left, right) of row y from a picture that holds them all.
void copyPiece(Surface& target, const Placed& p, int64_t y, int64_t left, int64_t right) {
    std::memcpy(target.row(int(y)) + left, p.picture->row(int(y - p.y)) + (left - p.x),
                std::size_t(right - left) * sizeof(uint32_t));
}

// Row y of person within columns [within.left, within.right): its opaque runs
// copied, its clear runs only losing the top byte, as the mask's AND would have it,
// and the rest drawn through the mask.
void drawPersonRow(Surface& target, const Person& p, int64_t y, ColumnSpan within) {
    if (!p.on(y)) return;
    const ColumnSpan landed = landing(target, p);
    const int64_t left = std::max(landed.left, within.left), right = std::min(landed.right, within.right);
    if (left >= right) return;
    const auto masked = [&](int64_t from, int64_t to) {
        drawMasked(target, *p.picture, *p.mask, int(from), int(y), int(from - p.x), int(y - p.y), int(to - from), 1);
    };
    if (!p.mask) return copyPiece(target, p, y, left, right);
    if (!p.runs) return masked(left, right);
    int64_t done = left;
    for (const MaskRuns::Run& run : p.runs->row(y - p.y)) {
        const int64_t from = std::max(done, run.left + p.x), to = std::min(right, run.right + p.x);
        if (from >= to) continue;
        if (from > done) masked(done, from);
        if (run.kind == MaskRuns::Kind::Opaque)
            copyPiece(target, p, y, from, to);
        else
            clearTopBytes(target.row(int(y)) + from, std::size_t(to - from));
        done = to;
    }
    if (done < right) masked(done, right);
}

// Columns [left, right) of row y of the background, where it reaches.
void drawBackgroundRow(const Layers& layers, Surface& target, int y, int64_t left, int64_t right) {
    const Placed& bg = layers.background;
    if (!bg.on(y)) return;
    const ColumnSpan on = landing(target, bg);
    const int64_t from = std::max(on.left, left), to = std::min(on.right, right);
    if (from < to) target.blit(*bg.picture, int(from), y, int(from - bg.x), int(y - bg.y), int(to - from), 1);
}

void applySceneEffect(const Layers& layers, Surface& target, const RowSpan& rows) {
    const SurfaceState& s = layers.effectState;
    applyEffect(*layers.effect, target, *layers.effectMask, s.x, s.y, s.effectKind, s.maskMode, rows.top, rows.bottom,
                layers.effectRuns);
}

QVL_VECTOR_CLONES void darkenPixels(uint32_t* p, std::size_t n, uint32_t f) {
    for (std::size_t x = 0; x < n; ++x) p[x] = darkenPixel(p[x], f);
}

// The darkening's factor when it is a plain scaling (rates 0-256); none otherwise.
std::optional<uint32_t> darkeningFactor(int32_t rate) {
    const uint32_t f = uint32_t(256 - int64_t(rate));
    return f <= 256 ? std::optional(f) : std::nullopt;
}

void darkenRows(Surface& surface, int32_t rate, const RowSpan& band) {
    const int w = std::min(surface.width(), kSceneWidth);
    const int top = band.top, bottom = std::min({surface.height(), kSceneHeight, band.bottom});
    if (const auto f = darkeningFactor(rate)) {
        for (int y = top; y < bottom; ++y) darkenPixels(surface.row(y), std::size_t(std::max(w, 0)), *f);
        return;
    }
    // A rate outside 0-256 wraps each channel into its byte, as a byte store would.
    const uint32_t f = uint32_t(256 - int64_t(rate));
    for (int y = top; y < bottom; ++y) {
        uint32_t* p = surface.row(y);
        for (int x = 0; x < w; ++x) {
            uint32_t out = 0;
            for (const int shift : {0, 8, 16}) out |= ((((p[x] >> shift) & 0xFF) * f >> 8) & 0xFF) << shift;
            p[x] = out;
        }
    }
}

void copyRows(const Surface& from, Surface& to, const RowSpan& rows) {
    to.blit(from, 0, rows.top, 0, rows.top, from.width(), rows.bottom - rows.top);
}

// Piece by piece: each row is laid out once as pieces of one source each (RowPlan),
// and every piece is written once, straight from its source, with the effect and the
// darkening done on the way. What the pieces cannot say goes layer by layer instead:
// a darkening that wraps, and a VirtualVram wider or taller than the scene.

constexpr int8_t kBackgroundSource = 0;
int8_t personSource(std::size_t slot) {
    return int8_t(1 + slot);
}

bool piecewise(const Layers& layers, const Surface& target) {
    return (!layers.dark || darkeningFactor(layers.rate)) && target.width() <= kSceneWidth &&
           target.height() <= kSceneHeight;
}

std::optional<EffectRows> effectRowsOf(const Layers& layers, const Surface& target) {
    if (!layers.effectFirst && !layers.effectLast) return std::nullopt;
    const SurfaceState& s = layers.effectState;
    return EffectRows::of(*layers.effect, target, *layers.effectMask, s.x, s.y, s.effectKind, s.maskMode,
                          layers.effectRuns);
}

// What a row's plan depends on; rows that agree share it.
// Within one composition the effect's columns stay put, so only whether it reaches
// the row and its runs there count.
struct RowKey {
    bool background = false;
    // -2 off the row, else the runs' sameAs number (-1 without runs)
    std::array<int32_t, kPersonSlots> persons{};
    int32_t effect = -2;

    RowKey(const Layers& layers, int64_t y, const std::optional<EffectRow>& e)
        : background(layers.background.on(y)), effect(e ? e->runsAlike : -2) {
        for (std::size_t slot = 0; slot < kPersonSlots; ++slot) {
            const Person& p = layers.persons[slot];
            persons[slot] = !p.on(y) ? -2 : p.runs ? p.runs->sameAs(y - p.y) : -1;
        }
    }
    bool operator==(const RowKey&) const = default;
};

// Calls how(from, to, way) for the effect's columns within [left, right), left to
// right, with the way each is combined.
template <typename How>
void effectWays(const EffectRow& e, int64_t left, int64_t right, How how) {
    using Effect = RowPlan::Effect;
    left = std::max(left, e.left), right = std::min(right, e.right);
    int64_t done = left;
    if (!e.mask) {
        if (left < right) how(left, right, Effect::Combine);
        return;
    }
    if (e.byRuns)
        for (const MaskRuns::Run& run : e.runs) {
            const int64_t from = std::max(done, run.left + e.runShift), to = std::min(right, run.right + e.runShift);
            if (from >= to) continue;
            if (from > done) how(done, from, Effect::ByMask);
            how(from, to, run.kind == MaskRuns::Kind::Black ? Effect::Combine : Effect::None);
            done = to;
        }
    if (done < right) how(done, right, Effect::ByMask);
}

// Where on row y each pixel comes from and how the effect goes over it.
void planRow(const Layers& layers, const Surface& target, int64_t y, const std::optional<EffectRow>& effect,
             RowPlan& plan) {
    plan.start(target.width(), layers.dark);
    if (layers.background.on(y)) {
        const ColumnSpan on = landing(target, layers.background);
        plan.cover(int32_t(on.left), int32_t(on.right), kBackgroundSource);
    }
    for (std::size_t slot = 0; slot < kPersonSlots; ++slot) {
        const Person& p = layers.persons[slot];
        const ColumnSpan on = landing(target, p);
        if (!p.on(y) || on.left >= on.right) continue;
        if (!p.mask) {
            plan.cover(int32_t(on.left), int32_t(on.right), personSource(slot));
            continue;
        }
        int64_t done = on.left;
        if (p.runs)
            for (const MaskRuns::Run& run : p.runs->row(y - p.y)) {
                const int64_t from = std::max(done, run.left + p.x), to = std::min(on.right, run.right + p.x);
                if (from >= to) continue;
                if (from > done) plan.drawLayered(int32_t(done), int32_t(from));
                if (run.kind == MaskRuns::Kind::Opaque)
                    plan.cover(int32_t(from), int32_t(to), personSource(slot));
                else
                    plan.clearTop(int32_t(from), int32_t(to));
                done = to;
            }
        if (done < on.right) plan.drawLayered(int32_t(done), int32_t(on.right));
    }
    // An effect below the persons reaches only what they leave of the layers below.
    const auto under = layers.effectFirst ? std::optional(personSource(0)) : std::nullopt;
    if (effect)
        effectWays(*effect, effect->left, effect->right, [&](int64_t from, int64_t to, RowPlan::Effect way) {
            plan.setEffect(int32_t(from), int32_t(to), way, under);
        });
    const auto kind = EffectKind(layers.effectState.effectKind);
    plan.finish(under || kind == EffectKind::Or || kind == EffectKind::And || kind == EffectKind::Xor);
}

// One piece of n pixels at d: its source pixels (s, or d's own) combined with the
// effect's e as way says (where the mask m is black, for ByMask), then post. keep is
// ANDed with the source pixels, or, for an effect under the persons, with the
// combination.
template <bool kOwn, typename Op, typename Post>
[[gnu::always_inline]] inline void writePiece(uint32_t* __restrict d, const uint32_t* __restrict s,
                                              const uint32_t* __restrict e, const uint32_t* __restrict m, std::size_t n,
                                              uint32_t keep, bool under, RowPlan::Effect way, Post post) {
    const uint32_t before = under ? ~0u : keep, after = under ? keep : ~0u;
    const auto below = [&](std::size_t j) { return (kOwn ? d[j] : s[j]) & before; };
    switch (way) {
        case RowPlan::Effect::None:
            if (Post::kNothing && keep == ~0u) {
                if (!kOwn) std::memcpy(d, s, n * sizeof(uint32_t));
                return;
            }
            for (std::size_t j = 0; j < n; ++j) d[j] = post((kOwn ? d[j] : s[j]) & keep);
            return;
        case RowPlan::Effect::Combine:
            for (std::size_t j = 0; j < n; ++j) d[j] = post(Op{}(below(j), e[j]) & after);
            return;
        case RowPlan::Effect::ByMask:
            for (std::size_t j = 0; j < n; ++j) {
                const uint32_t b = below(j), take = 0u - uint32_t((m[j] & 0xFFFFFF) == 0);
                d[j] = post(((Op{}(b, e[j]) & take) | (b & ~take)) & after);
            }
            return;
    }
}

// Columns [left, right) of row y drawn layer after layer, as the plan asks; under is
// the effect when it lies below the persons.
template <typename Op>
[[gnu::always_inline]] inline void drawLayered(const Layers& layers, Surface& target, int y, int64_t left,
                                               int64_t right, const EffectRow* under) {
    drawBackgroundRow(layers, target, y, left, right);
    if (under) {
        uint32_t* row = target.row(y);
        effectWays(*under, left, right, [&](int64_t from, int64_t to, RowPlan::Effect way) {
            const int64_t at = from - under->left;
            writePiece<true, Op>(row + from, nullptr, under->pixels + at,
                                 way == RowPlan::Effect::ByMask ? under->mask + at : nullptr, std::size_t(to - from),
                                 ~0u, false, way, effect_ops::Unchanged{});
        });
    }
    for (const Person& p : layers.persons) drawPersonRow(target, p, y, {left, right});
}

template <typename Op, typename Post>
[[gnu::always_inline]] inline void composePiecewise(const Layers& layers, Surface& target, RowSpan span, Surface* keep,
                                                    Post post) {
    RowPlan plan;
    std::optional<RowKey> planned;
    struct Source {
        const uint32_t* row = nullptr;
        int64_t x = 0;
    };
    std::array<Source, 1 + kPersonSlots> sources;
    const std::optional<EffectRows> effectRows = effectRowsOf(layers, target);
    for (int y = span.top; y < span.bottom; ++y) {
        const std::optional<EffectRow> effect = effectRows ? effectRows->at(y) : std::nullopt;
        RowKey key(layers, y, effect);
        if (!planned || !(key == *planned)) {
            planRow(layers, target, y, effect, plan);
            planned = key;
        }
        const EffectRow* under = layers.effectFirst && effect ? &*effect : nullptr;
        for (const RowPlan::Columns& c : plan.layered()) drawLayered<Op>(layers, target, y, c.left, c.right, under);
        const Placed& bg = layers.background;
        if (bg.on(y)) sources[std::size_t(kBackgroundSource)] = {bg.picture->row(int(y - bg.y)), bg.x};
        for (std::size_t slot = 0; slot < kPersonSlots; ++slot) {
            const Person& p = layers.persons[slot];
            if (p.on(y)) sources[std::size_t(personSource(slot))] = {p.picture->row(int(y - p.y)), p.x};
        }
        uint32_t* out = target.row(y);
        for (const RowPlan::Piece& piece : plan.pieces()) {
            const auto n = std::size_t(piece.right - piece.left);
            const uint32_t* e =
                piece.effect == RowPlan::Effect::None ? nullptr : effect->pixels + (piece.left - effect->left);
            const uint32_t* m =
                piece.effect == RowPlan::Effect::ByMask ? effect->mask + (piece.left - effect->left) : nullptr;
            if (piece.source == RowPlan::kOwnPixels) {
                writePiece<true, Op>(out + piece.left, nullptr, e, m, n, piece.keep, under != nullptr, piece.effect,
                                     post);
            } else {
                const Source& s = sources[std::size_t(piece.source)];
                writePiece<false, Op>(out + piece.left, s.row + (piece.left - s.x), e, m, n, piece.keep,
                                      under != nullptr, piece.effect, post);
            }
        }
        if (keep) copyRows(target, *keep, {y, y + 1});
    }
}

template <typename Post>
[[gnu::always_inline]] inline void composePiecewiseBy(const Layers& layers, Surface& target, RowSpan span,
                                                      Surface* keep, Post post) {
    const bool effect = layers.effectFirst || layers.effectLast;
    effect_ops::byKind(
        effect ? EffectKind(layers.effectState.effectKind) : EffectKind::Copy, [&](auto rule) __attribute__((
                                                                                   always_inline)) {
            composePiecewise<decltype(rule)>(layers, target, span, keep, post);
        });
}

QVL_VECTOR_CLONES void composePiecewise(const Layers& layers, Surface& target, RowSpan span, Surface* keep) {
    const auto f = layers.dark ? darkeningFactor(layers.rate) : std::nullopt;
    if (f)
        composePiecewiseBy(layers, target, span, keep, effect_ops::Darkened{*f});
    else
        composePiecewiseBy(layers, target, span, keep, effect_ops::Unchanged{});
}

// Layer after layer, a row at a time: for what the pieces cannot say.
void composeLayered(const Layers& layers, Surface& target, RowSpan span, Surface* keep) {
    for (int y = span.top; y < span.bottom; ++y) {
        const RowSpan row{y, y + 1};
        drawBackgroundRow(layers, target, y, 0, target.width());
        if (layers.effectFirst) applySceneEffect(layers, target, row);
        for (const Person& p : layers.persons) drawPersonRow(target, p, y, {0, target.width()});
        if (layers.effectLast) applySceneEffect(layers, target, row);
        if (layers.dark) darkenRows(target, layers.rate, row);
        if (keep) copyRows(target, *keep, row);
    }
}

// Background, effect before the persons, persons 0-2, effect after them, darkening,
// over rows [span.top, span.bottom) of target; each finished row is also copied to
// keep, if given, while it is still in the cache.
void composeRows(const Layers& layers, Surface& target, RowSpan span, Surface* keep = nullptr) {
    if (piecewise(layers, target)) return composePiecewise(layers, target, span, keep);
    composeLayered(layers, target, span, keep);
}

// Restores the composed scene under a sprite's cell on the window image.
void restoreCell(const SurfaceBank& bank, const SpriteSlot& sprite, Surface& window) {
    window.blit(bank[SurfaceId::VirtualVram], sprite.x, sprite.y, sprite.x, sprite.y, bank.sheet.cellWidth,
                bank.sheet.cellHeight);
}

// A cell's corner on the sheet; products that leave int's range are clipped away anyway.
int cellOrigin(int32_t index, int32_t size) {
    return int(std::clamp<int64_t>(int64_t(index) * size, INT_MIN, INT_MAX));
}

bool validSlot(int32_t slot) {
    return slot >= 0 && slot < kSpriteSlots;
}

}  // namespace

void darkenScene(Surface& surface, int32_t rate) {
    darkenRows(surface, rate, {0, kSceneHeight});
}

void composeScene(SurfaceBank& bank, const Darkness& darkness) {
    Surface& vram = bank.surfaces[std::size_t(SurfaceId::VirtualVram)];
    Layers layers = layersOf(bank, darkness);
    SceneCache& cache = bank.composed;
    const std::vector<RowSpan> rows = cache.rowsToCompose(SceneCache::inputsOf(bank, layers.dark, darkness.rate));
    if (!cache.holds()) {
        // What the layers leave uncovered keeps VirtualVram's own pixels.
        composeRows(layers, vram, {0, vram.height()});
        return;
    }
    Surface* keep = cache.picture();
    if (!cache.restoring()) {
        for (const RowSpan& span : rows) composeRows(layers, vram, span, keep);
        return;
    }
    // VirtualVram was drawn on since: the kept rows are copied back too.
    int done = 0;
    for (const RowSpan& span : rows) {
        copyRows(*keep, vram, {done, span.top});
        composeRows(layers, vram, span, keep);
        done = span.bottom;
    }
    copyRows(*keep, vram, {done, vram.height()});
}

void layText(const SurfaceBank& bank, Surface& target) {
    drawMasked(target, bank[SurfaceId::Text], bank[SurfaceId::TextMask], 0, 0, 0, 0, kSceneWidth, kSceneHeight);
}

void presentScene(SurfaceBank& bank, Surface& window, const Darkness& darkness, bool withoutText, bool textVisible) {
    composeScene(bank, darkness);
    window.blit(std::as_const(bank)[SurfaceId::VirtualVram], 0, 0, 0, 0, kSceneWidth, kSceneHeight);
    if (!withoutText && textVisible) {
        layText(bank, window);
        bank.sceneDirty = false;
    }
    drawAllSprites(bank, window);
}

void drawSprite(const SurfaceBank& bank, int32_t slot, Surface& window) {
    if (!validSlot(slot)) return;
    const SpriteSlot& sprite = bank.sprites[std::size_t(slot)];
    const SpriteSheet& sheet = bank.sheet;
    if (!sprite.visible || sheet.cellWidth <= 0 || sheet.cellHeight <= 0) return;
    const int sx = cellOrigin(sprite.column, sheet.cellWidth), sy = cellOrigin(sprite.row, sheet.cellHeight);
    const Surface& picture = bank[SurfaceId::SpriteSheet];
    if (sheet.masked)
        drawMasked(window, picture, bank[SurfaceId::SpriteSheetMask], sprite.x, sprite.y, sx, sy, sheet.cellWidth,
                   sheet.cellHeight);
    else
        window.blit(picture, sprite.x, sprite.y, sx, sy, sheet.cellWidth, sheet.cellHeight);
}

void drawAllSprites(const SurfaceBank& bank, Surface& window) {
    for (int32_t slot = 0; slot < kSpriteSlots; ++slot) drawSprite(bank, slot, window);
}

void putSprite(SurfaceBank& bank, int32_t slot, int32_t x, int32_t y, Surface& window) {
    if (!validSlot(slot)) return;
    SpriteSlot& sprite = bank.sprites[std::size_t(slot)];
    sprite.visible = 1;
    if (sprite.animationCount != 0) {
        // Without a sheet there is no next column; the count still runs down.
        if (bank.sheet.columns > 0) sprite.column = int32_t((int64_t(sprite.column) + 1) % bank.sheet.columns);
        sprite.animationCount = sprite.animationCount > 0 ? sprite.animationCount - 1 : -1;
    }
    if (sprite.x < kSpriteNotDrawn) restoreCell(bank, sprite, window);
    sprite.x = x;
    sprite.y = y;
    drawAllSprites(bank, window);
}

void hideSprite(SurfaceBank& bank, int32_t slot, Surface& window) {
    if (!validSlot(slot)) return;
    SpriteSlot& sprite = bank.sprites[std::size_t(slot)];
    if (!sprite.visible) return;
    restoreCell(bank, sprite, window);
    sprite.x |= kSpriteNotDrawn;
    sprite.visible = 0;
    // The restore may have cut into sprites that overlap this one.
    drawAllSprites(bank, window);
}

void hideAllSprites(SurfaceBank& bank, Surface& window) {
    for (int32_t slot = 0; slot < kSpriteSlots; ++slot) hideSprite(bank, slot, window);
}

}  // namespace qvl
