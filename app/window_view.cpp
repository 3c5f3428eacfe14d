#include "app/window_view.h"

#include "platform/overlay_text.h"
#include "text/text_layer.h"

#include <algorithm>
#include <utility>

namespace qvl {

WindowView::WindowView(platform::Platform& platform)
    : platform_(platform), image_(platform::kSceneWidth, platform::kSceneHeight) {}

void WindowView::setOverlay(const Surface* overlay) {
    overlay_ = overlay;
    show();
}

namespace {

constexpr uint32_t kNoticeMs = 1500;

}  // namespace

bool WindowView::takeTextOut(Rect r, std::optional<Rect> hole) {
    const SharpTextSource& s = sharpSource_;
    const Surface &text = *s.text, &mask = *s.mask, &scene = *s.scene;
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min({r.x + r.w, image_.width(), text.width(), mask.width(), scene.width()});
    const int y1 = std::min({r.y + r.h, image_.height(), text.height(), mask.height(), scene.height()});
    for (int y = y0; y < y1; ++y) {
        const uint32_t* m = mask.row(y);
        const uint32_t* t = text.row(y);
        const uint32_t* under = scene.row(y);
        const uint32_t* shown = image_.row(y);
        uint32_t* out = withoutText_.row(y);
        std::copy(shown + x0, shown + x1, out + x0);
        const bool rowInHole = hole && y >= hole->y && y < hole->y + hole->h;
        for (int x = x0; x < x1; ++x) {
            if ((m[x] & 0xFFFFFF) == 0xFFFFFF) continue;
            // The wait icon's square shows the scene without text under the icon.
            if (rowInHole && x >= hole->x && x < hole->x + hole->w) continue;
            if (shown[x] != ((under[x] & m[x]) | t[x])) return false;
            out[x] = under[x];
        }
    }
    return true;
}

void WindowView::show(std::optional<Rect> changed) {
    const SharpTextSource& s = sharpSource_;
    bool sharp = false;
    const bool sharpWindow = platform_.drawsSharpText();
    if (s.layer && s.visible && *s.visible && sharpWindow) {
        if (withoutText_.width() != image_.width() || withoutText_.height() != image_.height())
            withoutText_ = Surface(image_.width(), image_.height());
        const platform::SharpText& steps = s.layer->sharpText();
        // A part is enough when the last presentation was sharp and the layer is
        // as it was then: the icon's frames at a click wait cost only their square.
        const bool part = changed && sharpShown_ && steps.generation() == checkedGeneration_ &&
                          steps.steps().size() == checkedSteps_;
        // Only the text window changes the layer between full presentations; what
        // empties it elsewhere (a load, the title) presents the whole scene after.
        if (part || s.layer->sharpTextMatches()) {
            const std::optional<Rect> hole = s.hole ? s.hole() : std::nullopt;
            sharp = takeTextOut(part ? *changed : Rect{0, 0, image_.width(), image_.height()}, hole);
            if (sharp && !part) changed.reset();
            checkedGeneration_ = steps.generation();
            checkedSteps_ = steps.steps().size();
        }
    }
    // The overlay's text likewise. The overlay changes only with a full
    // presentation; a part (the icon under a box) keeps what was found then.
    const Surface* overlay = marks_.compose(overlay_, platform_.fonts());
    bool overlaySharp = overlaySharpShown_;
    if (!overlay || !sharpWindow) {
        overlaySharp = false;
    } else if (!changed) {
        overlayWithoutText_ = overlay->clone();
        platform_.fonts().overlayText().takeOut(overlayWithoutText_, overlayText_);
        overlaySharp = !overlayText_.steps().empty();
    }
    // The whole frame differs between the two ways.
    if (sharp != sharpShown_ || overlaySharp != overlaySharpShown_) changed.reset();
    sharpShown_ = sharp;
    overlaySharpShown_ = overlaySharp;
    platform_.setSharpText(sharp ? &s.layer->sharpText() : nullptr);
    platform_.setSharpOverlayText(overlaySharp ? &overlayText_ : nullptr);
    platform_.present(sharp ? withoutText_ : image_, overlaySharp ? &overlayWithoutText_ : overlay, changed);
    if (firstShow_) std::exchange(firstShow_, nullptr)();
}

}  // namespace qvl

namespace qvl {

void WindowView::setMark(const std::string& sjis) {
    if (marks_.setMark(sjis)) show();
}

void WindowView::showNotice(const std::string& sjis) {
    noticeEnds_ = platform_.ticks() + kNoticeMs;
    marks_.setNotice(sjis);
    show();
}

void WindowView::expireNotice() {
    if (!noticeEnds_ || int32_t(*noticeEnds_ - platform_.ticks()) > 0) return;
    noticeEnds_.reset();
    if (marks_.setNotice({})) show();
}

}  // namespace qvl
