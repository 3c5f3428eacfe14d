#include "app/window_view.h"

namespace qvl {

WindowView::WindowView(platform::Platform& platform)
    : platform_(platform), image_(platform::kSceneWidth, platform::kSceneHeight) {}

void WindowView::setOverlay(const Surface* overlay) {
    overlay_ = overlay;
    show();
}

void WindowView::show(std::optional<Rect> changed) {
    platform_.present(image_, overlay_, changed);
}

}  // namespace qvl
