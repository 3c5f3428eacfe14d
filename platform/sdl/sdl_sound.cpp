#include "platform/sdl/sdl_sound.h"

#include "platform/media_module.h"
#include "platform/sdl/sdl_audio.h"

#include <cstdio>

namespace qvl::platform {

SdlSound::SdlSound() = default;
SdlSound::~SdlSound() = default;

AudioOutput* SdlSound::load() {
    if (tried_) return audio_.get();
    tried_ = true;
    std::string reason;
    using Entry = const MixerModule* (*)();
    auto entry = reinterpret_cast<Entry>(openOwnModule(kMixerModuleFile, kMixerModuleEntry, &reason));
    if (!entry) {
        std::fprintf(stderr, "quorvel: no sound (%s)\n", reason.c_str());
        return nullptr;
    }
    module_ = entry();
    audio_ = module_->create();
    for (std::size_t d = 0; d < volumes_.size(); ++d) {
        if (volumes_[d]) audio_->setVolume(MediaDevice(d), *volumes_[d]);
        if (plays_[d]) audio_->setPlays(MediaDevice(d), *plays_[d]);
    }
    return audio_.get();
}

int SdlSound::open(MediaDevice device, const std::string& path) {
    AudioOutput* a = load();
    return a ? a->open(device, path) : 0;
}

int SdlSound::play(MediaDevice device, bool notify) {
    return audio_ ? audio_->play(device, notify) : 0;
}

int SdlSound::stop(MediaDevice device) {
    return audio_ ? audio_->stop(device) : 0;
}

int SdlSound::close(MediaDevice device) {
    return audio_ ? audio_->close(device) : 0;
}

bool SdlSound::isOpen(MediaDevice device) const {
    return audio_ && audio_->isOpen(device);
}

uint32_t SdlSound::length(MediaDevice device) const {
    return audio_ ? audio_->length(device) : 0;
}

std::string SdlSound::lastError() const {
    return audio_ ? audio_->lastError() : std::string();
}

void SdlSound::setPlays(MediaDevice device, int32_t plays) {
    if (audio_) return audio_->setPlays(device, plays);
    if (std::size_t(device) < plays_.size()) plays_[std::size_t(device)] = plays;
}

void SdlSound::setVolume(MediaDevice device, int percent) {
    if (audio_) return audio_->setVolume(device, percent);
    if (std::size_t(device) < volumes_.size()) volumes_[std::size_t(device)] = percent;
}

void SdlSound::queueMovieSound(const int16_t* samples, std::size_t frames) {
    if (AudioOutput* a = load()) a->queueMovieSound(samples, frames);
}

void SdlSound::stopMovieSound() {
    if (audio_) audio_->stopMovieSound();
}

std::optional<bool> SdlSound::endReport(const SDL_Event& e) const {
    if (!audio_ || e.type != module_->eventType(*audio_)) return std::nullopt;
    return module_->isCurrentReport(e);
}

}  // namespace qvl::platform
