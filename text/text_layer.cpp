#include "text/text_layer.h"

#include "graphics/masks.h"

#include <utility>

namespace qvl {

void TextLayer::drawGlyphs(std::string_view c, int x, int y, bool ruby) {
    platform::FontEngine& fonts = host_.fonts();
    const platform::FontSpec font = ruby ? platform::FontSpec{t_.rubyFontName, t_.rubyHeight, true}
                                         : platform::FontSpec{t_.fontName, t_.fontHeight, false};
    const bool byteWise = t_.fontIndex >= 4 && !ruby && c.size() == 1;
    // No antialiasing on either surface: the mask must cover exactly the text's
    // pixels, or the AND/OR composition leaves fringes of the scene's colour.
    auto draw = [&](Surface& dst, int dx, int dy, uint32_t colour) {
        if (byteWise)
            fonts.drawChar(dst, dx, dy, char32_t(static_cast<unsigned char>(c[0])), font, colour, false);
        else
            fonts.drawText(dst, dx, dy, c, font, colour, false);
    };
    const int lift = ruby ? 2 : 0;
    auto layer = [&](Surface& dst, uint32_t shadow, uint32_t colour) {
        if (t_.shadowOn) {
            if (t_.outlineMode == 1) {
                for (auto [dx, dy] : {std::pair{1, 1}, {1, -1}, {-1, 1}, {-1, -1}})
                    draw(dst, x + dx, y + dy + lift, shadow);
            } else {
                draw(dst, x + (ruby ? 1 : 2), y + (ruby ? 3 : 2), shadow);
            }
        }
        draw(dst, x, y + lift, colour);
    };
    // Script colours are red-low; pixels are blue-low.
    layer(host_.textSurface(), keyToPixel(int32_t(t_.shadowColour)), keyToPixel(int32_t(t_.textColour)));
    layer(host_.textMask(), 0, 0);
}

void TextLayer::showRect(Rect r) {
    if (!t_.textVisible) return;
    Surface& window = host_.windowImage();
    window.blit(host_.textMask(), r.x, r.y, r.x, r.y, r.w, r.h, Rop::And);
    window.blit(host_.textSurface(), r.x, r.y, r.x, r.y, r.w, r.h, Rop::Or);
    pending_ = true;
}

void TextLayer::placePicture(const Surface& picture, const Surface& mask, int x, int y) {
    if (t_.textVisible) {
        host_.windowImage().blit(mask, x, y, Rop::And);
        host_.windowImage().blit(picture, x, y, Rop::Or);
        pending_ = true;
    }
    host_.textSurface().blit(picture, x, y);
    host_.textMask().blit(mask, x, y);
}

void TextLayer::showPending() {
    // Text reaches the screen when someone could see it: before a delay, a wait or
    // at the end of the line. Fast text is shown once a line, not per character.
    if (!pending_) return;
    pending_ = false;
    host_.showWindow();
}

void TextLayer::clear() {
    host_.textSurface().fill(0x000000);
    host_.textMask().fill(0xFFFFFF);
}

void TextLayer::erase(Rect r) {
    host_.textSurface().fillRect(r, 0x000000);
    host_.textMask().fillRect(r, 0xFFFFFF);
}

void TextLayer::showSceneOnly() {
    host_.windowImage().blit(host_.compositionSurface(), 0, 0, 0, 0, 640, 480);
    pending_ = false;
    host_.showWindow();
}

}  // namespace qvl
