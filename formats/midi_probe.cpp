// Standard MIDI Files: every track is walked event by event; the piece lasts until the
// last event of the track that ends latest, timed through the tempo changes.
#include "formats/media_probe.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace qvl {

namespace {

__extension__ using Wide = unsigned __int128;

constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note: 120 bpm

uint32_t be32(std::string_view b, std::size_t at) {
    return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 | uint32_t(uint8_t(b[at + 2])) << 8 |
           uint8_t(b[at + 3]);
}
uint32_t le32(std::string_view b, std::size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}

struct TempoChange {
    uint64_t tick;
    uint32_t usPerQuarter;
};

struct Track {
    uint64_t endTick = 0;  // the tick of the last whole event
    bool whole = false;    // reached its end-of-track event
    std::vector<TempoChange> tempos;
};

class TrackReader {
public:
    explicit TrackReader(std::string_view body) : body_(body) {}

    Track read() {
        Track track;
        uint64_t tick = 0;
        uint8_t running = 0;
        while (pos_ < body_.size()) {
            uint32_t delta = 0;
            if (!readNumber(delta) || pos_ >= body_.size()) break;
            const uint64_t at = tick + delta;
            uint8_t status = uint8_t(body_[pos_]);
            if (status < 0x80) {
                if (running == 0) break;  // data without a status: the rest is garbage
                status = running;
            } else {
                ++pos_;
            }
            // Only channel messages set the running status. Sysex and meta events should
            // end it, but some sequencers go on using it after them, and a valid file
            // never puts data there, so it is kept.
            if (status < 0xF0) {
                running = status;
                if (!skip((status & 0xE0) == 0xC0 ? 1 : 2)) break;
            } else if (status == 0xF0 || status == 0xF7) {
                uint32_t length = 0;
                if (!readNumber(length) || !skip(length)) break;
            } else if (status == 0xFF) {
                if (pos_ >= body_.size()) break;
                const uint8_t type = uint8_t(body_[pos_++]);
                uint32_t length = 0;
                if (!readNumber(length)) break;
                const std::size_t data = pos_;
                if (!skip(length)) break;
                if (type == 0x51 && length >= 3) {
                    const auto byte = [&](std::size_t i) { return uint32_t(uint8_t(body_[data + i])); };
                    track.tempos.push_back({at, byte(0) << 16 | byte(1) << 8 | byte(2)});
                }
                if (type == 0x2F) {
                    track.endTick = at;
                    track.whole = true;
                    return track;
                }
            } else {
                break;  // system common and real-time messages have no place in a file
            }
            tick = at;
            track.endTick = at;
        }
        return track;
    }

private:
    // A variable-length quantity: at most four bytes, seven bits each.
    bool readNumber(uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos_ >= body_.size()) return false;
            const uint8_t b = uint8_t(body_[pos_++]);
            value = value << 7 | (b & 0x7F);
            if ((b & 0x80) == 0) return true;
        }
        return false;
    }

    bool skip(std::size_t n) {
        if (body_.size() - pos_ < n) return false;
        pos_ += n;
        return true;
    }

    std::string_view body_;
    std::size_t pos_ = 0;
};

// Microseconds times ticks per quarter from tick 0 to `tick`, through `tempos` in order.
Wide quarterTime(uint64_t tick, const std::vector<TempoChange>& tempos) {
    Wide sum = 0;
    uint64_t from = 0;
    uint32_t tempo = kDefaultTempo;
    for (const TempoChange& change : tempos) {
        if (change.tick >= tick) break;
        sum += Wide(change.tick - from) * tempo;
        from = change.tick;
        tempo = change.usPerQuarter;
    }
    return sum + Wide(tick - from) * tempo;
}

uint32_t clampMs(Wide ms) {
    return ms > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max() : uint32_t(ms);
}

// The "data" chunk of a RIFF RMID file, the wrapping Windows gives MIDI files.
std::string_view unwrapRiff(std::string_view bytes) {
    std::size_t pos = 12;
    while (pos <= bytes.size() && bytes.size() - pos >= 8) {
        const std::size_t size = std::min<std::size_t>(le32(bytes, pos + 4), bytes.size() - pos - 8);
        if (bytes.substr(pos, 4) == "data") return bytes.substr(pos + 8, size);
        pos += 8 + size + (size & 1);
    }
    return {};
}

}  // namespace

std::optional<MediaInfo> probeMidi(std::string_view bytes) {
    if (bytes.size() >= 12 && bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "RMID") bytes = unwrapRiff(bytes);
    if (bytes.size() < 14 || bytes.substr(0, 4) != "MThd") return std::nullopt;
    const uint32_t headerSize = be32(bytes, 4);
    if (headerSize < 6 || headerSize > bytes.size() - 8) return std::nullopt;
    const uint16_t format = uint16_t(uint8_t(bytes[8]) << 8 | uint8_t(bytes[9]));
    const uint16_t trackCount = uint16_t(uint8_t(bytes[10]) << 8 | uint8_t(bytes[11]));
    const uint16_t division = uint16_t(uint8_t(bytes[12]) << 8 | uint8_t(bytes[13]));
    if (format > 2) return std::nullopt;

    MediaInfo info;
    info.kind = MediaKind::Midi;
    info.codec = format == 0 ? "smf0" : format == 1 ? "smf1" : "smf2";
    std::vector<Track> tracks;
    std::size_t pos = 8 + headerSize;
    while (bytes.size() - pos >= 8) {
        const uint32_t declared = be32(bytes, pos + 4);
        const std::size_t available = bytes.size() - pos - 8;
        const bool cut = declared > available;
        if (bytes.substr(pos, 4) == "MTrk") {
            tracks.push_back(TrackReader(bytes.substr(pos + 8, cut ? available : declared)).read());
            if (!tracks.back().whole) info.complete = false;
        }
        if (cut) break;
        pos += 8 + std::size_t(declared);
    }
    if (tracks.empty()) return std::nullopt;
    if (tracks.size() < trackCount) info.complete = false;

    if (division & 0x8000) {
        // Time code: frames a second (29 is 30 drop-frame, 29.97) times ticks a frame.
        const int framesPerSecond = -int(int8_t(division >> 8));
        const uint64_t ticksPerFrame = division & 0xFF;
        if (ticksPerFrame == 0 ||
            (framesPerSecond != 24 && framesPerSecond != 25 && framesPerSecond != 29 && framesPerSecond != 30))
            return std::nullopt;
        for (const Track& t : tracks) info.frames = std::max(info.frames, t.endTick);
        const Wide units = Wide(info.frames) * 1000 * (framesPerSecond == 29 ? 1001 : 1);
        const Wide perSecond = ticksPerFrame * (framesPerSecond == 29 ? 30000 : uint64_t(framesPerSecond));
        info.durationMs = clampMs((units + perSecond / 2) / perSecond);
        return info;
    }
    const uint64_t ticksPerQuarter = division;
    if (ticksPerQuarter == 0) return std::nullopt;

    // Formats 0 and 1 share one tempo map, whichever track carries it, so the track
    // that ends last in ticks ends last in time; the tracks of format 2 are separate
    // pieces, each with its own.
    Wide longest = 0;
    if (format != 2) {
        std::vector<TempoChange> shared;
        for (const Track& t : tracks) {
            shared.insert(shared.end(), t.tempos.begin(), t.tempos.end());
            info.frames = std::max(info.frames, t.endTick);
        }
        std::stable_sort(shared.begin(), shared.end(),
                         [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
        longest = quarterTime(info.frames, shared);
    } else {
        for (const Track& t : tracks) {
            const Wide time = quarterTime(t.endTick, t.tempos);
            if (time > longest || (time == longest && t.endTick > info.frames)) {
                longest = time;
                info.frames = t.endTick;
            }
        }
    }
    const Wide perMs = Wide(ticksPerQuarter) * 1000;
    info.durationMs = clampMs((longest + perMs / 2) / perMs);
    return info;
}

}  // namespace qvl
