#include "graphics/bank_dump.h"

#include <nlohmann/json.hpp>

namespace qvl {

using nlohmann::ordered_json;

void addBankJson(ordered_json& out, const SurfaceBank& bank, ToUtf8 utf8) {
    ordered_json states = ordered_json::array();
    for (int n = 0; n < kStateCount; ++n) {
        const SurfaceState& st = bank.states[std::size_t(n)];
        states.push_back({
            {"surface", std::string(surfaceName(n))},
            {"width", int64_t(bank.surfaces[std::size_t(n)].width())},
            {"height", int64_t(bank.surfaces[std::size_t(n)].height())},
            {"shown", int64_t(st.shown)},
            {"loaded", int64_t(st.loaded)},
            {"masked", int64_t(st.masked)},
            {"maskMode", int64_t(st.maskMode)},
            {"colourKey", int64_t(st.colourKey)},
            {"fileName", utf8(st.fileName)},
            {"maskName", utf8(st.maskName)},
            {"spare", int64_t(st.spare)},
            {"x", int64_t(st.x)},
            {"y", int64_t(st.y)},
            {"order", int64_t(st.order)},
            {"spareFlag", int64_t(st.spareFlag)},
            {"effectKind", int64_t(st.effectKind)},
        });
    }
    out["SurfaceState"] = std::move(states);

    const SpriteSheet& sheet = bank.sheet;
    out["SpriteSheet"] = {
        {"fileName", utf8(sheet.fileName)},
        {"maskName", utf8(sheet.maskName)},
        {"columns", int64_t(sheet.columns)},
        {"rows", int64_t(sheet.rows)},
        {"cellWidth", int64_t(sheet.cellWidth)},
        {"cellHeight", int64_t(sheet.cellHeight)},
        {"colourKey", int64_t(sheet.colourKey)},
        {"masked", int64_t(sheet.masked)},
        {"valid", int64_t(sheet.valid)},
    };

    ordered_json slots = ordered_json::array();
    for (const SpriteSlot& slot : bank.sprites)
        slots.push_back({
            {"x", int64_t(slot.x)},
            {"y", int64_t(slot.y)},
            {"column", int64_t(slot.column)},
            {"row", int64_t(slot.row)},
            {"visible", int64_t(slot.visible)},
            {"animationCount", int64_t(slot.animationCount)},
        });
    out["SpriteSlots"] = std::move(slots);
    out["sceneDirty"] = bank.sceneDirty;
}

}  // namespace qvl
