// The pixel families: TILE, TILEH, PAT0-PAT2 and BLEND0 build each frame pixel by
// pixel in a work picture and draw it whole.
#include "graphics/masks.h"
#include "graphics/transitions.h"

namespace qvl {

namespace {

constexpr int kW = 640, kH = 480;

constexpr int kPatterns[4][4][4] = {
    {{1, 5, 2, 6}, {7, 3, 8, 4}, {2, 6, 1, 5}, {8, 4, 7, 3}},
    {{1, 6, 5, 4}, {2, 7, 8, 3}, {3, 8, 7, 2}, {4, 5, 6, 1}},
    {{5, 1, 4, 8}, {6, 2, 3, 7}, {7, 3, 2, 6}, {8, 4, 1, 5}},
    {{1, 2, 2, 1}, {3, 4, 4, 3}, {5, 6, 6, 5}, {7, 8, 8, 7}},
};

int positiveMod(int v, int m) {
    return ((v % m) + m) % m;
}

// Copies every `step`-th pixel of row y from `first` on.
void copyEvery(const Surface& from, Surface& to, int y, int first, int step) {
    const uint32_t* s = from.row(y);
    uint32_t* d = to.row(y);
    for (int x = first; x < kW; x += step) d[x] = s[x];
}

void show(Surface& picture, TransitionHost& host) {
    host.window().blit(picture, 0, 0, 0, 0, kW, kH);
    host.showFrame(std::nullopt);
}

}  // namespace

int dissolveFrame(int pattern, int x, int y) {
    return kPatterns[pattern & 3][positiveMod(y, 4)][positiveMod(x, 4)];
}

namespace transitions {

void tileFrame(int pattern, int frame, const Surface& next, Surface& work) {
    for (int y = 0; y < kH; ++y) {
        const int* cells = kPatterns[pattern & 3][y % 4];
        // Two cells of the grid open each frame; in a row that may be none, one or two.
        for (int cx = 0; cx < 4; ++cx)
            if (cells[cx] == frame) copyEvery(next, work, y, cx, 4);
    }
}

void patFrame(int family, int frame, const Surface& next, Surface& work) {
    if (family == 0) {
        for (int y = 0; y < kH; ++y) copyEvery(next, work, y, positiveMod(-(y + frame), 8), 8);
    } else if (family == 1) {
        // Two passes of eight: the first opens columns up to i of each 8-pixel
        // group, the second, with i counting down, the columns from i on.
        const bool firstPass = frame < 8;
        const int i = firstPass ? frame : 15 - frame;
        for (int y = 0; y < kH; ++y) {
            const uint32_t* s = next.row(y);
            uint32_t* d = work.row(y);
            for (int x = positiveMod(-(y + i), 8); x < kW; x += 8)
                if (firstPass ? i >= x % 8 : i <= x % 8) d[x] = s[x];
        }
    } else {
        // Even rows run one way, their odd partners from the bottom the other.
        for (int y = 0; y < kH; y += 2) {
            copyEvery(next, work, y, positiveMod(frame - y, 16), 16);
            copyEvery(next, work, kH - 1 - y, positiveMod(-(y + frame), 16), 16);
        }
    }
}

void blendFrame(int step, const Surface& next, const Surface& old, Surface& out) {
    const uint32_t i = uint32_t(step), k = 16 - uint32_t(step);
    for (int y = 0; y < kH; ++y) {
        const uint32_t* n = next.row(y);
        const uint32_t* o = old.row(y);
        uint32_t* d = out.row(y);
        for (int x = 0; x < kW; ++x) {
            // Red and blue together, green apart: no channel spills into another.
            const uint32_t rb = (((n[x] & 0xFF00FF) * i + (o[x] & 0xFF00FF) * k) >> 4) & 0xFF00FF;
            const uint32_t g = (((n[x] & 0x00FF00) * i + (o[x] & 0x00FF00) * k) >> 4) & 0x00FF00;
            d[x] = rb | g;
        }
    }
}

void tile(int pattern, bool waitBetween, SurfaceBank& bank, TransitionHost& host) {
    Surface& work = bank[SurfaceId::Temp2];
    for (int f = 1; f <= 8; ++f) {
        tileFrame(pattern, f, bank[SurfaceId::VirtualVram], work);
        show(work, host);
        if (waitBetween)
            host.delayMs(5);
        else
            host.pumpOnce();
    }
}

void pat0(SurfaceBank& bank, TransitionHost& host) {
    for (int i = 0; i < 8; ++i) {
        patFrame(0, i, bank[SurfaceId::VirtualVram], bank[SurfaceId::Temp2]);
        show(bank[SurfaceId::Temp2], host);
        host.delayMs(3);
    }
}

void pat1(SurfaceBank& bank, TransitionHost& host) {
    for (int i = 0; i < 16; ++i) {
        patFrame(1, i, bank[SurfaceId::VirtualVram], bank[SurfaceId::Temp2]);
        show(bank[SurfaceId::Temp2], host);
        host.delayMs(1);
    }
}

void pat2(SurfaceBank& bank, TransitionHost& host) {
    for (int i = 0; i < 16; ++i) {
        patFrame(2, i, bank[SurfaceId::VirtualVram], bank[SurfaceId::Temp2]);
        show(bank[SurfaceId::Temp2], host);
        host.delayMs(1);
    }
}

void blend0(SurfaceBank& bank, TransitionHost& host) {
    Surface& frame = bank[SurfaceId::Temp1];
    resizeKeeping(frame, kW, kH);
    for (int i = 0; i <= 16; ++i) {
        blendFrame(i, bank[SurfaceId::VirtualVram], bank[SurfaceId::Temp2], frame);
        show(frame, host);
        host.delayMs(2);
    }
}

}  // namespace transitions

}  // namespace qvl
