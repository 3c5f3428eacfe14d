#include "audio/audio_dump.h"

#include "platform/encoding.h"

#include <nlohmann/json.hpp>

namespace qvl {

nlohmann::ordered_json toJson(const PlaybackChannels& channels) {
    nlohmann::ordered_json j = nlohmann::ordered_json::array();
    for (const PlaybackChannel& c : channels.all())
        j.push_back({
            {"fileName", platform::sjisToUtf8(c.fileName)},
            {"playCount", int64_t(c.playCount)},
            {"loopLimit", int64_t(c.loopLimit)},
            {"trackStart", int64_t(c.trackStart)},
            {"trackLength", int64_t(c.trackLength)},
            {"playing", c.playing},
            {"deviceOpen", c.deviceOpen},
            {"resumePending", c.resumePending},
        });
    return j;
}

}  // namespace qvl
