#pragma once
// How long a sound file plays, read from its headers and frame structure without
// decoding it. Headless runs hold a piece for this long on their virtual clock, so
// the lengths are the decoded lengths, to the millisecond. Every probe reads only
// inside the bytes it is given and answers nothing for what it cannot time.
#include <cstdint>
#include <optional>
#include <string_view>

namespace qvl {

enum class MediaKind { Unknown, Wave, Midi, Mp3, Ogg, Flac };

struct MediaInfo {
    MediaKind kind = MediaKind::Unknown;
    uint32_t durationMs = 0;
    // The coding: "pcm", "float", "alaw", "mulaw", "ms-adpcm", "ima-adpcm" or "other"
    // (timed from its sample count); "smf0", "smf1", "smf2"; "mp1", "mp2", "mp3";
    // "vorbis", "opus"; "flac". Always a string literal.
    std::string_view codec;
    uint32_t sampleRate = 0;     // Hz; 0 for MIDI. Opus decodes at 48000.
    uint16_t channels = 0;       // 0 for MIDI
    uint64_t frames = 0;         // samples per channel; for MIDI the longest track's ticks
    uint16_t formatTag = 0;      // WAV: the format tag (an extensible file's subformat)
    uint16_t bitsPerSample = 0;  // WAV: as the format chunk says
    // False when the file ends before its own headers say it should (a cut data chunk,
    // a track without its end, an Ogg stream missing its last pages as far as we can
    // tell); the duration is then what the bytes present hold.
    bool complete = true;
};

// Probes a whole file held in memory; nothing when it is not a file we can time.
// The kind comes from the content, never from a name: RIFF WAVE, RIFF RMID or a
// Standard MIDI File, Ogg, FLAC, and MPEG audio (with or without an ID3v2 tag).
std::optional<MediaInfo> probeMedia(std::string_view bytes);

// The same for one kind, when the caller already knows it.
std::optional<MediaInfo> probeWave(std::string_view bytes);
std::optional<MediaInfo> probeMidi(std::string_view bytes);
std::optional<MediaInfo> probeMp3(std::string_view bytes);
std::optional<MediaInfo> probeOgg(std::string_view bytes);
std::optional<MediaInfo> probeFlac(std::string_view bytes);

// Milliseconds for `units` of which `perSecond` make a second, to the nearest,
// held at the largest 32-bit value. Nothing when perSecond is 0.
std::optional<uint32_t> roundedMs(uint64_t units, uint64_t perSecond);

}  // namespace qvl
