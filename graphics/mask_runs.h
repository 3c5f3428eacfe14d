#pragma once
// The long runs of a mask's rows whose pixels all mean the same, found once when the
// mask changes: composition copies, combines or skips a whole run without reading
// the mask, and knows which pixels hide what lies below. Short runs are left out, as
// are the pixels between runs; those go through the per-pixel rule, which is right
// for every pixel, so the runs only ever save work.
#include "graphics/surface.h"

#include <cstdint>
#include <span>
#include <vector>

namespace qvl {

class MaskRuns {
public:
    // What a run's mask pixels say.
    enum class Kind : uint8_t {
        Opaque,  // person mask 0: the picture replaces what lies below
        Black,   // effect mask black: the effect is combined
        Clear,   // effect mask not black: the composition stays
    };
    struct Run {
        int32_t left = 0, right = 0;  // mask columns [left, right)
        Kind kind = Kind::Opaque;
    };
    // What the runs are looked for: a person mask's opaque runs, or an effect mask's
    // black and clear runs.
    enum class Rule : uint8_t { Person, Effect };

    explicit MaskRuns(Rule rule) : rule_(rule) {}

    // Finds the runs again unless mask is as it was at the last call (the same
    // change count and size).
    void update(const Surface& mask, uint64_t changes);
    // Mask row y's runs, left to right; none outside the mask.
    std::span<const Run> row(int64_t y) const;

private:
    Rule rule_;
    bool valid_ = false;
    uint64_t changes_ = 0;
    int width_ = 0, height_ = 0;
    std::vector<Run> runs_;
    std::vector<uint32_t> rowStart_;  // row y's runs are [rowStart_[y], rowStart_[y + 1])
};

}  // namespace qvl
