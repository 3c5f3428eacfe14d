#pragma once
// The font dialog's part of the state dump (--dump-state).
#include "dialogs/font_dialog.h"

#include <nlohmann/json_fwd.hpp>

namespace qvl {

nlohmann::ordered_json toJson(const FontDialogState& dialog);

}  // namespace qvl
