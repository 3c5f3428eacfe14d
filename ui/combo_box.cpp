#include "ui/combo_box.h"

#include "ui/text_fit.h"
#include "ui/theme.h"

#include <algorithm>

namespace qvl::ui {

using platform::Event;
using platform::Key;

namespace {
constexpr int kButtonWidth = 16;
}  // namespace

ComboBox::ComboBox(Rect rect, std::vector<std::string> sjisItems, int maxRows)
    : Widget({rect.x, rect.y, rect.w, kHeight}), items_(std::move(sjisItems)), maxRows_(std::max(maxRows, 1)) {}

void ComboBox::setSelected(int item) {
    selected_ = item >= 0 && item < int(items_.size()) ? item : -1;
}

void ComboBox::choose(int item) {
    if (item < 0 || item >= int(items_.size())) return;
    selected_ = item;
    auto callback = onChange;
    if (callback) callback(item);
}

int ComboBox::visibleRows() const {
    return std::max(1, std::min(maxRows_, int(items_.size())));
}

Rect ComboBox::listRect() const {
    const Rect r = rect();
    const int h = visibleRows() * kItemHeight + 2;
    Rect below{r.x, r.y + r.h, r.w, h};
    if (below.y + below.h <= bottomLimit_ || r.y - h < 0) return below;
    return {r.x, r.y - h, r.w, h};
}

void ComboBox::setDropped(bool on) {
    if (on == dropped_) return;
    dropped_ = on && !items_.empty();
    if (!dropped_) return;
    highlight_ = selected_;
    const int rows = visibleRows();
    top_ = std::clamp(selected_ - rows + 1, 0, std::max(0, int(items_.size()) - rows));
}

int ComboBox::rowAt(int x, int y) const {
    const Rect l = listRect();
    if (!l.contains(x, y)) return -1;
    const int row = top_ + (y - l.y - 1) / kItemHeight;
    return row >= 0 && row < int(items_.size()) ? row : -1;
}

bool ComboBox::handle(const Event& event) {
    if (!enabled() || !visible()) return false;
    switch (event.type) {
        case Event::Type::MouseDown: {
            if (event.button != platform::MouseButton::Left) return dropped_;
            if (dropped_) {
                if (int row = rowAt(event.x, event.y); row >= 0) highlight_ = row;
                else setDropped(false);  // outside the list: closed, nothing chosen
                return true;
            }
            if (!rect().contains(event.x, event.y)) return false;
            setDropped(true);
            return true;
        }
        case Event::Type::MouseUp: {
            if (!dropped_) return false;
            const int row = rowAt(event.x, event.y);
            if (row < 0) return false;  // the press that opened the list, released on the box
            setDropped(false);
            choose(row);
            return true;
        }
        case Event::Type::MouseMove: {
            if (!dropped_) return false;
            const int row = rowAt(event.x, event.y);
            if (row < 0 || row == highlight_) return false;
            highlight_ = row;
            return true;
        }
        case Event::Type::MouseWheel: {
            if (!dropped_) return false;
            const int maxTop = std::max(0, int(items_.size()) - visibleRows());
            top_ = std::clamp(top_ - event.wheel, 0, maxTop);
            return true;
        }
        case Event::Type::KeyDown: {
            const int count = int(items_.size());
            if (count == 0) return false;
            if (event.key == Key::Up || event.key == Key::Down) {
                const int step = event.key == Key::Up ? -1 : 1;
                if (dropped_) {
                    highlight_ = std::clamp((highlight_ < 0 ? selected_ : highlight_) + step, 0, count - 1);
                    top_ = std::clamp(top_, highlight_ - visibleRows() + 1, highlight_);
                } else {
                    choose(std::clamp(selected_ < 0 ? 0 : selected_ + step, 0, count - 1));
                }
                return true;
            }
            if (event.key == Key::Enter && dropped_) {
                setDropped(false);
                if (highlight_ >= 0) choose(highlight_);
                return true;
            }
            if (event.key == Key::Escape && dropped_) {
                setDropped(false);
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

void ComboBox::draw(Surface& overlay, platform::FontEngine& fonts) {
    const Rect r = rect();
    fillOpaque(overlay, r, enabled() ? kWindowColour : kFaceColour);
    drawSunken(overlay, r);
    const Rect button{r.x + r.w - 2 - kButtonWidth, r.y + 2, kButtonWidth, r.h - 4};
    fillOpaque(overlay, button, kFaceColour);
    if (dropped_) drawFrame(overlay, button, kShadowColour, kShadowColour);
    else drawRaised(overlay, button);
    const int cx = button.x + button.w / 2 + (dropped_ ? 1 : 0), cy = button.y + button.h / 2 - 1;
    for (int i = 0; i < 4; ++i) fillOpaque(overlay, {cx - 3 + i, cy + i - 1, 7 - 2 * i, 1}, kTextColour);

    const auto font = uiFont();
    const Rect text{r.x + 3, r.y + 3, button.x - r.x - 4, r.h - 6};
    if (selected_ < 0) return;
    const bool mark = focused() && !dropped_;
    if (mark) fillOpaque(overlay, text, kSelectionColour);
    fonts.drawText(overlay, text.x + 1, r.y + (r.h - kUiFontSize) / 2,
                   fitToWidth(fonts, items_[std::size_t(selected_)], font, text.w - 2), font,
                   mark ? kSelectionTextColour : kTextColour);
    if (mark) drawFocusRect(overlay, text);
}

void ComboBox::drawList(Surface& overlay, platform::FontEngine& fonts) {
    if (!dropped_ || !visible()) return;
    const Rect l = listRect();
    fillOpaque(overlay, l, kWindowColour);
    drawFrame(overlay, l, kDarkShadowColour, kDarkShadowColour);
    const auto font = uiFont();
    const int rows = std::min(visibleRows(), int(items_.size()) - top_);
    for (int i = 0; i < rows; ++i) {
        const int item = top_ + i;
        const Rect line{l.x + 1, l.y + 1 + i * kItemHeight, l.w - 2, kItemHeight};
        const bool lit = item == highlight_;
        if (lit) fillOpaque(overlay, line, kSelectionColour);
        fonts.drawText(overlay, line.x + 2, line.y + (kItemHeight - kUiFontSize) / 2,
                       fitToWidth(fonts, items_[std::size_t(item)], font, line.w - 4), font,
                       lit ? kSelectionTextColour : kTextColour);
    }
}

}  // namespace qvl::ui
