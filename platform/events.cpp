#include "platform/events.h"

namespace qvl::platform {

Key padKey(PadButton button) {
    switch (button) {
        case PadButton::A: return Key::Enter;
        case PadButton::B: return Key::Escape;
        case PadButton::Y:
        case PadButton::Start: return Key::Menu;
        case PadButton::Up: return Key::Up;
        case PadButton::Down: return Key::Down;
        case PadButton::Left: return Key::Left;
        case PadButton::Right: return Key::Right;
        case PadButton::LB: return Key::Backspace;
        case PadButton::RB: return Key::Control;
        case PadButton::Back: return Key::PageUp;
        case PadButton::X:
        case PadButton::Count: break;
    }
    return Key::Unknown;
}

}  // namespace qvl::platform
