#include "platform/sdl/sdl_input.h"

#include "platform/platform.h"

#include <algorithm>
#include <cstring>

namespace qvl::platform {

namespace {

MousePosition clampToScene(int x, int y) {
    // Positions over the black bars come out beyond the scene.
    return {std::clamp(x, 0, kSceneWidth - 1), std::clamp(y, 0, kSceneHeight - 1)};
}

std::optional<MouseButton> translateButton(uint8_t button) {
    switch (button) {
        case SDL_BUTTON_LEFT: return MouseButton::Left;
        case SDL_BUTTON_RIGHT: return MouseButton::Right;
        case SDL_BUTTON_MIDDLE: return MouseButton::Middle;
        default: return std::nullopt;  // side buttons meant nothing to the original
    }
}

Event mouseEvent(Event::Type type, MousePosition at) {
    Event ev;
    ev.type = type;
    ev.x = at.x;
    ev.y = at.y;
    return ev;
}

}  // namespace

Key translateKeycode(SDL_Keycode code, char& ch) {
    ch = 0;
    if ((code >= SDLK_a && code <= SDLK_z) || (code >= SDLK_0 && code <= SDLK_9)) {
        ch = char(code);  // SDL names letter keys by their lower-case letter
        return Key::Character;
    }
    if (code >= SDLK_F1 && code <= SDLK_F12) return Key(int(Key::F1) + (code - SDLK_F1));
    switch (code) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_RETURN2: return Key::Enter;
        case SDLK_ESCAPE: return Key::Escape;
        case SDLK_SPACE: return Key::Space;
        case SDLK_BACKSPACE: return Key::Backspace;
        case SDLK_TAB: return Key::Tab;
        case SDLK_DELETE: return Key::Delete;
        case SDLK_INSERT: return Key::Insert;
        case SDLK_UP: return Key::Up;
        case SDLK_DOWN: return Key::Down;
        case SDLK_LEFT: return Key::Left;
        case SDLK_RIGHT: return Key::Right;
        case SDLK_HOME: return Key::Home;
        case SDLK_END: return Key::End;
        case SDLK_PAGEUP: return Key::PageUp;
        case SDLK_PAGEDOWN: return Key::PageDown;
        case SDLK_LCTRL:
        case SDLK_RCTRL: return Key::Control;
        case SDLK_APPLICATION:
        case SDLK_MENU: return Key::Menu;
        default: return Key::Unknown;
    }
}

uint8_t translateMods(uint16_t sdlMod) {
    uint8_t mods = kModNone;
    if (sdlMod & KMOD_SHIFT) mods |= kModShift;
    if (sdlMod & KMOD_CTRL) mods |= kModCtrl;
    if (sdlMod & KMOD_ALT) mods |= kModAlt;
    return mods;
}

std::optional<Event> translateInput(const SDL_Event& e, MousePosition& mouse) {
    switch (e.type) {
        case SDL_MOUSEMOTION:
            mouse = clampToScene(e.motion.x, e.motion.y);
            return mouseEvent(Event::Type::MouseMove, mouse);
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            mouse = clampToScene(e.button.x, e.button.y);
            std::optional<MouseButton> button = translateButton(e.button.button);
            if (!button) return std::nullopt;
            Event ev = mouseEvent(
                e.type == SDL_MOUSEBUTTONDOWN ? Event::Type::MouseDown : Event::Type::MouseUp, mouse);
            ev.button = *button;
            return ev;
        }
        case SDL_MOUSEWHEEL: {
            int steps = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
            if (steps == 0) return std::nullopt;  // a purely sideways scroll
            Event ev = mouseEvent(Event::Type::MouseWheel, mouse);
            ev.wheel = steps;
            return ev;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            Event ev;
            ev.type = e.type == SDL_KEYDOWN ? Event::Type::KeyDown : Event::Type::KeyUp;
            ev.key = translateKeycode(e.key.keysym.sym, ev.ch);
            ev.mods = translateMods(e.key.keysym.mod);
            // Ctrl is held to skip: its press once, its release; other keys as they repeat.
            if (ev.key == Key::Control && e.key.repeat) return std::nullopt;
            if (ev.type == Event::Type::KeyUp && ev.key != Key::Control) return std::nullopt;
            return ev;
        }
        case SDL_TEXTINPUT:
        case SDL_TEXTEDITING: {
            Event ev;
            ev.type = e.type == SDL_TEXTINPUT ? Event::Type::TextInput : Event::Type::TextEditing;
            // Both arrays are NUL-terminated by SDL; bounded anyway.
            const char* text = e.type == SDL_TEXTINPUT ? e.text.text : e.edit.text;
            std::size_t capacity = e.type == SDL_TEXTINPUT ? sizeof e.text.text : sizeof e.edit.text;
            ev.text.assign(text, strnlen(text, capacity));
            return ev;
        }
        default: return std::nullopt;
    }
}

}  // namespace qvl::platform
