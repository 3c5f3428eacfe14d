#pragma once
// The save point: a copy of everything a load must put back, taken each time the
// text window clears its page (not when the player saves), so a saved game always
// restarts at the top of a page.
#include "audio/playback_channels.h"
#include "graphics/surface_bank.h"
#include "script/control_flow.h"
#include "script/flag_store.h"
#include "script/interpreter_state.h"
#include "text/message_log.h"
#include "text/text_window_state.h"

#include <array>
#include <cstdint>
#include <string>

namespace qvl {

// The options a save keeps of the last choice block.
inline constexpr int kSavedOptions = 10;
// Flags 0-255 belong to the game in progress; the rest are global.
inline constexpr int kGameFlags = 256;

struct SavePointSnapshot {
    std::string ProgChapter;
    std::array<SurfaceState, kStateCount> surfaces{};  // surfaces 0-14
    std::array<SpriteSlot, kSpriteSlots> sprites{};
    SpriteSheet spriteSheet{};
    std::array<PlaybackChannel, 3> channels{};
    TextWindowState textWindow{};
    int32_t lineLargestSize = 0;  // the largest size index used on the current line
    bool whiteText = false;       // the display byte that draws text in white
    InterpreterState interpreter{};
    std::array<std::string, kSavedOptions> OptionLabels{}, OptionCommands{};
    int32_t ClickFlagIndex = -1;
    std::string autoRefreshMode;
    bool lineMode = false;
    bool darknessSuppressed = false;
    bool popupSuppressed = false;
    bool logSuppressed = false;  // applied by a restore, not written to the status file
    std::array<std::string, kGameFlags> flags{};

    // Nothing has been captured yet while the script name is empty.
    bool exists() const { return !interpreter.ProgFileName.empty(); }
};

// The live state a save point is taken from and put back into.
struct LiveState {
    SurfaceBank& bank;
    PlaybackChannels& channels;
    TextWindowState& text;
    InterpreterState& interpreter;
    OptionList& options;
    FlagStore& flags;
    MessageLog& log;
    int32_t& ClickFlagIndex;
    std::string& autoRefreshMode;
    bool& darknessSuppressed;
    bool& popupSuppressed;
};

// CaptureSavePoint: everything a load must restore, and the log's counters settled.
void captureSavePoint(LiveState live, SavePointSnapshot& snapshot);
// The restore's step that puts the snapshot back: all but the channels' flags and
// track positions, and the font faces, which come from the font table by index.
void applySavePoint(const SavePointSnapshot& snapshot, LiveState live, const std::array<std::string, 7>& fontTable);

// The saved-game side of the engine: the live save point and the slot being loaded.
class SaveData {
public:
    SavePointSnapshot& snapshot() { return snapshot_; }
    const SavePointSnapshot& snapshot() const { return snapshot_; }
    // The slot a load was asked for, or 0.
    int32_t pendingSlot() const { return pendingSlot_; }
    void setPendingSlot(int32_t n) { pendingSlot_ = n; }
    void forget() {
        snapshot_ = {};
        pendingSlot_ = 0;
        thumbnail = Surface();
    }
    // The screen at the save point, shrunk: written beside the slot's files.
    Surface thumbnail;

private:
    SavePointSnapshot snapshot_;
    int32_t pendingSlot_ = 0;
};

}  // namespace qvl
