#include "platform/overlay_text.h"

#include <algorithm>

namespace qvl::platform {

namespace {

// A menu redraws every entry at each move of the pointer, the log view every
// row at each step of a scroll: older runs than these are long painted over.
constexpr std::size_t kMaxRuns = 512;
constexpr std::size_t kMaxPixels = std::size_t(1) << 21;

Rect clampTo(const Surface& s, Rect r) {
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min(r.x + r.w, s.width()), y1 = std::min(r.y + r.h, s.height());
    return {x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0)};
}

void copyOut(const Surface& s, Rect r, std::vector<uint32_t>& out) {
    out.resize(std::size_t(r.w) * std::size_t(r.h));
    for (int y = 0; y < r.h; ++y) std::copy_n(s.row(r.y + y) + r.x, r.w, out.data() + std::size_t(y) * r.w);
}

// The pixels of r inside a copy made of `from` (whose square is `of`).
bool same(const Surface& s, Rect r, const std::vector<uint32_t>& pixels) {
    for (int y = 0; y < r.h; ++y)
        if (!std::equal(s.row(r.y + y) + r.x, s.row(r.y + y) + r.x + r.w, pixels.data() + std::size_t(y) * r.w))
            return false;
    return true;
}

}  // namespace

void OverlayText::before(const Surface& dst, Rect maybe) {
    pending_ = clampTo(dst, maybe);
    copyOut(dst, pending_, pendingPixels_);
}

void OverlayText::after(const Surface& dst, int x, int y, std::string_view sjis, const FontSpec& font,
                        uint32_t colour) {
    const Rect p = pending_;
    pending_ = {};
    if (p.w <= 0 || p.h <= 0 || p.x + p.w > dst.width() || p.y + p.h > dst.height()) return;
    // Only the square the glyphs really changed, so that what is drawn next to
    // the text later (a focus frame) does not undo the run.
    int x0 = p.x + p.w, y0 = p.y + p.h, x1 = p.x - 1, y1 = p.y - 1;
    for (int yy = 0; yy < p.h; ++yy) {
        const uint32_t* row = dst.row(p.y + yy) + p.x;
        const uint32_t* old = pendingPixels_.data() + std::size_t(yy) * p.w;
        for (int xx = 0; xx < p.w; ++xx) {
            if (row[xx] == old[xx]) continue;
            x0 = std::min(x0, p.x + xx), x1 = std::max(x1, p.x + xx);
            y0 = std::min(y0, p.y + yy), y1 = std::max(y1, p.y + yy);
        }
    }
    if (x1 < x0) return;
    Run run;
    run.area = {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    run.x = x, run.y = y;
    run.text = std::string(sjis);
    run.font = font;
    run.colour = colour;
    const Rect a = run.area;
    run.under.resize(std::size_t(a.w) * std::size_t(a.h));
    for (int yy = 0; yy < a.h; ++yy)
        std::copy_n(pendingPixels_.data() + std::size_t(a.y - p.y + yy) * p.w + (a.x - p.x), a.w,
                    run.under.data() + std::size_t(yy) * a.w);
    copyOut(dst, a, run.shown);
    pixels_ += run.under.size();
    runs_.push_back(std::move(run));
    while (runs_.size() > kMaxRuns || (pixels_ > kMaxPixels && runs_.size() > 1)) {
        pixels_ -= runs_.front().under.size();
        runs_.pop_front();
    }
}

void OverlayText::takeOut(Surface& overlay, SharpText& into) const {
    into.clear();
    std::vector<const Run*> kept;
    // Latest first: a run drawn over another is taken away before the one under it.
    for (auto it = runs_.rbegin(); it != runs_.rend(); ++it) {
        const Run& run = *it;
        const Rect a = run.area;
        if (a.x + a.w > overlay.width() || a.y + a.h > overlay.height()) continue;
        if (!same(overlay, a, run.shown)) continue;
        for (int y = 0; y < a.h; ++y)
            std::copy_n(run.under.data() + std::size_t(y) * a.w, a.w, overlay.row(a.y + y) + a.x);
        kept.push_back(&run);
    }
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
        SharpStep step;
        step.kind = SharpStep::Kind::Text;
        step.x = (*it)->x, step.y = (*it)->y;
        step.area = (*it)->area;
        step.text = (*it)->text;
        step.font = (*it)->font;
        step.colour = (*it)->colour;
        into.add(std::move(step));
    }
}

}  // namespace qvl::platform
