#pragma once
// The window and its renderer: the scene frame and the overlay as two textures,
// drawn scaled to the window in proportion, with black bars around.
#include "graphics/surface.h"

#include <SDL.h>

#include <optional>
#include <vector>

namespace qvl::platform {

class SdlScreen {
public:
    // Needs the video subsystem; throws std::runtime_error with SDL's reason.
    explicit SdlScreen(int scale);
    ~SdlScreen();
    SdlScreen(const SdlScreen&) = delete;
    SdlScreen& operator=(const SdlScreen&) = delete;

    // Frames of another size are cut or padded to the scene, never read beyond.
    // changed: the only rectangle that differs from the last presentation.
    void present(const Surface& frame, const Surface* overlay, std::optional<Rect> changed);
    // The last picture again, for exposure and resizing.
    void redraw();
    // What the window shows right now, at the window's size (bars included).
    Surface readBack();
    // Textures are gone after a render device reset; rebuild them from our copies.
    void restoreTextures();

    SDL_Window* window() const { return window_; }
    uint32_t windowId() const { return SDL_GetWindowID(window_); }
    // A scene rectangle in window coordinates (for the input method's box).
    SDL_Rect sceneToWindow(Rect r) const;

private:
    void createTextures();
    void release();
    void chooseScaleMode();
    void drawScene();

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* frameTexture_ = nullptr;
    SDL_Texture* overlayTexture_ = nullptr;
    std::vector<uint32_t> frame_;    // the last frame, scene-sized
    std::vector<uint32_t> overlay_;  // the last overlay, when showOverlay_
    bool showOverlay_ = false;
    SDL_ScaleMode scaleMode_ = SDL_ScaleModeNearest;
    bool scaleModeSet_ = false;
    int outputW_ = 0, outputH_ = 0;  // the window's drawable size when last drawn
};

}  // namespace qvl::platform
