// The text menu: one line a label in a framed box drawn straight onto the screen.
#include "choice/choices.h"

#include <algorithm>

namespace qvl {

namespace {

constexpr int kLineHeight = 32;
constexpr int kFontHeight = 28;

// A one-pixel frame inside [left, right) x [top, bottom).
void frame(Surface& s, int left, int top, int right, int bottom, uint32_t colour) {
    const int w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0) return;
    s.fillRect({left, top, w, 1}, colour);
    s.fillRect({left, bottom - 1, w, 1}, colour);
    s.fillRect({left, top, 1, h}, colour);
    s.fillRect({right - 1, top, 1, h}, colour);
}

}  // namespace

int32_t Choices::chooseMenu(const OptionList& options) {
    const TextWindowState& t = host_.textWindow();
    const int n = options.count;
    const int x = origin(menu_.x, t.cursorX), y = origin(menu_.y, t.cursorY);
    const uint32_t high = readColour(menu_.highlight, 0xFFFFFF);
    const uint32_t normal = readColour(menu_.normal, 0x808080);

    int64_t widest = 8;
    for (int i = 0; i < n; ++i)
        widest = std::max<int64_t>(widest, int64_t(options.OptionLabels[std::size_t(i)].size()) * 14 + 10);
    const int w = int(std::min<int64_t>(widest, 65536));
    const int h = n * kLineHeight + 4;
    const Rect area{x, y, w, h};
    record_.area = area;
    for (int i = 0; i < n; ++i) {
        record_.items.push_back({x, y + kLineHeight * i + 3, w, kLineHeight});
        record_.selectable.push_back(true);
    }

    Surface& screen = host_.windowImage();
    saveArea(area);
    // Colours of the text window are red-low; pixels blue-low.
    frame(screen, x + 1, y + 1, x + w, y + h, keyToPixel(int32_t(t.shadowColour)));
    frame(screen, x, y, x + w - 1, y + h - 1, keyToPixel(int32_t(t.textColour)));
    const platform::FontSpec font{t.fontName, kFontHeight, false};
    auto label = [&](int i, int dx, int dy, uint32_t colour) {
        host_.fonts().drawText(screen, x + dx, y + kLineHeight * i + dy, options.OptionLabels[std::size_t(i)], font,
                               colour, false);
    };
    for (int i = 0; i < n; ++i) {
        if (t.outlineMode == 1) {
            const uint32_t shadow = keyToPixel(int32_t(t.shadowColour));
            for (auto [dx, dy] : {std::pair{4, 4}, {4, 2}, {2, 4}, {2, 2}}) label(i, dx, dy, shadow);
        } else {
            label(i, 5, 5, 0x000000);
        }
        label(i, 3, 3, normal);
    }
    host_.showWindow(area);

    auto band = [&](int i) { return record_.items[std::size_t(i)]; };
    auto inside = [&](int px, int py) { return x < px && px < x + w && y + 3 < py && py < y + h - 3; };
    auto show = [&](int i, uint32_t colour) {
        label(i, 3, 3, colour);
        host_.showWindow(band(i));
    };

    const platform::WaitHint waitHint = startSelection();
    int current = 0;
    bool lit = false;  // the current label is drawn highlighted
    int seenX = INT32_MIN, seenY = INT32_MIN;
    for (;;) {
        if (in_.pointerX != seenX || in_.pointerY != seenY) {
            show(current, normal);
            lit = false;
            seenX = in_.pointerX;
            seenY = in_.pointerY;
            keyboard_ = false;
            if (inside(seenX, seenY)) {
                host_.setCursor(platform::Cursor::Hand);
                current = (seenY - y - 3) / kLineHeight;
                show(current, high);
                lit = true;
            } else {
                host_.setCursor(platform::Cursor::Pen);
            }
        }
        if (std::optional<int32_t> next = keyboardStep(current, 1, lit)) {
            show(current, normal);
            current = *next;
            show(current, high);
            lit = true;
        }
        if (pendingClick_) {
            in_.confirm = true;
            pendingClick_ = false;
        }
        if (in_.confirm) {
            if (keyboard_ || (inside(seenX, seenY) && (seenY - y - 3) / kLineHeight == current)) break;
            in_.confirm = false;
        }
        pendingClick_ = pumpOnce(waitHint);
    }
    restoreArea(area);
    finish();
    return current;
}

}  // namespace qvl
