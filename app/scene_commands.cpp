// The scene commands: backgrounds, persons, the effect layer, sprites, presentation,
// the shake and image sequences. The pixels are the graphics library's; here the
// commands read their arguments, load pictures and decide when to present.
#include "app/tfmain.h"
#include "base/sjis.h"
#include "graphics/masks.h"
#include "graphics/transitions.h"
#include "platform/encoding.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace qvl {

namespace {

bool namesPictureFormat(const std::string& name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string ext = sjis::toLower(name.substr(dot));
    return ext == ".bmp" || ext == ".jpg" || ext == ".mag" || ext == ".him" || ext == ".frl";
}

}  // namespace

std::optional<Surface> TFmain::readPicture(const std::string& name) {
    if (!namesPictureFormat(name)) return std::nullopt;
    Surface picture;
    loadPicture(name, picture);
    return picture;
}

void TFmain::presentScene(bool withoutText) {
    qvl::presentScene(bank_, view_.image(), darkness(), withoutText, textWindow.textVisible);
    present();
    pump(platform_.ticks(), {});  // let pending events run once
}

void TFmain::presentAfterChange() {
    if (autoRefreshMode == "0") return;
    if (autoRefreshMode == "1")
        presentScene(false);
    else
        runTransition(autoRefreshMode);
}

namespace {

// The engine's side of a transition: frames go through the window view, and each
// wait makes the frame last at least its time, counted from the frame's start: a
// slow frame is not shortened further, and later frames do not catch up.
class TransitionLink final : public TransitionHost {
public:
    TransitionLink(TFmain& main, platform::Platform& platform)
        : main_(main), platform_(platform), frameStart_(platform.ticks()) {}
    Surface& window() override { return main_.view().image(); }
    void showFrame(std::optional<Rect> changed) override { main_.view().show(changed); }
    void delayMs(int32_t ms) override {
        waits_ += std::max(ms, 0);
        main_.waitUntil(frameStart_ + uint32_t(std::max(ms, 0)));
        frameStart_ = platform_.ticks();
    }
    void pumpOnce() override {
        main_.pump(platform_.ticks(), {});
        frameStart_ = platform_.ticks();
    }
    void composeScene() override { qvl::composeScene(main_.bank(), main_.darkness()); }
    int64_t waits() const { return waits_; }

private:
    TFmain& main_;
    platform::Platform& platform_;
    uint32_t frameStart_;
    int64_t waits_ = 0;
};

}  // namespace

void TFmain::runTransition(const std::string& name) {
    // The frame every transition shares: no popup menu on a right click and no
    // clicks taken while it runs, the scene composed again afterwards (that takes
    // away the text some families burn into it) without showing it, so an unknown
    // name leaves the screen as it was.
    const bool popup = popupAutoOpen, clicks = input.clicksAccepted;
    popupAutoOpen = false;
    input.clicksAccepted = false;
    resizeKeeping(bank_[SurfaceId::Temp2], 640, 480);
    resizeKeeping(bank_[SurfaceId::Temp1], 640, 480);
    TransitionLink link(*this, platform_);
    const uint32_t started = platform_.ticks();
    const bool ran = runNamedTransition(name, bank_, textWindow.textVisible, link);
    if (ran && options_.verbose)
        std::cerr << "transition: " << platform::sjisToUtf8(name) << " " << int32_t(platform_.ticks() - started)
                  << " ms, waits " << link.waits() << " ms\n";
    composeScene(bank_, darkness());
    bank_.sceneDirty = false;
    input.clicksAccepted = clicks;
    popupAutoOpen = popup;
}

void TFmain::registerSceneCommands() {
    auto arg = [this](int slot) -> const std::string& { return state.ProgArgs[std::size_t(slot)]; };
    Dispatcher& d = dispatcher_;

    d.add("_bgload", [this, arg] {
        bank_.loadBackground(readPicture(arg(0)), arg(0));
        presentAfterChange();
    });
    d.add("_objload", [this, arg] {
        int32_t slot = argValue(0, 0);
        std::optional<Surface> mask = namesMaskFile(arg(2)) ? readPicture(arg(2)) : std::nullopt;
        bank_.loadPerson(slot, readPicture(arg(1)), arg(1), arg(2), std::move(mask));
    });
    d.add("_objput", [this] { putPerson(true); });
    d.add("_objset", [this] { setPersonState(); });
    d.add("_objclear", [this] { clearPersons(); });

    d.add("_efload", [this] { loadEffectCommand(); });
    d.add("_efset", [this] { setEffectCommand(); });

    d.add("_sprload", [this, arg] { loadSpriteSheet(arg(0), argValue(1, 0), argValue(2, 0), arg(3)); });
    d.add("_sprset", [this] { bank_.setSpriteCell(argValue(0, 0), argValue(1, 0), argValue(2, 0)); });
    d.add("_sprput", [this] {
        putSprite(bank_, argValue(0, 0), argValue(1, 0), argValue(2, 0), view_.image());
        present();
    });
    d.add("_sprhide", [this] {
        hideSprite(bank_, argValue(0, 0), view_.image());
        present();
    });
    d.add("_sprclear", [this] {
        hideAllSprites(bank_, view_.image());
        present();
    });
    d.add("_sprrefresh", [this] {
        drawAllSprites(bank_, view_.image());
        present();
    });
    d.add("_spranime", [this] { bank_.setSpriteAnimation(argValue(0, 0), argValue(1, 0)); });

    d.add("_refresh", [this] { presentScene(false); });
    d.add("_autorefresh", [this, arg] { autoRefreshMode = arg(0); });
    d.add("_smartrefresh", [this] { smartRefresh(); });
    d.add("_fade", [this, arg] {
        if (skipReadMode)
            presentScene(false);
        else
            runTransition(arg(0));
    });
    d.add("_shake", [this] { shakeScreen(argValue(0, 16), argValue(1, 5), argValue(2, 100)); });
    d.add("_movplay", [this] { playImageSequence(); });
}

void TFmain::putPerson(bool load) {
    const auto& a = state.ProgArgs;
    int32_t slot = argValue(0, 0);
    if (slot < 0 || slot >= kPersonSlots) return;
    const SurfaceState& st = bank_.state(personSurface(slot));
    const std::string noteX = std::to_string(st.x), noteY = std::to_string(st.y);
    if (load) {
        std::optional<Surface> mask = namesMaskFile(a[2]) ? readPicture(a[2]) : std::nullopt;
        bank_.loadPerson(slot, readPicture(a[1]), a[1], a[2], std::move(mask));
    }
    auto evaluate = [this](std::string_view text) { return evaluator_.evaluate(text); };
    bank_.placePerson(slot, 1, a[3].empty() ? noteX : a[3], a[4].empty() ? noteY : a[4], evaluate);
    presentAfterChange();
}

void TFmain::setPersonState() {
    const auto& a = state.ProgArgs;
    int32_t slot = argValue(0, 0);
    if (slot < 0 || slot >= kPersonSlots) return;
    const SurfaceState& st = bank_.state(personSurface(slot));
    int32_t show = argValue(1, st.shown);
    std::string x = a[2].empty() ? std::to_string(st.x) : a[2];
    std::string y = a[3].empty() ? std::to_string(st.y) : a[3];
    auto evaluate = [this](std::string_view text) { return evaluator_.evaluate(text); };
    bank_.placePerson(slot, show, x, y, evaluate);
    presentAfterChange();
}

void TFmain::clearPersons() {
    int32_t show = argValue(0, -1);
    auto evaluate = [this](std::string_view text) { return evaluator_.evaluate(text); };
    for (int slot = 0; slot < kPersonSlots; ++slot) {
        const SurfaceState& st = bank_.state(personSurface(slot));
        bank_.placePerson(slot, show, std::to_string(st.x), std::to_string(st.y), evaluate);
    }
    presentAfterChange();
}

void TFmain::loadEffectCommand() {
    const auto& a = state.ProgArgs;
    std::optional<Surface> mask = namesMaskFile(a[1]) ? readPicture(a[1]) : std::nullopt;
    bank_.loadEffect(readPicture(a[0]), a[0], a[1], argValue(2, 0), std::move(mask));
}

void TFmain::setEffectCommand() {
    const SurfaceState& st = bank_.state(SurfaceId::Effect);
    int32_t show = argValue(0, 0);
    if (bank_.setEffect(show, state.ProgArgs[1], argValue(2, st.x), argValue(3, st.y), argValue(4, st.order)))
        presentAfterChange();
}

void TFmain::smartRefresh() {
    const auto& a = state.ProgArgs;
    const std::string first = a[0], second = a[1], noDark = a[2];
    const bool text = textWindow.textVisible, suppressed = darknessSuppressed, dark = settings.BGDarkness;
    textWindow.textVisible = false;
    if (!noDark.empty() && noDark != "0") {
        darknessSuppressed = true;
        settings.BGDarkness = false;
    }
    if (!first.empty())
        runTransition(first);
    else
        presentScene(false);
    textWindow.textVisible = text;
    darknessSuppressed = suppressed;
    settings.BGDarkness = dark;
    if (!second.empty())
        runTransition(second);
    else
        presentScene(false);
}

void TFmain::shakeScreen(int32_t amplitude, int32_t count, int32_t delay) {
    Surface& saved = bank_[SurfaceId::Temp2];
    resizeKeeping(saved, 640, 480);
    saved.blit(view_.image(), 0, 0);
    auto offset = [amplitude] {
        if (amplitude == 0) return 0;
        int64_t span = 2 * int64_t(amplitude);
        int64_t r = std::rand() % (span < 0 ? -span : span);
        return int(r - amplitude);
    };
    for (int32_t i = 0; i < count; ++i) {
        view_.image().fill(0);
        int dx = offset();
        int dy = offset();
        view_.image().blit(saved, dx, dy);
        present();
        frameDelay(delay);
    }
    view_.image().blit(saved, 0, 0);
    present();
    frameDelay(delay);
}

void TFmain::playImageSequence() {
    const auto& a = state.ProgArgs;
    const std::string base = a[0];
    int32_t first = argValue(1, 0), last = argValue(2, 0), frameMs = argValue(3, 33), overlay = argValue(4, 0);
    std::size_t dot = base.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : base.substr(dot);
    const std::string stem = base.size() > 4 ? base.substr(0, base.size() - 4) : std::string();
    for (int32_t k = first; k <= last; ++k) {
        uint32_t start = platform_.ticks();
        int32_t digits = (k % 1000 + 1000) % 1000;
        char number[4];
        std::snprintf(number, sizeof number, "%03d", int(digits));
        const std::string frame = stem + number + ext;
        bank_.loadSurface(SurfaceId::VirtualVram, readPicture(frame), frame);
        if (overlay == 1 && textWindow.textVisible) layText(bank_, bank_[SurfaceId::VirtualVram]);
        view_.image().blit(bank_[SurfaceId::VirtualVram], 0, 0);
        present();
        frameWait(start + uint32_t(frameMs));
        if (k == INT32_MAX) break;
    }
    bank_.sceneDirty = true;
}

}  // namespace qvl
