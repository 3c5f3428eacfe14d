#pragma once
// What the front door tells the engine, and how the engine ends from inside a wait.
#include "app/run_hook.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace qvl {

struct TFmainOptions {
    bool verbose = false;
    std::ostream* transcript = nullptr;
    // Script lines after which the run stops as at a time limit (headless runs).
    std::optional<uint64_t> maxSteps;
    // After each script line, with the script and line (0-based) that runs next:
    // the branch explorer's record of the lines a run reached.
    std::function<void(const std::string& fileName, int32_t nextLine)> lineObserver;
    // A debugger attached to the run, or nothing.
    RunHook* hook = nullptr;
    // Script files edited on disk are taken in at the next line (always in debug mode).
    bool reloadScripts = false;
    // Self-voicing on from the start, as if V had been pressed.
    bool selfVoicing = false;
};

// Ends the program from inside any wait: the normal exit (0), the error
// reporter's stop (1), a version stop. Caught only by TFmain::run.
struct ProgramExit {
    int code;
};

}  // namespace qvl
