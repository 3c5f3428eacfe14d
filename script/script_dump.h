#pragma once
// The interpreter's part of the state dump (--dump-state): the flags, the script
// position and the options last read. Texts are converted to UTF-8.
#include "script/control_flow.h"
#include "script/flag_store.h"
#include "script/interpreter_state.h"

#include <nlohmann/json_fwd.hpp>

namespace qvl {

nlohmann::ordered_json toJson(const FlagStore& flags);
nlohmann::ordered_json toJson(const InterpreterState& state);
nlohmann::ordered_json toJson(const OptionList& options);

}  // namespace qvl
