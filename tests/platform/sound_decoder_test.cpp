// The decoders behind --audio-out: real files decode to their length at 44100 Hz
// stereo, and cut or damaged files end early without a crash or a hang.
#include "formats/media_probe.h"
#include "platform/sound_decoder.h"
#include "tests/common/file_bytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using qvl::platform::SoundDecoder;
using qvl::platform::SoundStream;

std::string data(const std::string& name) {
    return qvl_test_files::readAll(fs::path(QVL_TEST_DATA) / name);
}

struct Decoded {
    uint64_t frames = 0;
    double rms = 0;
};

// Reads a stream to its end, or `seconds` of it.
Decoded drain(SoundStream& s, uint64_t seconds = 60) {
    Decoded d;
    std::vector<int16_t> buffer(2 * 4096);
    double sum = 0;
    while (d.frames < seconds * 44100) {
        const std::size_t n = s.read(buffer);
        if (n == 0) break;
        for (std::size_t i = 0; i < n * 2; ++i) sum += double(buffer[i]) * buffer[i];
        d.frames += n;
    }
    d.rms = d.frames ? std::sqrt(sum / double(d.frames * 2)) : 0;
    return d;
}

TEST(SoundDecoder, FilesDecodeToTheirLengthAtTheMixingRate) {
    SoundDecoder decoder;
    struct Case {
        const char* file;
        double seconds;
    };
    // Lengths as the probes give them (see tests/data/SOURCES), resampled to 44100 Hz.
    for (const Case& c : {Case{"audio/pcm_u8_mono.wav", 3001 / 4000.0}, Case{"audio/pcm_s16_stereo.wav", 1005 / 8000.0},
                          Case{"audio/adpcm_ms_stereo.wav", 2001 / 8000.0}, Case{"audio/adpcm_ima_mono.wav", 4003 / 8000.0},
                          Case{"audio/lame_cbr_8k_mono.mp3", 1.5}, Case{"audio/vorbis_8k_mono.ogg", 1.25},
                          Case{"audio/flac_16k_mono.flac", 0.5}, Case{"midi/test-c-major-scale.mid", 4.0}}) {
        SCOPED_TRACE(c.file);
        std::string reason;
        auto stream = decoder.openBytes(data(c.file), &reason);
        ASSERT_TRUE(stream) << reason;
        const Decoded d = drain(*stream);
        // ADPCM decoders give whole blocks; MIDI ends on the synthesiser's block.
        EXPECT_NEAR(double(d.frames) / 44100, c.seconds, 0.07);
        EXPECT_GT(d.rms, 100.0) << "silence";
    }
}

TEST(SoundDecoder, CutAndDamagedFilesEndEarlyOrFailToOpen) {
    SoundDecoder decoder;
    for (const char* file : {"audio/pcm_s16_stereo.wav", "audio/adpcm_ms_stereo.wav", "audio/adpcm_ima_stereo.wav",
                             "audio/lame_vbr_32k_mono.mp3", "audio/vorbis_11k_stereo.ogg", "audio/flac_16k_mono.flac",
                             "midi/test-2-tracks-type-1.mid", "midi/tempo_map.mid"}) {
        SCOPED_TRACE(file);
        const std::string bytes = data(file);
        const std::size_t step = std::max<std::size_t>(1, bytes.size() / 40);
        // A damaged MIDI file may say it lasts for days; it is rendered for as long
        // as the probe (and so the virtual clock) gives it. Other streams end with
        // their bytes.
        auto check = [&](const std::string& b) {
            auto s = decoder.openBytes(b, nullptr);
            if (!s) return;
            const Decoded d = drain(*s, 8);
            const auto info = qvl::probeMedia(b);
            if (info && info->kind == qvl::MediaKind::Midi)
                EXPECT_LE(d.frames, uint64_t(info->durationMs) * 441 / 10 + 1);
            else
                EXPECT_LT(d.frames, 8u * 44100) << "the stream never ended";
        };
        for (std::size_t n = 0; n < bytes.size(); n += step) check(bytes.substr(0, n));
        std::string damaged = bytes;
        for (std::size_t i = 0; i < damaged.size(); i += step) {
            const char old = damaged[i];
            for (const char value : {'\x00', '\xFF', '\x7F'}) {
                damaged[i] = value;
                check(damaged);
            }
            damaged[i] = old;
        }
    }
    std::string reason;
    EXPECT_FALSE(decoder.openBytes("MThd garbage", &reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(decoder.open("/nonexistent/x.wav", &reason));
}

}  // namespace
