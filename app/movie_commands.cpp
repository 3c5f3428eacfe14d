// _aviplay: a movie drawn into a rectangle of the scene; the script waits for its
// end, and a click ends it at once.
#include "app/tfmain.h"
#include "base/sjis.h"
#include "platform/encoding.h"
#include "platform/movie.h"

#include <algorithm>
#include <vector>

namespace qvl {

void TFmain::registerMovieCommands() {
    dispatcher_.add("_aviplay", [this] {
        const Rect r{argValue(1, 0), argValue(2, 0), argValue(3, 640), argValue(4, 480)};
        playMovie(state.ProgArgs[0], r);
    });
}

void TFmain::playMovie(const std::string& name, Rect where) {
    const std::string expanded = sjis::replaceFirst(name, "%DATA_DRIVE%", settings.dataDriveRoot);
    const auto path = files_.resolve(expanded);
    std::string reason;
    std::unique_ptr<platform::MovieDecoder> movie =
        path ? platform::MovieDecoder::open(path->string(), &reason) : nullptr;
    if (!movie) {
        // Reported like a failed sound; the script goes on after the command.
        scriptError(platform::utf8ToSjis(path ? reason : "cannot open " + platform::sjisToUtf8(expanded)));
        return;
    }
    const platform::MovieInfo& info = movie->info();
    transcript_.write("movie", name + " " + std::to_string(info.width) + "x" + std::to_string(info.height));
    const Rect r{where.x, where.y, std::clamp(where.w, 1, 4096), std::clamp(where.h, 1, 4096)};

    const bool popup = popupAutoOpen;
    popupAutoOpen = false;
    channels.movieWaiting = 1;
    // What the movie covers comes back when it ends.
    Surface under(r.w, r.h);
    under.blit(view_.image(), 0, 0, r.x, r.y, r.w, r.h);
    Surface frame(r.w, r.h);
    input.clearClicks();
    const platform::WaitHint hint{platform::WaitKind::Input, platform::Answer::None};
    const uint32_t start = platform_.ticks();
    auto waitUntilOrClick = [&](uint32_t due) {
        while (channels.movieWaiting == 1 && !input.clickPending && int32_t(due - platform_.ticks()) > 0)
            pump(due, hint);
        if (input.clickPending) channels.movieWaiting = 0;
    };
    // The sound goes out as it is decoded, a little ahead of the pictures.
    std::vector<int16_t> sound(2 * 4096);
    platform::AudioOutput& audio = platform_.audio();
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
        loopStep();
        feedSound();
        waitUntilOrClick(start + time);
        if (channels.movieWaiting != 1) break;
        view_.image().blit(frame, r.x, r.y);
        view_.show(r);
    }
    // The last frame stays for the rest of the movie's length.
    if (channels.movieWaiting == 1) waitUntilOrClick(start + info.durationMs);
    channels.movieWaiting = 0;
    audio.stopMovieSound();
    view_.image().blit(under, r.x, r.y);
    view_.show(r);
    input.clearClicks();
    popupAutoOpen = popup;
}

}  // namespace qvl
