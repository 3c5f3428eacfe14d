#include "platform/sdl/sdl_secondary_window.h"

#include "platform/sdl/sdl_input.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace qvl::platform {

SdlSecondaryWindow* SdlWindowRegistry::find(uint32_t sdlWindowId) const {
    for (SdlSecondaryWindow* w : windows_)
        if (uint32_t(w->id()) == sdlWindowId) return w;
    return nullptr;
}

void SdlWindowRegistry::remove(SdlSecondaryWindow* window) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
    updateTextInput();
}

void SdlWindowRegistry::setMainTextInput(bool on) {
    mainTextInput_ = on;
    updateTextInput();
}

void SdlWindowRegistry::updateTextInput() const {
    bool wanted = mainTextInput_;
    for (const SdlSecondaryWindow* w : windows_) wanted = wanted || w->wantsTextInput();
    if (wanted && !SDL_IsTextInputActive()) SDL_StartTextInput();
    if (!wanted && SDL_IsTextInputActive()) SDL_StopTextInput();
}

uint32_t sdlEventWindowId(const SDL_Event& e) {
    switch (e.type) {
        case SDL_WINDOWEVENT: return e.window.windowID;
        case SDL_KEYDOWN:
        case SDL_KEYUP: return e.key.windowID;
        case SDL_TEXTINPUT: return e.text.windowID;
        case SDL_TEXTEDITING: return e.edit.windowID;
        case SDL_MOUSEMOTION: return e.motion.windowID;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: return e.button.windowID;
        case SDL_MOUSEWHEEL: return e.wheel.windowID;
        default: return 0;
    }
}

SdlSecondaryWindow::SdlSecondaryWindow(SdlWindowRegistry& registry, std::string_view utf8Caption, int width,
                                       int height)
    : registry_(registry),
      pixels_(std::size_t(std::max(width, 1)) * std::size_t(std::max(height, 1)), 0),
      width_(std::max(width, 1)),
      height_(std::max(height, 1)) {
    window_ = SDL_CreateWindow(std::string(utf8Caption).c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               width_, height_, SDL_WINDOW_HIDDEN);
    // A small window of widgets: drawing it on the processor costs nothing worth a
    // second graphics context.
    if (window_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_)
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_STREAMING, width_, height_);
    if (!texture_) {
        std::runtime_error error(std::string("Cannot open a second window: ") + SDL_GetError());
        release();
        throw error;
    }
    registry_.add(this);
}

SdlSecondaryWindow::~SdlSecondaryWindow() {
    registry_.remove(this);
    release();
}

void SdlSecondaryWindow::release() {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
}

void SdlSecondaryWindow::present(const Surface& frame) {
    // Cut or padded to the client area, never read beyond the frame.
    std::fill(pixels_.begin(), pixels_.end(), 0);
    const int w = std::min(frame.width(), width_), h = std::min(frame.height(), height_);
    for (int y = 0; y < h; ++y) std::copy_n(frame.row(y), w, pixels_.data() + std::size_t(y) * std::size_t(width_));
    SDL_UpdateTexture(texture_, nullptr, pixels_.data(), width_ * 4);
    redraw();
}

void SdlSecondaryWindow::redraw() {
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

void SdlSecondaryWindow::show() {
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    redraw();
    registry_.updateTextInput();
}

void SdlSecondaryWindow::hide() {
    SDL_HideWindow(window_);
    registry_.updateTextInput();
}

bool SdlSecondaryWindow::shown() const {
    return (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0;
}

void SdlSecondaryWindow::setTextInput(bool on) {
    textInput_ = on;
    registry_.updateTextInput();
}

std::optional<Event> SdlSecondaryWindow::translate(const SDL_Event& e) {
    std::optional<Event> out;
    auto at = [&](Event::Type type, int x, int y) {
        mouseX_ = std::clamp(x, 0, width_ - 1);
        mouseY_ = std::clamp(y, 0, height_ - 1);
        Event ev;
        ev.type = type;
        ev.x = mouseX_;
        ev.y = mouseY_;
        return ev;
    };
    switch (e.type) {
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                out.emplace().type = Event::Type::Quit;
            } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                redraw();
            }
            break;
        case SDL_MOUSEMOTION:
            out = at(Event::Type::MouseMove, e.motion.x, e.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            Event ev = at(e.type == SDL_MOUSEBUTTONDOWN ? Event::Type::MouseDown : Event::Type::MouseUp, e.button.x,
                          e.button.y);
            if (e.button.button == SDL_BUTTON_LEFT) ev.button = MouseButton::Left;
            else if (e.button.button == SDL_BUTTON_RIGHT) ev.button = MouseButton::Right;
            else if (e.button.button == SDL_BUTTON_MIDDLE) ev.button = MouseButton::Middle;
            else break;
            out = ev;
            break;
        }
        case SDL_MOUSEWHEEL: {
            int steps = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
            if (steps == 0) break;
            Event ev = at(Event::Type::MouseWheel, mouseX_, mouseY_);
            ev.wheel = steps;
            out = ev;
            break;
        }
        default: {
            MousePosition unused;
            out = translateInput(e, unused);  // keys and text
            break;
        }
    }
    if (out) out->window = id();
    return out;
}

}  // namespace qvl::platform
