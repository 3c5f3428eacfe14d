#pragma once
// Music, sound effects and CD tracks on their three channels: starting and stopping
// pieces, repeating them on completion reports, the music and sound switches, and
// the resume after a saved game is loaded. The devices are the platform's; music
// mode 2 sends MP3 music through the MP3 player with its own call order.
#include "audio/mp3_player.h"
#include "audio/playback_channels.h"
#include "platform/audio.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvl {

// What playback needs of the engine.
class PlaybackHost {
public:
    virtual ~PlaybackHost() = default;
    // A script's file name, with %DATA_DRIVE% already replaced, as a path on disk
    // (letter case and separators resolved); the name itself when nothing matches.
    virtual std::string resolve(const std::string& sjisName) = 0;
    // The file of CD track n (ripped tracks); empty when there is none.
    virtual std::string cdTrack(int32_t track) = 0;
    // Where track n starts on the disc, in ms: the lengths of the tracks before it.
    virtual int32_t cdTrackStart(int32_t /*track*/) { return 0; }
    // A device could not open its piece: the message box and the report.
    virtual void mediaFailed(const std::string& utf8Reason) = 0;
    // A transcript line ("music", "play NAME x3").
    virtual void played(std::string_view /*kind*/, std::string_view /*sjisText*/) {}
};

class Playback {
public:
    Playback(platform::AudioOutput& out, PlaybackHost& host, PlaybackChannels& channels, bool& musicOn, bool& soundOn,
             const std::string& dataDriveRoot)
        : out_(out),
          host_(host),
          ch_(channels),
          musicOn_(musicOn),
          soundOn_(soundOn),
          dataDrive_(dataDriveRoot),
          mp3_(out) {}

    // The script commands.
    void bgmMode(int32_t mode) { ch_.BgmMode = mode; }
    void bgmPlay(const std::string& name, int32_t count);
    void bgmStop();

    // Each returns the device's code: 0 when stopped cleanly or nothing to stop.
    int32_t playMusic(const std::string& name, int32_t count);
    int32_t stopMusic();
    int32_t playSound(const std::string& name, int32_t count);
    int32_t stopSound();
    int32_t playCdTrack(int32_t track, int32_t count);
    int32_t stopCd();

    // The menu switches; false when music could not be stopped (it stays on).
    void musicSwitchToggled();
    void soundSwitchToggled();
    // After a load: what the restored channels had going, as (playing, resumePending).
    struct SavedFlags {
        bool playing[3] = {};
        bool resumePending[3] = {};
    };
    void resumeAfterRestore(const SavedFlags& saved);
    void stopAllOpen();
    // After the display was switched: the CD track (and with music, the music)
    // playing for ever starts again, as the original's devices needed.
    void restartEndless(bool music);

    // A MediaDone event from the platform.
    void onCompletion(platform::MediaDevice device, platform::MediaStatus status);

    // The text window's sound codes: a wave played once, waited for or not. An
    // empty name stops the wave playing. Returns the piece's length in ms (0 when
    // nothing plays), for a caller that waits for it.
    uint32_t playWave(const std::string& name);

    // Start-up and shut-down of the MP3 player.
    void startUp(int32_t mp3Timing);
    void shutDown();

    Mp3Player& mp3() { return mp3_; }

    // "%DATA_DRIVE%" replaced (first occurrence) by the data-drive root.
    std::string expand(const std::string& name) const;

private:
    using Device = platform::MediaDevice;
    int32_t playOn(PlaybackChannel& c, Device device, const std::string& name, int32_t count, bool on,
                   std::string_view kind);
    int32_t stopOn(PlaybackChannel& c, Device device, std::string_view kind);
    bool openDevice(Device device, const std::string& path);
    int32_t playMp3(const std::string& name, int32_t count);
    void mp3Done(int32_t status);
    static bool isMp3(const std::string& name);

    platform::AudioOutput& out_;
    PlaybackHost& host_;
    PlaybackChannels& ch_;
    bool& musicOn_;
    bool& soundOn_;
    const std::string& dataDrive_;
    Mp3Player mp3_;
};

// The CD track a name stands for: the first two characters of its file-name part.
int32_t trackOfName(const std::string& name);

}  // namespace qvl
