#include "platform/sdl/timer_set.h"

#include <algorithm>

namespace qvl::platform {

namespace {

// What the original's system gave a zero or tiny interval.
constexpr uint32_t kMinIntervalMs = 10;

// Times wrap at 32 bits; a due time counts as "before" when it lies in the half of
// the clock behind the other.
bool earlier(uint32_t a, uint32_t b) { return int32_t(a - b) < 0; }

}  // namespace

void TimerSet::start(int id, uint32_t intervalMs, uint32_t now) {
    stop(id);
    uint32_t interval = std::max(intervalMs, kMinIntervalMs);
    timers_.push_back({id, interval, now + interval});
}

void TimerSet::stop(int id) {
    std::erase_if(timers_, [id](const Timer& t) { return t.id == id; });
}

std::optional<uint32_t> TimerSet::nextDue(uint32_t now) const {
    std::optional<uint32_t> next;
    for (const Timer& t : timers_) {
        // Compared as offsets from now, so an overdue timer sorts first across a wrap.
        if (!next || int32_t(t.due - now) < int32_t(*next - now)) next = t.due;
    }
    return next;
}

std::optional<int> TimerSet::takeDue(uint32_t now) {
    Timer* due = nullptr;
    for (Timer& t : timers_) {
        if (int32_t(t.due - now) > 0) continue;
        if (!due || earlier(t.due, due->due)) due = &t;
    }
    if (!due) return std::nullopt;
    uint32_t missed = (now - due->due) / due->interval + 1;
    due->due += missed * due->interval;
    return due->id;
}

}  // namespace qvl::platform
