#pragma once
// The branch explorer: plays the scenario in the current directory headless
// again and again, taking every path through its choices breadth-first, and
// reports the lines no run reached, the paths that end in a script error and
// the distinct endings.
#include <cstdint>
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
};

enum class RunEnd {
    Finished,  // ran past the last line of its script
    Exited,    // _winexit, confirmed
    Error,     // a run-time fault ended the script
    Waiting,   // the script stopped and waits for the reader (_stop, a choice with nothing to take)
    Limit,     // the step or choice limit of a run that loops
    Loop,      // back at a choice in the same state, about to take the same item again
};

struct PathRun {
    std::vector<int> choices;              // the item taken at each choice, from 0
    std::vector<std::string> labels;       // the labels of those items, UTF-8
    RunEnd end = RunEnd::Finished;
    std::string chapter, lastText;         // UTF-8
    std::vector<std::string> errors;       // "File:NAME Line:N/MESSAGE", UTF-8
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
std::string pathText(const std::vector<int>& choices);
std::string exploreText(const ExploreReport& report);
std::string exploreJson(const ExploreReport& report);

}  // namespace qvl::authoring
