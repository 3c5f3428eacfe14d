#include "ui/box_icon.h"

#include "ui/theme.h"

namespace qvl::ui {

namespace {

void drawDisc(Surface& s, int x, int y, uint32_t fill, uint32_t edge) {
    // Distances are doubled so the centre falls between pixels.
    constexpr int kD = kBoxIconSize;
    for (int py = 0; py < kD; ++py) {
        for (int px = 0; px < kD; ++px) {
            int dx = 2 * px + 1 - kD, dy = 2 * py + 1 - kD;
            int d2 = dx * dx + dy * dy;
            if (d2 > (kD - 1) * (kD - 1)) continue;
            bool rim = d2 > (kD - 5) * (kD - 5);
            s.setPixel(x + px, y + py, (rim ? edge : fill) | kOpaque);
        }
    }
}

void drawTriangle(Surface& s, int x, int y) {
    // Apex at the top centre, base along the bottom row.
    for (int py = 1; py < kBoxIconSize - 1; ++py) {
        int half = (py * (kBoxIconSize / 2 - 1)) / (kBoxIconSize - 2);
        int cx = x + kBoxIconSize / 2;
        int left = cx - half - 1, right = cx + half;
        fillOpaque(s, {left, y + py, right - left + 1, 1}, 0xFFFF00);
        s.setPixel(left, y + py, kDarkShadowColour | kOpaque);
        s.setPixel(right, y + py, kDarkShadowColour | kOpaque);
    }
    fillOpaque(s, {x + 1, y + kBoxIconSize - 2, kBoxIconSize - 2, 1}, kDarkShadowColour);
}

void drawMark(Surface& s, int x, int y, const char* mark, uint32_t colour, int top,
              platform::FontEngine& fonts) {
    auto font = uiFont(20, true);
    int w = fonts.measureText(mark, font);
    fonts.drawText(s, x + (kBoxIconSize - w) / 2, y + top, mark, font, colour);
}

}  // namespace

void drawBoxIcon(Surface& overlay, int x, int y, BoxIcon icon, platform::FontEngine& fonts) {
    switch (icon) {
    case BoxIcon::Exclamation:
        drawTriangle(overlay, x, y);
        // Drawn, not typed: a bar and a dot read at any font size.
        fillOpaque(overlay, {x + 15, y + 10, 3, 12}, kDarkShadowColour);
        fillOpaque(overlay, {x + 15, y + 24, 3, 3}, kDarkShadowColour);
        break;
    case BoxIcon::Question:
        drawDisc(overlay, x, y, kWindowColour, 0x0000FF);
        drawMark(overlay, x, y, "?", 0x0000FF, 6, fonts);
        break;
    case BoxIcon::Information:
        drawDisc(overlay, x, y, 0x0000FF, kTitleColour);
        fillOpaque(overlay, {x + 14, y + 7, 4, 4}, kWindowColour);
        fillOpaque(overlay, {x + 14, y + 13, 4, 12}, kWindowColour);
        fillOpaque(overlay, {x + 12, y + 13, 2, 2}, kWindowColour);
        fillOpaque(overlay, {x + 12, y + 23, 8, 2}, kWindowColour);
        break;
    case BoxIcon::None:
        break;
    }
}

}  // namespace qvl::ui
