#pragma once
// The black hole: a rectangular window onto a picture moves across the screen one
// pixel a frame, optionally with a fixed picture drawn over it every frame.
#include "graphics/effect_host.h"

#include <cstdint>
#include <string>

namespace qvl {

enum class BlackHoleKind {
    Plain,    // _bhole
    Overlay,  // _bholeop: the overlay drawn with a copy mode
    Trail,    // _bholeover: the overlay drawn through a mask, nothing restored
};

struct BlackHoleArgs {
    BlackHoleKind kind = BlackHoleKind::Plain;
    std::string picture;
    int32_t sourceX = 0, sourceY = 0;  // in the picture
    int32_t x = 0, y = 0;              // on the window
    int32_t width = 0, height = 0;
    int32_t frames = 0;
    int32_t frameMs = 0;
    // 0 still, 1 right, 2 down, 3 left, 4 up, 5 up-right, 6 down-right,
    // 7 down-left, 8 up-left; one pixel a frame.
    int32_t destinationCode = 0, sourceCode = 0;
    int32_t overlayX = 0, overlayY = 0;
    int32_t copyMode = 0;  // Overlay: 0 copy, 1 AND, 2 OR, 3 XOR; others copy
    std::string mask;      // Trail
    std::string overlay;
};

// Runs the frames; the last one stays on the window. A direction code outside 0-8
// moves nothing and is reported once. Clears the mouse switches at the end.
void blackHole(EffectHost& host, const BlackHoleArgs& args);

}  // namespace qvl
