// The scroll roll and the black hole: arguments read here, the effects in graphics/.
#include "app/tfmain.h"

namespace qvl {

void TFmain::registerEffectCommands() {}

}  // namespace qvl
