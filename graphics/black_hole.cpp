#include "graphics/black_hole.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace qvl {

namespace {

struct Move {
    int dx = 0, dy = 0;
};

constexpr std::array<Move, 9> kMoves{
    Move{0, 0}, Move{1, 0}, Move{0, 1}, Move{-1, 0}, Move{0, -1}, Move{1, -1}, Move{1, 1}, Move{-1, 1}, Move{-1, -1},
};

bool knownCode(int32_t code) {
    return code >= 0 && code < int32_t(kMoves.size());
}

Move moveFor(int32_t code) {
    return knownCode(code) ? kMoves[std::size_t(code)] : Move{};
}

Rop overlayRop(int32_t copyMode) {
    switch (copyMode) {
        case 1:
            return Rop::And;
        case 2:
            return Rop::Or;
        case 3:
            return Rop::Xor;
        default:
            return Rop::Copy;
    }
}

// Blits take int coordinates; a rectangle that has drifted past them is off the
// window and the picture anyway.
int narrow(int64_t v) {
    return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

void blackHole(EffectHost& host, const BlackHoleArgs& a) {
    if (!knownCode(a.destinationCode))
        host.badDirection(a.destinationCode);
    else if (!knownCode(a.sourceCode))
        host.badDirection(a.sourceCode);

    // A picture that could not be read leaves an empty one: the frames still run,
    // copying nothing.
    const Surface picture = host.loadPicture(a.picture).value_or(Surface());
    Surface mask, overlay;
    if (a.kind == BlackHoleKind::Trail) mask = host.loadPicture(a.mask).value_or(Surface());
    if (a.kind != BlackHoleKind::Plain) overlay = host.loadPicture(a.overlay).value_or(Surface());

    Surface& window = host.window();
    const Move destination = moveFor(a.destinationCode), source = moveFor(a.sourceCode);
    int64_t sx = a.sourceX, sy = a.sourceY, dx = a.x, dy = a.y;
    const Rect overlayRect = a.kind == BlackHoleKind::Plain
                                 ? Rect{}
                                 : windowPart(window, a.overlayX, a.overlayY, overlay.width(), overlay.height());
    Rect restored;  // what the previous frame's restore changed
    uint32_t deadline = host.ticks() + uint32_t(a.frameMs);
    for (int32_t k = 1; k <= a.frames; ++k) {
        window.blit(picture, narrow(dx), narrow(dy), narrow(sx), narrow(sy), a.width, a.height);
        switch (a.kind) {
            case BlackHoleKind::Plain:
                break;
            case BlackHoleKind::Overlay:
                window.blit(overlay, a.overlayX, a.overlayY, overlayRop(a.copyMode));
                break;
            case BlackHoleKind::Trail:
                window.blit(mask, a.overlayX, a.overlayY, Rop::And);
                window.blit(overlay, a.overlayX, a.overlayY, Rop::Or);
                break;
        }
        const Rect drawn = windowPart(window, dx, dy, a.width, a.height);
        host.show(enclosing(enclosing(restored, drawn), overlayRect));

        waitFrame(host, deadline);
        deadline = host.ticks() + uint32_t(a.frameMs);
        if (k == a.frames) break;

        if (a.kind != BlackHoleKind::Trail) {
            // The background's own offset is not applied: the same rectangle.
            window.blit(host.background(), narrow(dx), narrow(dy), narrow(dx), narrow(dy), a.width, a.height);
            restored = drawn;
        }
        sx += source.dx;
        sy += source.dy;
        dx += destination.dx;
        dy += destination.dy;
    }
    host.clearMouse();
}

}  // namespace qvl
