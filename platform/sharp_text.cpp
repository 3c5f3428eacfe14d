#include "platform/sharp_text.h"

#include <utility>

namespace qvl::platform {

void SharpText::clear() {
    steps_.clear();
    overflowed_ = false;
    ++generation_;
}

void SharpText::add(SharpStep step) {
    // A page that is only ever erased in parts would grow without end; past a
    // bound the window shows the scene's own text until the next clear.
    constexpr std::size_t kMaxSteps = 1 << 14;
    if (steps_.size() >= kMaxSteps) {
        overflowed_ = true;
        return;
    }
    steps_.push_back(std::move(step));
}

}  // namespace qvl::platform
