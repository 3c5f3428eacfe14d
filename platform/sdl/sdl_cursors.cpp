#include "platform/sdl/sdl_cursors.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace qvl::platform {

namespace {

constexpr int kPenSize = 20;

// A pen lying from the lower right to its nib at the top-left corner (the hot spot):
// a dark nib, a white barrel, a dark cap, all outlined in black.
SDL_Cursor* makePen() {
    std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> surface(
        SDL_CreateRGBSurfaceWithFormat(0, kPenSize, kPenSize, 32, SDL_PIXELFORMAT_ARGB8888),
        &SDL_FreeSurface);
    if (!surface) return nullptr;

    constexpr uint32_t kClear = 0x00000000, kBlack = 0xFF000000, kWhite = 0xFFFFFFFF,
                       kNib = 0xFF404040, kCap = 0xFF2050A0;
    constexpr double kNibLength = 7.0, kLength = 21.0, kHalfWidth = 1.8, kCapStart = 16.5;
    auto shade = [&](int x, int y) -> uint32_t {
        // Along the pen's axis (the diagonal) and across it, from the pixel's centre.
        double along = (x + y + 1.0) / std::sqrt(2.0);
        double across = std::abs(double(x) - double(y)) / std::sqrt(2.0);
        double half = along < kNibLength ? kHalfWidth * along / kNibLength : kHalfWidth;
        if (along > kLength || across > half + 0.01) return kClear;
        if (along < kNibLength * 0.55) return kNib;
        if (along > kCapStart) return kCap;
        return kWhite;
    };

    std::vector<uint32_t> body(kPenSize * kPenSize);
    for (int y = 0; y < kPenSize; ++y)
        for (int x = 0; x < kPenSize; ++x) body[y * kPenSize + x] = shade(x, y);

    SDL_LockSurface(surface.get());
    auto* pixels = static_cast<uint8_t*>(surface->pixels);
    for (int y = 0; y < kPenSize; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(pixels + y * surface->pitch);
        for (int x = 0; x < kPenSize; ++x) {
            uint32_t c = body[y * kPenSize + x];
            if (c == kClear) {
                // Outline: clear pixels that touch the pen.
                bool edge = false;
                for (int dy = -1; dy <= 1 && !edge; ++dy)
                    for (int dx = -1; dx <= 1 && !edge; ++dx) {
                        int nx = x + dx, ny = y + dy;
                        edge = nx >= 0 && ny >= 0 && nx < kPenSize && ny < kPenSize &&
                               body[ny * kPenSize + nx] != kClear;
                    }
                c = edge ? kBlack : kClear;
            }
            row[x] = c;
        }
    }
    SDL_UnlockSurface(surface.get());
    return SDL_CreateColorCursor(surface.get(), 0, 0);
}

}  // namespace

SdlCursors::SdlCursors()
    : pen_(makePen()),
      hand_(SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND)),
      wait_(SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT)) {}

SdlCursors::~SdlCursors() {
    for (SDL_Cursor* c : {pen_, hand_, wait_})
        if (c) SDL_FreeCursor(c);
}

void SdlCursors::use(Cursor cursor) {
    SDL_Cursor* wanted = cursor == Cursor::Hand ? hand_ : cursor == Cursor::Wait ? wait_ : pen_;
    if (wanted) SDL_SetCursor(wanted);
}

}  // namespace qvl::platform
