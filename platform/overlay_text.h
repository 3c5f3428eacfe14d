#pragma once
// Text drawn onto an overlay (menus, boxes, dialogs, the log), kept as runs so a
// window larger than the scene can draw it again at its own resolution. Each run
// keeps the pixels it covered before and after it was drawn: a run counts only
// while the overlay still shows it exactly so, and the overlay is then shown with
// the run's pixels put back as they were under it. The overlay itself is never
// changed, so every 640x480 picture stays what it was.
#include "graphics/surface.h"
#include "platform/sharp_text.h"

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace qvl::platform {

class OverlayText {
public:
    // Runs are kept only while some drawing of an overlay is under way.
    class Recording {
    public:
        explicit Recording(OverlayText& text) : text_(text) { ++text_.depth_; }
        ~Recording() { --text_.depth_; }
        Recording(const Recording&) = delete;
        Recording& operator=(const Recording&) = delete;

    private:
        OverlayText& text_;
    };

    bool recording() const { return depth_ > 0; }
    // Before a run is drawn: the square it may touch, copied.
    void before(const Surface& dst, Rect maybe);
    // After it: keeps the run when it changed any pixel.
    void after(const Surface& dst, int x, int y, std::string_view sjis, const FontSpec& font, uint32_t colour);

    // The runs the overlay shows as drawn, taken out of `overlay` (a copy of it),
    // as text steps clipped to their squares (the step's area); the rest stay in.
    void takeOut(Surface& overlay, SharpText& into) const;

private:
    struct Run {
        Rect area;
        int x = 0, y = 0;
        std::string text;
        FontSpec font;
        uint32_t colour = 0;
        std::vector<uint32_t> under, shown;
    };
    int depth_ = 0;
    Rect pending_{};
    std::vector<uint32_t> pendingPixels_;
    std::deque<Run> runs_;
    std::size_t pixels_ = 0;  // kept by the runs, each twice
};

}  // namespace qvl::platform
