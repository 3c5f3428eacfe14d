#pragma once
// Sound through SDL_mixer: MIDI (through FluidSynth with a General MIDI
// soundfont), WAV, MP3 and OGG. Music, MP3 and CD tracks share the mixer's music
// stream; sound effects and the text window's waves have a channel each. End
// reports are posted from the audio thread as SDL events and turned into
// MediaDone events on the engine's thread. Built as the mixer module, which the
// window's SdlSound opens when a scenario first plays something: SDL_mixer brings
// FluidSynth and a dozen decoders with it.
#include "platform/audio.h"

#include <SDL.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
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
    void setVolume(MediaDevice device, int percent) override;
    void setPlays(MediaDevice device, int32_t plays) override;

    // The SDL event type of end reports; the event's code is the device.
    uint32_t eventType() const { return eventType_; }
    // False for the report of a play that was stopped or replaced after it was sent.
    static bool isCurrentReport(const SDL_Event& e);
    // For tests: called on the audio thread with every block the mixer sends out
    // (interleaved stereo, signed 16-bit at 44100 Hz as opened). Set before the
    // first open.
    void setOutputTap(std::function<void(const int16_t* samples, std::size_t frames)> tap) { tap_ = std::move(tap); }

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
    static void postMix(void* self, uint8_t* stream, int bytes);
    uint32_t measureLength(const std::string& path);
    const Slot& slot(MediaDevice device) const { return slots_[std::size_t(device)]; }

    std::array<Slot, 6> slots_{};
    std::array<int, 6> volumes_{100, 100, 100, 100, 100, 100};  // percent, per device
    void applyVolume(MediaDevice device);
    std::array<int32_t, 6> plays_{1, 1, 1, 1, 1, 1};  // for the next start, per device
    std::function<void(const int16_t*, std::size_t)> tap_;
    int bytesPerFrame_ = 4, frequency_ = 44100;
    bool s16Stereo_ = true;
    bool tried_ = false, ready_ = false;
    std::string error_;
    uint32_t eventType_ = 0;
    // A device of its own for movie sound, opened on first use.
    SDL_AudioDeviceID movieDevice_ = 0;
    bool movieTried_ = false;
};

// What the mixer module hands out: one table, looked up by the name below. The
// program reaches the SdlAudio it makes only as an AudioOutput and through here.
struct MixerModule {
    std::unique_ptr<AudioOutput> (*create)();
    uint32_t (*eventType)(const AudioOutput& audio);  // of the one create() made
    bool (*isCurrentReport)(const SDL_Event& e);
};

inline constexpr const char* kMixerModuleFile = "quorvel-mixer.so";
inline constexpr const char* kMixerModuleEntry = "qvl_mixer_module";

}  // namespace qvl::platform
