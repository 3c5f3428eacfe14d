#include "platform/web/web_audio.h"

#include "formats/media_probe.h"
#include "platform/regular_file.h"
#include "platform/web/web_page.h"

#include <cstdio>

namespace qvl::platform {

namespace {
constexpr int kCannotOpen = 275;  // the file is not there or cannot be read
constexpr int kUnreadable = 277;  // not a piece we can play
constexpr int kNotOpen = 263;
// The page holds the piece in memory to decode it; beyond this it is refused.
constexpr std::size_t kMaxPieceBytes = std::size_t(256) << 20;
}  // namespace

int WebAudio::open(MediaDevice device, const std::string& path) {
    close(device);
    const std::optional<std::string> bytes = readRegularFile(path, kMaxPieceBytes - 1);
    if (!bytes) {
        lastError_ = "cannot open " + path;
        return kCannotOpen;
    }
    const std::optional<MediaInfo> info = probeMedia(*bytes);
    if (!info) {
        lastError_ = "cannot play " + path;
        return kUnreadable;
    }
    if (probeMidi(*bytes)) {
        std::string why;
        const std::vector<int16_t> pcm = midi_.render(*bytes, info->durationMs, &why);
        if (pcm.empty()) {
            std::fprintf(stderr, "quorvel: %s plays silent: %s\n", path.c_str(), why.c_str());
            qvl_web_audio_open(int(device), path.c_str(), 1, info->durationMs);
        } else {
            qvl_web_audio_open_pcm(int(device), path.c_str(), pcm.data(), uint32_t(pcm.size() / 2), WebMidiSynth::kRate,
                                   info->durationMs);
        }
    } else {
        qvl_web_audio_open(int(device), path.c_str(), 0, info->durationMs);
    }
    lengths_[device] = info->durationMs;
    return 0;
}

int WebAudio::play(MediaDevice device, bool notify) {
    if (!isOpen(device)) return kNotOpen;
    qvl_web_audio_play(int(device), notify ? 1 : 0);
    return 0;
}

int WebAudio::stop(MediaDevice device) {
    if (!isOpen(device)) return kNotOpen;
    qvl_web_audio_stop(int(device));
    return 0;
}

int WebAudio::close(MediaDevice device) {
    if (lengths_.erase(device) == 0) return kNotOpen;
    qvl_web_audio_close(int(device));
    return 0;
}

bool WebAudio::isOpen(MediaDevice device) const { return lengths_.count(device) != 0; }

uint32_t WebAudio::length(MediaDevice device) const {
    auto it = lengths_.find(device);
    return it == lengths_.end() ? 0 : it->second;
}

void WebAudio::setVolume(MediaDevice device, int percent) { qvl_web_audio_set_volume(int(device), percent); }

void WebAudio::queueMovieSound(const int16_t* samples, std::size_t frames) {
    if (frames != 0) qvl_web_movie_sound(samples, int(frames));
}

void WebAudio::stopMovieSound() { qvl_web_movie_sound_stop(); }

}  // namespace qvl::platform
