#pragma once
// The branch explorer: plays the scenario in the current directory headless
// again and again, taking every path through its choices breadth-first, and
// reports the lines no run reached, the paths that end in a script error and
// the distinct endings.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qvl::authoring {

struct ExploreOptions {
    int maxRuns = 1000;
    // A run that loops without end stops after this many script lines ...
    uint64_t maxSteps = 200'000;
    // ... or this many choices.
    int maxChoices = 64;
    // Called after each run with the paths taken so far and the paths still queued.
    std::function<void(int taken, std::size_t queued)> progress;
};

enum class RunEnd {
    Finished,  // ran past the last line of its script
    Exited,    // _winexit, confirmed
    Error,     // a run-time fault ended the script
    Waiting,   // the script stopped and waits for the reader (_stop, a choice with nothing to take)
    Limit,     // the step or choice limit of a run that loops
    Loop,      // back at a choice in the same state, about to take the same item again
};

// What a run played between two choices (or before the first, or after the last).
struct SceneRun {
    std::vector<std::pair<std::string, int32_t>> lines;  // script file as read (UTF-8), line from 1
    std::string chapter, firstText;                      // UTF-8; the chapter in effect at its first text
    std::vector<std::string> errors;
};

struct PathRun {
    std::vector<int> choices;              // the item taken at each choice, from 0
    std::vector<std::string> labels;       // the labels of those items, UTF-8
    RunEnd end = RunEnd::Finished;
    std::string chapter, lastText;         // UTF-8
    std::vector<std::string> errors;       // "File:NAME Line:N/MESSAGE", UTF-8
    // Scene k ends at choice k; the last one ends the run.
    std::vector<SceneRun> scenes;
    std::vector<std::string> choiceKeys;   // the state at each choice taken
    std::vector<std::vector<std::string>> choiceLabels;  // every item of each choice, UTF-8
    std::string loopKey;                   // Loop: the state of the choice it came back to
};

struct LineRange {
    int32_t first, last;  // 1-based, inclusive
};

struct ExploreReport {
    std::vector<PathRun> paths;  // in the order they were run
    bool truncated = false;      // paths were left when the run limit was reached
    std::vector<std::pair<std::string, std::vector<LineRange>>> unreached;  // per script file (UTF-8)
};

ExploreReport explore(const ExploreOptions& options);

// "[0,2,1]": the items taken, from 0, as `choose` lines of a headless input give them.
// "end", "exit", "error", "waiting", "limit", "loop": as the report names them.
const char* endName(RunEnd end);
std::string pathText(const std::vector<int>& choices);
std::string exploreText(const ExploreReport& report);
std::string exploreJson(const ExploreReport& report);

}  // namespace qvl::authoring
