// The scene: presentation, transitions, persons, the effect layer, sprites, the
// shake, image sequences, the effects and movies.
#include "app/scene.h"

#include "app/effect_link.h"
#include "app/tfmain.h"
#include "base/sjis.h"
#include "graphics/masks.h"
#include "graphics/transitions.h"
#include "platform/encoding.h"
#include "platform/movie.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace qvl {

namespace {

// The engine's side of a transition: frames go through the window view, and each
// wait makes the frame last at least its time, counted from the frame's start: a
// slow frame is not shortened further, and later frames do not catch up.
class TransitionLink final : public TransitionHost {
public:
    TransitionLink(TFmain& main, RunCycle& cycle, platform::Platform& platform)
        : main_(main), cycle_(cycle), platform_(platform), frameStart_(platform.ticks()) {}
    Surface& window() override { return main_.view().image(); }
    void showFrame(std::optional<Rect> changed) override { main_.view().show(changed); }
    void delayMs(int32_t ms) override {
        waits_ += std::max(ms, 0);
        cycle_.waitUntil(frameStart_ + uint32_t(std::max(ms, 0)));
        frameStart_ = platform_.ticks();
    }
    void pumpOnce() override {
        cycle_.pump(platform_.ticks(), {});
        frameStart_ = platform_.ticks();
    }
    void composeScene() override { qvl::composeScene(main_.bank(), main_.scene.darkness()); }
    int64_t waits() const { return waits_; }

private:
    TFmain& main_;
    RunCycle& cycle_;
    platform::Platform& platform_;
    uint32_t frameStart_;
    int64_t waits_ = 0;
};

}  // namespace

Darkness Scene::darkness() const {
    return {main_.settings.BGDarkness, darknessSuppressed, main_.settings.DarknessRate};
}

void Scene::presentScene(bool withoutText) {
    qvl::presentScene(main_.bank(), main_.view().image(), darkness(), withoutText, main_.textWindow.textVisible);
    main_.view().show();
    main_.cycle.pump(main_.platform().ticks(), {});  // let pending events run once
}

void Scene::presentAfterChange() {
    if (autoRefreshMode == "0") return;
    if (autoRefreshMode == "1")
        presentScene(false);
    else
        runTransition(autoRefreshMode);
}

void Scene::runTransition(const std::string& name) {
    // The frame every transition shares: no popup menu on a right click and no
    // clicks taken while it runs, the scene composed again afterwards (that takes
    // away the text some families burn into it) without showing it, so an unknown
    // name leaves the screen as it was.
    platform::Platform& platform = main_.platform();
    SurfaceBank& bank = main_.bank();
    InputFlags& input = main_.cycle.input;
    bool& popupAutoOpen = main_.shell.popupAutoOpen;
    const bool popup = popupAutoOpen, clicks = input.clicksAccepted;
    popupAutoOpen = false;
    input.clicksAccepted = false;
    resizeKeeping(bank[SurfaceId::Temp2], 640, 480);
    resizeKeeping(bank[SurfaceId::Temp1], 640, 480);
    TransitionLink link(main_, main_.cycle, platform);
    const uint32_t started = platform.ticks();
    const bool ran = runNamedTransition(name, bank, main_.textWindow.textVisible, link);
    if (ran && main_.options.verbose)
        std::cerr << "transition: " << platform::sjisToUtf8(name) << " " << int32_t(platform.ticks() - started)
                  << " ms, waits " << link.waits() << " ms\n";
    composeScene(bank, darkness());
    bank.sceneDirty = false;
    input.clicksAccepted = clicks;
    popupAutoOpen = popup;
}

std::optional<Surface> Scene::maskPicture(const std::string& transparency) {
    return namesMaskFile(transparency) ? main_.pictures.read(transparency) : std::nullopt;
}

void Scene::loadBackground(const std::string& file) {
    main_.bank().loadBackground(main_.pictures.read(file), file);
}

void Scene::loadPerson(int32_t slot, const std::string& file, const std::string& transparency) {
    std::optional<Surface> mask = maskPicture(transparency);
    main_.bank().loadPerson(slot, main_.pictures.read(file), file, transparency, std::move(mask));
}

void Scene::placePerson(int32_t slot, int32_t show, const std::string& x, const std::string& y) {
    auto evaluate = [this](std::string_view text) { return main_.evaluator.evaluate(text); };
    main_.bank().placePerson(slot, show, x, y, evaluate);
}

void Scene::loadEffect(const std::string& file, const std::string& transparency, int32_t mode,
                       std::optional<Surface> mask) {
    main_.bank().loadEffect(main_.pictures.read(file), file, transparency, mode, std::move(mask));
}

void Scene::setEffect(int32_t show, const std::string& kind, int32_t x, int32_t y, int32_t order) {
    if (main_.bank().setEffect(show, kind, x, y, order)) presentAfterChange();
}

void Scene::loadSpriteSheet(const std::string& file, int32_t cellWidth, int32_t cellHeight,
                            const std::string& transparency) {
    std::optional<Surface> mask = maskPicture(transparency);
    main_.bank().loadSpriteSheet(main_.pictures.read(file), file, cellWidth, cellHeight, transparency, std::move(mask));
}

void Scene::putSprite(int32_t slot, int32_t x, int32_t y) {
    qvl::putSprite(main_.bank(), slot, x, y, main_.view().image());
    main_.view().show();
}

void Scene::hideSprite(int32_t slot) {
    qvl::hideSprite(main_.bank(), slot, main_.view().image());
    main_.view().show();
}

void Scene::hideAllSprites() {
    qvl::hideAllSprites(main_.bank(), main_.view().image());
    main_.view().show();
}

void Scene::drawAllSprites() {
    qvl::drawAllSprites(main_.bank(), main_.view().image());
    main_.view().show();
}

void Scene::smartRefresh(const std::string& first, const std::string& second, const std::string& noDark) {
    TextWindowState& textWindow = main_.textWindow;
    EngineSettings& settings = main_.settings;
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

void Scene::shake(int32_t amplitude, int32_t count, int32_t delay) {
    WindowView& view = main_.view();
    Surface& saved = main_.bank()[SurfaceId::Temp2];
    resizeKeeping(saved, 640, 480);
    saved.blit(view.image(), 0, 0);
    auto offset = [amplitude] {
        if (amplitude == 0) return 0;
        int64_t span = 2 * int64_t(amplitude);
        int64_t r = std::rand() % (span < 0 ? -span : span);
        return int(r - amplitude);
    };
    for (int32_t i = 0; i < count; ++i) {
        view.image().fill(0);
        int dx = offset();
        int dy = offset();
        view.image().blit(saved, dx, dy);
        view.show();
        main_.cycle.frameDelay(delay);
    }
    view.image().blit(saved, 0, 0);
    view.show();
    main_.cycle.frameDelay(delay);
}

void Scene::playImageSequence(const std::string& base, int32_t first, int32_t last, int32_t frameMs, int32_t overlay) {
    SurfaceBank& bank = main_.bank();
    WindowView& view = main_.view();
    std::size_t dot = base.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : base.substr(dot);
    const std::string stem = base.size() > 4 ? base.substr(0, base.size() - 4) : std::string();
    for (int32_t k = first; k <= last; ++k) {
        uint32_t start = main_.platform().ticks();
        int32_t digits = (k % 1000 + 1000) % 1000;
        char number[4];
        std::snprintf(number, sizeof number, "%03d", int(digits));
        const std::string frame = stem + number + ext;
        bank.loadSurface(SurfaceId::VirtualVram, main_.pictures.read(frame), frame);
        if (overlay == 1 && main_.textWindow.textVisible) layText(bank, bank[SurfaceId::VirtualVram]);
        view.image().blit(bank[SurfaceId::VirtualVram], 0, 0);
        view.show();
        main_.cycle.frameWait(start + uint32_t(frameMs));
        if (k == INT32_MAX) break;
    }
    bank.sceneDirty = true;
}

void Scene::scrollRoll(const ScrollSettings& settings, const std::vector<std::string>& lines) {
    EffectLink link(main_);
    qvl::scrollRoll(link, settings, lines);
}

void Scene::blackHole(const BlackHoleArgs& args) {
    EffectLink link(main_);
    qvl::blackHole(link, args);
}

void Scene::playMovie(const std::string& name, Rect where) {
    platform::Platform& platform = main_.platform();
    WindowView& view = main_.view();
    PlaybackChannels& channels = main_.channels;
    InputFlags& input = main_.cycle.input;
    bool& popupAutoOpen = main_.shell.popupAutoOpen;
    const std::string expanded = sjis::replaceFirst(name, "%DATA_DRIVE%", main_.settings.dataDriveRoot);
    const auto path = main_.files.resolve(expanded);
    std::string reason;
    std::unique_ptr<platform::MovieDecoder> movie =
        path ? platform::MovieDecoder::open(path->string(), &reason) : nullptr;
    if (!movie) {
        // Reported like a failed sound; the script goes on after the command.
        main_.boxes.scriptError(platform::utf8ToSjis(path ? reason : "cannot open " + platform::sjisToUtf8(expanded)));
        return;
    }
    const platform::MovieInfo& info = movie->info();
    main_.transcript.write("movie", name + " " + std::to_string(info.width) + "x" + std::to_string(info.height));
    const Rect r{where.x, where.y, std::clamp(where.w, 1, 4096), std::clamp(where.h, 1, 4096)};

    const bool popup = popupAutoOpen;
    popupAutoOpen = false;
    channels.movieWaiting = 1;
    // What the movie covers comes back when it ends.
    Surface under(r.w, r.h);
    under.blit(view.image(), 0, 0, r.x, r.y, r.w, r.h);
    Surface frame(r.w, r.h);
    input.clearClicks();
    const platform::WaitHint hint{platform::WaitKind::Input, platform::Answer::None};
    const uint32_t start = platform.ticks();
    auto waitUntilOrClick = [&](uint32_t due) {
        while (channels.movieWaiting == 1 && !input.clickPending && int32_t(due - platform.ticks()) > 0)
            main_.cycle.pump(due, hint);
        if (input.clickPending) channels.movieWaiting = 0;
    };
    // The sound goes out as it is decoded, a little ahead of the pictures.
    std::vector<int16_t> sound(2 * 4096);
    platform::AudioOutput& audio = platform.audio();
    auto feedSound = [&] {
        if (!info.hasAudio) return;
        for (int i = 0; i < 8; ++i) {
            const std::size_t frames = movie->readAudio(sound);
            if (frames == 0) break;
            audio.queueMovieSound(sound.data(), frames);
        }
    };
    uint32_t time = 0;
    while (channels.movieWaiting == 1 && movie->nextFrame(frame, time)) {
        // A file may put every frame at one time: each counts, so the step limit ends
        // what the clock would not.
        main_.cycle.loopStep();
        feedSound();
        waitUntilOrClick(start + time);
        if (channels.movieWaiting != 1) break;
        view.image().blit(frame, r.x, r.y);
        view.show(r);
    }
    // The last frame stays for the rest of the movie's length.
    if (channels.movieWaiting == 1) waitUntilOrClick(start + info.durationMs);
    channels.movieWaiting = 0;
    audio.stopMovieSound();
    view.image().blit(under, r.x, r.y);
    view.show(r);
    input.clearClicks();
    popupAutoOpen = popup;
}

}  // namespace qvl
