#pragma once
// The animated click-wait icon: a sheet of 32 x 32 cells, eight frames a row,
// row 0 for line waits and row 1 for page waits; the sheet's top-left colour is
// transparent. Each frame restores the square from the scene first, so text
// under the icon is never drawn twice.
#include "graphics/surface.h"

#include <cstdint>

namespace qvl {

class WaitIcon {
public:
    static constexpr int kSize = 32;
    static constexpr int kFrames = 8;

    // Takes the icon sheet; an empty one leaves the icon blank.
    void setSheet(Surface sheet);
    bool hasSheet() const { return !sheet_.empty(); }

    // Square of the icon for a cursor cell; far right or low cursors put it in the corner.
    static Rect place(int x, int y);

    // Starts at a square with a row; false when it was running already.
    bool start(Rect where, int row);
    // Restores the square; false when it was not running.
    bool stop(Surface& window, const Surface& scene);
    void drawFrame(Surface& window, const Surface& scene);

    bool running() const { return running_; }
    Rect rect() const { return where_; }
    int row() const { return row_; }
    int frame() const { return frame_; }

private:
    Surface sheet_, mask_;
    Rect where_{};
    int row_ = 0, frame_ = 0;
    bool running_ = false;
};

}  // namespace qvl
