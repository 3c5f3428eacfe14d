#pragma once
// SDL's mouse, keyboard and text events in the engine's terms. Mouse positions are
// scene coordinates: the renderer's logical size has already mapped them back from
// the scaled window, and they are clamped to the scene here.
#include "platform/events.h"

#include <SDL.h>

#include <optional>

namespace qvl::platform {

struct MousePosition {
    int x = 0, y = 0;
};

// Key::Unknown for keys the engine has no name for; `ch` is set for Key::Character.
Key translateKeycode(SDL_Keycode code, char& ch);
uint8_t translateMods(uint16_t sdlMod);

// Nothing for events that are not input. `mouse` tracks the last pointer position,
// which wheel events lack.
std::optional<Event> translateInput(const SDL_Event& e, MousePosition& mouse);

}  // namespace qvl::platform
