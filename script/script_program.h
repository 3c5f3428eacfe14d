#pragma once
// The lines of the script file being run and its labels.
#include "base/reporter.h"
#include "script/script_lines.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qvl {

inline constexpr int kMaxLabels = 512;

struct ScriptProgram {
    ScriptLines Lines;  // as read (and decoded), untrimmed
    std::vector<std::string> LabelNames;  // label lines without their leading blanks
    std::array<int32_t, kMaxLabels> LabelLines{};

    // Collects the label lines; a 513th label is reported and scanning stops.
    void buildLabels(ScriptErrorReporter& reporter);
    // The line index of a label (letter case ignored, the first of equal labels
    // wins), or nothing.
    std::optional<int32_t> findLabel(const std::string& name) const;
};

}  // namespace qvl
