#pragma once
// Saving and loading games: the save point at page clears, the three slot files,
// the load between two script lines, and the global flags and read marks kept
// across runs. The engine lends its objects and its few outside services through
// SaveHost; the steps and their order are here.
#include "audio/playback.h"
#include "graphics/surface.h"
#include "save/save_point.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qvl {

// The messages a save or a load may show.
enum class SaveMessage {
    NoSavePoint,       // a save before the first page clear
    FlagSaveFailed,
    StatusSaveFailed,
    LogSaveFailed,
    StatusUnreadable,  // a load whose status file is missing or damaged
    CannotOpen,        // follows a file name
};

class SaveHost {
public:
    virtual ~SaveHost() = default;

    virtual LiveState live() = 0;
    virtual Playback& playback() = 0;
    // The font names a restored text window takes its faces from, by index.
    virtual const std::array<std::string, 7>& fontTable() = 0;
    // data0.hfd is written and read only when the scenario keeps global flags.
    virtual bool keepsGlobalFlags() = 0;
    // The read-text marks (textid.dat); empty when the scenario keeps none.
    virtual std::vector<uint8_t>& readMarks() = 0;

    // Files of the save folder, named as the scenario names them (Shift-JIS).
    virtual std::optional<std::string> readSaveFile(const std::string& name) = 0;
    // Atomic: the old file stays whole when this fails.
    virtual bool writeSaveFile(const std::string& name, const std::string& bytes) = 0;

    virtual std::string message(SaveMessage m) = 0;
    // A box with OK.
    virtual void warn(const std::string& sjis) = 0;
    // The script error report, after its box or without one.
    virtual void scriptError(const std::string& sjis) = 0;
    virtual void reportScriptError(const std::string& sjis) = 0;
    virtual void transcript(const std::string& utf8) = 0;

    // What a restore rebuilds beyond the saved records.
    virtual void loadScript(const std::string& name) = 0;
    virtual std::optional<Surface> readPicture(const std::string& name) = 0;
    virtual void loadSpriteSheet(const std::string& file, int32_t cellWidth, int32_t cellHeight,
                                 const std::string& transparency) = 0;
    virtual void setWindowCaption(const std::string& sjis) = 0;
    virtual void runTransition(const std::string& name) = 0;
    virtual Surface& windowImage() = 0;
    virtual void present() = 0;
};

class SavedGames {
public:
    SavedGames(SaveHost& host, SaveData& data) : host_(host), data_(data) {}

    // CaptureSavePoint, at each page clear.
    void capture();
    // The slot's three files and the global flags, each file on its own: one
    // failing does not stop the others.
    void saveSlot(int slot);
    // Reads and checks all three files of the slot before anything of the running
    // game changes; false (the game untouched) when they cannot be used.
    bool restore(int slot);
    // At start-up and at every normal exit.
    void loadGlobalsAndMarks();
    void saveGlobalsAndMarks();

private:
    bool writeGlobalFlags();
    void rebuildScene();

    SaveHost& host_;
    SaveData& data_;
};

}  // namespace qvl
