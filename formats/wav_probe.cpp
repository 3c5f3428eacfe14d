// RIFF WAVE: the length is the data chunk's sample frames, or for compressed codings
// the fact chunk's sample count when there is one.
#include "formats/media_probe.h"

#include <algorithm>

namespace qvl {

namespace {

enum FormatTag : uint16_t {
    kPcm = 1,
    kMsAdpcm = 2,
    kFloat = 3,
    kALaw = 6,
    kMuLaw = 7,
    kImaAdpcm = 0x11,
    kExtensible = 0xFFFE,
};

uint16_t le16(std::string_view b, std::size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}
uint32_t le32(std::string_view b, std::size_t at) {
    return uint32_t(le16(b, at)) | uint32_t(le16(b, at + 2)) << 16;
}

struct Chunks {
    std::optional<std::string_view> fmt, fact, data;
    bool dataCut = false;
};

// Walks the chunks after the RIFF header. Sizes past the end of the file are cut to
// it; odd sizes are followed by a pad byte. The first chunk of each kind counts.
Chunks findChunks(std::string_view bytes) {
    Chunks c;
    std::size_t pos = 12;
    while (pos <= bytes.size() && bytes.size() - pos >= 8) {
        const std::string_view id = bytes.substr(pos, 4);
        const uint32_t declared = le32(bytes, pos + 4);
        const std::size_t available = bytes.size() - pos - 8;
        const bool cut = declared > available;
        const std::string_view body = bytes.substr(pos + 8, cut ? available : declared);
        if (id == "fmt " && !c.fmt) c.fmt = body;
        if (id == "fact" && !c.fact) c.fact = body;
        if (id == "data" && !c.data) {
            c.data = body;
            c.dataCut = cut;
        }
        if (cut) break;
        pos += 8 + std::size_t(declared) + (declared & 1);
    }
    return c;
}

// Samples per channel in `bytes` of ADPCM, where a whole block holds `perBlock`; a
// last block cut short still decodes from its header on.
uint64_t adpcmFrames(uint16_t tag, uint64_t bytes, uint32_t blockAlign, uint32_t perBlock, uint32_t channels) {
    const uint64_t rest = bytes % blockAlign;
    uint64_t partial = 0;
    if (tag == kMsAdpcm && rest >= 7 * channels) {
        // Each channel's header holds two samples; then a nibble a sample.
        partial = 2 + (rest - 7 * channels) * 2 / channels;
    } else if (tag == kImaAdpcm && rest >= 4 * channels) {
        // One sample in each channel's header, then words of eight per channel.
        partial = 1 + (rest - 4 * channels) / (4 * channels) * 8;
    }
    return bytes / blockAlign * perBlock + std::min<uint64_t>(partial, perBlock);
}

}  // namespace

std::optional<MediaInfo> probeWave(std::string_view bytes) {
    if (bytes.size() < 12 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 4) != "WAVE") return std::nullopt;
    const Chunks chunks = findChunks(bytes);
    // The old 14-byte header of compressed formats has no bit depth.
    if (!chunks.fmt || chunks.fmt->size() < 14 || !chunks.data) return std::nullopt;
    const std::string_view fmt = *chunks.fmt;

    MediaInfo info;
    info.kind = MediaKind::Wave;
    uint16_t tag = le16(fmt, 0);
    info.channels = le16(fmt, 2);
    info.sampleRate = le32(fmt, 4);
    const uint32_t declaredAlign = le16(fmt, 12);
    info.bitsPerSample = fmt.size() >= 16 ? le16(fmt, 14) : 0;
    // cbSize, and the samples in an ADPCM block, which the extension starts with.
    const uint16_t extension = fmt.size() >= 18 ? le16(fmt, 16) : 0;
    const uint16_t perBlockGiven = tag != kExtensible && extension >= 2 && fmt.size() >= 20 ? le16(fmt, 18) : 0;
    if (tag == kExtensible) {
        // The subformat GUID's first field carries the real tag in its low half.
        if (extension < 22 || fmt.size() < 40 || le16(fmt, 26) != 0) return std::nullopt;
        tag = le16(fmt, 24);
    }
    info.formatTag = tag;
    info.complete = !chunks.dataCut;
    if (info.channels == 0 || info.sampleRate == 0) return std::nullopt;
    const uint64_t dataSize = chunks.data->size();
    const std::optional<uint32_t> factFrames =
        chunks.fact && chunks.fact->size() >= 4 ? std::optional<uint32_t>(le32(*chunks.fact, 0)) : std::nullopt;

    switch (tag) {
        case kPcm:
        case kFloat:
        case kALaw:
        case kMuLaw: {
            // Uncompressed: the data alone says it; a fact chunk here is often stale.
            const uint32_t blockAlign =
                declaredAlign != 0 ? declaredAlign : uint32_t(info.channels) * ((info.bitsPerSample + 7u) / 8u);
            if (blockAlign == 0) return std::nullopt;
            info.frames = dataSize / blockAlign;
            info.codec = tag == kPcm ? "pcm" : tag == kFloat ? "float" : tag == kALaw ? "alaw" : "mulaw";
            break;
        }
        case kMsAdpcm:
        case kImaAdpcm: {
            const uint32_t channels = info.channels;
            const uint32_t header = (tag == kMsAdpcm ? 7 : 4) * channels;
            if (declaredAlign <= header) return std::nullopt;
            uint32_t perBlock = perBlockGiven;
            if (perBlock == 0) {
                // Not given: what a full block holds, a nibble a sample after the headers.
                perBlock = (declaredAlign - header) * 2 / channels + (tag == kMsAdpcm ? 2 : 1);
            }
            info.frames = adpcmFrames(tag, dataSize, declaredAlign, perBlock, channels);
            // The fact count leaves out the last block's padding; a cut file still
            // holds only what its data reaches. Some writers leave the count at 0.
            if (const uint64_t fact = factFrames.value_or(0); fact != 0) info.frames = std::min(info.frames, fact);
            info.codec = tag == kMsAdpcm ? "ms-adpcm" : "ima-adpcm";
            break;
        }
        default:
            if (!factFrames) return std::nullopt;
            info.frames = factFrames.value_or(0);
            info.codec = "other";
            break;
    }
    info.durationMs = *roundedMs(info.frames, info.sampleRate);
    return info;
}

}  // namespace qvl
