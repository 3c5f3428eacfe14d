#pragma once
// Full screen as the original switched display modes: capture the desktop's mode,
// change to 640x480 for this process, restore. On a modern desktop the change is
// desktop full screen with the scene scaled, so the model stays thin; it still
// fails, with the same message, when the colour depth cannot be read or the
// backend refuses.
#include "platform/platform.h"

namespace qvl {

class DisplayModeChanger {
public:
    explicit DisplayModeChanger(platform::Platform& platform) : platform_(platform) {}

    void capture() {
        depth = platform_.colourDepth();
        width = platform::kSceneWidth;
        height = platform::kSceneHeight;
        captured = true;
    }
    // depth 0: the captured depth.
    bool change(int w, int h, int bitsPerPixel) {
        if (!captured) capture();
        if (bitsPerPixel == 0) bitsPerPixel = depth;
        if (bitsPerPixel == 0 || w != platform::kSceneWidth || h != platform::kSceneHeight) return false;
        if (!platform_.setFullScreen(true)) return false;
        changed = true;
        return true;
    }
    void restore() {
        if (!captured || depth == 0 || !changed) return;
        if (platform_.setFullScreen(false)) changed = false;
    }

    bool captured = false;
    bool changed = false;
    int depth = 0, width = 0, height = 0;

private:
    platform::Platform& platform_;
};

}  // namespace qvl
