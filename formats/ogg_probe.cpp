// Ogg Vorbis and Ogg Opus: the sample rate from the stream's first packet, the length
// from the granule position of its last whole page.
#include "formats/media_probe.h"

#include <array>

namespace qvl {

namespace {

constexpr std::size_t kPageHeader = 27;
// The last page of a stream sits within its final 64 KB unless the tail is damaged;
// looking further back would only cost time on garbage.
constexpr std::size_t kTailSearch = 256 * 1024;
// Checksums that may fail before we give up on the tail: chance "OggS" patterns in
// packet data are rare, so many failures mean the tail is garbage.
constexpr int kMaxBadPages = 16;
constexpr uint32_t kOpusRate = 48000;

uint32_t le32(std::string_view b, std::size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}

// The page checksum: CRC-32 with polynomial 0x04C11DB7, unreflected, starting at 0.
constexpr std::array<uint32_t, 256> kCrcTable = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 24;
        for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
        table[i] = r;
    }
    return table;
}();

struct Page {
    uint8_t type = 0;  // 2: first page of a stream, 4: last
    int64_t granule = -1;
    uint32_t serial = 0;
    std::string_view lacing;
    std::string_view body;
};

// The page at `at` when all of it is inside the file. The checksum is left to
// checkPage, which costs a pass over the page.
std::optional<Page> pageAt(std::string_view b, std::size_t at) {
    if (at > b.size() || b.size() - at < kPageHeader || b.substr(at, 4) != "OggS" || b[at + 4] != 0)
        return std::nullopt;
    const std::size_t segments = uint8_t(b[at + 26]);
    if (b.size() - at - kPageHeader < segments) return std::nullopt;
    Page page;
    page.type = uint8_t(b[at + 5]);
    page.granule = int64_t(uint64_t(le32(b, at + 6)) | uint64_t(le32(b, at + 10)) << 32);
    page.serial = le32(b, at + 14);
    page.lacing = b.substr(at + kPageHeader, segments);
    std::size_t bodySize = 0;
    for (const char c : page.lacing) bodySize += uint8_t(c);
    const std::size_t bodyAt = at + kPageHeader + segments;
    if (b.size() - bodyAt < bodySize) return std::nullopt;
    page.body = b.substr(bodyAt, bodySize);
    return page;
}

bool checkPage(std::string_view b, std::size_t at, const Page& page) {
    const std::size_t size = kPageHeader + page.lacing.size() + page.body.size();
    uint32_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        // The checksum field itself counts as zeros.
        const uint8_t byte = i >= 22 && i < 26 ? 0 : uint8_t(b[at + i]);
        crc = crc << 8 ^ kCrcTable[(crc >> 24) ^ byte];
    }
    return crc == le32(b, at + 22);
}

}  // namespace

std::optional<MediaInfo> probeOgg(std::string_view bytes) {
    const std::optional<Page> first = pageAt(bytes, 0);
    if (!first || !(first->type & 2) || !checkPage(bytes, 0, *first)) return std::nullopt;
    // The identification header is the first packet and the only one on its page.
    std::size_t packetSize = 0;
    for (const char c : first->lacing) {
        packetSize += uint8_t(c);
        if (uint8_t(c) < 255) break;
    }
    const std::string_view id = first->body.substr(0, packetSize);

    MediaInfo info;
    info.kind = MediaKind::Ogg;
    uint64_t preSkip = 0;
    if (id.size() >= 16 && id.substr(0, 7) == "\x01vorbis" && le32(id, 7) == 0) {
        info.codec = "vorbis";
        info.channels = uint8_t(id[11]);
        info.sampleRate = le32(id, 12);
    } else if (id.size() >= 19 && id.substr(0, 8) == "OpusHead" && (uint8_t(id[8]) >> 4) == 0) {
        // Opus always decodes at 48 kHz; the first pre-skip samples are dropped.
        info.codec = "opus";
        info.channels = uint8_t(id[9]);
        info.sampleRate = kOpusRate;
        preSkip = uint8_t(id[10]) | uint8_t(id[11]) << 8;
    } else {
        return std::nullopt;
    }
    if (info.channels == 0 || info.sampleRate == 0) return std::nullopt;

    // Back from the end to the last whole page of this stream that ends a packet.
    const std::size_t stop = bytes.size() > kTailSearch ? bytes.size() - kTailSearch : 0;
    int badPages = 0;
    for (std::size_t at = bytes.size() >= kPageHeader ? bytes.size() - kPageHeader + 1 : 0; at-- > stop;) {
        if (bytes[at] != 'O') continue;
        const std::optional<Page> page = pageAt(bytes, at);
        if (!page || page->serial != first->serial || page->granule < 0) continue;
        if (!checkPage(bytes, at, *page)) {
            if (++badPages == kMaxBadPages) break;
            continue;
        }
        info.frames = uint64_t(page->granule) > preSkip ? uint64_t(page->granule) - preSkip : 0;
        info.durationMs = *roundedMs(info.frames, info.sampleRate);
        info.complete = (page->type & 4) != 0;
        return info;
    }
    return std::nullopt;
}

}  // namespace qvl
