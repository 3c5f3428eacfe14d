#include "graphics/composition.h"

#include "graphics/effects.h"
#include "graphics/masks.h"
#include "graphics/vector_clones.h"

#include <algorithm>
#include <climits>

namespace qvl {

namespace {

void applySceneEffect(SurfaceBank& bank) {
    const SurfaceState& s = bank.state(SurfaceId::Effect);
    applyEffect(bank[SurfaceId::Effect], bank[SurfaceId::VirtualVram], bank[SurfaceId::EffectMask], s.x, s.y,
                s.effectKind, s.maskMode);
}

void drawPerson(SurfaceBank& bank, int slot) {
    const SurfaceState& s = bank.state(personSurface(slot));
    if (s.shown != 1) return;
    const Surface& person = bank[personSurface(slot)];
    Surface& vram = bank[SurfaceId::VirtualVram];
    if (s.masked == 1)
        drawMasked(vram, person, bank[personMaskSurface(slot)], s.x, s.y, 0, 0, person.width(), person.height());
    else
        vram.blit(person, s.x, s.y);
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

QVL_VECTOR_CLONES void darkenScene(Surface& surface, int32_t rate) {
    const int w = std::min(surface.width(), kSceneWidth), h = std::min(surface.height(), kSceneHeight);
    const uint32_t f = uint32_t(256 - int64_t(rate));
    if (f <= 256) {
        // Byte lanes: a channel times at most 256 fits 16 bits, and every channel
        // takes the same factor; the top byte is cleared afterwards.
        const auto factor = uint16_t(f);
        for (int y = 0; y < h; ++y) {
            uint32_t* p = surface.row(y);
            auto* bytes = reinterpret_cast<uint8_t*>(p);
            for (std::size_t i = 0; i < std::size_t(w) * 4; ++i) bytes[i] = uint8_t(uint16_t(bytes[i] * factor) >> 8);
            for (int x = 0; x < w; ++x) p[x] &= 0xFFFFFF;
        }
        return;
    }
    // A rate outside 0-256 wraps each channel into its byte, as a byte store would.
    for (int y = 0; y < h; ++y) {
        uint32_t* p = surface.row(y);
        for (int x = 0; x < w; ++x) {
            uint32_t out = 0;
            for (const int shift : {0, 8, 16}) out |= ((((p[x] >> shift) & 0xFF) * f >> 8) & 0xFF) << shift;
            p[x] = out;
        }
    }
}

void composeScene(SurfaceBank& bank, const Darkness& darkness) {
    Surface& vram = bank[SurfaceId::VirtualVram];
    const SurfaceState& background = bank.state(SurfaceId::Background);
    if (background.shown == 1)
        vram.blit(bank[SurfaceId::Background], background.x, background.y, 0, 0, kSceneWidth, kSceneHeight);

    const SurfaceState& effect = bank.state(SurfaceId::Effect);
    const bool effectShown = effect.shown == 1;
    if (effectShown && effect.order == 0) applySceneEffect(bank);
    for (int slot = 0; slot < kPersonSlots; ++slot) drawPerson(bank, slot);
    if (effectShown && (effect.order == 1 || effect.order == 2)) applySceneEffect(bank);

    if (darkness.on && !darkness.suppressed) darkenScene(vram, darkness.rate);
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
