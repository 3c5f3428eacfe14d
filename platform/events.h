#pragma once
// What the platform hands to the engine's pump: input, window and timer events.
#include <cstdint>
#include <string>

namespace qvl::platform {

enum class MouseButton : uint8_t { Left, Right, Middle };

enum class Key : uint8_t {
    Unknown, Enter, Escape, Space, Backspace, Tab, Delete, Insert,
    Up, Down, Left, Right, Home, End, PageUp, PageDown,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    Character,  // a printable key; `ch` holds its lower-case ASCII letter or digit
    Control,    // either Ctrl key by itself: reported pressed and released (skip while held)
    Menu,       // the context-menu key; a pad's Y and Start arrive as it
};

enum KeyMod : uint8_t { kModNone = 0, kModShift = 1, kModCtrl = 2, kModAlt = 4, kModPad = 8 };

// A game controller's buttons (SDL's names). A pad button arrives as the key it
// stands for, marked with kModPad, so every menu, dialog and view that takes keys
// takes the pad too; see padKey().
enum class PadButton : uint8_t { A, B, X, Y, Up, Down, Left, Right, LB, RB, Start, Back, Count };

// The key a pad button stands for (Key::Unknown: none). A confirms (Enter), B
// cancels (Escape), Y and Start open the menu, the D-pad moves, LB goes back a
// page (Backspace), RB skips while held (Control), Back shows the log (Page Up).
Key padKey(PadButton button);

// Answers of message boxes and dialogs.
enum class Answer : uint8_t { None, Ok, Cancel, Yes, No };

struct Event {
    enum class Type : uint8_t {
        MouseDown, MouseUp, MouseMove, MouseWheel,
        KeyDown,
        TextInput,    // text: committed UTF-8 text (keyboard or input method)
        TextEditing,  // text: the input method's uncommitted composition
        Quit,         // the window's close button, or the session ends
        FocusGained, FocusLost,
        Exposed,      // the window must be drawn again
        Timer,        // id: the timer started with startTimer
        MediaDone,    // id: the device whose play ended (MediaDevice), status: how (MediaStatus)
        Answer,       // answer: a scripted reply to the open message box or dialog
        MenuPick,     // text: the UTF-8 caption of a menu item picked by a script
        Choose,       // id: a scripted choice of item id (0-based) of the open choice
        PickSlot,     // id: a scripted pick of save slot id (1-80) in the open slot dialog
        PickFont,     // id: font list 0-3 of the open font dialog, text: the face (UTF-8)
        Debug,        // text: a scripted action in the debug window ("open", "tab 2", ...)
        Speech,       // the speech service finished an utterance or failed: see Speech::state()
        KeyUp,        // a key released; reported for Key::Control only (skip while held)
    };
    Type type = Type::Exposed;
    int x = 0, y = 0;  // mouse position in scene coordinates (0..639, 0..479)
    MouseButton button = MouseButton::Left;
    int wheel = 0;  // positive: away from the user
    Key key = Key::Unknown;
    char ch = 0;
    uint8_t mods = kModNone;
    int id = 0;
    int status = 0;
    qvl::platform::Answer answer = qvl::platform::Answer::None;
    std::string text;
    // 0: the main window. Otherwise the SecondaryWindow::id() of the window the
    // input arrived in; x and y are then in that window's client pixels.
    int window = 0;
};

// What a waiting loop expects. The real backend ignores it; the headless backend
// uses it to decide whether scripted input may be delivered and, in auto-play
// mode, what a patient reader would do when the script of input is used up.
enum class WaitKind : uint8_t {
    Time,      // a timed wait that takes no input (a click-proof delay)
    Click,     // waiting for the reader to click (text waits, _mouseclick)
    Question,  // a message box or dialog; autoAnswer is the patient reader's reply
    Input,     // any other wait that takes input (timed waits that react to clicks)
    Idle,      // the script has ended; the window waits for the player to close it
    Choice,    // a choice waits for an item; autoChoice is the patient reader's item
};

struct WaitHint {
    WaitKind kind = WaitKind::Time;
    Answer autoAnswer = Answer::None;
    int autoChoice = -1;
};

}  // namespace qvl::platform
