#pragma once
// The command table of sound: arguments read here, the channels in audio/.
#include "app/command_args.h"
#include "script/dispatcher.h"

namespace qvl {

class TFmain;

class AudioCommands {
public:
    AudioCommands(TFmain& main, Dispatcher& dispatcher);

private:
    CommandArgs args_;
};

}  // namespace qvl
