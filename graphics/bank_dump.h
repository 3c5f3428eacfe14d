#pragma once
// The surface bank's part of the state dump (--dump-state): every surface's state,
// the sprite sheet and the sprite slots. Names are Shift-JIS; this folder sits below
// the platform's converter, so the caller hands it over.
#include "graphics/surface_bank.h"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <string_view>

namespace qvl {

using ToUtf8 = std::string (*)(std::string_view sjis);

// "SurfaceState", "SpriteSheet", "SpriteSlots" and "sceneDirty", added to an object.
void addBankJson(nlohmann::ordered_json& out, const SurfaceBank& bank, ToUtf8 utf8);

}  // namespace qvl
