#pragma once
// What the text window needs from the engine that owns it: the surfaces it draws
// into, the clock and the pump through which every wait runs, fonts, the message
// log, pictures, sounds and the script evaluator. The engine implements TextHost
// and hands references to the switches and values it keeps in TextEngineValues.
#include "base/reporter.h"
#include "base/sjis.h"
#include "graphics/surface.h"
#include "platform/events.h"
#include "platform/fonts.h"
#include "script/interpreter_state.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvl {

class TextHost {
public:
    virtual ~TextHost() = default;

    // The text layer (black where there is no text), its mask (white where there is
    // none), the scene without text, and the image the window shows.
    virtual Surface& textSurface() = 0;
    virtual Surface& textMask() = 0;
    virtual const Surface& compositionSurface() = 0;
    virtual Surface& windowImage() = 0;
    // Shows the window image as it is, without composing the scene again;
    // changed: the only part that differs from what the window shows.
    virtual void showWindow(std::optional<Rect> changed = std::nullopt) = 0;
    virtual void presentScene(bool withoutText) = 0;
    // The text layer's visibility changed: the next presentation composes again.
    virtual void markSceneChanged() = 0;

    virtual uint32_t ticks() = 0;
    // Handles one event, or returns at the deadline; nothing: sleep until an event.
    virtual void pump(std::optional<uint32_t> deadline, platform::WaitHint hint) = 0;
    // A timed wait that no click shortens (handlers still run inside it).
    virtual void delayMs(int32_t ms) = 0;
    // The 100 ms timer of the wait icon; each tick reaches TextWindow::onIconTimer.
    virtual void startIconTimer() = 0;
    virtual void stopIconTimer() = 0;

    virtual platform::FontEngine& fonts() = 0;
    // One drawn character (symbolFont: a byte of fonts 4-6) or "\n".
    virtual void appendToLog(std::string_view character, bool symbolFont) = 0;
    virtual void nextLogPage() = 0;
    virtual void takeSaveSnapshot() = 0;
    // The menu items a click wait makes usable (save only when saving is allowed).
    virtual void setWaitMenuItems(bool enabled) = 0;

    virtual int32_t evaluate(std::string_view expression) = 0;
    // The text of a text-flag reference such as "@flg[3]".
    virtual std::string textFlag(std::string_view reference) = 0;
    // Names arrive with %DATA_DRIVE% already replaced. Nothing when the loader
    // failed (it reports that itself).
    virtual std::optional<Surface> loadPicture(const std::string& name) = 0;
    // Silent while sound is off; an empty name stops the wave playing.
    virtual void playWave(const std::string& name, bool waitUntilDone) = 0;
    virtual ScriptErrorReporter& reporter() = 0;
    // Text as the reader sees it, for the transcript of a headless run.
    virtual void textShown(std::string_view /*sjisText*/) {}
    // The text a wait leaves the reader to read, as drawn since the last such wait
    // (Shift-JIS, without codes; a ruby's reading follows its base in brackets),
    // for self-voicing.
    virtual void textToRead(std::string_view /*sjisText*/) {}
};

// Engine values the text window reads and changes, bound once at construction.
struct TextEngineValues {
    // Input switches shared with the handlers that run inside waits.
    bool& clickPending;
    bool& mouseWentDown;
    bool& mouseWentUp;
    bool& clicksAccepted;
    bool& fastForward;
    bool& textOutputActive;

    bool& skipReadMode;
    bool& saveSuppressed;
    const bool& HighSpeedText;
    const bool& pageMode;  // the SkipText setting: no waits at line ends
    int32_t& CurrentTextId;
    const int32_t& PendingAction;
    std::vector<uint8_t>& ReadTextMarks;  // empty when the scenario keeps no read marks
    InterpreterState& state;
    const std::array<std::string, 7>& FontTable;
    const std::string& dataDriveRoot;

    // A file name of a script with its %DATA_DRIVE% replaced.
    std::string expandDataDrive(const std::string& name) const {
        return sjis::replaceFirst(name, "%DATA_DRIVE%", dataDriveRoot);
    }
};

}  // namespace qvl
