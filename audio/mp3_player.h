#pragma once
// The MP3 player of music mode 2, with the calls and the order of use the
// scenarios were made against: init once, options with the timing value, then per
// piece open, callback, play, and stop and close, and free at the end. The sound
// itself comes from the platform's MP3 device.
#include "platform/audio.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qvl {

class Mp3Player {
public:
    explicit Mp3Player(platform::AudioOutput& out) : out_(out) {}

    void init();
    // The four option fields, read and then set as 30, 10, timing, 0.
    std::array<int32_t, 4> getOption() const { return options_; }
    void setOption(const std::array<int32_t, 4>& options);
    // Nonzero when the file is open.
    int32_t open(const std::string& path);
    // The completion callback: status 4 when the file has played to its end.
    void callback(std::function<void(int32_t status, int32_t)> done);
    void play();
    void stop();
    void close();
    void free();

    // A report from the platform's MP3 device.
    void onCompletion(platform::MediaStatus status);
    // Every call made, in order, for the record.
    const std::vector<std::string>& calls() const { return calls_; }

private:
    void record(std::string call);

    platform::AudioOutput& out_;
    std::array<int32_t, 4> options_{};
    std::function<void(int32_t, int32_t)> done_;
    std::vector<std::string> calls_;
};

}  // namespace qvl
