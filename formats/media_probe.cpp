#include "formats/media_probe.h"

#include <limits>

namespace qvl {

std::optional<uint32_t> roundedMs(uint64_t units, uint64_t perSecond) {
    if (perSecond == 0) return std::nullopt;
    __extension__ using Wide = unsigned __int128;
    const Wide ms = (Wide(units) * 1000 + perSecond / 2) / perSecond;
    return ms > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max() : uint32_t(ms);
}

std::optional<MediaInfo> probeMedia(std::string_view bytes) {
    const auto startsWith = [&](std::size_t at, std::string_view magic) {
        return bytes.size() >= at + magic.size() && bytes.substr(at, magic.size()) == magic;
    };
    if (startsWith(0, "RIFF") && startsWith(8, "WAVE")) return probeWave(bytes);
    if ((startsWith(0, "RIFF") && startsWith(8, "RMID")) || startsWith(0, "MThd")) return probeMidi(bytes);
    if (startsWith(0, "OggS")) return probeOgg(bytes);
    if (auto flac = probeFlac(bytes)) return flac;
    return probeMp3(bytes);
}

}  // namespace qvl
