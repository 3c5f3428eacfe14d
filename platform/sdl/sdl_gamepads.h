#pragma once
// Game controllers through SDL's game-controller layer: every pad plugged in (at
// start or later) is opened, one unplugged is closed, and their buttons arrive as
// the keys they stand for (padKey), marked kModPad.
#include "platform/events.h"

#include <SDL.h>

#include <map>
#include <optional>

namespace qvl::platform {

class SdlGamepads {
public:
    SdlGamepads();
    ~SdlGamepads();
    SdlGamepads(const SdlGamepads&) = delete;
    SdlGamepads& operator=(const SdlGamepads&) = delete;

    // Plugging in and out is handled here (nothing returned); a button is an event.
    std::optional<Event> translate(const SDL_Event& e);
    int count() const { return int(open_.size()); }

private:
    bool started_ = false;
    std::map<SDL_JoystickID, SDL_GameController*> open_;
};

}  // namespace qvl::platform
