#pragma once
// The whole script position: what a save copies, the debug window shows and the
// jump commands change.
#include <array>
#include <cstdint>
#include <string>

namespace qvl {

inline constexpr int kArgSlots = 16;
inline constexpr int kReturnStackSize = 16;

struct InterpreterState {
    std::string ProgFileName;
    std::string ProgChapter;
    std::array<std::string, kArgSlots> ProgArgs;
    int32_t ProgExecLine = 0;
    int32_t ProgNextLine = -1;  // -1: the line after ProgExecLine
    int32_t ProgTextPos = 0;
    std::array<int32_t, kReturnStackSize> ProgRetAddr{};
    int32_t ProgRetStack = -1;
    int32_t ProgIfResult = 0;
    int32_t ProgSelResult = 0;
    // 0 ordinary command, 1 command of a conditional line or chosen option,
    // 2 a text line is being shown and ProgTextPos is valid.
    int32_t ProgMultiStateFlag = 0;

    // After a script file has been loaded: the start of the file, empty stack.
    void resetPosition() {
        ProgExecLine = 0;
        ProgNextLine = -1;
        ProgTextPos = 0;
        ProgRetStack = -1;
        ProgMultiStateFlag = 0;
    }
};

enum PendingActionKind : int32_t { kPendingNone = 0, kPendingLoad = 1, kPendingTitle = 2 };

}  // namespace qvl
