// SCROLL and SLIDE: the old and new pictures move together, or the new one slides
// over the old screen, speeding up to the middle and slowing down after it.
#include "graphics/transitions.h"

#include <utility>

namespace qvl {

namespace {

constexpr int kW = 640, kH = 480;

// The shared movement: distance b from 0 to the limit, speed rising by one a
// frame up to the middle and falling back to at least 1 after it.
template <typename Draw>
void move(bool horizontal, int stepFactor, int wait, TransitionHost& host, Draw draw) {
    const int middle = horizontal ? 325 : 240, limit = horizontal ? kW : kH;
    int b = 0, v = 0;
    for (;;) {
        if (b <= middle)
            ++v;
        else if (v > 1)
            --v;
        draw(b);
        host.showFrame(std::nullopt);
        host.delayMs(wait);
        if (b >= limit) break;
        b = std::min(b + stepFactor * v, limit);
    }
}

}  // namespace

namespace transitions {

void scroll(int variant, bool textMoves, bool textVisible, SurfaceBank& bank, TransitionHost& host) {
    const Surface& old = bank[SurfaceId::Temp2];
    const Surface& next = std::as_const(bank)[SurfaceId::VirtualVram];
    Surface& window = host.window();
    const bool horizontal = variant < 2;
    move(horizontal, 1, variant < 2 ? 1 : 5, host, [&](int b) {
        switch (variant) {
            case 0:
                window.blit(old, -b, 0);
                window.blit(next, kW - b, 0);
                break;
            case 1:
                window.blit(old, b, 0);
                window.blit(next, b - kW, 0);
                break;
            case 2:
                window.blit(old, 0, -b);
                window.blit(next, 0, kH - b);
                break;
            default:
                window.blit(old, 0, b);
                window.blit(next, 0, b - kH);
                break;
        }
        // The plain variants keep the text still over the moving pictures.
        if (!textMoves && textVisible) layTextInto(bank, window);
    });
}

void slide(int variant, bool textMoves, bool textVisible, SurfaceBank& bank, TransitionHost& host) {
    const Surface& next = std::as_const(bank)[SurfaceId::VirtualVram];
    Surface& window = host.window();
    move(variant < 2, variant < 2 ? 2 : 1, 10, host, [&](int b) {
        switch (variant) {
            case 0:
                window.blit(next, kW - b, 0);
                break;
            case 1:
                window.blit(next, b - kW, 0);
                break;
            case 2:
                window.blit(next, 0, kH - b);
                break;
            default:
                window.blit(next, 0, b - kH);
                break;
        }
        if (!textMoves && textVisible) layTextInto(bank, window);
    });
}

}  // namespace transitions

}  // namespace qvl
