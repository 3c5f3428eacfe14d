#include "authoring/finding.h"

#include <nlohmann/json.hpp>

namespace qvl::authoring {

std::string findingsText(const std::vector<Finding>& findings) {
    std::string out;
    for (const Finding& f : findings)
        out += f.file + ":" + std::to_string(f.line) + ": " + f.kind + ": " + f.message + "\n";
    return out;
}

std::string findingsJson(const std::vector<Finding>& findings) {
    nlohmann::ordered_json j = nlohmann::ordered_json::array();
    for (const Finding& f : findings)
        j.push_back({{"file", f.file}, {"line", int64_t(f.line)}, {"kind", f.kind}, {"message", f.message}});
    return j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace qvl::authoring
