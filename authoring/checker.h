#pragma once
// The scenario checker: reads every script reachable from the start script
// through jumps (plain, conditional and in choice options) and reports what
// would go wrong when a player reaches it, with file and line.
#include "authoring/finding.h"
#include "authoring/scenario_files.h"

#include <string>
#include <vector>

namespace qvl::authoring {

// Findings in the order the scripts were reached, by line within each script.
std::vector<Finding> checkScenario(ScenarioFiles& files, const std::string& startScript = "autorun.txt");

// The findings of one script, as an editor shows them for the file it has open:
// the check starts there and follows jumps into other files as a run would, but
// keeps only what it found in that script.
std::vector<Finding> checkScript(ScenarioFiles& files, const std::string& script);

// The scripts the checker reaches from the start script, start script first.
std::vector<ScriptSource> reachableScripts(ScenarioFiles& files, const std::string& startScript = "autorun.txt");

}  // namespace qvl::authoring
