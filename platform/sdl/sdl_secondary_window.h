#pragma once
// Second desktop windows of the SDL backend (the debug window): a fixed-size
// window with a renderer of its own, and the registry that tells the platform
// which window an SDL event belongs to.
#include "platform/platform.h"

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qvl::platform {

class SdlSecondaryWindow;

class SdlWindowRegistry {
public:
    SdlSecondaryWindow* find(uint32_t sdlWindowId) const;
    bool empty() const { return windows_.empty(); }
    void add(SdlSecondaryWindow* window) { windows_.push_back(window); }
    void remove(SdlSecondaryWindow* window);

    // SDL has one text-input switch for all windows: it is on while the main
    // window or any second window asks for it.
    void setMainTextInput(bool on);
    void updateTextInput() const;

private:
    std::vector<SdlSecondaryWindow*> windows_;
    bool mainTextInput_ = false;
};

// The SDL window an event belongs to, 0 for events of no window.
uint32_t sdlEventWindowId(const SDL_Event& e);

class SdlSecondaryWindow final : public SecondaryWindow {
public:
    // Throws std::runtime_error with SDL's reason when no window can be made.
    SdlSecondaryWindow(SdlWindowRegistry& registry, std::string_view utf8Caption, int width, int height);
    ~SdlSecondaryWindow() override;
    SdlSecondaryWindow(const SdlSecondaryWindow&) = delete;
    SdlSecondaryWindow& operator=(const SdlSecondaryWindow&) = delete;

    int id() const override { return int(SDL_GetWindowID(window_)); }
    void present(const Surface& frame) override;
    void show() override;
    void hide() override;
    bool shown() const override;
    void setTextInput(bool on) override;
    bool wantsTextInput() const { return textInput_ && shown(); }

    // An event of this window in the engine's terms, tagged with id(); mouse
    // positions in client pixels. Nothing for events the engine has no use for.
    std::optional<Event> translate(const SDL_Event& e);
    // The last picture again.
    void redraw();

private:
    void release();

    SdlWindowRegistry& registry_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    std::vector<uint32_t> pixels_;
    int width_, height_;
    int mouseX_ = 0, mouseY_ = 0;
    bool textInput_ = false;
};

}  // namespace qvl::platform
