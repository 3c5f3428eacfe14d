#pragma once
// What the debug window needs of the engine. The window reads and writes the
// live state through it, on the UI thread, while the interpreter waits.
#include "graphics/surface.h"

#include <cstdint>
#include <optional>
#include <string>

namespace qvl {

// The run-time values the status list shows.
struct DebugStatus {
    int32_t LogTotalPage = 0;
    int32_t LogCurrentPage = 0;
    int32_t LogCurrentLine = 0;
    int32_t SaveLogStartPage = 0;
    int32_t SaveLogTotalPage = 0;
    std::string ProgFileName;  // Shift-JIS, like every text here
    std::string ProgChapter;
    int32_t ProgExecLine = -1;
    int32_t ProgNextLine = -1;
    int32_t ProgRetStack = -1;
    int32_t ProgIfResult = 0;
    int32_t ProgSelResult = 0;
    int32_t ProgMultiStateFlag = 0;
    std::optional<std::string> runningLine;  // the line at ProgExecLine, untrimmed; none outside the script
    std::string currentDirectory;
};

// One entry of the surface list: the file name to show and the picture.
struct DebugSurface {
    std::string fileName;
    const Surface* picture = nullptr;
};

class DebugHost {
public:
    virtual ~DebugHost() = default;
    virtual std::string flagText(int index) = 0;
    virtual void setFlagText(int index, const std::string& text) = 0;
    virtual DebugStatus status() = 0;
    // n from 0 to 16, in the bank's order.
    virtual DebugSurface surface(int n) = 0;
    // 閉じる: the window goes away and the run goes on.
    virtual void hideWindow() = 0;
    // プログラム終了: the process ends at once with exit code 0, nothing saved.
    virtual void endProgram() = 0;
    // The window's edit field took or lost the keyboard.
    virtual void setTextInput(bool on) = 0;
};

}  // namespace qvl
