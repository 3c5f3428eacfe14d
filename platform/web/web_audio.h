#pragma once
// Sound in the browser: the page decodes WAV, MP3 and Ogg with Web Audio and plays
// them on one source per device; the end of a play comes back as a queued
// MediaDone event. Lengths come from our own probes, as in the other backends.
// MIDI is rendered here (WebMidiSynth) and handed to the page as samples; should
// that fail, the piece plays silent for its length (the page warns on its
// console), so a scenario goes on as it would with sound.
#include "platform/audio.h"
#include "platform/web/web_midi_synth.h"

#include <cstdint>
#include <map>
#include <string>

namespace qvl::platform {

class WebAudio : public AudioOutput {
public:
    int open(MediaDevice device, const std::string& path) override;
    int play(MediaDevice device, bool notify) override;
    int stop(MediaDevice device) override;
    int close(MediaDevice device) override;
    bool isOpen(MediaDevice device) const override;
    uint32_t length(MediaDevice device) const override;
    std::string lastError() const override { return lastError_; }
    void setVolume(MediaDevice device, int percent) override;
    // A movie's sound: queued on the page back to back, as the movie decodes it.
    void queueMovieSound(const int16_t* samples, std::size_t frames) override;
    void stopMovieSound() override;

private:
    std::map<MediaDevice, uint32_t> lengths_;  // the open pieces, in ms
    std::string lastError_;
    WebMidiSynth midi_;
};

}  // namespace qvl::platform
