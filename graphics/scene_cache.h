#pragma once
// The last composed scene, kept so that composing again redoes only the rows its
// layers changed, and a scene nothing changed in costs at most one copy. The scene is
// kept in VirtualVram itself until VirtualVram is handed out for change; only then is
// it copied aside, so a composition of every row writes each pixel once. It holds only while
// the background covers all of VirtualVram: then the composition depends on the
// layers alone, never on what VirtualVram held before, so any row composed again
// comes out as a full composition would have it.
#include "graphics/surface.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qvl {

class SurfaceBank;

// Rows [top, bottom) of VirtualVram.
struct RowSpan {
    int top = 0, bottom = 0;
};

class SceneCache {
public:
    // What composition reads of one layer: its record and how often its surfaces
    // were handed out for change.
    struct Layer {
        bool drawn = false;
        int32_t x = 0, y = 0, masked = 0, order = 0, kind = 0, maskMode = 0;
        int width = 0, height = 0;
        uint64_t pictureChanges = 0, maskChanges = 0;
        bool operator==(const Layer&) const = default;
    };
    struct Inputs {
        int width = 0, height = 0;  // of VirtualVram
        bool dark = false;
        int32_t rate = 0;
        std::array<Layer, 5> layers;  // background, effect, persons 0-2
        bool operator==(const Inputs&) const = default;
    };

    static Inputs inputsOf(const SurfaceBank& bank, bool dark, int32_t rate);

    // The rows to compose into picture() for these inputs: all of them when nothing
    // is kept or the background or darkening changed, otherwise those any changed
    // layer covers now or covered before. Nothing is kept for a scene whose
    // background leaves part of VirtualVram uncovered (none returned; forgotten).
    // Afterwards VirtualVram holds the scene once those rows are composed.
    std::vector<RowSpan> rowsToCompose(const Inputs& now);
    bool holds() const { return valid_; }
    // Whether the rows not composed again must first be copied back from picture():
    // VirtualVram was handed out for change since the last composition.
    bool restoring() const { return restoring_; }
    // The copy aside, when it holds the scene (composed rows are copied into it too).
    Surface* picture() { return pictureHolds_ ? &picture_ : nullptr; }
    // Called before VirtualVram is handed out for change: a scene kept only there is
    // copied aside first.
    void beforeVramChange(const Surface& vram);

private:
    Surface picture_;
    Inputs last_;
    bool valid_ = false;
    bool vramHolds_ = false, pictureHolds_ = false, restoring_ = false;
};

}  // namespace qvl
