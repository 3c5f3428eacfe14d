#pragma once
// What the window shows over everything else, never in the scene: a mark in the
// top-right corner while text is skipped or goes on by itself ("SKIP", "AUTO"),
// and a short notice in the top-left corner ("クイックセーブしました"). Laid over
// whatever overlay is open, so screenshots of the scene never hold them.
#include "graphics/surface.h"
#include "platform/fonts.h"

#include <string>

namespace qvl::ui {

class OverlayMarks {
public:
    // Shift-JIS texts; empty: none. True when that changed what is shown.
    bool setMark(const std::string& text);
    bool setNotice(const std::string& text);
    bool empty() const { return mark_.empty() && notice_.empty(); }

    // The overlay to show: base (or nothing, fully transparent) with the marks on top.
    const Surface* compose(const Surface* base, platform::FontEngine& fonts);

private:
    void drawLabel(Surface& overlay, platform::FontEngine& fonts, const std::string& text, bool right);

    std::string mark_, notice_;
    Surface composed_;
    bool composedAlone_ = false;  // composed_ holds the marks over nothing, as they are now
};

}  // namespace qvl::ui
