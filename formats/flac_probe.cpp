// FLAC: the sample rate, channels and total samples of the STREAMINFO block that
// every file opens with (after an optional ID3v2 tag, as some rippers write one).
#include "formats/media_probe.h"

namespace qvl {

namespace {

constexpr std::size_t kStreamInfoBytes = 34;

// Bytes taken by an ID3v2 tag at the start, 0 without one.
std::size_t id3Size(std::string_view b) {
    if (b.size() < 10 || b.substr(0, 3) != "ID3") return 0;
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i) {
        const auto c = uint8_t(b[std::size_t(i)]);
        if (c & 0x80) return 0;
        size = size << 7 | c;
    }
    return 10 + size + ((uint8_t(b[5]) & 0x10) ? 10 : 0);
}

}  // namespace

std::optional<MediaInfo> probeFlac(std::string_view bytes) {
    const std::size_t at = id3Size(bytes);
    if (at > bytes.size() || bytes.size() - at < 8 + kStreamInfoBytes || bytes.substr(at, 4) != "fLaC") return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at + 4);
    // The first metadata block must be STREAMINFO (type 0) of its fixed size.
    if ((p[0] & 0x7F) != 0 || (uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]) != kStreamInfoBytes) return std::nullopt;
    const unsigned char* s = p + 4;
    const uint32_t rate = uint32_t(s[10]) << 12 | uint32_t(s[11]) << 4 | s[12] >> 4;
    const uint16_t channels = uint16_t(((s[12] >> 1) & 7) + 1);
    const uint16_t bits = uint16_t((((s[12] & 1) << 4) | s[13] >> 4) + 1);
    const uint64_t samples = uint64_t(s[13] & 0x0F) << 32 | uint64_t(s[14]) << 24 | uint64_t(s[15]) << 16 |
                             uint64_t(s[16]) << 8 | s[17];
    if (rate == 0) return std::nullopt;
    MediaInfo info;
    info.kind = MediaKind::Flac;
    info.codec = "flac";
    info.sampleRate = rate;
    info.channels = channels;
    info.bitsPerSample = bits;
    info.frames = samples;
    // 0 samples: the encoder did not know the length; the file is not one we can time.
    if (samples == 0) return std::nullopt;
    info.durationMs = *roundedMs(samples, rate);
    return info;
}

}  // namespace qvl
