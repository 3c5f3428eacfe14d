#pragma once
// Every command word's handler, registered with the dispatcher by the table of
// the subsystem it drives. A table reads the arguments and calls its subsystem.
#include "app/audio_commands.h"
#include "app/choice_commands.h"
#include "app/scene_commands.h"
#include "app/script_commands.h"
#include "app/text_window_commands.h"

namespace qvl {

class TFmain;

class CommandTables {
public:
    explicit CommandTables(TFmain& main);

private:
    ScriptCommands script_;
    SceneCommands scene_;
    TextWindowCommands text_;
    ChoiceCommands choice_;
    AudioCommands audio_;
};

}  // namespace qvl
