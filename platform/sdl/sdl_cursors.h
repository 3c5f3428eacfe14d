#pragma once
// The three cursors scenes use, made at start-up so no resource files are needed.
#include "platform/platform.h"

#include <SDL.h>

namespace qvl::platform {

class SdlCursors {
public:
    SdlCursors();
    ~SdlCursors();
    SdlCursors(const SdlCursors&) = delete;
    SdlCursors& operator=(const SdlCursors&) = delete;

    // Keeps the current cursor when the video driver has none to give.
    void use(Cursor cursor);

private:
    SDL_Cursor* pen_ = nullptr;
    SDL_Cursor* hand_ = nullptr;
    SDL_Cursor* wait_ = nullptr;
};

}  // namespace qvl::platform
