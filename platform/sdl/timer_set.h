#pragma once
// The repeating timers of the SDL backend, kept as due times on the platform clock
// so the event wait can sleep until the next one instead of polling.
#include <cstdint>
#include <optional>
#include <vector>

namespace qvl::platform {

class TimerSet {
public:
    // Starting an id that runs already restarts it with the new interval.
    void start(int id, uint32_t intervalMs, uint32_t now);
    void stop(int id);
    bool empty() const { return timers_.empty(); }

    // The earliest due time of the running timers.
    std::optional<uint32_t> nextDue(uint32_t now) const;
    // A timer due at `now`, moved on to its next tick after `now`: ticks missed
    // while nobody waited are dropped, not delivered in a burst.
    std::optional<int> takeDue(uint32_t now);

private:
    struct Timer {
        int id;
        uint32_t interval;
        uint32_t due;
    };
    std::vector<Timer> timers_;
};

}  // namespace qvl::platform
