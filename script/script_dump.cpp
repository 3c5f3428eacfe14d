#include "script/script_dump.h"

#include "platform/encoding.h"

#include <nlohmann/json.hpp>

namespace qvl {

using nlohmann::ordered_json;

ordered_json toJson(const FlagStore& flags) {
    ordered_json j = ordered_json::array();
    for (const std::string& f : flags.Flags) j.push_back(platform::sjisToUtf8(f));
    return j;
}

ordered_json toJson(const InterpreterState& state) {
    ordered_json args = ordered_json::array();
    for (const std::string& a : state.ProgArgs) args.push_back(platform::sjisToUtf8(a));
    ordered_json returns = ordered_json::array();
    for (int32_t r : state.ProgRetAddr) returns.push_back(int64_t(r));
    return {
        {"ProgFileName", platform::sjisToUtf8(state.ProgFileName)},
        {"ProgChapter", platform::sjisToUtf8(state.ProgChapter)},
        {"ProgArgs", std::move(args)},
        {"ProgExecLine", int64_t(state.ProgExecLine)},
        {"ProgNextLine", int64_t(state.ProgNextLine)},
        {"ProgTextPos", int64_t(state.ProgTextPos)},
        {"ProgRetAddr", std::move(returns)},
        {"ProgRetStack", int64_t(state.ProgRetStack)},
        {"ProgIfResult", int64_t(state.ProgIfResult)},
        {"ProgSelResult", int64_t(state.ProgSelResult)},
        {"ProgMultiStateFlag", int64_t(state.ProgMultiStateFlag)},
    };
}

ordered_json toJson(const OptionList& options) {
    ordered_json labels = ordered_json::array(), commands = ordered_json::array();
    for (int i = 0; i < options.count; ++i) {
        labels.push_back(platform::sjisToUtf8(options.OptionLabels[std::size_t(i)]));
        commands.push_back(platform::sjisToUtf8(options.OptionCommands[std::size_t(i)]));
    }
    return {{"count", int64_t(options.count)}, {"OptionLabels", std::move(labels)}, {"OptionCommands", std::move(commands)}};
}

}  // namespace qvl
