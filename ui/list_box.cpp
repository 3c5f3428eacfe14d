#include "ui/list_box.h"

#include "ui/text_fit.h"
#include "ui/theme.h"

#include <algorithm>

namespace qvl::ui {

using platform::Event;
using platform::Key;

namespace {
constexpr int kEdge = 2;
constexpr int kBarWidth = 16;
constexpr int kRowHeight = kUiLineHeight + 1;
constexpr int kWheelRows = 3;
}  // namespace

void ListBox::setRows(std::vector<std::string> sjisRows) {
    rows_ = std::move(sjisRows);
    selected_ = -1;
    top_ = 0;
    lastClickRow_ = -1;
    dragOffset_ = -1;
}

int ListBox::visibleRows() const { return std::max(1, (rect().h - 2 * kEdge) / kRowHeight); }

bool ListBox::hasScrollBar() const { return int(rows_.size()) > visibleRows(); }

Rect ListBox::rowsArea() const {
    Rect r = inset(rect(), kEdge);
    if (hasScrollBar()) r.w -= kBarWidth;
    return r;
}

Rect ListBox::scrollBarArea() const {
    Rect r = inset(rect(), kEdge);
    return {r.x + r.w - kBarWidth, r.y, kBarWidth, r.h};
}

Rect ListBox::thumb() const {
    Rect bar = scrollBarArea();
    int track = bar.h - 2 * kBarWidth;
    int count = int(rows_.size());
    int page = visibleRows();
    if (track <= 0 || count <= page) return {bar.x, bar.y + kBarWidth, kBarWidth, 0};
    int h = std::max(8, track * page / count);
    int y = bar.y + kBarWidth + (track - h) * top_ / (count - page);
    return {bar.x, y, kBarWidth, h};
}

void ListBox::scrollTo(int top) {
    int maxTop = std::max(0, int(rows_.size()) - visibleRows());
    top_ = std::clamp(top, 0, maxTop);
}

void ListBox::select(int row) {
    if (rows_.empty() || row < 0) {
        selected_ = -1;
        return;
    }
    selected_ = std::min(row, int(rows_.size()) - 1);
    if (selected_ < top_) scrollTo(selected_);
    if (selected_ >= top_ + visibleRows()) scrollTo(selected_ - visibleRows() + 1);
}

void ListBox::moveSelection(int row) {
    int before = selected_;
    select(std::max(row, 0));
    if (selected_ != before && selected_ >= 0) {
        auto callback = onSelect;
        if (callback) callback(selected_);
    }
}

void ListBox::activate(int row) {
    auto callback = onActivate;
    if (callback && row >= 0 && row < int(rows_.size())) callback(row);
}

bool ListBox::handle(const Event& event) {
    if (!enabled() || !visible()) return false;
    switch (event.type) {
    case Event::Type::KeyDown:
        return key(event);
    case Event::Type::MouseWheel:
        scrollTo(top_ - event.wheel * kWheelRows);
        return true;
    case Event::Type::MouseDown:
        return mouseDown(event);
    case Event::Type::MouseMove:
        if (dragOffset_ < 0) return false;
        {
            Rect bar = scrollBarArea();
            Rect t = thumb();
            int room = bar.h - 2 * kBarWidth - t.h;
            int extra = int(rows_.size()) - visibleRows();
            if (room > 0) scrollTo((event.y - dragOffset_ - bar.y - kBarWidth) * extra / room);
        }
        return true;
    case Event::Type::MouseUp:
        if (dragOffset_ < 0) return false;
        dragOffset_ = -1;
        return true;
    default:
        return false;
    }
}

bool ListBox::key(const Event& event) {
    if (rows_.empty()) return false;
    int page = std::max(1, visibleRows() - 1);
    switch (event.key) {
    case Key::Up: moveSelection(selected_ < 0 ? 0 : selected_ - 1); return true;
    case Key::Down: moveSelection(selected_ + 1); return true;
    case Key::PageUp: moveSelection(selected_ < 0 ? 0 : selected_ - page); return true;
    case Key::PageDown: moveSelection(std::max(selected_, 0) + page); return true;
    case Key::Home: moveSelection(0); return true;
    case Key::End: moveSelection(int(rows_.size()) - 1); return true;
    case Key::Enter:
        if (selected_ < 0 || !onActivate) return false;
        activate(selected_);
        return true;
    default:
        return false;
    }
}

bool ListBox::mouseDown(const Event& event) {
    if (event.button != platform::MouseButton::Left || !rect().contains(event.x, event.y)) return false;
    if (hasScrollBar() && scrollBarArea().contains(event.x, event.y)) {
        Rect bar = scrollBarArea();
        Rect t = thumb();
        if (event.y < bar.y + kBarWidth) scrollTo(top_ - 1);
        else if (event.y >= bar.y + bar.h - kBarWidth) scrollTo(top_ + 1);
        else if (event.y < t.y) scrollTo(top_ - visibleRows());
        else if (event.y >= t.y + t.h) scrollTo(top_ + visibleRows());
        else dragOffset_ = event.y - t.y;
        return true;
    }
    Rect area = rowsArea();
    int row = top_ + (event.y - area.y) / kRowHeight;
    if (event.y < area.y || row >= int(rows_.size())) return true;
    moveSelection(row);
    // The event carries no time; the platform clock tells a double click apart.
    auto* platform = platformPtr();
    uint32_t now = platform ? platform->ticks() : 0;
    if (platform && row == lastClickRow_ && now - lastClickTicks_ < kDoubleClickMs) {
        lastClickRow_ = -1;
        activate(row);
    } else {
        lastClickRow_ = row;
        lastClickTicks_ = now;
    }
    return true;
}

void ListBox::draw(Surface& overlay, platform::FontEngine& fonts) {
    Rect r = rect();
    if (r.empty()) return;
    fillOpaque(overlay, r, kWindowColour);
    drawSunken(overlay, r);
    Rect area = rowsArea();
    auto font = uiFont();
    int count = std::min(visibleRows(), int(rows_.size()) - top_);
    for (int i = 0; i < count; ++i) {
        int row = top_ + i;
        Rect line{area.x, area.y + i * kRowHeight, area.w, kRowHeight};
        bool sel = row == selected_;
        if (sel) fillOpaque(overlay, line, kSelectionColour);
        std::string text = fitToWidth(fonts, rows_[row], font, line.w - 4);
        fonts.drawText(overlay, line.x + 2, line.y + (kRowHeight - kUiFontSize) / 2, text, font,
                       sel ? kSelectionTextColour : kTextColour);
        if (sel && focused()) drawFocusRect(overlay, line);
    }
    if (!hasScrollBar()) return;
    Rect bar = scrollBarArea();
    fillOpaque(overlay, bar, 0xE0E0E0);
    Rect up{bar.x, bar.y, kBarWidth, kBarWidth};
    Rect down{bar.x, bar.y + bar.h - kBarWidth, kBarWidth, kBarWidth};
    for (Rect b : {up, down, thumb()}) {
        if (b.empty()) continue;
        fillOpaque(overlay, b, kFaceColour);
        drawRaised(overlay, b);
    }
    // Arrow heads: small triangles in the two end buttons.
    for (int i = 0; i < 4; ++i) {
        int cx = bar.x + kBarWidth / 2;
        fillOpaque(overlay, {cx - i, up.y + 6 + i, 2 * i + 1, 1}, kTextColour);
        fillOpaque(overlay, {cx - i, down.y + 9 - i, 2 * i + 1, 1}, kTextColour);
    }
}

}  // namespace qvl::ui
