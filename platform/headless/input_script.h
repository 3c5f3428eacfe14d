#pragma once
// The input of a headless run: one event per line.
//   click [x y]    rclick [x y]    move x y    key NAME    type TEXT
//   answer yes|no|ok|cancel        menu CAPTION           wait MS
//   choose N       (the open choice's item N, 0-based: pointed at and clicked)
//   at MS EVENT    (EVENT any of the above but wait: it arrives at virtual time MS)
//   debug open | tab N | select K | edit [TEXT] | button CAPTION | surface N | click X Y
//                  (the debug window: open it, pick a tab, a flag row, type into the
//                  edit field, press a button, pick a surface, click at client X Y)
//   hold NAME      release NAME   (a key held down and let go: Ctrl skips while held)
//   pad [hold|release] BUTTON    (a game controller: A B X Y Up Down Left Right LB RB
//                  Start Back, arriving as the key it stands for, see padKey)
// Blank lines and lines starting with '#' are ignored. Key names: Return (Enter),
// Escape (Esc), Space, Backspace, Tab, Delete, Insert, Up, Down, Left, Right, Home,
// End, PageUp, PageDown, F1-F12, Ctrl, Menu, a letter or digit; prefixes Ctrl+,
// Shift+, Alt+.
#include "platform/events.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace qvl::platform {

struct ScriptedInput {
    enum class Kind : uint8_t { Event, Wait };
    Kind kind = Kind::Event;
    Event event;
    uint32_t waitMs = 0;
    bool atLastMouse = false;  // a click without coordinates
    // `at MS EVENT`: delivered when the virtual clock reaches MS (milliseconds since
    // the start of the run), whatever the engine waits for.
    std::optional<uint64_t> atMs;
};

class InputScriptError : public std::runtime_error {
public:
    InputScriptError(int line, const std::string& what)
        : std::runtime_error("input line " + std::to_string(line) + ": " + what) {}
};

// Throws InputScriptError on a line it does not understand.
std::vector<ScriptedInput> parseInputScript(std::string_view text);

}  // namespace qvl::platform
