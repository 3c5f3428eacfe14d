#pragma once
// The application's picture as the window's icon (task bars, window switchers).
#include <SDL.h>

namespace qvl::platform {

// Sets the icon built into the program; a window keeps its default icon when the
// picture cannot be decoded.
void setWindowIcon(SDL_Window* window);

}  // namespace qvl::platform
