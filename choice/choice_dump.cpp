#include "choice/choice_dump.h"

#include "platform/encoding.h"

#include <nlohmann/json.hpp>

namespace qvl {

using nlohmann::ordered_json;

namespace {

ordered_json rectJson(const Rect& r) {
    return {{"x", int64_t(r.x)}, {"y", int64_t(r.y)}, {"width", int64_t(r.w)}, {"height", int64_t(r.h)}};
}

}  // namespace

ordered_json toJson(const ChoiceRecord& c) {
    ordered_json labels = ordered_json::array();
    for (const std::string& l : c.labels) labels.push_back(platform::sjisToUtf8(l));
    ordered_json items = ordered_json::array();
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        ordered_json item = rectJson(c.items[i]);
        item["selectable"] = bool(c.selectable[i]);
        items.push_back(std::move(item));
    }
    return {
        {"shown", c.shown},
        {"look", c.kind == ChoiceKind::Menu ? "menu" : c.kind == ChoiceKind::Buttons ? "buttons" : "grid"},
        {"labels", std::move(labels)},
        {"area", rectJson(c.area)},
        {"items", std::move(items)},
        {"result", int64_t(c.result)},
    };
}

}  // namespace qvl
