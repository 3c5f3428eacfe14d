#pragma once
// The 512 flag slots: texts read as integers through $flg and as text through
// @flg. 0-255 belong to the game being played, 256-511 are global.
#include <array>
#include <cstdint>
#include <string>

namespace qvl {

inline constexpr int kFlagCount = 512;
inline constexpr int kGameFlagCount = 256;

class FlagStore {
public:
    FlagStore() { Flags.fill("0"); }

    // range 0: game flags, 1: global flags, 2: all; other ranges change nothing.
    void clearFlags(int32_t range, const std::string& text) {
        int from = range == 1 ? kGameFlagCount : 0;
        int to = range == 0 ? kGameFlagCount : range == 1 || range == 2 ? kFlagCount : 0;
        for (int i = from; i < to; ++i) Flags[std::size_t(i)] = text;
    }

    std::array<std::string, kFlagCount> Flags;
};

}  // namespace qvl
