#include "text/text_layer.h"

#include "graphics/masks.h"

#include <algorithm>
#include <cstring>
#include <memory>
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
            return fonts.drawChar(dst, dx, dy, char32_t(static_cast<unsigned char>(c[0])), font, colour, false);
        return fonts.drawText(dst, dx, dy, c, font, colour, false);
    };
    const int lift = ruby ? 2 : 0;
    auto layer = [&](auto&& draw, uint32_t shadow, uint32_t colour) {
        if (t_.shadowOn) {
            if (t_.outlineMode == 1) {
                for (auto [dx, dy] : {std::pair{1, 1}, {1, -1}, {-1, 1}, {-1, -1}})
                    draw(x + dx, y + dy + lift, shadow);
            } else {
                draw(x + (ruby ? 1 : 2), y + (ruby ? 3 : 2), shadow);
            }
        }
        draw(x, y + lift, colour);
    };
    // Script colours are red-low; pixels are blue-low.
    const uint32_t shadow = keyToPixel(int32_t(t_.shadowColour)), colour = keyToPixel(int32_t(t_.textColour));
    layer([&](int dx, int dy, uint32_t c) { draw(host_.textSurface(), dx, dy, c); }, shadow, colour);
    int advance = 0;
    layer([&](int dx, int dy, uint32_t) { advance = std::max(advance, draw(host_.textMask(), dx, dy, 0)); }, 0, 0);
    layer(
        [&](int dx, int dy, uint32_t stepColour) {
            platform::SharpStep step;
            step.x = dx;
            step.y = dy;
            step.text = std::string(c.substr(0, byteWise ? 1 : c.size()));
            step.byteWise = byteWise;
            step.font = font;
            step.colour = stepColour;
            sharp_.add(std::move(step));
        },
        shadow, colour);
    keep({x - 4, y - 4, advance + 12, font.height + 12});
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
    platform::SharpStep step;
    step.kind = platform::SharpStep::Kind::Picture;
    step.x = x;
    step.y = y;
    auto copy = [](const Surface& from) {
        auto out = std::make_shared<Surface>(from.width(), from.height());
        out->blit(from, 0, 0);
        return out;
    };
    step.picture = copy(picture);
    step.mask = copy(mask);
    sharp_.add(std::move(step));
    keep({x, y, picture.width(), picture.height()});
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
    sharp_.clear();
    keep({0, 0, 640, 480});
}

void TextLayer::erase(Rect r) {
    host_.textSurface().fillRect(r, 0x000000);
    host_.textMask().fillRect(r, 0xFFFFFF);
    platform::SharpStep step;
    step.kind = platform::SharpStep::Kind::Erase;
    step.area = r;
    sharp_.add(std::move(step));
    keep(r);
}

void TextLayer::keep(Rect r) {
    const Surface& text = host_.textSurface();
    const Surface& mask = host_.textMask();
    if (keptText_.width() != text.width() || keptText_.height() != text.height()) {
        keptText_ = Surface(text.width(), text.height());
        keptMask_ = Surface(mask.width(), mask.height());
        r = {0, 0, text.width(), text.height()};
    }
    keptText_.blit(text, r.x, r.y, r.x, r.y, r.w, r.h);
    keptMask_.blit(mask, r.x, r.y, r.x, r.y, r.w, r.h);
}

bool TextLayer::sharpTextMatches() {
    const Surface& text = host_.textSurface();
    const Surface& mask = host_.textMask();
    auto same = [](const Surface& a, const Surface& b) {
        if (a.width() != b.width() || a.height() != b.height()) return false;
        for (int y = 0; y < a.height(); ++y)
            if (std::memcmp(a.row(y), b.row(y), std::size_t(a.width()) * 4) != 0) return false;
        return true;
    };
    if (!sharp_.whole()) return false;
    if (same(text, keptText_) && same(mask, keptMask_)) return true;
    // Emptied elsewhere: nothing of ours is left to draw.
    for (int y = 0; y < mask.height(); ++y)
        for (int x = 0; x < mask.width(); ++x)
            if (mask.row(y)[x] != 0xFFFFFF) return false;
    sharp_.clear();
    keep({0, 0, text.width(), text.height()});
    return true;
}

void TextLayer::showSceneOnly() {
    host_.windowImage().blit(host_.compositionSurface(), 0, 0, 0, 0, 640, 480);
    pending_ = false;
    host_.showWindow();
}

}  // namespace qvl
