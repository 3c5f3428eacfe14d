// --audio-out: the sound of a headless run, mixed on the virtual clock, read back
// from the WAV file it writes.
#include "tests/scenarios/scenario_run.h"

#include <cmath>

namespace {

using namespace qvl_test;

std::string le(uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += char((v >> (8 * i)) & 0xFF);
    return out;
}

// A stereo 44100 Hz WAV whose sample frame i holds sample(i) on both sides.
template <typename F>
std::string stereoWav(int frames, F sample) {
    std::string data;
    for (int i = 0; i < frames; ++i) data += le(uint16_t(sample(i)), 2) + le(uint16_t(sample(i)), 2);
    return "RIFF" + le(uint32_t(36 + data.size()), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) + le(44100, 4) +
           le(44100 * 4, 4) + le(4, 2) + le(16, 2) + "data" + le(uint32_t(data.size()), 4) + data;
}

// The left samples of a WAV file we wrote (the 44-byte header of a stereo 16-bit file).
std::vector<int16_t> leftSamples(const fs::path& wav) {
    const std::string bytes = readAll(wav);
    EXPECT_GE(bytes.size(), 44u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(bytes.substr(36, 4), "data");
    uint32_t size = 0;
    for (int i = 0; i < 4; ++i) size |= uint32_t(uint8_t(bytes[std::size_t(40 + i)])) << (8 * i);
    EXPECT_EQ(size, bytes.size() - 44) << "the header counts what was written";
    std::vector<int16_t> left;
    for (std::size_t at = 44; at + 4 <= bytes.size(); at += 4)
        left.push_back(int16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8));
    return left;
}

double rms(const std::vector<int16_t>& s, std::size_t from, std::size_t to) {
    double sum = 0;
    to = std::min(to, s.size());
    for (std::size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

TEST(AudioOut, AMidiPieceIsRenderedForItsLength) {
    ScenarioRun run("audio_case");
    fs::copy(fs::path(QVL_TEST_DATA) / "midi" / "test-c-major-scale.mid", run.dir() / "scale.mid");
    run.audioOut = run.dir() / "out.wav";
    run.writeScenarioFile("autorun.txt", "_midiplay scale.mid,1\n_mouseclick\n");
    run.run(nullptr, "");
    const std::vector<int16_t> s = leftSamples(run.audioOut);
    // The run ends at once; the piece still sounding then plays to its end (4 s).
    EXPECT_NEAR(double(s.size()), 4.0 * 44100, 441);
    EXPECT_GT(rms(s, 0, s.size()), 300.0) << "FluidSynth's rendering is heard";
    EXPECT_GT(rms(s, 3 * 44100, 4 * 44100), 100.0) << "the last note too";
}

TEST(AudioOut, APieceTwiceLiesAtItsPlayTimesAndAStopCutsIt) {
    // Half a second: a click on the first sample, then a steady level.
    const std::string blip = stereoWav(22050, [](int i) { return i == 0 ? 30000 : 1000; });
    ScenarioRun run("audio_case");
    writeAll(run.dir() / "blip.wav", blip);
    run.audioOut = run.dir() / "out.wav";
    run.writeScenarioFile("autorun.txt", "_delay 100\n_pcmplay blip.wav,2\n_delay 800\n_pcmstop\n_delay 300\n_mouseclick\n");
    run.run(nullptr, "");
    const std::vector<int16_t> s = leftSamples(run.audioOut);
    ASSERT_EQ(s.size(), 1200u * 441 / 10) << "the run lasted 1.2 s";
    const std::size_t start = 4410, second = start + 22050, stop = 900 * 441 / 10;
    EXPECT_EQ(s[start - 1], 0);
    EXPECT_EQ(s[start], 30000) << "the first play at 100 ms";
    EXPECT_EQ(s[start + 1], 1000);
    EXPECT_EQ(s[second - 1], 1000);
    EXPECT_EQ(s[second], 30000) << "the repeat right where the first play ends";
    EXPECT_EQ(s[stop - 1], 1000);
    EXPECT_EQ(s[stop], 0) << "cut at 900 ms";
    EXPECT_EQ(rms(s, stop, s.size()), 0.0);
}

TEST(AudioOut, SoundsMixAndAMoviesSoundIsHeardWhileItPlays) {
    const std::string level = stereoWav(44100, [](int) { return 2000; });
    ScenarioRun run("audio_case");
    writeAll(run.dir() / "level.wav", level);
    fs::copy(fs::path(QVL_TEST_DATA) / "movies" / "mpeg4_pcm.avi", run.dir() / "talk.avi");
    run.audioOut = run.dir() / "out.wav";
    run.writeScenarioFile("autorun.txt", "_midiplay level.wav,1\n_pcmplay level.wav,1\n_delay 1500\n_aviplay talk.avi\n");
    run.run(nullptr, "");
    const std::vector<int16_t> s = leftSamples(run.audioOut);
    EXPECT_EQ(s[100], 4000) << "music and sound effect add up";
    EXPECT_EQ(s[44100 + 100], 0) << "both ended after a second";
    // The movie starts at 1.5 s with a 440 Hz tone for its one second.
    EXPECT_GT(rms(s, 1600 * 441 / 10, 2400 * 441 / 10), 1000.0);
    EXPECT_NEAR(double(s.size()), 2.5 * 44100, 4410);
}

}  // namespace
