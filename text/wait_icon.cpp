#include "text/wait_icon.h"

#include "graphics/masks.h"

namespace qvl {

void WaitIcon::setSheet(Surface sheet) {
    sheet_ = std::move(sheet);
    mask_ = Surface();
    if (sheet_.empty()) return;
    // Keys are red-low, pixels blue-low.
    maskFromKey(sheet_, mask_, int32_t(keyToPixel(int32_t(sheet_.pixel(0, 0)))));
}

Rect WaitIcon::place(int x, int y) {
    if (x >= 640 - kSize || y >= 480 - kSize) return {640 - kSize, 480 - kSize, kSize, kSize};
    return {x, y, kSize, kSize};
}

bool WaitIcon::start(Rect where, int row) {
    if (running_) return false;
    running_ = true;
    where_ = where;
    row_ = row;
    return true;
}

bool WaitIcon::stop(Surface& window, const Surface& scene) {
    if (!running_) return false;
    running_ = false;
    window.blit(scene, where_.x, where_.y, where_.x, where_.y, kSize, kSize);
    return true;
}

void WaitIcon::drawFrame(Surface& window, const Surface& scene) {
    const Rect r = where_;
    window.blit(scene, r.x, r.y, r.x, r.y, kSize, kSize);
    const int sx = frame_ * kSize, sy = row_ * kSize;
    // A sheet too small for the cell shows nothing over the restored square.
    if (sheet_.width() >= sx + kSize && sheet_.height() >= sy + kSize) {
        window.blit(mask_, r.x, r.y, sx, sy, kSize, kSize, Rop::And);
        window.blit(sheet_, r.x, r.y, sx, sy, kSize, kSize, Rop::Or);
    }
    frame_ = (frame_ + 1) % kFrames;
}

}  // namespace qvl
