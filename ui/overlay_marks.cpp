#include "ui/overlay_marks.h"

#include "platform/overlay_text.h"
#include "platform/platform.h"
#include "ui/theme.h"

namespace qvl::ui {

namespace {

constexpr int kFontHeight = 16;
constexpr int kPadding = 4;
constexpr int kMargin = 8;
constexpr uint32_t kBackground = 0xC0000000;  // black, a little of the scene showing through
constexpr uint32_t kText = 0xFFFFFF;

}  // namespace

bool OverlayMarks::setMark(const std::string& text) {
    if (text == mark_) return false;
    mark_ = text;
    composedAlone_ = false;
    return true;
}

bool OverlayMarks::setNotice(const std::string& text) {
    if (text == notice_) return false;
    notice_ = text;
    composedAlone_ = false;
    return true;
}

const Surface* OverlayMarks::compose(const Surface* base, platform::FontEngine& fonts) {
    if (empty()) return base;
    const bool alone = !base || base->empty();
    // Over nothing, the picture changes only with the texts: most presentations
    // (each character of a line) reuse it.
    if (alone && composedAlone_) return &composed_;
    composedAlone_ = alone;
    if (alone)
        composed_ = Surface(platform::kSceneWidth, platform::kSceneHeight, 0);
    else
        composed_ = base->clone();
    const platform::OverlayText::Recording recording(fonts.overlayText());
    if (!notice_.empty()) drawLabel(composed_, fonts, notice_, false);
    if (!mark_.empty()) drawLabel(composed_, fonts, mark_, true);
    return &composed_;
}

void OverlayMarks::drawLabel(Surface& overlay, platform::FontEngine& fonts, const std::string& text, bool right) {
    const platform::FontSpec font = uiFont(kFontHeight, true);
    const int w = fonts.measureText(text, font) + 2 * kPadding;
    const int h = kFontHeight + 2 * kPadding;
    const Rect box{right ? overlay.width() - kMargin - w : kMargin, kMargin, w, h};
    overlay.fillRect(box, kBackground);
    fonts.drawText(overlay, box.x + kPadding, box.y + kPadding, text, font, kText);
}

}  // namespace qvl::ui
