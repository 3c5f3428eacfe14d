// The block families: PAT3, PAT4, WIPE and LINE copy rectangles of the new scene
// straight onto the window.
#include "graphics/transitions.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qvl {

namespace {

constexpr int kW = 640, kH = 480;

// Copies a rectangle of the new scene to the window; returns it, clipped.
Rect copyBlock(SurfaceBank& bank, TransitionHost& host, Rect r) {
    const int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    const int x1 = std::min(r.x + r.w, kW), y1 = std::min(r.y + r.h, kH);
    if (x1 <= x0 || y1 <= y0) return {};
    host.window().blit(std::as_const(bank)[SurfaceId::VirtualVram], x0, y0, x0, y0, x1 - x0, y1 - y0);
    return {x0, y0, x1 - x0, y1 - y0};
}

// The smallest rectangle around both.
Rect unite(Rect a, Rect b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const int x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
    return {x0, y0, x1 - x0, y1 - y0};
}

void showChanged(TransitionHost& host, Rect changed) {
    // A frame that copied nothing is still a frame: it keeps the pace.
    host.showFrame(changed.empty() ? Rect{0, 0, 0, 0} : changed);
}

}  // namespace

namespace transitions {

void pat3(SurfaceBank& bank, TransitionHost& host) {
    for (int f = 1; f <= 8; ++f) {
        Rect changed{};
        for (int by = 0; by < 60; ++by)
            for (int bx = 0; bx < 80; ++bx)
                if (dissolveFrame(0, bx, by) == f)
                    changed = unite(changed, copyBlock(bank, host, {bx * 8, by * 8, 8, 8}));
        showChanged(host, changed);
        host.delayMs(4);
    }
}

void pat4(SurfaceBank& bank, TransitionHost& host) {
    for (int i = 0; i < 8; ++i) {
        Rect changed{};
        for (int by = 0; by < 60; ++by)
            for (int bx = 0; bx < 80; ++bx)
                if ((bx + by + i) % 8 == 0) changed = unite(changed, copyBlock(bank, host, {bx * 8, by * 8, 8, 8}));
        showChanged(host, changed);
        host.delayMs(1);
    }
}

void wipe(int variant, SurfaceBank& bank, TransitionHost& host) {
    // Bands 40 pixels wide open two pixels a frame, each one frame after the last.
    const int bands = variant < 2 ? 16 : 12;
    const int frames = variant < 2 ? 36 : 32;
    std::array<int, 16> q{};
    for (int i = 0; i < frames; ++i) {
        const int opening = i < bands ? i : bands;
        for (int j = 0; j < opening; ++j) ++q[std::size_t(j)];
        Rect changed{};
        for (int j = 0; j < bands; ++j) {
            const int n = q[std::size_t(j)];
            if (n < 1 || n > 20) continue;
            const int a = 40 * j + 2 * n;
            Rect strip;
            switch (variant) {
                case 0:
                    strip = {a - 2, 0, 2, kH};
                    break;
                case 1:
                    strip = {kW - a, 0, 2, kH};
                    break;
                case 2:
                    strip = {0, a - 2, kW, 2};
                    break;
                default:
                    strip = {0, kH - a, kW, 2};
                    break;
            }
            changed = unite(changed, copyBlock(bank, host, strip));
        }
        showChanged(host, changed);
        host.delayMs(10);
    }
}

void line0(SurfaceBank& bank, TransitionHost& host) {
    // Two strips meet in the middle by frame 119; the rest only keeps the pace.
    for (int k = 0; k < 240; ++k) {
        Rect changed = copyBlock(bank, host, {0, 4 * k, kW, 2});
        changed = unite(changed, copyBlock(bank, host, {0, 478 - 4 * k, kW, 2}));
        showChanged(host, changed);
        host.delayMs(4);
    }
}

void line1(SurfaceBank& bank, TransitionHost& host) {
    // 30 bands of 16 rows: the upper half fills left to right, the lower right to left.
    std::array<int, 30> q;
    q.fill(-1);
    for (int i = 0; i < 110; ++i) {
        const int opening = i <= 29 ? i : 30;
        for (int j = 0; j < opening; ++j) ++q[std::size_t(j)];
        Rect changed{};
        for (int j = 0; j < 30; ++j) {
            const int n = q[std::size_t(j)];
            if (n < 0 || n >= 80) continue;
            changed = unite(changed, copyBlock(bank, host, {8 * n, 16 * j, 8, 8}));
            changed = unite(changed, copyBlock(bank, host, {632 - 8 * n, 16 * j + 8, 8, 8}));
        }
        showChanged(host, changed);
        host.delayMs(2);
    }
}

}  // namespace transitions

}  // namespace qvl
