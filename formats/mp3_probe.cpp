// MPEG audio (layers I, II and III of MPEG-1, 2 and 2.5): the frame count of a
// Xing, Info or VBRI header when the first frame carries one, else the frames
// themselves, counted from header to header.
#include "formats/media_probe.h"

#include <array>

namespace qvl {

namespace {

// How far past garbage we look for the next frame; leading junk and damaged frames
// are short, and a longer search would only find chance sync patterns.
constexpr std::size_t kMaxResync = 4096;
// Stacked ID3v2 tags before the audio.
constexpr int kMaxTags = 4;
// Version, layer and sample rate; these stay the same from frame to frame.
constexpr uint32_t kStreamBits = 0xFFFE0C00;

uint32_t be32(std::string_view b, std::size_t at) {
    return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 | uint32_t(uint8_t(b[at + 2])) << 8 |
           uint8_t(b[at + 3]);
}

bool has(std::string_view b, std::size_t at, std::string_view text) {
    return at <= b.size() && b.size() - at >= text.size() && b.substr(at, text.size()) == text;
}

struct Frame {
    uint32_t header = 0;
    bool mpeg1 = false;
    int layer = 0;
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint32_t length = 0;   // bytes, header included
    uint32_t samples = 0;  // per channel
};

std::optional<Frame> readFrame(std::string_view b, std::size_t at) {
    if (at > b.size() || b.size() - at < 4) return std::nullopt;
    const uint32_t h = be32(b, at);
    const uint32_t version = h >> 19 & 3;  // 0: 2.5, 2: 2, 3: 1
    const uint32_t layerBits = h >> 17 & 3;
    const uint32_t rateIndex = h >> 12 & 15;
    const uint32_t frequency = h >> 10 & 3;
    // Free-format frames (rate index 0) give no length; nothing we can count.
    if ((h & 0xFFE00000) != 0xFFE00000 || version == 1 || layerBits == 0 || rateIndex == 0 || rateIndex == 15 ||
        frequency == 3 || (h & 3) == 2)
        return std::nullopt;

    static constexpr std::array<std::array<uint16_t, 15>, 5> kKbps = {{
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2 layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // MPEG-2 layers II, III
    }};
    static constexpr std::array<uint32_t, 3> kRates = {44100, 48000, 32000};

    Frame f;
    f.header = h;
    f.mpeg1 = version == 3;
    f.layer = int(4 - layerBits);
    f.sampleRate = kRates[frequency] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    f.channels = (h >> 6 & 3) == 3 ? 1 : 2;
    const uint32_t bitRate = uint32_t(kKbps[f.mpeg1 ? f.layer - 1 : f.layer == 1 ? 3 : 4][rateIndex]) * 1000;
    const uint32_t padding = h >> 9 & 1;
    if (f.layer == 1) {
        f.length = (12 * bitRate / f.sampleRate + padding) * 4;
        f.samples = 384;
    } else {
        // Layer III of MPEG-2 and 2.5 has half as many samples a frame.
        const bool half = f.layer == 3 && !f.mpeg1;
        f.length = (half ? 72 : 144) * bitRate / f.sampleRate + padding;
        f.samples = half ? 576 : 1152;
    }
    return f;
}

bool sameStream(const Frame& a, const Frame& b) {
    return (a.header & kStreamBits) == (b.header & kStreamBits);
}

// A tag that ends the audio: ID3v1, APE or Lyrics3.
bool tailTag(std::string_view b, std::size_t at) {
    return has(b, at, "TAG") || has(b, at, "APETAGEX") || has(b, at, "LYRICSBEGIN");
}

// A frame that is where the stream goes on: the next header follows it, or the file
// or a tail tag begins right after it.
std::optional<Frame> frameAt(std::string_view b, std::size_t at, const Frame* stream) {
    const std::optional<Frame> f = readFrame(b, at);
    if (!f || (stream && !sameStream(*f, *stream)) || b.size() - at < f->length) return std::nullopt;
    const std::size_t next = at + f->length;
    if (next == b.size() || tailTag(b, next)) return f;
    const std::optional<Frame> g = readFrame(b, next);
    if (!g || !sameStream(*f, *g)) return std::nullopt;
    return f;
}

// The first offset at or after `from`, within the search distance, where a frame of
// the stream (any stream when null) begins.
std::optional<std::size_t> resync(std::string_view b, std::size_t from, const Frame* stream) {
    for (std::size_t at = from; at < b.size() && at - from < kMaxResync; ++at) {
        if (uint8_t(b[at]) == 0xFF && frameAt(b, at, stream)) return at;
    }
    return std::nullopt;
}

// Where the audio starts after any ID3v2 tags: ten header bytes, a size in
// seven-bit bytes, and ten more when a footer follows.
std::size_t skipId3v2(std::string_view b) {
    std::size_t pos = 0;
    for (int i = 0; i < kMaxTags && has(b, pos, "ID3") && b.size() - pos >= 10; ++i) {
        uint32_t size = 0;
        for (std::size_t k = 6; k < 10; ++k) {
            const uint8_t c = uint8_t(b[pos + k]);
            if (c & 0x80) return pos;
            size = size << 7 | c;
        }
        const std::size_t whole = 10 + std::size_t(size) + ((uint8_t(b[pos + 5]) & 0x10) ? 10 : 0);
        if (b.size() - pos < whole) return b.size();
        pos += whole;
    }
    return pos;
}

// What the first frame's header (Xing, Info, VBRI) says, when it has one.
struct StreamHeader {
    bool present = false;
    std::optional<uint32_t> frames;
    std::optional<uint32_t> bytes;  // the stream's size from this frame on
    uint32_t delay = 0;             // samples the encoder added before the audio
    uint32_t padding = 0;           // and after it
};

StreamHeader readStreamHeader(std::string_view b, std::size_t at, const Frame& f) {
    StreamHeader s;
    if (f.layer != 3) return s;
    const std::string_view frame = b.substr(at, f.length);
    // Xing and Info follow the side information, whose size depends on the channels.
    std::size_t pos = 4 + (f.mpeg1 ? (f.channels == 1 ? 17 : 32) : (f.channels == 1 ? 9 : 17));
    if (has(frame, pos, "Xing") || has(frame, pos, "Info")) {
        s.present = true;
        if (frame.size() - pos < 8) return s;
        const uint32_t flags = be32(frame, pos + 4);
        const std::size_t fields =
            (flags & 1 ? 4 : 0) + (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
        if (frame.size() - pos - 8 < fields) return s;
        pos += 8;
        if (flags & 1) s.frames = be32(frame, pos);
        if (flags & 2) s.bytes = be32(frame, pos + (flags & 1 ? 4 : 0));
        pos += fields;
        // LAME's extension: the samples the encoder added before and after the
        // audio, which decoders drop.
        if ((has(frame, pos, "LAME") || has(frame, pos, "Lavf") || has(frame, pos, "Lavc")) &&
            frame.size() - pos >= 24) {
            const uint32_t v = be32(frame, pos + 20) & 0xFFFFFF;
            s.delay = v >> 12;
            s.padding = v & 0xFFF;
        }
        return s;
    }
    if (has(frame, 36, "VBRI") && frame.size() >= 36 + 18) {
        s.present = true;
        if (uint8_t(frame[40]) == 0 && uint8_t(frame[41]) == 1) {
            s.bytes = be32(frame, 46);
            s.frames = be32(frame, 50);
        }
    }
    return s;
}

}  // namespace

std::optional<MediaInfo> probeMp3(std::string_view bytes) {
    const std::size_t audio = skipId3v2(bytes);
    const std::optional<std::size_t> first = resync(bytes, audio, nullptr);
    if (!first) return std::nullopt;
    const Frame stream = *readFrame(bytes, *first);

    MediaInfo info;
    info.kind = MediaKind::Mp3;
    info.codec = stream.layer == 1 ? "mp1" : stream.layer == 2 ? "mp2" : "mp3";
    info.sampleRate = stream.sampleRate;
    info.channels = stream.channels;

    const StreamHeader header = readStreamHeader(bytes, *first, stream);
    // A count from the header stands unless the file is shorter than it says.
    const bool cut = header.bytes && *header.bytes > bytes.size() - *first;
    if (header.frames && *header.frames > 0 && !cut) {
        const uint64_t samples = uint64_t(*header.frames) * stream.samples;
        const uint64_t trimmed = uint64_t(header.delay) + header.padding;
        info.frames = samples > trimmed ? samples - trimmed : 0;
        info.durationMs = *roundedMs(info.frames, info.sampleRate);
        return info;
    }

    // The header frame itself is silent and not part of the count.
    std::size_t pos = *first + (header.present ? stream.length : 0);
    uint64_t samples = 0;
    while (pos < bytes.size()) {
        const std::optional<Frame> f = readFrame(bytes, pos);
        if (f && sameStream(*f, stream) && bytes.size() - pos >= f->length) {
            samples += f->samples;
            pos += f->length;
            continue;
        }
        if (tailTag(bytes, pos)) break;
        if (f && sameStream(*f, stream)) {
            info.complete = false;  // the last frame is cut short
            break;
        }
        const std::optional<std::size_t> next = resync(bytes, pos + 1, &stream);
        if (!next) {
            info.complete = false;
            break;
        }
        pos = *next;
    }
    if (cut) info.complete = false;
    // The encoder's samples come off here too: a cut file may be a frame or two short of
    // the padding, so its count errs low, never past the whole file's.
    const uint64_t trimmed = uint64_t(header.delay) + header.padding;
    info.frames = samples > trimmed ? samples - trimmed : 0;
    info.durationMs = *roundedMs(info.frames, info.sampleRate);
    return info;
}

}  // namespace qvl
