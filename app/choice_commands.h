#pragma once
// The command table of the three choices: arguments read here, the looks in
// choice/, the frame every choice shares in ControlFlow::choice.
#include "app/command_args.h"
#include "script/control_flow.h"
#include "script/dispatcher.h"

namespace qvl {

class TFmain;

class ChoiceCommands {
public:
    ChoiceCommands(TFmain& main, Dispatcher& dispatcher);

private:
    void runChoice(ChoiceKind kind);

    TFmain& main_;
    CommandArgs args_;
};

}  // namespace qvl
