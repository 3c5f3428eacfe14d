#include "ui/tab_control.h"

#include "ui/theme.h"

#include <algorithm>

namespace qvl::ui {

using platform::Event;

namespace {
constexpr int kTabPadding = 12;  // left and right of a caption together
constexpr int kRaise = 2;        // the current tab stands this much taller and wider
}  // namespace

TabControl::TabControl(Rect rect, std::vector<std::string> sjisCaptions)
    : Widget(rect), captions_(std::move(sjisCaptions)) {
    layOut(nullptr);
}

void TabControl::layOut(platform::FontEngine* fonts) {
    widths_.clear();
    for (const std::string& c : captions_) {
        // Until the first drawing the captions are measured as the fixed-pitch face
        // would draw them: six pixels a byte.
        const int text = fonts ? fonts->measureText(c, uiFont()) : int(c.size()) * kUiFontSize / 2;
        widths_.push_back(text + kTabPadding);
    }
}

void TabControl::select(int tab) {
    if (tab < 0 || tab >= count() || tab == current_) return;
    current_ = tab;
    auto callback = onChange;
    if (callback) callback(current_);
}

Rect TabControl::pageRect() const {
    Rect r = rect();
    return {r.x + kPageInset, r.y + kTabHeight + kPageInset, r.w - 2 * kPageInset,
            r.h - kTabHeight - 2 * kPageInset};
}

Rect TabControl::tabRect(int tab) const {
    Rect r = rect();
    int x = r.x + kRaise;
    for (int i = 0; i < tab; ++i) x += widths_[std::size_t(i)];
    Rect t{x, r.y + kRaise, widths_[std::size_t(tab)], kTabHeight - kRaise};
    if (tab == current_) t = {t.x - kRaise, r.y, t.w + 2 * kRaise, kTabHeight + 1};
    return t;
}

bool TabControl::handle(const Event& event) {
    if (!enabled() || !visible()) return false;
    if (event.type == Event::Type::MouseDown && event.button == platform::MouseButton::Left) {
        for (int tab = 0; tab < count(); ++tab) {
            if (!tabRect(tab).contains(event.x, event.y)) continue;
            select(tab);
            return true;
        }
        return false;
    }
    if (event.type == Event::Type::KeyDown && focused()) {
        if (event.key == platform::Key::Left) select(current_ - 1);
        else if (event.key == platform::Key::Right) select(current_ + 1);
        else return false;
        return true;
    }
    return false;
}

void TabControl::draw(Surface& overlay, platform::FontEngine& fonts) {
    layOut(&fonts);
    Rect r = rect();
    Rect page{r.x, r.y + kTabHeight, r.w, r.h - kTabHeight};
    fillOpaque(overlay, page, kFaceColour);
    drawRaised(overlay, page);
    const auto font = uiFont();
    // The current tab last, so it covers its neighbours' edges and the page's top.
    std::vector<int> order;
    for (int tab = 0; tab < count(); ++tab)
        if (tab != current_) order.push_back(tab);
    if (current_ < count()) order.push_back(current_);
    for (int tab : order) {
        Rect t = tabRect(tab);
        fillOpaque(overlay, t, kFaceColour);
        fillOpaque(overlay, {t.x, t.y, t.w, 1}, kHighlightColour);
        fillOpaque(overlay, {t.x, t.y, 1, t.h}, kHighlightColour);
        fillOpaque(overlay, {t.x + t.w - 1, t.y + 1, 1, t.h - 1}, kDarkShadowColour);
        fillOpaque(overlay, {t.x + t.w - 2, t.y + 1, 1, t.h - 1}, kShadowColour);
        const int w = fonts.measureText(captions_[std::size_t(tab)], font);
        const int tx = t.x + (t.w - w) / 2, ty = t.y + (kTabHeight - kRaise - kUiFontSize) / 2 + 1;
        fonts.drawText(overlay, tx, ty, captions_[std::size_t(tab)], font, kTextColour);
        if (tab == current_ && focused()) drawFocusRect(overlay, {tx - 2, ty - 1, w + 4, kUiFontSize + 2});
    }
}

}  // namespace qvl::ui
