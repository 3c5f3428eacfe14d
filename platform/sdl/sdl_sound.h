#pragma once
// The window's sound: SdlAudio, loaded from the mixer module when a scenario first
// opens a piece or plays a movie's sound, so that SDL_mixer, FluidSynth and their
// decoders stay out of a run that never plays anything. Volumes and play counts
// set before then are kept and handed over. Without the module (or a sound card)
// everything plays silently.
#include "platform/audio.h"

#include <SDL.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace qvl::platform {

struct MixerModule;

class SdlSound final : public AudioOutput {
public:
    SdlSound();
    ~SdlSound() override;
    SdlSound(const SdlSound&) = delete;
    SdlSound& operator=(const SdlSound&) = delete;

    int open(MediaDevice device, const std::string& path) override;
    int play(MediaDevice device, bool notify) override;
    int stop(MediaDevice device) override;
    int close(MediaDevice device) override;
    bool isOpen(MediaDevice device) const override;
    uint32_t length(MediaDevice device) const override;
    std::string lastError() const override;
    void setPlays(MediaDevice device, int32_t plays) override;
    void setVolume(MediaDevice device, int percent) override;
    void queueMovieSound(const int16_t* samples, std::size_t frames) override;
    void stopMovieSound() override;

    // For an end report of the mixer (an SDL event of its own type): whether its
    // play is still the current one. Nothing for any other event.
    std::optional<bool> endReport(const SDL_Event& e) const;

private:
    // The mixer, loaded on the first call; null when it cannot be.
    AudioOutput* load();

    const MixerModule* module_ = nullptr;
    std::unique_ptr<AudioOutput> audio_;
    bool tried_ = false;
    std::array<std::optional<int>, 6> volumes_{};
    std::array<std::optional<int32_t>, 6> plays_{};
};

}  // namespace qvl::platform
