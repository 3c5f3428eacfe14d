#pragma once
// The save point a save would write, for the state dump (--dump-state).
#include "save/save_point.h"

#include <nlohmann/json_fwd.hpp>

namespace qvl {

nlohmann::ordered_json toJson(const SavePointSnapshot& snapshot);

}  // namespace qvl
