#pragma once
// Turning the surface bank into the picture the player sees: the scene is composed
// into VirtualVram, then copied to the window image with the text layer over it and
// the sprites on top. Showing the window image is the engine's business.
#include "graphics/surface.h"
#include "graphics/surface_bank.h"

#include <cstdint>

namespace qvl {

// The darkening switches: the player's option, a script's veto and the strength.
struct Darkness {
    bool on = false;
    bool suppressed = false;
    int32_t rate = 0;  // each channel is scaled by (256 - rate) / 256
};

// Scales every channel of the top-left 640 x 480 area by (256 - rate) / 256.
void darkenScene(Surface& surface, int32_t rate);

// Background, effect before the persons, persons 0-2, effect after them, darkening.
// Where nothing covers VirtualVram its previous pixels stay. While the background
// covers it all, only rows whose layers changed are composed again; the rest stays,
// or comes back from the bank's copy if VirtualVram was handed out for change since.
void composeScene(SurfaceBank& bank, const Darkness& darkness);

// Lays the text layer over target: AND TextMask, then OR Text.
void layText(const SurfaceBank& bank, Surface& target);

// Composes the scene and copies it to window; then the text (unless withoutText or
// the text is hidden), which also clears sceneDirty, and the sprites.
void presentScene(SurfaceBank& bank, Surface& window, const Darkness& darkness, bool withoutText, bool textVisible);

// Sprites live on the window image only, never in VirtualVram; removing one puts
// back the composed scene under it, so text there is gone until the next
// presentation. Slots outside 0-31 do nothing, and zero-sized cells draw nothing.
void drawSprite(const SurfaceBank& bank, int32_t slot, Surface& window);
void drawAllSprites(const SurfaceBank& bank, Surface& window);  // higher slots on top
void putSprite(SurfaceBank& bank, int32_t slot, int32_t x, int32_t y, Surface& window);
void hideSprite(SurfaceBank& bank, int32_t slot, Surface& window);
void hideAllSprites(SurfaceBank& bank, Surface& window);

}  // namespace qvl
