#include "platform/sdl/sdl_window_icon.h"

#include "graphics/png_io.h"

#include <cstddef>
#include <string_view>

// The 64-pixel PNG of the application icon, embedded at build time.
extern const unsigned char kWindowIconPng[];
extern const std::size_t kWindowIconPngSize;

namespace qvl::platform {

void setWindowIcon(SDL_Window* window) {
    if (!window) return;
    std::optional<Surface> icon =
        decodePng(std::string_view(reinterpret_cast<const char*>(kWindowIconPng), kWindowIconPngSize));
    if (!icon || icon->width() <= 0 || icon->height() <= 0) return;
    // decodePng leaves the alpha in the top byte: ARGB in native order.
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(icon->data(), icon->width(), icon->height(), 32,
                                                        int(icon->pitch() * 4), SDL_PIXELFORMAT_ARGB8888);
    if (!s) return;
    SDL_SetWindowIcon(window, s);
    SDL_FreeSurface(s);
}

}  // namespace qvl::platform
