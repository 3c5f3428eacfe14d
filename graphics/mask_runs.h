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
    // What a run's pixels say.
    enum class Kind : uint8_t {
        Opaque,  // person mask 0: the picture replaces what lies below
        Clear,   // person mask white over a black picture pixel: what lies below stays,
                 // its top byte cleared by the mask; effect mask not black: the
                 // composition stays as it is
        Black,   // effect mask black: the effect is combined
    };
    struct Run {
        int32_t left = 0, right = 0;  // columns [left, right)
        Kind kind = Kind::Opaque;
    };

    // A person's runs, over its picture's area; the mask must cover that area.
    void updatePerson(const Surface& picture, uint64_t pictureChanges, const Surface& mask, uint64_t maskChanges);
    // An effect mask's black and clear runs, over all of it.
    void updateEffect(const Surface& mask, uint64_t maskChanges);
    // Row y's runs, left to right; none outside the area.
    std::span<const Run> row(int64_t y) const {
        if (y < 0 || y >= height_) return {};
        return {runs_.data() + rowStart_[std::size_t(y)], runs_.data() + rowStart_[std::size_t(y + 1)]};
    }
    // The first row of the stretch of rows whose runs are all row y's: two rows with
    // the same number have the same runs. -1 outside the area.
    int32_t sameAs(int64_t y) const { return y < 0 || y >= height_ ? -1 : int32_t(sameAs_[std::size_t(y)]); }

private:
    struct Key {
        bool valid = false;
        uint64_t pictureChanges = 0, maskChanges = 0;
        int pictureWidth = 0, pictureHeight = 0, maskWidth = 0, maskHeight = 0;
        bool operator==(const Key&) const = default;
    };
    template <typename Classify>
    void find(int width, int height, Classify classify);

    Key key_;
    int height_ = 0;
    std::vector<Run> runs_;
    std::vector<uint32_t> rowStart_;  // row y's runs are [rowStart_[y], rowStart_[y + 1])
    std::vector<uint32_t> sameAs_;
};

}  // namespace qvl
