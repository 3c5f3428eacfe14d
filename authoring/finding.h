#pragma once
// One thing the scenario checker found, and the two ways of printing a list of
// them: "FILE:LINE: kind: message" lines for people and editors, JSON for tools.
#include <cstdint>
#include <string>
#include <vector>

namespace qvl::authoring {

struct Finding {
    std::string file;  // the script file as the scenario names it, UTF-8
    int32_t line = 0;  // 1-based
    std::string kind;  // a short stable word: missing-label, arg-count ...
    std::string message;  // UTF-8
};

std::string findingsText(const std::vector<Finding>& findings);
std::string findingsJson(const std::vector<Finding>& findings);

}  // namespace qvl::authoring
