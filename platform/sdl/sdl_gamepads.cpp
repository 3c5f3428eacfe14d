#include "platform/sdl/sdl_gamepads.h"

namespace qvl::platform {

namespace {

std::optional<PadButton> padButton(uint8_t button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A: return PadButton::A;
        case SDL_CONTROLLER_BUTTON_B: return PadButton::B;
        case SDL_CONTROLLER_BUTTON_X: return PadButton::X;
        case SDL_CONTROLLER_BUTTON_Y: return PadButton::Y;
        case SDL_CONTROLLER_BUTTON_DPAD_UP: return PadButton::Up;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PadButton::Down;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PadButton::Left;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PadButton::Right;
        case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return PadButton::LB;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return PadButton::RB;
        case SDL_CONTROLLER_BUTTON_START: return PadButton::Start;
        case SDL_CONTROLLER_BUTTON_BACK: return PadButton::Back;
        default: return std::nullopt;
    }
}

}  // namespace

SdlGamepads::SdlGamepads() {
    // A machine without the subsystem simply has no pads; the keyboard still works.
    started_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

SdlGamepads::~SdlGamepads() {
    for (auto& [id, pad] : open_) SDL_GameControllerClose(pad);
    if (started_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

std::optional<Event> SdlGamepads::translate(const SDL_Event& e) {
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED:
            // SDL reports the pads present at start this way too.
            if (SDL_GameController* pad = SDL_GameControllerOpen(e.cdevice.which)) {
                const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
                if (open_.count(id)) SDL_GameControllerClose(pad);
                else open_[id] = pad;
            }
            return std::nullopt;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (auto it = open_.find(e.cdevice.which); it != open_.end()) {
                SDL_GameControllerClose(it->second);
                open_.erase(it);
            }
            return std::nullopt;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            std::optional<PadButton> button = padButton(e.cbutton.button);
            if (!button) return std::nullopt;
            Event ev;
            ev.type = e.type == SDL_CONTROLLERBUTTONDOWN ? Event::Type::KeyDown : Event::Type::KeyUp;
            ev.key = padKey(*button);
            ev.mods = kModPad;
            ev.id = int(*button);
            // Only a held skip needs to hear of the release.
            if (ev.key == Key::Unknown || (ev.type == Event::Type::KeyUp && ev.key != Key::Control)) return std::nullopt;
            return ev;
        }
        default: return std::nullopt;
    }
}

}  // namespace qvl::platform
