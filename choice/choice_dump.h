#pragma once
// The last choice as it was shown, for the state dump (--dump-state).
#include "choice/choices.h"

#include <nlohmann/json_fwd.hpp>

namespace qvl {

nlohmann::ordered_json toJson(const ChoiceRecord& choice);

}  // namespace qvl
