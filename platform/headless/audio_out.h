#pragma once
// What a headless run would have sounded like: every piece started and stopped at
// its virtual time, decoded, mixed and written as a WAV file (44100 Hz, stereo,
// signed 16-bit). Mixing follows the virtual clock as it moves, so only the pieces
// sounding at the moment are held, each as a decoder, never a whole run.
#include "platform/sound_decoder.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace qvl::platform {

class AudioMixdown {
public:
    // Creates the file. Nothing, and the reason, when it cannot be written.
    static std::unique_ptr<AudioMixdown> create(const std::string& wavPath, std::string* reason);
    ~AudioMixdown();
    AudioMixdown(const AudioMixdown&) = delete;
    AudioMixdown& operator=(const AudioMixdown&) = delete;

    // Times are virtual milliseconds since the start of the run and never go back.
    // A voice (one per device) starts the file at `path` and sounds for at most
    // lengthMs, the length the virtual clock gives it, at `percent` of its level;
    // a new start replaces it.
    void start(int voice, const std::string& path, uint64_t atMs, uint32_t lengthMs, int percent = 100);
    void stop(int voice, uint64_t atMs);
    // Movie sound, played on from where the queue stands (at once when it ran dry).
    void queueMovie(const int16_t* samples, std::size_t frames, uint64_t atMs);
    void stopMovie(uint64_t atMs);

    // Mixes up to endMs, lets the pieces still sounding then play to the end of
    // their current play (ten minutes at most), and completes the file. False, and the reason, when it
    // could not be written whole.
    bool finish(uint64_t endMs, std::string* reason);

    // Sample frames written so far.
    uint64_t frames() const { return written_; }

private:
    struct Voice {
        std::unique_ptr<SoundStream> stream;
        uint64_t end = 0;  // in sample frames
        int32_t level = 256;  // 256: as decoded
    };
    explicit AudioMixdown(std::FILE* file, std::string path) : file_(file), path_(std::move(path)) {}
    void renderTo(uint64_t frame);
    void write(const int16_t* samples, std::size_t count);

    std::FILE* file_;
    std::string path_;
    SoundDecoder decoder_;
    std::map<int, Voice> voices_;
    std::vector<int16_t> movie_;  // queued movie sound from movieRead_ on
    std::size_t movieRead_ = 0;
    uint64_t written_ = 0;
    bool full_ = false, failed_ = false;
    std::set<std::string> warned_;
    std::vector<int32_t> mix_;
    std::vector<int16_t> block_;
};

// Virtual milliseconds as sample frames at the mixing rate.
constexpr uint64_t msToFrames(uint64_t ms) { return (ms * 441 + 5) / 10; }

}  // namespace qvl::platform
