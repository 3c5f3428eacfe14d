#include "ui/theme.h"

namespace qvl::ui {

platform::FontSpec uiFont(int height, bool bold) {
    // "ＭＳ ゴシック"
    return platform::FontSpec{"\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e", height, bold};
}

void fillOpaque(Surface& s, Rect r, uint32_t colour) { s.fillRect(r, colour | kOpaque); }

void drawFrame(Surface& s, Rect r, uint32_t topLeft, uint32_t bottomRight) {
    if (r.empty()) return;
    fillOpaque(s, {r.x, r.y, r.w, 1}, topLeft);
    fillOpaque(s, {r.x, r.y, 1, r.h}, topLeft);
    fillOpaque(s, {r.x, r.y + r.h - 1, r.w, 1}, bottomRight);
    fillOpaque(s, {r.x + r.w - 1, r.y, 1, r.h}, bottomRight);
}

void drawRaised(Surface& s, Rect r) {
    drawFrame(s, r, kLightColour, kDarkShadowColour);
    drawFrame(s, inset(r, 1), kHighlightColour, kShadowColour);
}

void drawSunken(Surface& s, Rect r) {
    drawFrame(s, r, kShadowColour, kHighlightColour);
    drawFrame(s, inset(r, 1), kDarkShadowColour, kLightColour);
}

void drawFocusRect(Surface& s, Rect r) {
    for (int x = r.x; x < r.x + r.w; x += 2) {
        s.setPixel(x, r.y, kTextColour | kOpaque);
        s.setPixel(x, r.y + r.h - 1, kTextColour | kOpaque);
    }
    for (int y = r.y; y < r.y + r.h; y += 2) {
        s.setPixel(r.x, y, kTextColour | kOpaque);
        s.setPixel(r.x + r.w - 1, y, kTextColour | kOpaque);
    }
}

Rect inset(Rect r, int by) { return {r.x + by, r.y + by, r.w - 2 * by, r.h - 2 * by}; }

}  // namespace qvl::ui
