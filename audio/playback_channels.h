#pragma once
// The three playback channels, music, sound effect and CD, in that order (saves
// keep them in this order), and the music mode the scenario chose.
#include <array>
#include <cstdint>
#include <string>

namespace qvl {

struct PlaybackChannel {
    // The piece as the script named it (before %DATA_DRIVE% is replaced), or for the
    // CD the track number as decimal text.
    std::string fileName;
    int32_t playCount = 0;    // plays started since the last play command
    int32_t loopLimit = 0;    // plays asked for; 0: for ever
    int32_t trackStart = 0;   // CD: start of the track, ms from the start of the disc
    int32_t trackLength = 0;  // CD: length of the track in ms
    bool playing = false;     // started and not stopped (stays set when a piece ends)
    bool deviceOpen = false;
    bool resumePending = false;  // asked to play while switched off, or cut off by it

    // Whether the channel is in use: playing, open, or waiting to resume.
    bool active() const { return playing || deviceOpen || resumePending; }
};

class PlaybackChannels {
public:
    enum Index : std::size_t { kMusic = 0, kSound = 1, kCd = 2 };

    PlaybackChannel& operator[](Index i) { return channels_[i]; }
    const PlaybackChannel& operator[](Index i) const { return channels_[i]; }
    std::array<PlaybackChannel, 3>& all() { return channels_; }
    const std::array<PlaybackChannel, 3>& all() const { return channels_; }

    // The state at start-up: every channel idle, no music mode chosen.
    void reset();

    // Set by the scenario for the whole run; not saved with a game, kept by loads.
    int32_t BgmMode = -1;
    // A movie is playing and the script waits for it.
    int32_t movieWaiting = 0;

private:
    std::array<PlaybackChannel, 3> channels_{};
};

}  // namespace qvl
