#include "platform/sdl/sdl_screen.h"

#include "platform/platform.h"
#include "platform/sdl/sdl_window_icon.h"

#include <SDL_syswm.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace qvl::platform {

namespace {

constexpr int kScenePitchBytes = kSceneWidth * 4;

std::runtime_error sdlError(const char* what) {
    return std::runtime_error(std::string(what) + ": " + SDL_GetError());
}

// Copies what fits of src into a scene-sized buffer; the rest gets `pad`.
void copyToScene(const Surface& src, std::vector<uint32_t>& dst, uint32_t pad) {
    dst.assign(std::size_t(kSceneWidth) * kSceneHeight, pad);
    int w = std::min(src.width(), kSceneWidth);
    int h = std::min(src.height(), kSceneHeight);
    for (int y = 0; y < h; ++y) std::copy_n(src.row(y), w, dst.data() + std::size_t(y) * kSceneWidth);
}

void copyPart(const Surface& src, std::vector<uint32_t>& dst, const SDL_Rect& r) {
    for (int y = r.y; y < r.y + r.h; ++y)
        std::copy_n(src.row(y) + r.x, r.w, dst.data() + std::size_t(y) * kSceneWidth + std::size_t(r.x));
}

// An OpenGL renderer whose drawing is done by the processor: Mesa's llvmpipe and
// softpipe, and the old software rasteriser.
bool drawsWithoutGpu(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name) return false;
    const std::string name = info.name;
    if (name != "opengl" && name != "opengles2" && name != "opengles") return false;
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (!getString) return false;
    constexpr unsigned int kGlRenderer = 0x1F01;
    const unsigned char* text = getString(kGlRenderer);
    if (!text) return false;
    const std::string gl = reinterpret_cast<const char*>(text);
    for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "SWR"})
        if (gl.find(soft) != std::string::npos) return true;
    return false;
}

// A GPU this process may draw with: a DRM render node it can open.
bool hasRenderNode() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ec)) {
        if (entry.path().filename().string().rfind("renderD", 0) != 0) continue;
        const int fd = ::open(entry.path().c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
    }
    return false;
}

// Whether an X server lets its clients render directly (DRI3 or DRI2). Without it
// (Xvfb, a VNC server, a remote display) OpenGL would be drawn by the processor.
// Xlib is already loaded with SDL's X11 driver; it is only looked up here.
bool xServerRendersDirectly(SDL_Window* window) {
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (!SDL_GetWindowWMInfo(window, &wm) || wm.subsystem != SDL_SYSWM_X11) return true;
    using QueryExtension = int (*)(Display*, const char*, int*, int*, int*);
    auto query = reinterpret_cast<QueryExtension>(dlsym(RTLD_DEFAULT, "XQueryExtension"));
    if (!query) return true;
    int opcode = 0, event = 0, error = 0;
    return query(wm.info.x11.display, "DRI3", &opcode, &event, &error) ||
           query(wm.info.x11.display, "DRI2", &opcode, &event, &error);
}

// Decided before any renderer is made, so a display without a GPU never loads an
// OpenGL stack (with a processor-drawn driver, tens of megabytes) only to drop it.
// Drivers other than X11 and Wayland get SDL's own choice.
bool acceleratedWorthTrying(SDL_Window* window) {
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string name = driver ? driver : "";
    if (name == "x11") return hasRenderNode() && xServerRendersDirectly(window);
    if (name == "wayland") return hasRenderNode();
    return true;
}

void updatePart(SDL_Texture* texture, const std::vector<uint32_t>& pixels, const SDL_Rect& r) {
    SDL_UpdateTexture(texture, &r, pixels.data() + std::size_t(r.y) * kSceneWidth + std::size_t(r.x), kScenePitchBytes);
}

}  // namespace

SdlScreen::SdlScreen(int scale) : frame_(std::size_t(kSceneWidth) * kSceneHeight, 0) {
    scale = std::clamp(scale, 1, 8);
    window_ = SDL_CreateWindow("Quorvel", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kSceneWidth * scale,
                               kSceneHeight * scale, SDL_WINDOW_RESIZABLE);
    if (!window_) throw sdlError("Cannot open the window");
    setWindowIcon(window_);
    SDL_SetWindowMinimumSize(window_, kSceneWidth / 2, kSceneHeight / 2);

    // OpenGL drawn by the processor (no GPU, a virtual display) redraws the whole
    // window for every change, the wait icon's included. Our own renderer with the
    // plain X framebuffer costs a tenth of it. A renderer asked for by name is used.
    const bool chosen = SDL_GetHint(SDL_HINT_RENDER_DRIVER) != nullptr;
    if (chosen || acceleratedWorthTrying(window_)) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ && !chosen && drawsWithoutGpu(renderer_)) {
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
    }
    if (!renderer_) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    }
    if (!renderer_) {
        std::runtime_error error = sdlError("Cannot draw in the window");
        release();
        throw error;
    }
    // Letterboxing, and mouse positions mapped back to the scene, come with this.
    SDL_RenderSetLogicalSize(renderer_, kSceneWidth, kSceneHeight);
    createTextures();
    if (!frameTexture_ || !overlayTexture_) {
        std::runtime_error error = sdlError("Cannot make the scene textures");
        release();
        throw error;
    }
    redraw();
}

SdlScreen::~SdlScreen() {
    release();
}

void SdlScreen::release() {
    if (overlayTexture_) SDL_DestroyTexture(overlayTexture_);
    if (frameTexture_) SDL_DestroyTexture(frameTexture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    overlayTexture_ = frameTexture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
}

void SdlScreen::createTextures() {
    frameTexture_ =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_STREAMING, kSceneWidth, kSceneHeight);
    overlayTexture_ =
        SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, kSceneWidth, kSceneHeight);
    if (overlayTexture_) SDL_SetTextureBlendMode(overlayTexture_, SDL_BLENDMODE_BLEND);
    scaleModeSet_ = false;
    chooseScaleMode();
}

void SdlScreen::restoreTextures() {
    if (overlayTexture_) SDL_DestroyTexture(overlayTexture_);
    if (frameTexture_) SDL_DestroyTexture(frameTexture_);
    createTextures();
    if (frameTexture_) SDL_UpdateTexture(frameTexture_, nullptr, frame_.data(), kScenePitchBytes);
    if (overlayTexture_ && showOverlay_) SDL_UpdateTexture(overlayTexture_, nullptr, overlay_.data(), kScenePitchBytes);
    redraw();
}

void SdlScreen::chooseScaleMode() {
    // Whole multiples stay sharp; anything between is smoothed rather than uneven.
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    if (w != outputW_ || h != outputH_) {
        // A size change SDL did not announce (full screen without a window
        // manager, for one) leaves the renderer's viewport at the old size:
        // setting the logical size again places the scene anew.
        outputW_ = w;
        outputH_ = h;
        SDL_RenderSetLogicalSize(renderer_, kSceneWidth, kSceneHeight);
    }
    bool widthLimits = int64_t(w) * kSceneHeight <= int64_t(h) * kSceneWidth;
    bool whole = widthLimits ? w % kSceneWidth == 0 : h % kSceneHeight == 0;
    SDL_ScaleMode mode = whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear;
    // Only on a change: the GL renderers rebind the texture for it behind their
    // cached draw state, and the next copy may then come out black.
    if (scaleModeSet_ && mode == scaleMode_) return;
    for (SDL_Texture* t : {frameTexture_, overlayTexture_})
        if (t) SDL_SetTextureScaleMode(t, mode);
    scaleMode_ = mode;
    scaleModeSet_ = true;
}

void SdlScreen::present(const Surface& frame, const Surface* overlay, std::optional<Rect> changed) {
    // Only what changed goes to the textures: the wait icon's cell ten times a
    // second must not cost a whole frame's upload.
    std::optional<SDL_Rect> part;
    if (changed && frame.width() == kSceneWidth && frame.height() == kSceneHeight &&
        (!overlay || (overlay->width() == kSceneWidth && overlay->height() == kSceneHeight)) &&
        (overlay != nullptr) == showOverlay_) {
        const int x0 = std::max(changed->x, 0), y0 = std::max(changed->y, 0);
        const int x1 = std::min(changed->x + changed->w, kSceneWidth);
        const int y1 = std::min(changed->y + changed->h, kSceneHeight);
        if (x1 <= x0 || y1 <= y0) return;
        part = SDL_Rect{x0, y0, x1 - x0, y1 - y0};
    }
    if (part) {
        copyPart(frame, frame_, *part);
        updatePart(frameTexture_, frame_, *part);
        if (overlay) {
            copyPart(*overlay, overlay_, *part);
            updatePart(overlayTexture_, overlay_, *part);
        }
    } else {
        copyToScene(frame, frame_, 0);
        SDL_UpdateTexture(frameTexture_, nullptr, frame_.data(), kScenePitchBytes);
        showOverlay_ = overlay != nullptr;
        if (overlay) {
            copyToScene(*overlay, overlay_, 0);  // transparent where the overlay is short
            SDL_UpdateTexture(overlayTexture_, nullptr, overlay_.data(), kScenePitchBytes);
        }
    }
    redraw();
}

Surface SdlScreen::readBack() {
    // Drawn again and read before the swap: after it the back buffer's contents
    // are undefined on accelerated renderers.
    drawScene();
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    Surface out(std::max(w, 1), std::max(h, 1), 0);
    // The whole output, bars included: without the logical size the viewport is
    // the whole window again (the drawing queued before keeps its own).
    SDL_RenderSetLogicalSize(renderer_, 0, 0);
    if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_XRGB8888, out.row(0), int(out.pitch() * 4)) != 0)
        out = Surface();
    SDL_RenderSetLogicalSize(renderer_, kSceneWidth, kSceneHeight);
    SDL_RenderPresent(renderer_);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) out.row(y)[x] &= 0x00FFFFFF;
    return out;
}

void SdlScreen::redraw() {
    drawScene();
    SDL_RenderPresent(renderer_);
}

void SdlScreen::drawScene() {
    chooseScaleMode();
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, frameTexture_, nullptr, nullptr);
    if (showOverlay_) SDL_RenderCopy(renderer_, overlayTexture_, nullptr, nullptr);
}

SDL_Rect SdlScreen::sceneToWindow(Rect r) const {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    SDL_RenderLogicalToWindow(renderer_, float(r.x), float(r.y), &x0, &y0);
    SDL_RenderLogicalToWindow(renderer_, float(r.x + r.w), float(r.y + r.h), &x1, &y1);
    return {x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0)};
}

}  // namespace qvl::platform
