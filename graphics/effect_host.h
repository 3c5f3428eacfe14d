#pragma once
// What the scroll roll and the black hole need of the engine. Both draw straight
// onto the window image and run to their end inside one command, so they see the
// window, the clock, the event pump and the mouse switches, nothing more.
#include "graphics/surface.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

namespace qvl {

class EffectHost {
public:
    virtual ~EffectHost() = default;

    // The window image; the effects draw on it and show what they changed.
    virtual Surface& window() = 0;
    virtual void show(Rect changed) = 0;
    // What the black hole restores the window from behind its moving rectangle.
    virtual const Surface& background() = 0;
    // Nothing when the name is not a picture the engine reads; failures are
    // reported by the loader.
    virtual std::optional<Surface> loadPicture(const std::string& name) = 0;

    virtual uint32_t ticks() = 0;
    // Lets events run until one has been handled or the deadline is reached.
    // takesInput: the wait reacts to clicks.
    virtual void pump(uint32_t deadline, bool takesInput) = 0;
    // One round of the effect's loop, whose length the script sets: counted toward
    // the run's step limit, with the window's events let run now and then.
    virtual void countRound() = 0;
    // A button went down and has not come up since the switches were cleared.
    virtual bool mouseHeld() = 0;
    virtual void clearMouse() = 0;

    // A direction code outside 0-8 in a black-hole command.
    virtual void badDirection(int32_t code) = 0;
};

// Lets events run until the deadline; clicks do not end it.
inline void waitUntil(EffectHost& host, uint32_t deadline) {
    while (int32_t(deadline - host.ticks()) > 0) host.pump(deadline, false);
}

// The shortest frame, whatever the script asks for: the clock moves with every
// frame, so the run's time limit ends an effect of billions of frames with no delay.
constexpr uint32_t kShortestFrameMs = 1;

// The deadline of a frame that should end at deadline, made at least the shortest
// frame from now.
inline uint32_t frameDeadline(uint32_t now, uint32_t deadline) {
    return int32_t(deadline - (now + kShortestFrameMs)) < 0 ? now + kShortestFrameMs : deadline;
}

// The wait closing a frame: a counted round, then events until the deadline.
inline void waitFrame(EffectHost& host, uint32_t deadline) {
    host.countRound();
    waitUntil(host, frameDeadline(host.ticks(), deadline));
}

// The part of the window a rectangle covers, empty when it misses; wide integers
// so rectangles that drift far off the screen cannot overflow.
inline Rect windowPart(const Surface& window, int64_t x, int64_t y, int64_t w, int64_t h) {
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(x + w, window.width()), y1 = std::min<int64_t>(y + h, window.height());
    if (x1 <= x0 || y1 <= y0) return {};
    return {int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}

// The smallest rectangle holding both; an empty one adds nothing.
inline Rect enclosing(Rect a, Rect b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace qvl
