#include "ui/button.h"

#include "ui/text_fit.h"
#include "ui/theme.h"

namespace qvl::ui {

using platform::Event;

void Button::click() {
    if (!enabled() || !visible()) return;
    // The callback may close the dialog or open another one; copy it first so a
    // callback that replaces itself stays alive while it runs.
    auto callback = onClick;
    if (callback) callback();
}

void Button::draw(Surface& overlay, platform::FontEngine& fonts) {
    Rect r = rect();
    if (r.empty()) return;
    fillOpaque(overlay, r, hover_ && !pressed_ && enabled() ? 0xCACACA : kFaceColour);
    Rect edge = r;
    if (defaultLook_) {
        drawFrame(overlay, r, kDarkShadowColour, kDarkShadowColour);
        edge = inset(r, 1);
    }
    if (pressed_) {
        drawFrame(overlay, edge, kShadowColour, kShadowColour);
    } else {
        drawRaised(overlay, edge);
    }
    auto font = uiFont();
    std::string text = fitToWidth(fonts, caption_, font, r.w - 8);
    int w = fonts.measureText(text, font);
    int shift = pressed_ ? 1 : 0;
    int tx = r.x + (r.w - w) / 2 + shift;
    int ty = r.y + (r.h - kUiFontSize) / 2 + shift;
    if (enabled()) {
        fonts.drawText(overlay, tx, ty, text, font, kTextColour);
    } else {
        fonts.drawText(overlay, tx + 1, ty + 1, text, font, kHighlightColour);
        fonts.drawText(overlay, tx, ty, text, font, kGreyTextColour);
    }
    if (focused()) drawFocusRect(overlay, inset(edge, 3));
}

bool Button::handle(const Event& event) {
    if (!enabled() || !visible()) return false;
    bool inside = rect().contains(event.x, event.y);
    switch (event.type) {
    case Event::Type::MouseDown:
        if (event.button != platform::MouseButton::Left || !inside) return false;
        held_ = pressed_ = true;
        return true;
    case Event::Type::MouseMove: {
        bool wasHover = hover_, wasPressed = pressed_;
        hover_ = inside;
        if (held_) pressed_ = inside;
        return wasHover != hover_ || wasPressed != pressed_;
    }
    case Event::Type::MouseUp:
        if (event.button != platform::MouseButton::Left || !held_) return false;
        held_ = pressed_ = false;
        if (inside) click();
        return true;
    case Event::Type::KeyDown:
        if (event.key == platform::Key::Space || event.key == platform::Key::Enter) {
            click();
            return true;
        }
        return false;
    default:
        return false;
    }
}

}  // namespace qvl::ui
