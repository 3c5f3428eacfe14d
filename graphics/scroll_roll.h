#pragma once
// The scroll roll: pictures and blank gaps, listed on the lines between _scroll
// and _endscroll, move up or down the window like end credits.
#include "graphics/effect_host.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qvl {

enum class ScrollMode : int32_t { Up = 0, Down = 1, UpLeftHalf = 4 };

struct ScrollSettings {
    int32_t frameMs = 0;     // the least time a step takes
    uint32_t colour = 0;     // fills the strip a step uncovers
    int32_t step = 0;        // pixels a step moves
    bool skippable = false;  // a button held down lets the steps run undelayed
    int32_t mode = 0;        // a ScrollMode; any other value draws nothing
};

// Characters 2-7 of the text as hexadecimal RRGGBB; anything else there faults.
uint32_t scrollColour(std::string_view text);

// Runs the roll over the block's lines (leading blanks already removed): "|n" a
// gap of n pixels (not a number: a fault), "@name" a picture beside the roll in
// mode 4, any other line a picture rolled in. Clears the mouse switches at the end.
void scrollRoll(EffectHost& host, const ScrollSettings& settings, const std::vector<std::string>& lines);

}  // namespace qvl
