#include "graphics/composition.h"

#include "graphics/effects.h"
#include "graphics/masks.h"
#include "graphics/vector_clones.h"

#include <algorithm>
#include <array>
#include <climits>

namespace qvl {

namespace {

// VirtualVram is composed a band of rows at a time, every layer passing over the band
// while it is still in the first-level cache; layer by layer, each one would stream
// the whole picture through memory again. Every layer works pixel by pixel from
// sources other than VirtualVram, so the order of the work does not change the result.
constexpr int kBandRows = 8;

// The rows of a block h high drawn at dy from source row sy that fall in the band,
// as the block's new dy, sy and h; false when none does.
bool clipToBand(const RowSpan& band, int& dy, int& sy, int& h) {
    const int64_t top = std::max<int64_t>(dy, band.top), bottom = std::min<int64_t>(int64_t(dy) + h, band.bottom);
    if (top >= bottom) return false;
    const int64_t source = sy + (top - dy);
    if (source > INT_MAX) return false;  // below every source picture
    dy = int(top), sy = int(source), h = int(bottom - top);
    return true;
}

// Target columns [left, right) that an opaque layer paints over a whole band.
struct ColumnSpan {
    int64_t left = 0, right = 0;
};

// The column spans of a band hidden from the layers below by opaque layers above them.
struct Cover {
    std::array<ColumnSpan, kPersonSlots> spans{};
    int count = 0;

    bool hides(int64_t left, int64_t right) const {
        for (int64_t x = left;;) {
            const ColumnSpan* next = nullptr;
            for (int i = 0; i < count; ++i)
                if (spans[std::size_t(i)].left <= x && spans[std::size_t(i)].right > x) next = &spans[std::size_t(i)];
            if (!next) return x >= right;
            x = next->right;
            if (x >= right) return true;
        }
    }
};

// Calls draw(left, right) for the parts of target columns [left, right) that cover
// leaves visible; every layer below works pixel by pixel, so drawing it in pieces
// changes nothing where it shows.
template <typename Draw>
void drawUncovered(const Cover& cover, int64_t left, int64_t right, Draw draw) {
    if (left >= right) return;
    const ColumnSpan* first = nullptr;
    for (int i = 0; i < cover.count; ++i) {
        const ColumnSpan& c = cover.spans[std::size_t(i)];
        if (c.right > left && c.left < right && (!first || c.left < first->left)) first = &c;
    }
    if (!first) return draw(left, right);
    if (first->left > left) draw(left, first->left);
    drawUncovered(cover, std::max(left, first->right), right, draw);
}

// The target columns a block w wide drawn at dx lands on.
ColumnSpan landing(const Surface& target, int dx, int w) {
    return {std::max<int64_t>(dx, 0), std::min<int64_t>(int64_t(dx) + w, target.width())};
}

void drawBackground(const SurfaceBank& bank, Surface& target, const RowSpan& band, const Cover& cover) {
    const SurfaceState& s = bank.state(SurfaceId::Background);
    if (s.shown != 1) return;
    int dy = s.y, sy = 0, h = kSceneHeight;
    if (!clipToBand(band, dy, sy, h)) return;
    const ColumnSpan on = landing(target, s.x, kSceneWidth);
    drawUncovered(cover, on.left, on.right, [&](int64_t left, int64_t right) {
        target.blit(bank[SurfaceId::Background], int(left), dy, int(left - s.x), sy, int(right - left), h);
    });
}

void applySceneEffect(const SurfaceBank& bank, Surface& target, const RowSpan& band) {
    const SurfaceState& s = bank.state(SurfaceId::Effect);
    applyEffect(bank[SurfaceId::Effect], target, bank[SurfaceId::EffectMask], s.x, s.y, s.effectKind, s.maskMode,
                band.top, band.bottom);
}

void drawPerson(const SurfaceBank& bank, int slot, Surface& target, const RowSpan& band, const Cover& cover) {
    const SurfaceState& s = bank.state(personSurface(slot));
    if (s.shown != 1) return;
    const Surface& person = bank[personSurface(slot)];
    int dy = s.y, sy = 0, h = person.height();
    if (!clipToBand(band, dy, sy, h)) return;
    const ColumnSpan on = landing(target, s.x, person.width());
    drawUncovered(cover, on.left, on.right, [&](int64_t left, int64_t right) {
        const int dx = int(left), sx = int(left - s.x), w = int(right - left);
        if (s.masked == 1)
            drawMasked(target, person, bank[personMaskSurface(slot)], dx, dy, sx, sy, w, h);
        else
            target.blit(person, dx, dy, sx, sy, w, h);
    });
}

// A person drawn without a mask replaces every target pixel it lands on; the columns
// it lands on in every row of the band, if it is shown there.
bool opaqueOver(const SurfaceBank& bank, int slot, const Surface& target, const RowSpan& band, ColumnSpan& on) {
    const SurfaceState& s = bank.state(personSurface(slot));
    const Surface& person = bank[personSurface(slot)];
    if (s.shown != 1 || s.masked == 1 || person.empty()) return false;
    if (s.y > band.top || int64_t(s.y) + person.height() < band.bottom) return false;
    on = landing(target, s.x, person.width());
    return on.left < on.right;
}

QVL_VECTOR_CLONES void darkenRows(Surface& surface, int32_t rate, const RowSpan& band) {
    const int w = std::min(surface.width(), kSceneWidth);
    const int top = band.top, bottom = std::min({surface.height(), kSceneHeight, band.bottom});
    const uint32_t f = uint32_t(256 - int64_t(rate));
    if (f <= 256) {
        // A channel times at most 256 stays below the next channel but one, so red and
        // blue share one multiplication and green takes another; the top byte drops out.
        for (int y = top; y < bottom; ++y) {
            uint32_t* p = surface.row(y);
            for (int x = 0; x < w; ++x)
                p[x] = ((p[x] & 0xFF00FF) * f >> 8 & 0xFF00FF) | ((p[x] & 0xFF00) * f >> 8 & 0xFF00);
        }
        return;
    }
    // A rate outside 0-256 wraps each channel into its byte, as a byte store would.
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

// Background, effect before the persons, persons 0-2, effect after them, darkening,
// over rows [span.top, span.bottom) of target; each finished band is also copied to
// keep, if given, while it is still in the cache.
void composeRows(const SurfaceBank& bank, const Darkness& darkness, Surface& target, RowSpan span,
                 Surface* keep = nullptr) {
    const SurfaceState& effect = bank.state(SurfaceId::Effect);
    const bool effectFirst = effect.shown == 1 && effect.order == 0;
    const bool effectLast = effect.shown == 1 && (effect.order == 1 || effect.order == 2);
    const bool dark = darkness.on && !darkness.suppressed;
    for (int top = span.top; top < span.bottom; top += kBandRows) {
        const RowSpan band{top, std::min(top + kBandRows, span.bottom)};
        // covers[slot]: what the opaque persons above person slot hide; persons: what
        // all of them hide of the background and the effect before them.
        std::array<Cover, kPersonSlots> covers{};
        Cover persons;
        for (int slot = kPersonSlots - 1; slot >= 0; --slot) {
            covers[std::size_t(slot)] = persons;
            if (opaqueOver(bank, slot, target, band, persons.spans[std::size_t(persons.count)])) ++persons.count;
        }
        drawBackground(bank, target, band, persons);
        // The effect cannot be cut into columns: it is skipped only where nothing of it shows.
        if (effectFirst && !persons.hides(0, target.width())) applySceneEffect(bank, target, band);
        for (int slot = 0; slot < kPersonSlots; ++slot) drawPerson(bank, slot, target, band, covers[std::size_t(slot)]);
        if (effectLast) applySceneEffect(bank, target, band);
        if (dark) darkenRows(target, darkness.rate, band);
        if (keep) copyRows(target, *keep, band);
    }
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
    const SurfaceBank& sources = bank;
    Surface& vram = bank.surfaces[std::size_t(SurfaceId::VirtualVram)];
    const bool dark = darkness.on && !darkness.suppressed;
    SceneCache& cache = bank.composed;
    const std::vector<RowSpan> rows = cache.rowsToCompose(SceneCache::inputsOf(sources, dark, darkness.rate));
    if (!cache.holds()) {
        // What the layers leave uncovered keeps VirtualVram's own pixels.
        composeRows(sources, darkness, vram, {0, vram.height()});
        return;
    }
    // VirtualVram may have been drawn on since: the kept rows are copied back too.
    int done = 0;
    for (const RowSpan& span : rows) {
        copyRows(cache.picture(), vram, {done, span.top});
        composeRows(sources, darkness, vram, span, &cache.picture());
        done = span.bottom;
    }
    copyRows(cache.picture(), vram, {done, vram.height()});
}

void layText(const SurfaceBank& bank, Surface& target) {
    drawMasked(target, bank[SurfaceId::Text], bank[SurfaceId::TextMask], 0, 0, 0, 0, kSceneWidth, kSceneHeight);
}

void presentScene(SurfaceBank& bank, Surface& window, const Darkness& darkness, bool withoutText, bool textVisible) {
    composeScene(bank, darkness);
    window.blit(bank[SurfaceId::VirtualVram], 0, 0, 0, 0, kSceneWidth, kSceneHeight);
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
