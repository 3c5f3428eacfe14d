#include "ui/image_button.h"

#include "base/sjis.h"
#include "ui/text_fit.h"

#include <utility>

namespace qvl::ui {

using platform::Event;

namespace {

// A 3-D frame `width` pixels deep; r shrinks by it.
void drawBevel(Surface& s, Rect& r, Bevel bevel, int width) {
    uint32_t light = kHighlightColour, dark = kShadowColour;
    if (bevel == Bevel::Lowered) std::swap(light, dark);
    for (int i = 0; i < width && !r.empty(); ++i) {
        drawFrame(s, r, light, dark);
        r = inset(r, 1);
    }
}

}  // namespace

std::string expandTabs(std::string_view sjis) {
    std::string out;
    for (std::size_t i = 0; i < sjis.size();) {
        std::size_t n = sjis::charLength(sjis, i);
        if (sjis[i] == '\t') {
            do out += ' ';
            while (out.size() % 8 != 0);
        } else {
            out.append(sjis.substr(i, n));
        }
        i += n;
    }
    return out;
}

ImageButton::ImageButton(Rect rect, std::string sjisCaption)
    : Widget(rect), caption_(std::move(sjisCaption)), font_(uiFont()) {}

void ImageButton::setPictureImg(const Surface& picture) {
    // Overlay pixels carry alpha; the picture's own top byte means nothing.
    picture_ = picture.clone();
    for (int y = 0; y < picture_.height(); ++y) {
        uint32_t* row = picture_.row(y);
        for (int x = 0; x < picture_.width(); ++x) row[x] |= kOpaque;
    }
}

void ImageButton::click() {
    if (!enabled() || !visible()) return;
    // The callback may close the dialog or replace itself; keep a copy while it runs.
    auto callback = onClick;
    if (callback) callback();
}

void ImageButton::releasePointer() {
    if (!handShown_) return;
    handShown_ = false;
    if (platform::Platform* p = platformPtr()) p->setCursor(platform::Cursor::Pen);
}

void ImageButton::draw(Surface& overlay, platform::FontEngine& fonts) {
    Rect r = rect();
    if (r.empty()) return;
    if (picture_.empty()) {
        // A plain panel: the frames below cover the edges of this fill.
        fillOpaque(overlay, r, colour_);
    } else {
        overlay.stretch(picture_, picture_.bounds(), r);
    }
    if (bevelOuter_ != Bevel::None) drawBevel(overlay, r, bevelOuter_, bevelWidth_);
    for (int i = 0; i < borderWidth_ && !r.empty(); ++i) {
        drawFrame(overlay, r, colour_, colour_);
        r = inset(r, 1);
    }
    if (bevelInner_ != Bevel::None) drawBevel(overlay, r, bevelInner_, bevelWidth_);
    if (r.empty()) return;

    // One line the height of the font's cell, centred on what the frames left.
    int h = font_.height;
    int top = (r.y + (r.y + r.h) - h) / 2;
    std::string text = fitToWidth(fonts, expandTabs(caption_), font_, r.w);
    int w = fonts.measureText(text, font_);
    int x = align_ == TextAlign::Left ? r.x : align_ == TextAlign::Right ? r.x + r.w - w : r.x + (r.w - w) / 2;
    fonts.drawText(overlay, x, top, text, font_, textColour_);
    if (focused()) drawFocusRect(overlay, r);
}

bool ImageButton::handle(const Event& event) {
    bool inside = rect().contains(event.x, event.y);
    if (event.type == Event::Type::MouseMove) {
        // A disabled control shows the pointer of what lies under it.
        bool hand = handPointer_ && inside && visible() && enabled();
        if (hand != handShown_) {
            handShown_ = hand;
            if (platform::Platform* p = platformPtr())
                p->setCursor(hand ? platform::Cursor::Hand : platform::Cursor::Pen);
        }
        return false;
    }
    if (!enabled() || !visible()) return false;
    switch (event.type) {
        case Event::Type::MouseDown:
            if (event.button != platform::MouseButton::Left || !inside) return false;
            held_ = true;
            bevelOuter_ = Bevel::Lowered;
            return true;
        case Event::Type::MouseUp: {
            if (event.button != platform::MouseButton::Left) return false;
            bool wasHeld = held_;
            held_ = false;
            bevelOuter_ = Bevel::Raised;
            if (wasHeld && inside) click();
            return true;
        }
        case Event::Type::KeyDown:
            if (focusable_ && (event.key == platform::Key::Enter || event.key == platform::Key::Space)) {
                click();
                return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace qvl::ui
