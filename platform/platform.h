#pragma once
// The platform interface: everything the engine needs of the operating system,
// small enough to have two backends, SDL (real windows) and headless (tests and
// authors' test runs on a virtual clock).
#include "graphics/surface.h"
#include "platform/audio.h"
#include "platform/events.h"
#include "platform/speech.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace qvl::platform {

class FontEngine;
class SharpText;

// How a window larger than the scene scales the scene's pictures.
enum class ScaleFilter : uint8_t {
    Nearest,        // square pixels
    Bilinear,       // smooth
    SharpBilinear,  // the largest whole multiple first, smoothed only for the rest
    WholeOnly,      // the largest whole multiple, black around it
};

// Where the player left the window, in desktop pixels; fullScreen: it was full screen.
struct WindowPlacement {
    int x = 0, y = 0, width = 0, height = 0;
    bool fullScreen = false;
};

enum class Cursor : uint8_t { Pen = 1, Hand = 2, Wait = 3 };

// Where the millisecond clock starts. A running system's tick counter is far from
// zero, and scripts rely on that: a wait measured from a mark never set (0) is
// long past, not minutes ahead.
inline constexpr uint32_t kTickOrigin = 0x40000000;

inline constexpr int kSceneWidth = 640;
inline constexpr int kSceneHeight = 480;

// Thrown by a backend when a run must stop from inside a wait: the headless
// backend's input is used up while the engine blocks for input, or its time limit
// passed. Only the program's top level catches it.
class RunStopped : public std::runtime_error {
public:
    enum class Reason { InputExhausted, TimeLimit };
    RunStopped(Reason r, const char* what) : std::runtime_error(what), reason(r) {}
    Reason reason;
};

// A second desktop window beside the scene (the debug window), modeless: the
// scene keeps running while it is open. Its input arrives through waitEvent
// like the main window's, with Event::window set to id().
class SecondaryWindow {
public:
    virtual ~SecondaryWindow() = default;
    virtual int id() const = 0;
    // A picture of the client area's size; the window keeps it for redrawing.
    virtual void present(const Surface& frame) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool shown() const = 0;
    // Text input (for an edit field in the window) on or off.
    virtual void setTextInput(bool on) = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Milliseconds, wrapping at 32 bits.
    virtual uint32_t ticks() = 0;
    // The next event. With a deadline, nothing is returned once ticks() has reached
    // it; without one, the call sleeps until an event arrives.
    virtual std::optional<Event> waitEvent(std::optional<uint32_t> deadline, const WaitHint& hint) = 0;
    // An event that has already arrived, without waiting and whatever the time: for
    // work running late, which has no wait left to let events in. Nothing by
    // default: a backend on a virtual clock hands events over only in its waits.
    virtual std::optional<Event> pollEvent() { return std::nullopt; }

    // A 100 ms-style repeating timer that arrives as Event::Type::Timer with the id.
    virtual void startTimer(int id, uint32_t intervalMs) = 0;
    virtual void stopTimer(int id) = 0;

    // Show the 640x480 scene with the overlay (alpha in the top byte) laid over it.
    // changed: the only rectangle of either that differs from the last presentation,
    // so a backend may send just that; nothing: anything may have changed.
    virtual void present(const Surface& frame, const Surface* overlay, std::optional<Rect> changed) = 0;
    virtual void setCaption(std::string_view utf8) = 0;
    virtual void setBorder(bool on) = 0;
    // Desktop full screen (no display-mode switch). False when the backend refuses.
    virtual bool setFullScreen(bool on) = 0;
    virtual void setCursor(Cursor cursor) = 0;
    // Bits per pixel of the desktop, 0 when it cannot be read.
    virtual int colourDepth() = 0;
    // Text input (input methods) on or off; the rectangle is where the composition is shown.
    virtual void setTextInput(bool on, Rect where) = 0;
    virtual void beep() = 0;

    virtual FontEngine& fonts() = 0;
    virtual AudioOutput& audio() = 0;

    // Beyond the original: a window larger than the scene. sharpText: text drawn at
    // the window's resolution where the engine offers it (setSharpText).
    virtual void setScaling(ScaleFilter filter, bool sharpText) { (void)filter, (void)sharpText; }
    // Whether steps given to setSharpText would be drawn (a window larger than the
    // scene that wants sharp text); the engine spares the work otherwise.
    virtual bool drawsSharpText() { return false; }
    // The text of the next presentations, drawn at the window's scale over the
    // frame; the frame then holds the scene without that text. Nothing: none.
    // The steps are read at each present and must outlive the backend's use.
    virtual void setSharpText(const SharpText* text) { (void)text; }
    // The same for the overlay's text: drawn over the overlay, which then holds the
    // overlay without it. The steps' areas clip them.
    virtual void setSharpOverlayText(const SharpText* text) { (void)text; }
    // The window as it is now; nothing without a real window.
    virtual std::optional<WindowPlacement> windowPlacement() { return std::nullopt; }
    // Moves and sizes the window (not full screen) before it is first shown.
    virtual void placeWindow(const WindowPlacement& placement) { (void)placement; }

    // Wall-clock time for the scripts' date and time values and the random seed.
    // The headless backend answers from its virtual clock so runs repeat exactly.
    virtual std::time_t now() { return std::time(nullptr); }
    virtual std::tm localTime() {
        std::time_t t = now();
        std::tm out{};
        localtime_r(&t, &out);
        return out;
    }

    // One copy of the program at a time. False when another copy holds the lock.
    virtual bool acquireInstanceLock() = 0;

    // A second window with a client area of width x height, centred on the
    // screen and hidden until shown. Nothing when the backend has none to give.
    virtual std::unique_ptr<SecondaryWindow> openWindow(std::string_view utf8Caption, int width, int height) {
        (void)utf8Caption, (void)width, (void)height;
        return nullptr;
    }

    // The speech service for self-voicing; null when the backend has none.
    virtual Speech* speech() { return nullptr; }
};

}  // namespace qvl::platform
