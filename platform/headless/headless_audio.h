#pragma once
// Sound on the virtual clock: nothing is heard, but each piece plays for its real
// length, so completion reports, repeats and waits fall at the right virtual times.
#include "platform/audio.h"
#include "platform/events.h"
#include "platform/headless/audio_out.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace qvl::platform {

class HeadlessAudio final : public AudioOutput {
public:
    // clock: the virtual time in ms since the start of the run.
    explicit HeadlessAudio(std::function<uint64_t()> clock) : clock_(std::move(clock)) {}

    int open(MediaDevice device, const std::string& path) override;
    int play(MediaDevice device, bool notify) override;
    int stop(MediaDevice device) override;
    int close(MediaDevice device) override;
    bool isOpen(MediaDevice device) const override { return devices_.count(device) != 0; }
    uint32_t length(MediaDevice device) const override;
    std::string lastError() const override { return error_; }
    void queueMovieSound(const int16_t* samples, std::size_t frames) override;
    void stopMovieSound() override;
    // Volumes are only remembered: nothing is heard.
    void setVolume(MediaDevice device, int percent) override { volumes_[device] = percent; }
    int volume(MediaDevice device) const {
        auto it = volumes_.find(device);
        return it == volumes_.end() ? 100 : it->second;
    }

    // From now on, what would have been heard is mixed into a WAV file (see
    // AudioMixdown). False, and the reason, when the file cannot be made.
    bool recordTo(const std::string& wavPath, std::string* reason);
    // Completes the file at the run's end; true when there is none.
    bool finishRecording(std::string* reason);

    // When the next reported play ends, on the virtual clock.
    std::optional<uint64_t> nextEnd() const;
    // The report of a play that has ended by `now`, if any.
    std::optional<Event> takeEnded(uint64_t now);

private:
    struct Piece {
        std::string path;  // absolute, for the mixdown to decode
        uint32_t lengthMs = 0;
        bool playing = false, notify = false;
        uint64_t endsAt = 0;
    };
    std::function<uint64_t()> clock_;
    std::map<MediaDevice, Piece> devices_;
    std::map<MediaDevice, int> volumes_;
    std::string error_;
    std::unique_ptr<AudioMixdown> mixdown_;
};

}  // namespace qvl::platform
