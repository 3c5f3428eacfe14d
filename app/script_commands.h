#pragma once
// The command table of the script's own words: timing and waiting, the scenario
// switches, flags, control flow, the save and load windows and the exits.
#include "app/command_args.h"
#include "script/dispatcher.h"

#include <string>

namespace qvl {

class TFmain;

class ScriptCommands {
public:
    ScriptCommands(TFmain& main, Dispatcher& dispatcher);

private:
    void assignFlag();
    void stopAndWait(const std::string& caption);
    void versionCheck(const std::string& version, const std::string& stop);
    void flagInputEdit();
    void flagInputAsk();
    void armClickFlag(const std::string& flag);

    TFmain& main_;
    Dispatcher& dispatcher_;
    CommandArgs args_;
};

}  // namespace qvl
