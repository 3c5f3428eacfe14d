#include "choice/menu_look.h"

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

MenuLook::MenuLook(ChoiceHost& host, const MenuArgs& args, const OptionList& options, ChoiceRecord& record)
    : host_(host), options_(options), text_(host.textWindow()), record_(record) {
    const int n = options.count;
    x_ = Choices::origin(args.x, text_.cursorX);
    y_ = Choices::origin(args.y, text_.cursorY);
    high_ = Choices::readColour(args.highlight, 0xFFFFFF);
    normal_ = Choices::readColour(args.normal, 0x808080);

    int64_t widest = 8;
    for (int i = 0; i < n; ++i)
        widest = std::max<int64_t>(widest, int64_t(options.OptionLabels[std::size_t(i)].size()) * 14 + 10);
    w_ = int(std::min<int64_t>(widest, 65536));
    font_ = {text_.fontName, kFontHeight, false};
    h_ = n * kLineHeight + 4;
    record.area = area();
    for (int i = 0; i < n; ++i) {
        record.items.push_back({x_, y_ + kLineHeight * i + 3, w_, kLineHeight});
        record.selectable.push_back(true);
    }
}

void MenuLook::label(int32_t item, int dx, int dy, uint32_t colour) {
    host_.fonts().drawText(host_.windowImage(), x_ + dx, y_ + kLineHeight * item + dy,
                           options_.OptionLabels[std::size_t(item)], font_, colour, false);
}

void MenuLook::draw() {
    Surface& screen = host_.windowImage();
    const int x = x_, y = y_, w = w_, h = h_;
    // Colours of the text window are red-low; pixels blue-low.
    frame(screen, x + 1, y + 1, x + w, y + h, keyToPixel(int32_t(text_.shadowColour)));
    frame(screen, x, y, x + w - 1, y + h - 1, keyToPixel(int32_t(text_.textColour)));
    for (int i = 0; i < options_.count; ++i) {
        if (text_.outlineMode == 1) {
            const uint32_t shadow = keyToPixel(int32_t(text_.shadowColour));
            for (auto [dx, dy] : {std::pair{4, 4}, {4, 2}, {2, 4}, {2, 2}}) label(i, dx, dy, shadow);
        } else {
            label(i, 5, 5, 0x000000);
        }
        label(i, 3, 3, normal_);
    }
    host_.showWindow(area());
}

void MenuLook::drawItem(int32_t item, bool lit) {
    label(item, 3, 3, lit ? high_ : normal_);
    host_.showWindow(record_.items[std::size_t(item)]);
}

std::optional<int32_t> MenuLook::itemAt(int px, int py) const {
    if (!(x_ < px && px < x_ + w_ && y_ + 3 < py && py < y_ + h_ - 3)) return std::nullopt;
    return (py - y_ - 3) / kLineHeight;
}

}  // namespace qvl
