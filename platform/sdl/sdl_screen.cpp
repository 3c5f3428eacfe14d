#include "platform/sdl/sdl_screen.h"

#include "platform/fonts.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_window_icon.h"
#include "platform/sharp_text.h"

#include <SDL_syswm.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
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

SDL_Rect unite(const std::optional<SDL_Rect>& a, const SDL_Rect& b) {
    if (!a) return b;
    SDL_Rect out;
    SDL_UnionRect(&*a, &b, &out);
    return out;
}

// The desktop's own scale factor: GDK_SCALE when set, else the X resources'
// Xft.dpi against 96 (Xlib is looked up only; SDL's X11 driver has loaded it).
int desktopScale(SDL_Window* window) {
    if (const char* gdk = std::getenv("GDK_SCALE")) {
        const int v = std::atoi(gdk);
        if (v >= 1 && v <= 8) return v;
    }
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (!SDL_GetWindowWMInfo(window, &wm) || wm.subsystem != SDL_SYSWM_X11) return 1;
    using Resources = char* (*)(Display*);
    auto resources = reinterpret_cast<Resources>(dlsym(RTLD_DEFAULT, "XResourceManagerString"));
    const char* text = resources ? resources(wm.info.x11.display) : nullptr;
    if (!text) return 1;
    const std::string all = text;
    const std::size_t at = all.find("Xft.dpi:");
    if (at == std::string::npos) return 1;
    const double dpi = std::atof(all.c_str() + at + 8);
    return std::clamp(int(std::lround(dpi / 96.0)), 1, 8);
}

// Room a window manager's title bar and frame take beside the client area.
constexpr int kFrameAllowance = 32;

bool fitsDesktop(int w, int h) {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return w <= kSceneWidth && h <= kSceneHeight;
    return w <= usable.w && h + kFrameAllowance <= usable.h;
}

}  // namespace

int SdlScreen::fittingScale() {
    int scale = 1;
    while (scale < 8 && fitsDesktop(kSceneWidth * (scale + 1), kSceneHeight * (scale + 1))) ++scale;
    return scale;
}

SdlScreen::SdlScreen(int scale) : frame_(std::size_t(kSceneWidth) * kSceneHeight, 0) {
    window_ = SDL_CreateWindow("Quorvel", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kSceneWidth, kSceneHeight,
                               SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
    if (!window_) throw sdlError("Cannot open the window");
    // A size asked for is in the desktop's units: a desktop at twice the density
    // gets twice the pixels, as far as the work area allows. Without one, the
    // largest whole multiple that fits (a 4K screen gets no stamp).
    sizeChosen_ = scale > 0;
    if (scale > 0) {
        const int asked = std::clamp(scale, 1, 8);
        scale = std::min(asked * desktopScale(window_), 8);
        while (scale > asked && !fitsDesktop(kSceneWidth * scale, kSceneHeight * scale)) --scale;
    } else {
        scale = fittingScale();
    }
    if (scale > 1) {
        SDL_SetWindowSize(window_, kSceneWidth * scale, kSceneHeight * scale);
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
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
    SDL_RendererInfo info{};
    keepsPixels_ = SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
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
    if (overlayLayerTexture_) SDL_DestroyTexture(overlayLayerTexture_);
    overlayLayerTexture_ = nullptr;
    if (layerTexture_) SDL_DestroyTexture(layerTexture_);
    if (prescaled_) SDL_DestroyTexture(prescaled_);
    layerTexture_ = prescaled_ = nullptr;
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
    if (overlayLayerTexture_) SDL_DestroyTexture(overlayLayerTexture_);
    overlayLayerTexture_ = nullptr;
    overlayLayerValid_ = false;
    if (layerTexture_) SDL_DestroyTexture(layerTexture_);
    if (prescaled_) SDL_DestroyTexture(prescaled_);
    layerTexture_ = prescaled_ = nullptr;
    prescale_ = 0;
    layerValid_ = false;
    if (overlayTexture_) SDL_DestroyTexture(overlayTexture_);
    if (frameTexture_) SDL_DestroyTexture(frameTexture_);
    createTextures();
    if (frameTexture_) SDL_UpdateTexture(frameTexture_, nullptr, frame_.data(), kScenePitchBytes);
    if (overlayTexture_ && showOverlay_) SDL_UpdateTexture(overlayTexture_, nullptr, overlay_.data(), kScenePitchBytes);
    redraw();
}

void SdlScreen::chooseScaleMode() {
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    outputW_ = w;
    outputH_ = h;
    const SDL_Rect r = sceneRect();
    const bool whole = r.w % kSceneWidth == 0 && r.h % kSceneHeight == 0;
    // Sharp-smooth: the largest whole multiple with square pixels, smoothed only for
    // the rest, so pixels come out even at any size.
    int prescale = 0;
    if (filter_ == ScaleFilter::SharpBilinear && !whole) {
        const int k = std::min(r.w / kSceneWidth, r.h / kSceneHeight);
        if (k >= 2) prescale = k;
    }
    if (prescale != prescale_) {
        if (prescaled_) SDL_DestroyTexture(prescaled_);
        prescaled_ = nullptr;
        prescale_ = 0;
        if (prescale && SDL_RenderTargetSupported(renderer_)) {
            prescaled_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_TARGET,
                                           kSceneWidth * prescale, kSceneHeight * prescale);
            if (prescaled_) {
                SDL_SetTextureScaleMode(prescaled_, SDL_ScaleModeLinear);
                prescale_ = prescale;
                prescaleDirty_ = SDL_Rect{0, 0, kSceneWidth, kSceneHeight};
            }
        }
    }
    SDL_ScaleMode mode = SDL_ScaleModeNearest;
    if (filter_ == ScaleFilter::Bilinear) mode = SDL_ScaleModeLinear;
    if (filter_ == ScaleFilter::SharpBilinear && !whole && !prescale_) mode = SDL_ScaleModeLinear;
    // The overlay (boxes, menus) keeps whole multiples sharp and smooths the rest.
    const SDL_ScaleMode overlayMode = whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear;
    // Only on a change: the GL renderers rebind the texture for it behind their
    // cached draw state, and the next copy may then come out black.
    if (scaleModeSet_ && mode == scaleMode_ && overlayMode == overlayMode_) return;
    if (frameTexture_) SDL_SetTextureScaleMode(frameTexture_, mode);
    if (overlayTexture_) SDL_SetTextureScaleMode(overlayTexture_, overlayMode);
    scaleMode_ = mode;
    overlayMode_ = overlayMode;
    scaleModeSet_ = true;
}

SDL_Rect SdlScreen::sceneRect() const {
    const int w = std::max(outputW_, 1), h = std::max(outputH_, 1);
    double scale = std::min(double(w) / kSceneWidth, double(h) / kSceneHeight);
    if (filter_ == ScaleFilter::WholeOnly) scale = std::max(1.0, std::floor(scale));
    // The small margin keeps 1366 x 768's 1.6 from landing a hair under 1024.
    const int sw = int(kSceneWidth * scale + 1e-6), sh = int(kSceneHeight * scale + 1e-6);
    return {(w - sw) / 2, (h - sh) / 2, sw, sh};
}

void SdlScreen::setScaling(ScaleFilter filter, bool sharpText) {
    filter_ = filter;
    sharpWanted_ = sharpText;
    SDL_RenderSetIntegerScale(renderer_, filter == ScaleFilter::WholeOnly ? SDL_TRUE : SDL_FALSE);
    SDL_RenderSetLogicalSize(renderer_, kSceneWidth, kSceneHeight);
    scaleModeSet_ = false;
    redraw();
}

bool SdlScreen::drawsSharpText() {
    if (!sharpWanted_) return false;
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    outputW_ = w;
    outputH_ = h;
    const SDL_Rect r = sceneRect();
    return r.w > kSceneWidth || r.h > kSceneHeight;
}

bool SdlScreen::fitLayer(Surface& layer, SDL_Texture*& texture, const SDL_Rect& r, bool& valid) {
    if (layer.width() == r.w && layer.height() == r.h && texture) return true;
    if (texture) SDL_DestroyTexture(texture);
    layer = Surface(r.w, r.h, 0);
    texture = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, r.w, r.h);
    if (!texture) return false;
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
    valid = false;
    return true;
}

void SdlScreen::setSharpText(const SharpText* text, FontEngine& fonts) {
    sharp_ = text;
    fonts_ = &fonts;
}

void SdlScreen::setSharpOverlayText(const SharpText* text, FontEngine& fonts) {
    if (text != overlayText_) overlayLayerValid_ = false;
    overlayText_ = text;
    fonts_ = &fonts;
}

void SdlScreen::drawOverlayText(FontEngine& fonts) {
    const SDL_Rect r = sceneRect();
    if (!fitLayer(overlayLayer_, overlayLayerTexture_, r, overlayLayerValid_)) return;
    if (overlayLayerValid_ && overlayGeneration_ == overlayText_->generation()) return;
    std::optional<SDL_Rect> dirty = overlayInked_;
    if (!overlayLayerValid_) dirty = SDL_Rect{0, 0, r.w, r.h};
    if (dirty) overlayLayer_.fillRect({dirty->x, dirty->y, dirty->w, dirty->h}, 0);
    overlayInked_.reset();
    const double sx = double(r.w) / kSceneWidth, sy = double(r.h) / kSceneHeight;
    auto px = [sx](int v) { return int(std::lround(v * sx)); };
    auto py = [sy](int v) { return int(std::lround(v * sy)); };
    Surface piece;
    for (const SharpStep& step : overlayText_->steps()) {
        if (step.kind != SharpStep::Kind::Text) continue;
        // Drawn apart and laid over inside the step's area only: at the window's
        // size a glyph may reach past the square the scene's glyphs took.
        // Half a scene pixel around it lets the smooth edges of the glyphs be.
        const Rect a = step.area;
        const int mx = std::max(1, px(1) / 2), my = std::max(1, py(1) / 2);
        const SDL_Rect clip{px(a.x) - mx, py(a.y) - my, px(a.x + a.w) - px(a.x) + 2 * mx,
                            py(a.y + a.h) - py(a.y) + 2 * my};
        if (clip.w <= 0 || clip.h <= 0) continue;
        piece = Surface(clip.w, clip.h, 0);
        FontSpec font = step.font;
        font.height = std::max(1, int(std::lround(step.font.height * sy)));
        fonts.drawTextOnLayer(piece, px(step.x) - clip.x, py(step.y) - clip.y, step.text, font, step.colour);
        for (int y = 0; y < clip.h; ++y) {
            if (clip.y + y < 0 || clip.y + y >= overlayLayer_.height()) continue;
            const uint32_t* src = piece.row(y);
            uint32_t* dst = overlayLayer_.row(clip.y + y);
            for (int x = 0; x < clip.w; ++x) {
                const int ox = clip.x + x;
                const uint32_t sa = src[x] >> 24;
                if (!sa || ox < 0 || ox >= overlayLayer_.width()) continue;
                // Straight alpha, one run over another (a shadow under its text).
                const uint32_t d = dst[ox], da = d >> 24;
                const uint32_t oa = sa + da * (255 - sa) / 255;
                auto mix = [&](int shift) {
                    const uint32_t sc = (src[x] >> shift) & 0xFF, dc = (d >> shift) & 0xFF;
                    return (sc * sa + dc * da * (255 - sa) / 255) / oa;
                };
                dst[ox] = (oa << 24) | (mix(16) << 16) | (mix(8) << 8) | mix(0);
            }
        }
        overlayInked_ = unite(overlayInked_, clip);
        dirty = unite(dirty, clip);
    }
    overlayGeneration_ = overlayText_->generation();
    overlayLayerValid_ = true;
    SDL_Rect part;
    const SDL_Rect all{0, 0, r.w, r.h};
    if (dirty && SDL_IntersectRect(&*dirty, &all, &part))
        SDL_UpdateTexture(overlayLayerTexture_, &part, overlayLayer_.row(part.y) + part.x,
                          int(overlayLayer_.pitch() * 4));
}

void SdlScreen::drawSharpText(FontEngine& fonts) {
    if (!sharp_) return;
    const SDL_Rect r = sceneRect();
    if (!fitLayer(layer_, layerTexture_, r, layerValid_)) return;
    const std::vector<SharpStep>& steps = sharp_->steps();
    std::size_t first = layerSteps_;
    std::optional<SDL_Rect> dirty;
    if (!layerValid_ || layerGeneration_ != sharp_->generation() || layerSteps_ > steps.size()) {
        layer_.fill(0);
        first = 0;
        dirty = SDL_Rect{0, 0, r.w, r.h};
        inked_.reset();
    }
    const double sx = double(r.w) / kSceneWidth, sy = double(r.h) / kSceneHeight;
    auto px = [sx](int v) { return int(std::lround(v * sx)); };
    auto py = [sy](int v) { return int(std::lround(v * sy)); };
    for (std::size_t i = first; i < steps.size(); ++i) {
        const SharpStep& step = steps[i];
        switch (step.kind) {
            case SharpStep::Kind::Text: {
                FontSpec font = step.font;
                font.height = std::max(1, int(std::lround(step.font.height * sy)));
                const int x = px(step.x), y = py(step.y);
                const int advance =
                    step.byteWise && !step.text.empty()
                        ? fonts.drawCharOnLayer(layer_, x, y, char32_t(static_cast<unsigned char>(step.text[0])),
                                                font, step.colour)
                        : fonts.drawTextOnLayer(layer_, x, y, step.text, font, step.colour);
                const SDL_Rect box{x - font.height, y - font.height, advance + 2 * font.height, 3 * font.height};
                dirty = unite(dirty, box);
                inked_ = unite(inked_, box);
                break;
            }
            case SharpStep::Kind::Erase: {
                const Rect a = step.area;
                const Rect out{px(a.x), py(a.y), px(a.x + a.w) - px(a.x), py(a.y + a.h) - py(a.y)};
                layer_.fillRect(out, 0);
                dirty = unite(dirty, {out.x, out.y, out.w, out.h});
                break;
            }
            case SharpStep::Kind::Picture: {
                // Scene art: square pixels at the window's scale, where its mask is black.
                const Surface& pic = *step.picture;
                const Surface& mask = *step.mask;
                const int x0 = px(step.x), y0 = py(step.y);
                const int x1 = px(step.x + pic.width()), y1 = py(step.y + pic.height());
                for (int y = std::max(y0, 0); y < std::min(y1, layer_.height()); ++y) {
                    const int srcY = std::min(int((y - y0) / sy), pic.height() - 1);
                    uint32_t* row = layer_.row(y);
                    for (int x = std::max(x0, 0); x < std::min(x1, layer_.width()); ++x) {
                        const int srcX = std::min(int((x - x0) / sx), pic.width() - 1);
                        if (srcY < mask.height() && srcX < mask.width() && (mask.pixel(srcX, srcY) & 0xFFFFFF) == 0)
                            row[x] = 0xFF000000u | (pic.pixel(srcX, srcY) & 0xFFFFFF);
                    }
                }
                dirty = unite(dirty, {x0, y0, x1 - x0, y1 - y0});
                inked_ = unite(inked_, {x0, y0, x1 - x0, y1 - y0});
                break;
            }
        }
    }
    layerSteps_ = steps.size();
    layerGeneration_ = sharp_->generation();
    layerValid_ = true;
    if (!dirty) return;
    SDL_Rect part;
    const SDL_Rect all{0, 0, r.w, r.h};
    if (!SDL_IntersectRect(&*dirty, &all, &part)) return;

    SDL_UpdateTexture(layerTexture_, &part, layer_.row(part.y) + part.x, int(layer_.pitch() * 4));
}

void SdlScreen::updatePrescaled() {
    if (!prescaled_ || !prescaleDirty_) return;
    const SDL_Rect src = *prescaleDirty_;
    const SDL_Rect dst{src.x * prescale_, src.y * prescale_, src.w * prescale_, src.h * prescale_};
    SDL_SetRenderTarget(renderer_, prescaled_);
    SDL_RenderCopy(renderer_, frameTexture_, &src, &dst);
    SDL_SetRenderTarget(renderer_, nullptr);
    prescaleDirty_.reset();
}

WindowPlacement SdlScreen::placement() {
    const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
    if (!full) {
        SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
        SDL_GetWindowSize(window_, &windowed_.width, &windowed_.height);
    }
    WindowPlacement out = windowed_;
    out.fullScreen = full;
    return out;
}

void SdlScreen::place(const WindowPlacement& p) {
    if (p.width < kSceneWidth / 2 || p.height < kSceneHeight / 2) return;
    // A place on a screen that is gone (a monitor unplugged) would hide the window.
    const SDL_Rect wanted{p.x, p.y, p.width, p.height};
    bool visible = false;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds, common;
        if (SDL_GetDisplayUsableBounds(i, &bounds) == 0 && SDL_IntersectRect(&wanted, &bounds, &common) &&
            common.w >= 64 && common.h >= 64)
            visible = true;
    }
    // A size asked for on the command line wins over the one remembered.
    if (!sizeChosen_) SDL_SetWindowSize(window_, p.width, p.height);
    if (visible)
        SDL_SetWindowPosition(window_, p.x, p.y);
    else
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    windowed_ = p;
    windowed_.fullScreen = false;
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
        prescaleDirty_ = unite(prescaleDirty_, *part);
        if (overlay) {
            copyPart(*overlay, overlay_, *part);
            updatePart(overlayTexture_, overlay_, *part);
        }
    } else {
        copyToScene(frame, frame_, 0);
        SDL_UpdateTexture(frameTexture_, nullptr, frame_.data(), kScenePitchBytes);
        prescaleDirty_ = SDL_Rect{0, 0, kSceneWidth, kSceneHeight};
        showOverlay_ = overlay != nullptr;
        if (overlay) {
            copyToScene(*overlay, overlay_, 0);  // transparent where the overlay is short
            SDL_UpdateTexture(overlayTexture_, nullptr, overlay_.data(), kScenePitchBytes);
        }
    }
    if (!part || !drawPart(*part)) redraw();
    if (!shown_) {
        // Mapped only now, at the size and place the settings gave it.
        shown_ = true;
        SDL_ShowWindow(window_);
        redraw();
    }
}

Surface SdlScreen::readOutput() {
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    Surface out(std::max(w, 1), std::max(h, 1), 0);
    // The whole output, bars included: without the logical size the viewport is
    // the whole window again (the drawing queued before keeps its own).
    SDL_RenderSetLogicalSize(renderer_, 0, 0);
    if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_XRGB8888, out.row(0), int(out.pitch() * 4)) != 0)
        out = Surface();
    SDL_RenderSetLogicalSize(renderer_, kSceneWidth, kSceneHeight);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) out.row(y)[x] &= 0x00FFFFFF;
    return out;
}

Surface SdlScreen::readBack(Surface* asShown) {
    if (asShown) *asShown = keepsPixels_ && shown_ ? readOutput() : Surface();
    // Drawn again and read before the swap: after it the back buffer's contents
    // are undefined on accelerated renderers.
    drawScene();
    Surface out = readOutput();
    SDL_RenderPresent(renderer_);
    return out;
}

void SdlScreen::redraw() {
    drawScene();
    SDL_RenderPresent(renderer_);
}

void SdlScreen::drawScene() {
    chooseScaleMode();
    // Drawn in output pixels at one place for the scene, the sharp text and the
    // overlay; the logical size is put back for mapping the mouse to the scene.
    updatePrescaled();
    SDL_RenderSetLogicalSize(renderer_, 0, 0);
    const SDL_Rect r = sceneRect();
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, prescaled_ ? prescaled_ : frameTexture_, nullptr, &r);
    if (sharp_ && fonts_) {
        drawSharpText(*fonts_);
        // Only where text was drawn: blending the whole empty layer would double
        // the cost of each frame of the wait icon.
        SDL_Rect part;
        const SDL_Rect all{0, 0, r.w, r.h};
        if (layerTexture_ && inked_ && SDL_IntersectRect(&*inked_, &all, &part)) {
            const SDL_Rect to{r.x + part.x, r.y + part.y, part.w, part.h};
            SDL_RenderCopy(renderer_, layerTexture_, &part, &to);
        }
    }
    if (showOverlay_) SDL_RenderCopy(renderer_, overlayTexture_, nullptr, &r);
    if (showOverlay_ && overlayText_ && fonts_) {
        drawOverlayText(*fonts_);
        SDL_Rect part;
        const SDL_Rect all{0, 0, r.w, r.h};
        if (overlayLayerTexture_ && overlayInked_ && SDL_IntersectRect(&*overlayInked_, &all, &part)) {
            const SDL_Rect to{r.x + part.x, r.y + part.y, part.w, part.h};
            SDL_RenderCopy(renderer_, overlayLayerTexture_, &part, &to);
        }
    }
    SDL_RenderSetLogicalSize(renderer_, kSceneWidth, kSceneHeight);
}

bool SdlScreen::drawPart(const SDL_Rect& part) {
    if (!keepsPixels_ || !shown_) return false;
    // Only at a whole multiple with square pixels does a part scale to exactly the
    // pixels a whole drawing gives it; smoothing reaches across the part's edges.
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(renderer_, &w, &h);
    if (w != outputW_ || h != outputH_ || prescaled_ || scaleMode_ != SDL_ScaleModeNearest) return false;
    const SDL_Rect r = sceneRect();
    const int k = r.w / kSceneWidth;
    if (k < 1 || r.w != k * kSceneWidth || r.h != k * kSceneHeight) return false;
    // The layers of text as they were last drawn in full: new steps need the whole.
    const bool sharp = sharp_ && fonts_;
    if (sharp && (!layerValid_ || !layerTexture_ || layerGeneration_ != sharp_->generation() ||
                  layerSteps_ != sharp_->steps().size() || layer_.width() != r.w || layer_.height() != r.h))
        return false;
    const bool overlaySharp = showOverlay_ && overlayText_ && fonts_;
    if (overlaySharp && (!overlayLayerValid_ || !overlayLayerTexture_ ||
                         overlayGeneration_ != overlayText_->generation() || overlayLayer_.width() != r.w))
        return false;

    // Every layer again inside the part, so text reaching into it (a glyph's edge
    // beside the wait icon) stays as a whole drawing shows it.
    const SDL_Rect inScene{part.x * k, part.y * k, part.w * k, part.h * k};
    const SDL_Rect out{r.x + inScene.x, r.y + inScene.y, inScene.w, inScene.h};
    auto copyLayer = [&](SDL_Texture* texture, const std::optional<SDL_Rect>& inked) {
        SDL_Rect q;
        if (!texture || !inked || !SDL_IntersectRect(&*inked, &inScene, &q)) return;
        const SDL_Rect to{r.x + q.x, r.y + q.y, q.w, q.h};
        SDL_RenderCopy(renderer_, texture, &q, &to);
    };
    SDL_RenderSetLogicalSize(renderer_, 0, 0);
    SDL_RenderCopy(renderer_, frameTexture_, &part, &out);
    if (sharp) copyLayer(layerTexture_, inked_);
    if (showOverlay_) SDL_RenderCopy(renderer_, overlayTexture_, &part, &out);
    if (overlaySharp) copyLayer(overlayLayerTexture_, overlayInked_);
    SDL_RenderSetLogicalSize(renderer_, kSceneWidth, kSceneHeight);
    SDL_RenderFlush(renderer_);
    SDL_UpdateWindowSurfaceRects(window_, &out, 1);
    return true;
}

SDL_Rect SdlScreen::sceneToWindow(Rect r) const {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    SDL_RenderLogicalToWindow(renderer_, float(r.x), float(r.y), &x0, &y0);
    SDL_RenderLogicalToWindow(renderer_, float(r.x + r.w), float(r.y + r.h), &x1, &y1);
    return {x0, y0, std::max(x1 - x0, 0), std::max(y1 - y0, 0)};
}

}  // namespace qvl::platform
