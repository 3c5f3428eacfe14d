#include "script/line_mapping.h"

#include <algorithm>

namespace qvl {

int32_t mapLineAcrossEdit(const ScriptProgram& before, const ScriptProgram& after, int32_t line) {
    const int32_t count = int32_t(after.Lines.size());
    // The nearest label at or above the line.
    int32_t label = -1;
    for (std::size_t i = 0; i < before.LabelNames.size() && i < before.LabelLines.size(); ++i)
        if (before.LabelLines[i] <= line && (label < 0 || before.LabelLines[i] > before.LabelLines[std::size_t(label)]))
            label = int32_t(i);
    int32_t mapped = line;
    if (label >= 0)
        if (auto found = after.findLabel(before.LabelNames[std::size_t(label)]))
            mapped = *found + (line - before.LabelLines[std::size_t(label)]);
    return count == 0 ? mapped : std::clamp(mapped, 0, count);
}

}  // namespace qvl
