#include "audio/playback.h"

#include "base/numbers.h"
#include "base/sjis.h"

namespace qvl {

using platform::MediaDevice;
using platform::MediaStatus;

namespace {

constexpr int32_t kMp3Done = 4;

std::string extensionOf(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    const std::size_t slash = name.find_last_of("\\/:");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return sjis::toLower(name.substr(dot));
}

}  // namespace

int32_t trackOfName(const std::string& name) {
    const std::size_t slash = name.find_last_of("\\/:");
    const std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    return toInt(file.substr(0, 2));
}

std::string Playback::expand(const std::string& name) const {
    return sjis::replaceFirst(name, "%DATA_DRIVE%", dataDrive_);
}

bool Playback::isMp3(const std::string& name) {
    return extensionOf(name) == ".mp3";
}

bool Playback::openDevice(Device device, const std::string& path) {
    if (out_.open(device, path) == 0) return true;
    // The command is abandoned; the channel stays closed.
    host_.mediaFailed(out_.lastError());
    return false;
}

int32_t Playback::playOn(PlaybackChannel& c, Device device, const std::string& name, int32_t count, bool on,
                         std::string_view kind) {
    const std::string path = host_.resolve(expand(name));
    int32_t r = 0;
    // Music may have been an MP3 of the player, which stops its own way.
    if (c.playing) r = device == Device::Music ? stopMusic() : stopOn(c, device, kind);
    c.fileName = name;
    if (r != 0) return r;  // the previous piece would not stop
    if (!c.deviceOpen && on) c.deviceOpen = openDevice(device, path);
    c.resumePending = !on;
    if (!c.deviceOpen) {
        c.playing = false;
        return 0;
    }
    c.playCount = 1;
    c.loopLimit = count;
    // All the plays asked for, so a device that can repeats without a gap.
    out_.setPlays(device, count);
    out_.play(device, true);
    c.playing = true;
    host_.played(kind, "play " + name + (kind == "sound" ? std::string() : " x" + std::to_string(count)));
    return 0;
}

int32_t Playback::stopOn(PlaybackChannel& c, Device device, std::string_view kind) {
    if (!c.deviceOpen) return 0;
    c.playing = false;
    out_.stop(device);
    const int code = out_.close(device);
    if (code == 0) c.deviceOpen = false;
    c.playCount = 0;
    host_.played(kind, "stop");
    return code;
}

int32_t Playback::playMusic(const std::string& name, int32_t count) {
    PlaybackChannel& m = ch_[PlaybackChannels::kMusic];
    if (isMp3(name) && ch_.BgmMode == 2) return playMp3(name, count);
    return playOn(m, MediaDevice::Music, name, count, musicOn_, "music");
}

int32_t Playback::playMp3(const std::string& name, int32_t count) {
    PlaybackChannel& m = ch_[PlaybackChannels::kMusic];
    if (m.playing) stopMusic();
    if (m.deviceOpen) mp3_.close();
    m.deviceOpen = false;
    m.fileName = name;
    const std::string path = host_.resolve(expand(name));
    if (!musicOn_) {
        m.resumePending = true;
        m.playing = false;
        return 0;
    }
    if (mp3_.open(path) == 0) {
        // The player's failure is silent.
        m.playing = false;
        m.playCount = 0;
        return 0;
    }
    m.deviceOpen = true;
    m.resumePending = false;
    m.playCount = 1;
    m.loopLimit = count;
    mp3_.callback([this](int32_t status, int32_t) { mp3Done(status); });
    out_.setPlays(MediaDevice::Mp3, count);
    mp3_.play();
    m.playing = true;
    host_.played("music", "play " + name + " x" + std::to_string(count));
    return 0;
}

void Playback::mp3Done(int32_t status) {
    PlaybackChannel& m = ch_[PlaybackChannels::kMusic];
    if (!m.playing || status != kMp3Done) return;
    if (m.loopLimit != 0 && m.playCount >= m.loopLimit) return;
    mp3_.callback([this](int32_t s, int32_t) { mp3Done(s); });
    mp3_.play();
    ++m.playCount;
}

int32_t Playback::stopMusic() {
    PlaybackChannel& m = ch_[PlaybackChannels::kMusic];
    if (isMp3(m.fileName) && ch_.BgmMode == 2) {
        if (m.deviceOpen) {
            m.playing = false;
            m.playCount = 0;
            mp3_.stop();
            mp3_.close();
            m.deviceOpen = false;
            host_.played("music", "stop");
        }
        return 0;
    }
    return stopOn(m, MediaDevice::Music, "music");
}

int32_t Playback::playSound(const std::string& name, int32_t count) {
    return playOn(ch_[PlaybackChannels::kSound], MediaDevice::Sound, name, count, soundOn_, "sound");
}

int32_t Playback::stopSound() {
    return stopOn(ch_[PlaybackChannels::kSound], MediaDevice::Sound, "sound");
}

int32_t Playback::playCdTrack(int32_t track, int32_t count) {
    PlaybackChannel& c = ch_[PlaybackChannels::kCd];
    int32_t r = 0;
    if (c.playing) r = stopCd();
    c.fileName = std::to_string(track);
    if (r != 0) return r;
    if (!c.deviceOpen && musicOn_) {
        const std::string file = host_.cdTrack(track);
        if (file.empty())
            host_.mediaFailed("CD track " + std::to_string(track) + " was not found");
        else
            c.deviceOpen = openDevice(MediaDevice::Cd, file);
    }
    c.resumePending = !musicOn_;
    if (!c.deviceOpen) {
        c.playing = false;
        return 0;
    }
    // Ripped tracks are files of their own, each played from its beginning; where
    // it lay on the disc follows from the tracks before it.
    c.trackStart = host_.cdTrackStart(track);
    c.trackLength = int32_t(out_.length(MediaDevice::Cd));
    c.playCount = 1;
    c.loopLimit = count;
    out_.setPlays(MediaDevice::Cd, count);
    out_.play(MediaDevice::Cd, true);
    c.playing = true;
    host_.played("cd", "play " + std::to_string(track) + " x" + std::to_string(count));
    return 0;
}

int32_t Playback::stopCd() {
    return stopOn(ch_[PlaybackChannels::kCd], MediaDevice::Cd, "cd");
}

void Playback::bgmPlay(const std::string& name, int32_t count) {
    const int32_t mode = ch_.BgmMode;
    if (mode < 0 || mode > 4) return;
    ch_[PlaybackChannels::kMusic].loopLimit = count;
    static const char* const kExtensions[] = {".mid", ".mp3", ".mp3", ".wav"};
    if (mode <= 3) {
        playMusic(name + kExtensions[mode], count);
        return;
    }
    stopMusic();
    ch_[PlaybackChannels::kMusic].fileName = name + ".cda";
    playCdTrack(trackOfName(name), count);
}

void Playback::bgmStop() {
    stopMusic();
    if (ch_.BgmMode == 4) stopCd();
}

void Playback::musicSwitchToggled() {
    PlaybackChannel& m = ch_[PlaybackChannels::kMusic];
    PlaybackChannel& cd = ch_[PlaybackChannels::kCd];
    if (musicOn_) {
        if (cd.playing) cd.resumePending = true;
        if (m.playing) m.resumePending = true;
        const int32_t a = stopMusic(), b = stopCd();
        // A device that would not stop keeps music on.
        if (a == 0 && b == 0) musicOn_ = false;
        return;
    }
    musicOn_ = true;
    if (cd.resumePending && cd.loopLimit == 0) playCdTrack(toInt(cd.fileName), 0);
    if (m.resumePending && m.loopLimit == 0) playMusic(m.fileName, 0);
}

void Playback::soundSwitchToggled() {
    PlaybackChannel& s = ch_[PlaybackChannels::kSound];
    if (soundOn_) {
        soundOn_ = false;
        if (s.playing) s.resumePending = true;
        stopSound();
        return;
    }
    soundOn_ = true;
    if (s.resumePending && s.loopLimit == 0) playSound(s.fileName, 0);
}

void Playback::resumeAfterRestore(const SavedFlags& saved) {
    auto active = [&](std::size_t i) { return saved.playing[i] || saved.resumePending[i]; };
    PlaybackChannel& m = ch_[PlaybackChannels::kMusic];
    PlaybackChannel& s = ch_[PlaybackChannels::kSound];
    PlaybackChannel& cd = ch_[PlaybackChannels::kCd];
    const int32_t mode = ch_.BgmMode;
    if (mode == -1) {
        if (active(0) && m.loopLimit == 0) playMusic(m.fileName, 0);
        if (active(1) && s.loopLimit == 0) playSound(s.fileName, 0);
        if (active(2) && cd.loopLimit == 0) playCdTrack(toInt(cd.fileName), 0);
    } else if (mode == 4) {
        if (active(0) || active(2)) playCdTrack(trackOfName(m.fileName), m.loopLimit);
    } else if (mode >= 0 && mode <= 3) {
        static const char* const kExtensions[] = {".mid", ".mp3", ".mp3", ".wav"};
        if (active(0) || active(2)) {
            const std::string base = m.fileName.size() >= 4 ? m.fileName.substr(0, m.fileName.size() - 4) : "";
            playMusic(base + kExtensions[mode], m.loopLimit);
        }
    }
}

void Playback::restartEndless(bool music) {
    PlaybackChannel& cd = ch_[PlaybackChannels::kCd];
    PlaybackChannel& m = ch_[PlaybackChannels::kMusic];
    if (cd.playing && cd.loopLimit == 0) playCdTrack(toInt(cd.fileName), 0);
    if (music && m.playing && m.loopLimit == 0) playMusic(m.fileName, 0);
}

void Playback::stopAllOpen() {
    if (ch_[PlaybackChannels::kMusic].deviceOpen) stopMusic();
    if (ch_[PlaybackChannels::kSound].deviceOpen) stopSound();
    if (ch_[PlaybackChannels::kCd].deviceOpen) stopCd();
}

void Playback::onCompletion(MediaDevice device, MediaStatus status) {
    if (device == MediaDevice::Mp3) {
        mp3_.onCompletion(status);
        return;
    }
    PlaybackChannel* c = device == MediaDevice::Music   ? &ch_[PlaybackChannels::kMusic]
                         : device == MediaDevice::Sound ? &ch_[PlaybackChannels::kSound]
                         : device == MediaDevice::Cd    ? &ch_[PlaybackChannels::kCd]
                                                        : nullptr;
    if (!c || !c->playing || status != MediaStatus::Successful) return;
    if (c->loopLimit != 0 && c->playCount >= c->loopLimit) return;
    out_.play(device, true);
    ++c->playCount;
}

uint32_t Playback::playWave(const std::string& name) {
    if (name.empty()) {
        out_.stop(MediaDevice::Wave);
        out_.close(MediaDevice::Wave);
        return 0;
    }
    if (!soundOn_) return 0;
    // The text window's waves fail quietly, as the system's wave player did.
    if (out_.open(MediaDevice::Wave, host_.resolve(expand(name))) != 0) return 0;
    out_.play(MediaDevice::Wave, false);
    host_.played("wave", "play " + name);
    return out_.length(MediaDevice::Wave);
}

void Playback::startUp(int32_t mp3Timing) {
    mp3_.init();
    std::array<int32_t, 4> options = mp3_.getOption();
    options = {30, 10, mp3Timing, 0};
    mp3_.setOption(options);
}

void Playback::shutDown() {
    mp3_.free();
    stopCd();
}

}  // namespace qvl
