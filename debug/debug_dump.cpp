#include "debug/debug_dump.h"

#include "platform/encoding.h"

#include <nlohmann/json.hpp>

namespace qvl {

nlohmann::ordered_json toJson(const ErrorList& errors) {
    nlohmann::ordered_json j = nlohmann::ordered_json::array();
    for (const std::string& e : errors.entries()) j.push_back(platform::sjisToUtf8(e));
    return j;
}

nlohmann::ordered_json toJson(const TFdebug& form, bool open) {
    return {
        {"open", open},
        {"tab", int64_t(form.PageControl1->current())},
        {"flagSelection", int64_t(form.ValList->selected())},
        {"surface", int64_t(form.ComboBox1->selected())},
    };
}

}  // namespace qvl
