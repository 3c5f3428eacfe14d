#pragma once
// The command table of the text window: arguments read here, the work done by the
// text window.
#include "app/command_args.h"
#include "script/dispatcher.h"

namespace qvl {

class TFmain;

class TextWindowCommands {
public:
    TextWindowCommands(TFmain& main, Dispatcher& dispatcher);

private:
    CommandArgs args_;
};

}  // namespace qvl
