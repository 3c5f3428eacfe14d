// Decoding for --audio-out, per second of sound produced: MIDI through FluidSynth,
// WAV and MP3 through FFmpeg. Real time is one second per second; these should be
// far below it.
#include "platform/sound_decoder.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string le(uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += char((v >> (8 * i)) & 0xFF);
    return out;
}

std::string vlq(uint32_t v) {
    std::string out(1, char(v & 0x7F));
    while (v >>= 7) out.insert(out.begin(), char(0x80 | (v & 0x7F)));
    return out;
}

// Ten seconds of a busy piece: four voices of eighth notes (120 beats a minute)
// on piano, strings, bass and drums, the way scenario music keeps the synthesiser
// busy.
std::string tenSecondMidi() {
    std::string t;
    auto event = [&](uint32_t delta, int status, int a, int b) {
        t += vlq(delta);
        t += {char(status), char(a), char(b)};
    };
    auto program = [&](int status, int p) { t += {'\0', char(status), char(p)}; };
    program(0xC0, 0x00);
    program(0xC1, 0x30);
    program(0xC2, 0x21);
    for (int step = 0; step < 40; ++step) {
        const int n = step % 8, chord = 48 + (step / 8) % 4 * 2, bass = 36 + n % 3;
        event(0, 0x90, 60 + n, 0x60);
        event(0, 0x91, chord, 0x50);
        event(0, 0x92, bass, 0x70);
        event(0, 0x99, n % 2 ? 42 : 36, 0x70);
        event(240, 0x80, 60 + n, 0);
        event(0, 0x81, chord, 0);
        event(0, 0x82, bass, 0);
    }
    t += std::string("\x00\xFF\x2F\x00", 4);
    return std::string("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14) + "MTrk" +
           std::string{char(t.size() >> 24), char(t.size() >> 16), char(t.size() >> 8), char(t.size())} + t;
}

// Ten seconds of a 44100 Hz stereo 16-bit WAV.
std::string tenSecondWav() {
    std::string data;
    data.reserve(441000 * 4);
    for (int i = 0; i < 441000; ++i) {
        const auto v = uint16_t(int16_t(std::lround(8000 * std::sin(i * 0.0627))));
        data += le(v, 2) + le(v, 2);
    }
    return "RIFF" + le(uint32_t(36 + data.size()), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) + le(44100, 4) +
           le(44100 * 4, 4) + le(4, 2) + le(16, 2) + "data" + le(uint32_t(data.size()), 4) + data;
}

// Ten seconds of 128 kbit/s MP3, made with the ffmpeg tool; empty without it.
std::string tenSecondMp3() {
    const fs::path path = fs::temp_directory_path() / ("qvl-audio-bench-" + std::to_string(::getpid()) + ".mp3");
    const std::string command = "ffmpeg -hide_banner -loglevel error -y -f lavfi -i sine=frequency=440:duration=10 "
                                "-ac 2 -ar 44100 -b:a 128k " + path.string() + " 2>/dev/null";
    if (std::system(command.c_str()) != 0) return {};
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    fs::remove(path);
    return bytes.str();
}

// Decodes the whole piece each iteration; the rate counter gives seconds of sound
// per second of work, and its inverse the time per second of sound.
void decodeAll(benchmark::State& state, const std::string& bytes) {
    if (bytes.empty()) {
        state.SkipWithError("no test file (is ffmpeg installed?)");
        return;
    }
    qvl::platform::SoundDecoder decoder;
    std::vector<int16_t> buffer(2 * 4096);
    uint64_t frames = 0;
    for (auto _ : state) {
        auto stream = decoder.openBytes(bytes, nullptr);
        if (!stream) {
            state.SkipWithError("cannot decode the test file");
            return;
        }
        while (const std::size_t n = stream->read(buffer)) frames += n;
    }
    state.counters["sound_s_per_s"] =
        benchmark::Counter(double(frames) / qvl::platform::kMixRate, benchmark::Counter::kIsRate);
    state.counters["s_per_sound_s"] = benchmark::Counter(double(frames) / qvl::platform::kMixRate,
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MidiRender(benchmark::State& state) {
    decodeAll(state, tenSecondMidi());
}
BENCHMARK(BM_MidiRender)->Unit(benchmark::kMillisecond);

void BM_WavDecode(benchmark::State& state) {
    decodeAll(state, tenSecondWav());
}
BENCHMARK(BM_WavDecode)->Unit(benchmark::kMillisecond);

void BM_Mp3Decode(benchmark::State& state) {
    decodeAll(state, tenSecondMp3());
}
BENCHMARK(BM_Mp3Decode)->Unit(benchmark::kMillisecond);

}  // namespace
