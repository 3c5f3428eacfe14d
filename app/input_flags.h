#pragma once
// The switches through which input handlers talk to the waits that are running.
#include <cstdint>

namespace qvl {

struct InputFlags {
    bool clickPending = false;
    bool mouseWentDown = false;
    bool mouseWentUp = false;
    bool clicksAccepted = true;
    bool fastForward = false;
    bool textOutputActive = false;

    // What every menu command and a cancelled close leave behind.
    void clearClicks() { clickPending = mouseWentDown = mouseWentUp = false; }
};

}  // namespace qvl
