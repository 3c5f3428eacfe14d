#pragma once
// Sound through SDL_mixer: MIDI (through FluidSynth with a General MIDI
// soundfont), WAV, MP3 and OGG. Music, MP3 and CD tracks share the mixer's music
// stream; sound effects and the text window's waves have a channel each. End
// reports are posted from the audio thread as SDL events and turned into
// MediaDone events on the engine's thread.
#include "platform/audio.h"

#include <SDL.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

struct _Mix_Music;
struct Mix_Chunk;

namespace qvl::platform {

class SdlAudio final : public AudioOutput {
public:
    SdlAudio();
    ~SdlAudio() override;
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;

    int open(MediaDevice device, const std::string& path) override;
    int play(MediaDevice device, bool notify) override;
    int stop(MediaDevice device) override;
    int close(MediaDevice device) override;
    bool isOpen(MediaDevice device) const override;
    uint32_t length(MediaDevice device) const override;
    std::string lastError() const override { return error_; }
    void queueMovieSound(const int16_t* samples, std::size_t frames) override;
    void stopMovieSound() override;

    // The SDL event type of end reports; the event's code is the device.
    uint32_t eventType() const { return eventType_; }

private:
    struct Slot {
        _Mix_Music* music = nullptr;
        Mix_Chunk* chunk = nullptr;
        uint32_t lengthMs = 0;
    };
    bool startMixer();
    static bool usesMusicStream(MediaDevice device);
    static int channelOf(MediaDevice device);
    Slot& slot(MediaDevice device) { return slots_[std::size_t(device)]; }
    const Slot& slot(MediaDevice device) const { return slots_[std::size_t(device)]; }

    std::array<Slot, 6> slots_{};
    bool tried_ = false, ready_ = false;
    std::string error_;
    uint32_t eventType_ = 0;
    // A device of its own for movie sound, opened on first use.
    SDL_AudioDeviceID movieDevice_ = 0;
    bool movieTried_ = false;
};

}  // namespace qvl::platform
