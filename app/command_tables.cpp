#include "app/command_tables.h"

#include "app/tfmain.h"

namespace qvl {

CommandTables::CommandTables(TFmain& main)
    : script_(main, main.dispatcher),
      scene_(main, main.dispatcher),
      text_(main, main.dispatcher),
      choice_(main, main.dispatcher),
      audio_(main, main.dispatcher) {}

}  // namespace qvl
