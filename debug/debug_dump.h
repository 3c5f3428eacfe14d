#pragma once
// The debug window's and the error list's parts of the state dump (--dump-state).
#include "debug/error_list.h"
#include "debug/tfdebug.h"

#include <nlohmann/json_fwd.hpp>

namespace qvl {

// The reports answered with No, in UTF-8.
nlohmann::ordered_json toJson(const ErrorList& errors);
// Open or not, the page shown, the flag row and the surface chosen.
nlohmann::ordered_json toJson(const TFdebug& form, bool open);

}  // namespace qvl
