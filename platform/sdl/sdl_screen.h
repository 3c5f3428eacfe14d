#pragma once
// The window and its renderer: the scene frame and the overlay as two textures,
// drawn scaled to the window in proportion, with black bars around.
#include "graphics/surface.h"
#include "platform/platform.h"

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace qvl::platform {

class FontEngine;
class SharpText;

class SdlScreen {
public:
    // Needs the video subsystem; throws std::runtime_error with SDL's reason.
    // scale 0: the largest whole multiple that fits the desktop. The window stays
    // hidden until the first presentation, so it can still be placed.
    explicit SdlScreen(int scale);
    ~SdlScreen();
    SdlScreen(const SdlScreen&) = delete;
    SdlScreen& operator=(const SdlScreen&) = delete;

    // Frames of another size are cut or padded to the scene, never read beyond.
    // changed: the only rectangle that differs from the last presentation.
    void present(const Surface& frame, const Surface* overlay, std::optional<Rect> changed);
    // The last picture again, for exposure and resizing.
    void redraw();
    // What the window shows right now, at the window's size (bars included), drawn
    // in full. asShown: where the window keeps its pixels between presentations
    // (our own renderer), what it held before that drawing; else left empty.
    Surface readBack(Surface* asShown = nullptr);
    // Textures are gone after a render device reset; rebuild them from our copies.
    void restoreTextures();

    SDL_Window* window() const { return window_; }
    uint32_t windowId() const { return SDL_GetWindowID(window_); }
    // A scene rectangle in window coordinates (for the input method's box).
    SDL_Rect sceneToWindow(Rect r) const;

    void setScaling(ScaleFilter filter, bool sharpText);
    bool drawsSharpText();
    // Text drawn over the next frames at the window's scale; null: none.
    void setSharpText(const SharpText* text, FontEngine& fonts);
    // Text drawn over the overlay at the window's scale, each step clipped to its
    // area; null: none.
    void setSharpOverlayText(const SharpText* text, FontEngine& fonts);
    WindowPlacement placement();
    void place(const WindowPlacement& placement);
    // The window's size in scene multiples when SDL has no size of its own in mind.
    static int fittingScale();

private:
    void createTextures();
    void release();
    void chooseScaleMode();
    void drawScene();
    // Draws and sends only a part of the scene (scene pixels) where the window keeps
    // its pixels; false when the whole window must be drawn instead.
    bool drawPart(const SDL_Rect& part);
    Surface readOutput();
    // Where the scene lands in the output, in output pixels.
    SDL_Rect sceneRect() const;
    void drawSharpText(FontEngine& fonts);
    void updatePrescaled();
    void drawOverlayText(FontEngine& fonts);
    // A layer as large as the scene's place in the window, with its texture; made
    // again (and marked not valid) when the size changed. False without a texture.
    bool fitLayer(Surface& layer, SDL_Texture*& texture, const SDL_Rect& r, bool& valid);

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* frameTexture_ = nullptr;
    SDL_Texture* overlayTexture_ = nullptr;
    std::vector<uint32_t> frame_;    // the last frame, scene-sized
    std::vector<uint32_t> overlay_;  // the last overlay, when showOverlay_
    bool showOverlay_ = false;
    SDL_ScaleMode scaleMode_ = SDL_ScaleModeNearest;
    SDL_ScaleMode overlayMode_ = SDL_ScaleModeNearest;
    bool scaleModeSet_ = false;
    int outputW_ = 0, outputH_ = 0;  // the window's drawable size when last drawn

    ScaleFilter filter_ = ScaleFilter::SharpBilinear;
    bool sharpWanted_ = true;
    bool shown_ = false;       // the window is mapped (after the first presentation)
    bool sizeChosen_ = false;  // the command line gave the window's size
    // Our own renderer draws into the window's surface, which keeps its pixels
    // between presentations: a part can be drawn and sent alone.
    bool keepsPixels_ = false;
    // The last size and place of the window while it was not full screen.
    WindowPlacement windowed_{};

    // The scene at a whole multiple, smoothed from there to the window's size.
    SDL_Texture* prescaled_ = nullptr;
    int prescale_ = 0;
    std::optional<SDL_Rect> prescaleDirty_;

    // Sharp text: the steps drawn into layer_ at the scene's place in the output.
    const SharpText* sharp_ = nullptr;
    FontEngine* fonts_ = nullptr;
    Surface layer_;
    SDL_Texture* layerTexture_ = nullptr;
    uint64_t layerGeneration_ = 0;
    std::size_t layerSteps_ = 0;
    bool layerValid_ = false;
    std::optional<SDL_Rect> inked_;  // where steps drew since the layer was last emptied

    // The overlay's text, drawn again in full whenever its steps change.
    const SharpText* overlayText_ = nullptr;
    Surface overlayLayer_;
    SDL_Texture* overlayLayerTexture_ = nullptr;
    uint64_t overlayGeneration_ = 0;
    bool overlayLayerValid_ = false;
    std::optional<SDL_Rect> overlayInked_;
};

}  // namespace qvl::platform
