#include "save/save_point.h"

namespace qvl {

static_assert(kSavedOptions <= kMaxOptions, "a save keeps only options a block can have");

}  // namespace qvl
