#include "script/script_program.h"

#include "base/sjis.h"
#include "script/messages.h"

namespace qvl {

void ScriptProgram::buildLabels(ScriptErrorReporter& reporter) {
    LabelNames.clear();
    for (auto it = Lines.begin(); it != Lines.end(); ++it) {
        const std::size_t i = it.index();
        std::string key = sjis::trimLeft(*it);
        if (key.empty() || key.front() != ':') continue;
        if (LabelNames.size() == kMaxLabels) {
            reporter.scriptError(message(Message::TooManyLabels) + std::to_string(kMaxLabels));
            return;
        }
        LabelLines[LabelNames.size()] = int32_t(i);
        LabelNames.push_back(std::move(key));
    }
}

std::optional<int32_t> ScriptProgram::findLabel(const std::string& name) const {
    for (std::size_t i = 0; i < LabelNames.size(); ++i)
        if (sjis::equalsIgnoreCase(LabelNames[i], name)) return LabelLines[i];
    return std::nullopt;
}

}  // namespace qvl
