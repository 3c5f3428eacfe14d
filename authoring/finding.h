#pragma once
// One thing the scenario checker found, and the two ways of printing a list of
// them: "FILE:LINE: kind: message" lines for people and editors (" (hint)" ends
// a hint's line), JSON for tools.
#include <cstdint>
#include <string>
#include <vector>

namespace qvl::authoring {

struct Finding {
    std::string file;  // the script file as the scenario names it, UTF-8
    int32_t line = 0;  // 1-based
    std::string kind;  // a short stable word: missing-label, arg-count ...
    std::string message;  // UTF-8
    // Something a run goes on through (it plays, differently from what was
    // meant): shown, but no reason for a failing exit code.
    bool hint = false;
};

// Errors only: hints alone leave a check passing.
bool hasErrors(const std::vector<Finding>& findings);

std::string findingsText(const std::vector<Finding>& findings);
std::string findingsJson(const std::vector<Finding>& findings);

}  // namespace qvl::authoring
