#pragma once
// The switches through which input handlers talk to the waits that are running.
#include "platform/events.h"

#include <cstdint>

namespace qvl {

struct InputFlags {
    bool clickPending = false;
    bool mouseWentDown = false;
    bool mouseWentUp = false;
    bool clicksAccepted = true;
    bool fastForward = false;
    bool textOutputActive = false;
    // An arrow key for a choice that is waiting; Unknown when none.
    platform::Key navigation = platform::Key::Unknown;

    // What every menu command and a cancelled close leave behind.
    void clearClicks() { clickPending = mouseWentDown = mouseWentUp = false; }
};

}  // namespace qvl
