#include "app/window_view.h"

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

void WindowView::show(std::optional<Rect> changed) {
    platform_.present(image_, marks_.compose(overlay_, platform_.fonts()), changed);
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
