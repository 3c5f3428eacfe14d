// Repeats through the real mixer: what it sends out, taken from its output, must
// run from one play into the next without a gap, and the engine must still hear
// of the end of every play.
#include "platform/sdl/sdl_audio.h"
#include "tests/common/file_bytes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qvl::platform::MediaDevice;
using qvl::platform::SdlAudio;

std::string le(uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += char((v >> (8 * i)) & 0xFF);
    return out;
}

// A steady 880 Hz tone, loud from its first sample to its last.
std::string toneWav(int frames) {
    std::string data;
    for (int i = 0; i < frames; ++i) {
        const auto v = int16_t(std::lround(12000 * std::sin(2 * M_PI * 880.0 * i / 44100.0)));
        data += le(uint16_t(v), 2) + le(uint16_t(v), 2);
    }
    return "RIFF" + le(uint32_t(36 + data.size()), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) + le(44100, 4) +
           le(44100 * 4, 4) + le(4, 2) + le(16, 2) + "data" + le(uint32_t(data.size()), 4) + data;
}

// An organ note held for 0.4 s (384 ticks at 480 a beat and 120 beats a minute).
std::string organMidi() {
    const std::string track = std::string("\x00\xC0\x10", 3) + std::string("\x00\x90\x48\x64", 4) +
                              std::string("\x83\x00\x80\x48\x00", 5) + std::string("\x00\xFF\x2F\x00", 4);
    return std::string("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14) + "MTrk" + std::string("\0\0\0", 3) +
           char(track.size()) + track;
}

struct Heard {
    int reports = 0;
    double longestGapMs = 0;  // the longest quiet stretch inside the sound
    double soundingMs = 0;    // from the first loud sample to the last
};

class SdlAudioTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qvl-sdl-audio-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path write(const std::string& name, const std::string& bytes) {
        qvl_test_files::writeAll(dir_ / name, bytes);
        return dir_ / name;
    }

    // Plays a piece `plays` times on a device, answering each end report with a
    // play() as the engine does, and listens to the mixer's output.
    Heard play(MediaDevice device, const fs::path& file, int plays, uint32_t listenMs) {
        std::mutex lock;
        std::vector<int16_t> out;
        SdlAudio audio;
        audio.setOutputTap([&](const int16_t* s, std::size_t frames) {
            std::lock_guard<std::mutex> g(lock);
            out.insert(out.end(), s, s + frames * 2);
        });
        Heard heard;
        if (audio.open(device, file.string()) != 0 || audio.length(device) == 0) return heard;
        audio.setPlays(device, plays);
        audio.play(device, true);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(listenMs);
        while (std::chrono::steady_clock::now() < end) {
            SDL_Event e;
            if (SDL_WaitEventTimeout(&e, 20) != 1 || e.type != audio.eventType()) continue;
            if (!SdlAudio::isCurrentReport(e)) continue;
            ++heard.reports;
            if (plays == 0 || heard.reports < plays) audio.play(device, true);
        }
        audio.stop(device);
        std::lock_guard<std::mutex> g(lock);
        std::size_t first = out.size(), last = 0, run = 0, longest = 0;
        for (std::size_t i = 0; i < out.size(); i += 2) {
            const bool loud = std::abs(int(out[i])) > 600;
            if (loud) {
                if (first == out.size()) first = i;
                else longest = std::max(longest, run);
                last = i;
                run = 0;
            } else {
                ++run;
            }
        }
        if (first < out.size()) heard.soundingMs = double(last - first) / 2 / 44.1;
        heard.longestGapMs = double(longest) / 44.1;
        return heard;
    }

    fs::path dir_;
};

TEST_F(SdlAudioTest, RepeatedMusicRunsIntoItsNextPlayAndReportsEveryPlay) {
    // 300 ms of WAV music three times: the mixer loops it and the reports of the
    // first two plays come from its output clock.
    const Heard wav = play(MediaDevice::Music, write("tone.wav", toneWav(13230)), 3, 1200);
    if (wav.soundingMs == 0) GTEST_SKIP() << "no audio output";
    EXPECT_EQ(wav.reports, 3);
    EXPECT_LT(wav.longestGapMs, 50.0);
    EXPECT_NEAR(wav.soundingMs, 900, 40);

    const Heard midi = play(MediaDevice::Music, write("organ.mid", organMidi()), 3, 1600);
    EXPECT_EQ(midi.reports, 3);
    EXPECT_LT(midi.longestGapMs, 50.0) << "between the plays of a MIDI piece";
    EXPECT_NEAR(midi.soundingMs, 1200, 60);
    std::printf("[ measured ] longest gap between plays: WAV music %.1f ms, MIDI %.1f ms\n", wav.longestGapMs,
                midi.longestGapMs);
}

TEST_F(SdlAudioTest, ASoundRepeatedForEverReportsEachPlayUntilStopped) {
    const Heard sound = play(MediaDevice::Sound, write("tone.wav", toneWav(8820)), 0, 1100);
    if (sound.soundingMs == 0) GTEST_SKIP() << "no audio output";
    // Plays of 200 ms end at 200, 400, ... ms; a stop ends the last without a report.
    EXPECT_GE(sound.reports, 4);
    EXPECT_LE(sound.reports, 6);
    EXPECT_LT(sound.longestGapMs, 50.0);
}

}  // namespace
