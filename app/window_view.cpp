#include "app/window_view.h"

#include <utility>

namespace qvl {

WindowView::WindowView(platform::Platform& platform)
    : platform_(platform), image_(platform::kSceneWidth, platform::kSceneHeight) {}

void WindowView::setOverlay(const Surface* overlay) {
    overlay_ = overlay;
    show();
}

void WindowView::show(std::optional<Rect> changed) {
    platform_.present(image_, overlay_, changed);
    if (firstShow_) std::exchange(firstShow_, nullptr)();
}

}  // namespace qvl
