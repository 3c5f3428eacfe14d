#include "platform/headless/headless_audio.h"

#include "formats/media_probe.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <filesystem>

namespace qvl::platform {

namespace {
constexpr int kCannotOpen = 275;  // the file is not there or cannot be read
constexpr int kUnreadable = 277;  // not a piece we can play
constexpr int kNotOpen = 263;
constexpr uint32_t kShortestPlayMs = 1;
// Larger files are not read whole just to learn their length.
constexpr std::size_t kMaxProbeBytes = std::size_t(256) << 20;
}  // namespace

int HeadlessAudio::open(MediaDevice device, const std::string& path) {
    close(device);
    std::optional<std::string> bytes = readRegularFile(path, kMaxProbeBytes - 1);
    if (!bytes) {
        error_ = "cannot open " + path;
        return kCannotOpen;
    }
    const std::optional<MediaInfo> info = probeMedia(*bytes);
    if (!info) {
        error_ = "cannot play " + path;
        return kUnreadable;
    }
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    devices_[device] = Piece{ec ? path : full.string(), info->durationMs};
    return 0;
}

int HeadlessAudio::play(MediaDevice device, bool notify) {
    auto it = devices_.find(device);
    if (it == devices_.end()) return kNotOpen;
    Piece& p = it->second;
    p.playing = true;
    p.notify = notify;
    // A piece with no length still takes a moment: repeated for ever, it would
    // otherwise end again and again without the clock ever moving.
    p.endsAt = clock_() + std::max<uint32_t>(p.lengthMs, kShortestPlayMs);
    if (mixdown_) mixdown_->start(int(device), p.path, clock_(), p.lengthMs, volume(device));
    return 0;
}

int HeadlessAudio::stop(MediaDevice device) {
    auto it = devices_.find(device);
    if (it == devices_.end()) return 0;
    it->second.playing = false;
    if (mixdown_) mixdown_->stop(int(device), clock_());
    return 0;
}

int HeadlessAudio::close(MediaDevice device) {
    if (devices_.erase(device) != 0 && mixdown_) mixdown_->stop(int(device), clock_());
    return 0;
}

void HeadlessAudio::queueMovieSound(const int16_t* samples, std::size_t frames) {
    if (mixdown_) mixdown_->queueMovie(samples, frames, clock_());
}

void HeadlessAudio::stopMovieSound() {
    if (mixdown_) mixdown_->stopMovie(clock_());
}

bool HeadlessAudio::recordTo(const std::string& wavPath, std::string* reason) {
    mixdown_ = AudioMixdown::create(wavPath, reason);
    return mixdown_ != nullptr;
}

bool HeadlessAudio::finishRecording(std::string* reason) {
    if (!mixdown_) return true;
    const bool ok = mixdown_->finish(clock_(), reason);
    mixdown_.reset();
    return ok;
}

uint32_t HeadlessAudio::length(MediaDevice device) const {
    auto it = devices_.find(device);
    return it == devices_.end() ? 0 : it->second.lengthMs;
}

std::optional<uint64_t> HeadlessAudio::nextEnd() const {
    std::optional<uint64_t> next;
    for (const auto& [device, p] : devices_)
        if (p.playing && p.notify && (!next || p.endsAt < *next)) next = p.endsAt;
    return next;
}

std::optional<Event> HeadlessAudio::takeEnded(uint64_t now) {
    for (auto& [device, p] : devices_) {
        if (!p.playing || p.endsAt > now) continue;
        // The piece stands at its end; a report goes out only when one was asked for.
        p.playing = false;
        if (!p.notify) continue;
        Event e;
        e.type = Event::Type::MediaDone;
        e.id = int(device);
        e.status = int(MediaStatus::Successful);
        return e;
    }
    return std::nullopt;
}

}  // namespace qvl::platform
