// The channels' logic against a recording device: counts and repeats, the
// switches, music modes, the MP3 player's call order, resumes and failures.
#include "audio/playback.h"

#include <gtest/gtest.h>

#include <map>

namespace qvl {
namespace {

using platform::MediaDevice;
using platform::MediaStatus;

class RecordingOutput final : public platform::AudioOutput {
public:
    int open(MediaDevice d, const std::string& path) override {
        log.push_back("open " + std::to_string(int(d)) + " " + path);
        if (path.find("missing") != std::string::npos) return 275;
        opened[d] = path;
        return 0;
    }
    int play(MediaDevice d, bool notify) override {
        log.push_back("play " + std::to_string(int(d)) + (notify ? " notify" : ""));
        return 0;
    }
    int stop(MediaDevice d) override {
        log.push_back("stop " + std::to_string(int(d)));
        return stopCode;
    }
    int close(MediaDevice d) override {
        log.push_back("close " + std::to_string(int(d)));
        if (stopCode == 0) opened.erase(d);
        return stopCode;
    }
    bool isOpen(MediaDevice d) const override { return opened.count(d) != 0; }
    uint32_t length(MediaDevice) const override { return 1500; }
    std::string lastError() const override { return "cannot open it"; }

    std::vector<std::string> log;
    std::map<MediaDevice, std::string> opened;
    int stopCode = 0;
};

class RecordingHost final : public PlaybackHost {
public:
    std::string resolve(const std::string& name) override { return "/s/" + name; }
    std::string cdTrack(int32_t track) override { return track == 99 ? "" : "/cd/" + std::to_string(track); }
    int32_t cdTrackStart(int32_t track) override { return (track - 1) * 1500; }
    void mediaFailed(const std::string& reason) override { failures.push_back(reason); }
    void played(std::string_view kind, std::string_view text) override {
        lines.push_back(std::string(kind) + ": " + std::string(text));
    }
    std::vector<std::string> failures, lines;
};

struct Rig {
    RecordingOutput out;
    RecordingHost host;
    PlaybackChannels channels;
    bool musicOn = true, soundOn = true;
    std::string drive = "Q:\\";
    Playback playback{out, host, channels, musicOn, soundOn, drive};
    PlaybackChannel& music() { return channels[PlaybackChannels::kMusic]; }
    PlaybackChannel& sound() { return channels[PlaybackChannels::kSound]; }
    PlaybackChannel& cd() { return channels[PlaybackChannels::kCd]; }
    void end(MediaDevice d) { playback.onCompletion(d, MediaStatus::Successful); }
};

TEST(Playback, ACountOfThreePlaysThreeTimesAndTheChannelStaysPlaying) {
    Rig r;
    r.playback.bgmMode(0);
    r.playback.bgmPlay("theme", 3);
    EXPECT_EQ(r.music().fileName, "theme.mid");
    for (int i = 0; i < 5; ++i) r.end(MediaDevice::Music);
    EXPECT_EQ(r.music().playCount, 3);
    EXPECT_TRUE(r.music().playing);
    EXPECT_EQ(std::count(r.out.log.begin(), r.out.log.end(), "play 1 notify"), 3);
    // A failed or superseded end never repeats.
    Rig s;
    s.playback.playMusic("a.mid", 0);
    s.playback.onCompletion(MediaDevice::Music, MediaStatus::Aborted);
    EXPECT_EQ(s.music().playCount, 1);
}

TEST(Playback, ACountOfZeroRepeatsUntilStoppedAndANewPieceClosesTheOldFirst) {
    Rig r;
    r.playback.playMusic("a.mid", 0);
    for (int i = 0; i < 10; ++i) r.end(MediaDevice::Music);
    EXPECT_EQ(r.music().playCount, 11);
    r.out.log.clear();
    r.playback.playMusic("b.mid", 0);
    EXPECT_EQ(r.out.log, (std::vector<std::string>{"stop 1", "close 1", "open 1 /s/b.mid", "play 1 notify"}));
    r.playback.stopMusic();
    EXPECT_FALSE(r.music().playing);
    EXPECT_FALSE(r.music().deviceOpen);
    EXPECT_EQ(r.music().playCount, 0);
}

TEST(Playback, TheMusicSwitchCutsAndResumesOnlyEndlessPieces) {
    Rig r;
    r.playback.playMusic("a.mid", 0);
    r.playback.musicSwitchToggled();
    EXPECT_FALSE(r.musicOn);
    EXPECT_TRUE(r.music().resumePending);
    EXPECT_FALSE(r.music().deviceOpen);
    r.playback.musicSwitchToggled();
    EXPECT_TRUE(r.musicOn);
    EXPECT_TRUE(r.music().playing);

    Rig off;
    off.musicOn = false;
    off.playback.bgmMode(0);
    off.playback.bgmPlay("theme", 2);
    EXPECT_TRUE(off.music().resumePending);
    EXPECT_FALSE(off.music().playing);
    off.playback.musicSwitchToggled();
    EXPECT_FALSE(off.music().playing) << "a finite count is not resumed";

    Rig stuck;
    stuck.playback.playMusic("a.mid", 0);
    stuck.out.stopCode = 5;
    stuck.playback.musicSwitchToggled();
    EXPECT_TRUE(stuck.musicOn) << "music stays on while its device will not stop";
}

TEST(Playback, TheSoundSwitchWorksTheSameWayOnTheEffects) {
    Rig r;
    r.playback.playSound("s.wav", 0);
    r.playback.soundSwitchToggled();
    EXPECT_TRUE(r.sound().resumePending);
    EXPECT_FALSE(r.sound().deviceOpen);
    r.playback.soundSwitchToggled();
    EXPECT_TRUE(r.sound().playing);
    EXPECT_EQ(r.host.lines.back(), "sound: play s.wav");
}

TEST(Playback, MusicModesChooseTheExtensionOrTheCd) {
    Rig ignored;
    ignored.playback.bgmPlay("theme", 1);
    EXPECT_TRUE(ignored.out.log.empty()) << "before any _bgmmode the command does nothing";

    Rig cd;
    cd.playback.bgmMode(4);
    cd.playback.bgmPlay("bgm\\05song", 0);
    EXPECT_EQ(cd.music().fileName, "bgm\\05song.cda");
    EXPECT_EQ(cd.cd().fileName, "5");
    EXPECT_TRUE(cd.cd().playing);
    EXPECT_EQ(cd.cd().trackLength, 1500);
    EXPECT_EQ(cd.cd().trackStart, 6000) << "after four tracks of 1.5 s";
    cd.playback.bgmStop();
    EXPECT_FALSE(cd.cd().playing);

    Rig wav;
    wav.playback.bgmMode(3);
    wav.playback.bgmPlay("%DATA_DRIVE%bgm\\a", 0);
    EXPECT_EQ(wav.music().fileName, "%DATA_DRIVE%bgm\\a.wav") << "the channel keeps the name as given";
    EXPECT_EQ(wav.out.opened[MediaDevice::Music], "/s/Q:\\bgm\\a.wav");
}

TEST(Playback, Mp3MusicInModeTwoGoesThroughThePlayerInItsCallOrder) {
    Rig r;
    r.playback.startUp(7);
    r.playback.bgmMode(2);
    r.playback.playMusic("x.MP3", 2);
    r.end(MediaDevice::Mp3);
    r.end(MediaDevice::Mp3);
    r.playback.stopMusic();
    r.playback.shutDown();
    EXPECT_EQ(r.playback.mp3().calls(),
              (std::vector<std::string>{"init", "setOption 30,10,7,0", "open", "callback", "play", "callback", "play",
                                        "stop", "close", "free"}));
    EXPECT_EQ(r.music().playCount, 0);

    Rig other;
    other.playback.bgmMode(1);
    other.playback.playMusic("x.mp3", 0);
    EXPECT_TRUE(other.out.isOpen(MediaDevice::Music)) << "outside mode 2 an MP3 is the music device's";
}

TEST(Playback, ResumeAfterALoadRestartsByTheMode) {
    Rig r;
    r.music() = {"a.mid", 0, 0, 0, 0, false, false, false};
    r.sound() = {"s.wav", 0, 2, 0, 0, false, false, false};
    Playback::SavedFlags flags;
    flags.playing[0] = flags.playing[1] = true;
    r.playback.resumeAfterRestore(flags);
    EXPECT_TRUE(r.music().playing);
    EXPECT_FALSE(r.sound().playing) << "a finite count is not resumed in mode -1";

    Rig mode3;
    mode3.playback.bgmMode(3);
    mode3.music() = {"theme.mid", 0, 4, 0, 0, false, false, false};
    Playback::SavedFlags music;
    music.resumePending[0] = true;
    mode3.playback.resumeAfterRestore(music);
    EXPECT_EQ(mode3.music().fileName, "theme.wav");
    EXPECT_EQ(mode3.music().loopLimit, 4);
}

TEST(Playback, AFileThatWillNotOpenIsReportedAndLeavesTheChannelClosed) {
    Rig r;
    r.playback.playMusic("missing.mid", 0);
    EXPECT_EQ(r.host.failures.size(), 1u);
    EXPECT_FALSE(r.music().deviceOpen);
    EXPECT_FALSE(r.music().playing);
    r.playback.playCdTrack(99, 0);
    EXPECT_EQ(r.host.failures.size(), 2u) << "no ripped track 99";
    EXPECT_EQ(r.playback.playWave("missing.wav"), 0u) << "the text window's waves fail quietly";
    EXPECT_EQ(r.host.failures.size(), 2u);
}

}  // namespace
}  // namespace qvl
