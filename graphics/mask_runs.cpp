#include "graphics/mask_runs.h"

namespace qvl {

namespace {

// Shorter runs cost more to walk than the per-pixel rule saves.
constexpr int32_t kShortestRun = 8;
constexpr uint32_t kColourBits = 0xFFFFFF;

// Clear runs are kept only when they mean something to the rule.
template <typename Classify>
void findRuns(const Surface& mask, Classify classify, bool keepClear, std::vector<MaskRuns::Run>& runs,
              std::vector<uint32_t>& rowStart) {
    const int32_t w = mask.width();
    for (int y = 0; y < mask.height(); ++y) {
        rowStart.push_back(uint32_t(runs.size()));
        const uint32_t* m = mask.row(y);
        for (int32_t x = 0; x < w;) {
            const MaskRuns::Kind kind = classify(m[x]);
            int32_t end = x + 1;
            while (end < w && classify(m[end]) == kind) ++end;
            if (end - x >= kShortestRun && (keepClear || kind != MaskRuns::Kind::Clear)) runs.push_back({x, end, kind});
            x = end;
        }
    }
    rowStart.push_back(uint32_t(runs.size()));
}

}  // namespace

void MaskRuns::update(const Surface& mask, uint64_t changes) {
    if (valid_ && changes == changes_ && mask.width() == width_ && mask.height() == height_) return;
    valid_ = true;
    changes_ = changes;
    width_ = mask.width();
    height_ = mask.height();
    runs_.clear();
    rowStart_.clear();
    if (rule_ == Rule::Person)
        // Only a wholly zero mask pixel makes the drawn pixel the picture's alone.
        findRuns(mask, [](uint32_t m) { return m == 0 ? Kind::Opaque : Kind::Clear; }, false, runs_, rowStart_);
    else
        findRuns(mask, [](uint32_t m) { return (m & kColourBits) == 0 ? Kind::Black : Kind::Clear; }, true, runs_,
                 rowStart_);
}

std::span<const MaskRuns::Run> MaskRuns::row(int64_t y) const {
    if (y < 0 || y >= height_) return {};
    return {runs_.data() + rowStart_[std::size_t(y)], runs_.data() + rowStart_[std::size_t(y + 1)]};
}

}  // namespace qvl
