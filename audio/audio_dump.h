#pragma once
// The playback channels' part of the state dump (--dump-state).
#include "audio/playback_channels.h"

#include <nlohmann/json_fwd.hpp>

namespace qvl {

// Music, sound effect and CD, in that order.
nlohmann::ordered_json toJson(const PlaybackChannels& channels);

}  // namespace qvl
