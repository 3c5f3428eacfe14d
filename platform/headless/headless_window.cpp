#include "platform/headless/headless_window.h"

namespace qvl::platform {

void HeadlessWindow::present(const Surface& frame) {
    ++presentCount_;
    // Kept at the window's own size, as a real window would crop or pad.
    lastFrame_.fill(0);
    lastFrame_.blit(frame, 0, 0);
}

}  // namespace qvl::platform
