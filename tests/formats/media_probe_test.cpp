// Lengths of real files against what other decoders make of them (the references are
// listed in tests/data/SOURCES), then damaged and cut files.
#include "formats/media_probe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace qvl {
namespace {

using namespace std::string_view_literals;

std::string readData(const std::string& name) {
    std::ifstream in(std::string(QVL_TEST_DATA) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Expected {
    const char* file;
    MediaKind kind;
    const char* codec;
    uint32_t sampleRate;
    uint16_t channels;
    uint64_t frames;  // samples a channel; MIDI: ticks
    uint32_t durationMs;
};

void expectAll(const std::vector<Expected>& table) {
    for (const Expected& e : table) {
        SCOPED_TRACE(e.file);
        const std::optional<MediaInfo> info = probeMedia(readData(e.file));
        ASSERT_TRUE(info);
        EXPECT_EQ(info->kind, e.kind);
        EXPECT_EQ(info->codec, e.codec);
        EXPECT_EQ(info->sampleRate, e.sampleRate);
        EXPECT_EQ(info->channels, e.channels);
        EXPECT_EQ(info->frames, e.frames);
        EXPECT_EQ(info->durationMs, e.durationMs);
        EXPECT_TRUE(info->complete);
    }
}

std::string le32(uint32_t v) {
    return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
std::string chunk(std::string_view id, std::string_view body) {
    return std::string(id) + le32(uint32_t(body.size())) + std::string(body) + std::string(body.size() % 2, '\0');
}
std::string wave(const std::string& chunks) {
    return "RIFF" + le32(uint32_t(chunks.size() + 4)) + "WAVE" + chunks;
}
std::string fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits) {
    return std::string{char(tag), char(tag >> 8), char(channels), char(channels >> 8)} + le32(rate) +
           le32(rate * align) + std::string{char(align), char(align >> 8), char(bits), char(bits >> 8)};
}

TEST(WaveProbe, CodingsTimeAsDecodersCount) {
    // ADPCM with a fact chunk: the count written there, not the padded last block;
    // without one, whole and partial blocks as they decode.
    expectAll({
        {"audio/pcm_u8_mono.wav", MediaKind::Wave, "pcm", 4000, 1, 3001, 750},
        {"audio/pcm_s16_stereo.wav", MediaKind::Wave, "pcm", 8000, 2, 1005, 126},
        {"audio/pcm_s24_mono.wav", MediaKind::Wave, "pcm", 6000, 1, 1000, 167},
        {"audio/float32_mono.wav", MediaKind::Wave, "float", 4000, 1, 701, 175},
        {"audio/adpcm_ms_mono.wav", MediaKind::Wave, "ms-adpcm", 8000, 1, 4001, 500},
        {"audio/adpcm_ms_stereo.wav", MediaKind::Wave, "ms-adpcm", 8000, 2, 2001, 250},
        {"audio/adpcm_ima_mono.wav", MediaKind::Wave, "ima-adpcm", 8000, 1, 4003, 500},
        {"audio/adpcm_ima_stereo.wav", MediaKind::Wave, "ima-adpcm", 8000, 2, 3333, 417},
        {"audio/cut_adpcm_ms_stereo.wav", MediaKind::Wave, "ms-adpcm", 8000, 2, 1852, 232},
        {"audio/cut_adpcm_ima_stereo.wav", MediaKind::Wave, "ima-adpcm", 8000, 2, 2958, 370},
    });
    // The 24-bit file is WAVE_FORMAT_EXTENSIBLE; its subformat is plain PCM.
    EXPECT_EQ(probeMedia(readData("audio/pcm_s24_mono.wav"))->formatTag, 1);
}

TEST(WaveProbe, ChunkLayoutAndSizes) {
    const std::string pcm = fmt(1, 2, 1000, 4, 16);
    // An odd-sized chunk is padded; the format may follow the data.
    auto info = probeMedia(wave(chunk("LIST", "abc") + chunk("data", std::string(4002, 'x')) + chunk("fmt ", pcm)));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frames, 1000u);
    EXPECT_EQ(info->durationMs, 1000u);
    EXPECT_TRUE(info->complete);

    // A data size past the end of the file counts what is there.
    std::string cut = wave(chunk("fmt ", pcm) + chunk("data", std::string(400, 'x')));
    cut.replace(cut.size() - 404, 4, le32(0xFFFFFFFF));
    info = probeMedia(cut);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->durationMs, 100u);
    EXPECT_FALSE(info->complete);

    // A fact chunk does not count for PCM, and times a coding we cannot decode.
    info = probeMedia(wave(chunk("fmt ", pcm) + chunk("fact", le32(99)) + chunk("data", std::string(400, 'x'))));
    EXPECT_EQ(info->durationMs, 100u);
    info = probeMedia(wave(chunk("fmt ", fmt(0x55, 1, 8000, 1, 0)) + chunk("fact", le32(12000)) + chunk("data", "")));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->codec, "other");
    EXPECT_EQ(info->durationMs, 1500u);

    EXPECT_FALSE(probeMedia(wave(chunk("fmt ", fmt(0x55, 1, 8000, 1, 0)) + chunk("data", "xx"))));
    EXPECT_FALSE(probeMedia(wave(chunk("fmt ", pcm))));
    EXPECT_FALSE(probeMedia(wave(chunk("data", "xxxx"))));
    EXPECT_FALSE(probeMedia(wave(chunk("fmt ", fmt(1, 0, 1000, 4, 16)) + chunk("data", "xxxx"))));
    EXPECT_FALSE(probeMedia(wave(chunk("fmt ", fmt(1, 2, 0, 4, 16)) + chunk("data", "xxxx"))));
    // Extensible without room for its subformat.
    EXPECT_FALSE(probeMedia(wave(chunk("fmt ", fmt(0xFFFE, 1, 8000, 2, 16)) + chunk("data", "xxxx"))));
}

TEST(MidiProbe, FormatsDivisionsAndTempoMaps) {
    // The format 0 file holds two tracks; both play.
    expectAll({
        {"midi/test-c-major-scale.mid", MediaKind::Midi, "smf0", 0, 0, 768, 4000},
        {"midi/test-2-tracks-type-0.mid", MediaKind::Midi, "smf0", 0, 0, 864, 4500},
        {"midi/test-2-tracks-type-1.mid", MediaKind::Midi, "smf1", 0, 0, 864, 4500},
        {"midi/tempo_map.mid", MediaKind::Midi, "smf1", 0, 0, 6000, 6467},
        {"midi/smpte_25fps.mid", MediaKind::Midi, "smf0", 0, 0, 2345, 2345},
        {"midi/format2.mid", MediaKind::Midi, "smf2", 0, 0, 192, 2000},
    });
}

TEST(MidiProbe, WrappedDropFrameAndCutFiles) {
    const std::string smf = readData("midi/tempo_map.mid");
    auto info = probeMedia("RIFF" + le32(uint32_t(smf.size() + 12)) + "RMID" + chunk("data", smf));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->durationMs, 6467u);

    // 29.97 frames a second of 100 ticks: 2345 ticks take 2345 * 1001 / 3000 ms.
    std::string smpte = readData("midi/smpte_25fps.mid");
    smpte[12] = char(-29);
    smpte[13] = 100;
    EXPECT_EQ(probeMedia(smpte)->durationMs, 782u);

    // Without its end-of-track event: up to the note-off at tick 5760.
    info = probeMedia(smf.substr(0, smf.size() - 5));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->durationMs, 6267u);
    EXPECT_FALSE(info->complete);

    // Data before any status byte ends the track there; after a meta event it goes on
    // with the last channel status.
    std::string head = smf.substr(0, 14);
    head[11] = 1;  // one track
    const auto oneTrack = [&](std::string_view events) {
        return probeMedia(head + "MTrk" + std::string{0, 0, 0, char(events.size())} + std::string(events));
    };
    info = oneTrack("\x60\xFF\x01\x00\x10\x3C\x00\x00\xFF\x2F\x00"sv);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frames, 0x60u);
    EXPECT_FALSE(info->complete);
    info = oneTrack("\x00\x90\x3C\x40\x60\xFF\x01\x00\x10\x3C\x00\x00\xFF\x2F\x00"sv);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frames, 0x70u);
    EXPECT_TRUE(info->complete);
    EXPECT_FALSE(probeMedia(smf.substr(0, 14)));
}

TEST(MidiProbe, EndlessPiecesStopAtTheLargestTime) {
    // One tick a quarter at the slowest tempo, and the longest deltas there are.
    std::string events = std::string("\x00\xFF\x51\x03\xFF\xFF\xFF", 7);
    for (int i = 0; i < 100; ++i) events += "\xFF\xFF\xFF\x7F\x90\x3C\x40";
    const std::string smf = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x01", 14) + "MTrk" +
                            std::string{char(0), char(0), char(events.size() >> 8), char(events.size())} + events;
    const auto info = probeMedia(smf);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frames, uint64_t(100) * 0x0FFFFFFF);
    EXPECT_EQ(info->durationMs, std::numeric_limits<uint32_t>::max());
}

TEST(Mp3Probe, LayersAndFrameCountHeaders) {
    // LAME's tag takes off the encoder's delay and padding, as decoders do.
    expectAll({
        {"audio/lame_cbr_8k_mono.mp3", MediaKind::Mp3, "mp3", 8000, 1, 12000, 1500},
        {"audio/lame_vbr_32k_mono.mp3", MediaKind::Mp3, "mp3", 32000, 1, 38400, 1200},
        {"audio/lame_noxing_16k_id3v1.mp3", MediaKind::Mp3, "mp3", 16000, 1, 22464, 1404},
        {"audio/mp2_16k_mono.mp2", MediaKind::Mp3, "mp2", 16000, 1, 18432, 1152},
        {"audio/shine_32k_stereo.mp3", MediaKind::Mp3, "mp3", 32000, 2, 23040, 720},
        {"audio/layer1_44k.mp1", MediaKind::Mp3, "mp1", 44100, 1, 11520, 261},
        {"audio/vbri_32k.mp3", MediaKind::Mp3, "mp3", 32000, 1, 23040, 720},
    });
}

TEST(Mp3Probe, TagsAndGarbageAroundFrames) {
    const std::string frames = readData("audio/lame_noxing_16k_id3v1.mp3");
    // An ID3v2.4 tag of 200 bytes (sizes in seven-bit bytes) with a footer.
    const std::string tag = std::string("ID3\x04\x00\x10\x00\x00\x01\x48", 10) + std::string(210, 'x');
    auto info = probeMedia(tag + frames);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frames, 22464u);

    // A few stray bytes between frames are skipped; a long run of them ends the piece.
    const std::size_t third = 2 * 72 * 8000 / 16000;  // frames of 36 bytes
    info = probeMedia(frames.substr(0, third) + "junk" + frames.substr(third));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frames, 22464u);
    info = probeMedia(frames.substr(0, third) + std::string(5000, '\0') + frames.substr(third));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frames, 2 * 576u);
    EXPECT_FALSE(info->complete);

    // A lone header is not a file; nor is text.
    EXPECT_FALSE(probeMedia(std::string("\xFF\xFB\x90\x64", 4) + std::string(600, 'a')));
    EXPECT_FALSE(probeMedia("just some text, nothing to play"));

    // A file shorter than its Xing header says is counted frame by frame.
    const std::string vbr = readData("audio/lame_vbr_32k_mono.mp3");
    info = probeMedia(vbr.substr(0, vbr.size() / 2));
    ASSERT_TRUE(info);
    EXPECT_GT(info->durationMs, 400u);
    EXPECT_LT(info->durationMs, 800u);
    EXPECT_FALSE(info->complete);
}

TEST(OggProbe, FilesTimeByTheirLastGranule) {
    // Opus: less the pre-skip, which decoders drop.
    expectAll({
        {"audio/vorbis_8k_mono.ogg", MediaKind::Ogg, "vorbis", 8000, 1, 10000, 1250},
        {"audio/vorbis_11k_stereo.ogg", MediaKind::Ogg, "vorbis", 11025, 2, 9923, 900},
        {"audio/opus_mono.opus", MediaKind::Ogg, "opus", 48000, 1, 52800, 1100},
    });
}

TEST(FlacProbe, RippedTracksTimeByTheirStreamInfo) {
    expectAll({{"audio/flac_16k_mono.flac", MediaKind::Flac, "flac", 16000, 1, 8000, 500}});
    // An encoder that did not know the length leaves 0 samples: not a file we can time.
    std::string unknown = readData("audio/flac_16k_mono.flac");
    for (std::size_t i = 21; i < 26; ++i) unknown[i] = char(i == 21 ? unknown[i] & 0xF0 : 0);
    EXPECT_FALSE(probeFlac(unknown));
}

TEST(OggProbe, DamagedLastPageFallsBack) {
    std::string ogg = readData("audio/vorbis_8k_mono.ogg");
    ogg[ogg.size() - 10] ^= 0x55;  // the checksum no longer holds
    const auto info = probeMedia(ogg);
    ASSERT_TRUE(info);
    EXPECT_GT(info->durationMs, 0u);
    EXPECT_LT(info->durationMs, 1250u);
    EXPECT_FALSE(info->complete);
}

// Every file of the data folders, each probed from a buffer of its exact size so that
// the address checker sees any read past its end.
std::vector<std::string> allFiles() {
    std::vector<std::string> names;
    for (const char* folder : {"audio", "midi"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(QVL_TEST_DATA) + "/" + folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext == ".py" || ext == ".md") continue;
            std::string name = folder;
            name += '/';
            name += entry.path().filename().string();
            names.push_back(std::move(name));
        }
    }
    return names;
}

std::optional<MediaInfo> probeExactly(std::string_view bytes) {
    const std::vector<char> copy(bytes.begin(), bytes.end());
    return probeMedia(std::string_view(copy.data(), copy.size()));
}

TEST(HostileInput, EveryCutGivesNothingOrLess) {
    for (const std::string& name : allFiles()) {
        SCOPED_TRACE(name);
        const std::string bytes = readData(name);
        const std::optional<MediaInfo> full = probeMedia(bytes);
        ASSERT_TRUE(full);
        const uint32_t whole = full->durationMs;
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            const auto info = probeExactly(std::string_view(bytes).substr(0, n));
            if (info) {
                ASSERT_LE(info->durationMs, whole) << n;
            }
        }
    }
}

TEST(HostileInput, DamagedBytesNeverCrash) {
    // Each byte in turn set to values that mean the most to the parsers: sizes,
    // sync words, status bytes.
    for (const std::string& name : allFiles()) {
        SCOPED_TRACE(name);
        std::string bytes = readData(name);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const char old = bytes[i];
            for (const char value : {'\x00', '\x7F', '\x80', '\xFF'}) {
                bytes[i] = value;
                (void)probeExactly(bytes);
            }
            bytes[i] = old;
        }
    }
}

}  // namespace
}  // namespace qvl
