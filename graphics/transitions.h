#pragma once
// The named screen transitions: the new scene in VirtualVram is brought onto the
// window image frame by frame, with a wait after each frame. Every family is a
// small function over the frames its table row describes; what they share (the
// openings, the name rule) lives beside them.
#include "graphics/surface.h"
#include "graphics/surface_bank.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvl {

// What a transition needs of the engine.
class TransitionHost {
public:
    virtual ~TransitionHost() = default;
    virtual Surface& window() = 0;
    // Shows the window image; changed: the only part drawn since the last frame.
    virtual void showFrame(std::optional<Rect> changed) = 0;
    // The click-proof timed wait after a frame; events keep flowing.
    virtual void delayMs(int32_t ms) = 0;
    // Lets pending events run once, without waiting.
    virtual void pumpOnce() = 0;
    // Composes the scene into VirtualVram (background, effect, persons).
    virtual void composeScene() = 0;
};

// The table name a script's text stands for: the first character dropped, at most
// ten kept ("#TILE0" and "XTILE0" both name TILE0).
std::string transitionName(std::string_view scriptText);

// Runs the transition the script's text names. False, with nothing drawn and
// nothing composed, when no transition has that name.
bool runNamedTransition(std::string_view scriptText, SurfaceBank& bank, bool textVisible, TransitionHost& host);

// The text layer burned into a 640 x 480 picture: AND the text mask, OR the text.
void layTextInto(const SurfaceBank& bank, Surface& target);

// The dissolve patterns: for cell (x mod 4, y mod 4) the frame, 1-8, at which it opens.
int dissolveFrame(int pattern, int x, int y);

namespace transitions {

// Each family; `variant` is the digit at the end of the name.
void tile(int pattern, bool waitBetween, SurfaceBank& bank, TransitionHost& host);
void pat0(SurfaceBank& bank, TransitionHost& host);
void pat1(SurfaceBank& bank, TransitionHost& host);
void pat2(SurfaceBank& bank, TransitionHost& host);
void pat3(SurfaceBank& bank, TransitionHost& host);
void pat4(SurfaceBank& bank, TransitionHost& host);
void wipe(int variant, SurfaceBank& bank, TransitionHost& host);
void scroll(int variant, bool textMoves, bool textVisible, SurfaceBank& bank, TransitionHost& host);
void slide(int variant, bool textMoves, bool textVisible, SurfaceBank& bank, TransitionHost& host);
void line0(SurfaceBank& bank, TransitionHost& host);
void line1(SurfaceBank& bank, TransitionHost& host);
void blend0(SurfaceBank& bank, TransitionHost& host);

// One frame of the pixel families, for their benchmarks: from `next` into `work`.
void tileFrame(int pattern, int frame, const Surface& next, Surface& work);
void patFrame(int family, int frame, const Surface& next, Surface& work);
void blendFrame(int step, const Surface& next, const Surface& old, Surface& out);

}  // namespace transitions

}  // namespace qvl
