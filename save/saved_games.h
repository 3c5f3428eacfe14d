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
#include <filesystem>
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

    // The save folder, whether or not it exists yet.
    virtual std::filesystem::path saveFolder() = 0;
    // Before a write: makes the folder when it does not exist yet.
    virtual void makeSaveFolder() = 0;
    // The number of lines of a script a load would go on in, or nothing when it
    // cannot be read; a load checks this before it changes anything.
    virtual std::optional<int32_t> scriptLineCount(const std::string& name) = 0;

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
    // The scene composed and laid on the window image without a transition.
    virtual void showSceneAtOnce() = 0;
    virtual Surface& windowImage() = 0;
    virtual void present() = 0;
};

class SavedGames {
public:
    SavedGames(SaveHost& host, SaveData& data) : host_(host), data_(data) {}

    // CaptureSavePoint, at each page clear.
    void capture();
    // The slot's three files as one switch (all new or all old), then the global
    // flags. Without a save point the slot is left as it is. True when the slot
    // now holds the new save.
    bool saveSlot(int slot);
    // Reads and checks all three files of the slot, every number against its
    // field's range and every name the resume needs, before anything of the running
    // game changes; false (the game untouched) when they cannot be used. A resume
    // step that fails afterwards (a missing picture or piece) is reported and the
    // load completes.
    bool restore(int slot);
    // A save point kept in memory (rollback), put back as a load puts back a slot,
    // but at once: no files, and the scene shown without the load's wipe.
    void restoreFromMemory(const SavePointSnapshot& snapshot, const MessageLog& log);
    // At start-up and at every normal exit. The exit writes data0.hfd and
    // textid.dat only when the start read them or found none: a run that never read
    // them (its start script failed) or could not use them keeps the player's files.
    void loadGlobalsAndMarks();
    void saveGlobalsAndMarks();
    // Before the slot dialog: false, reported once a run, when the save folder is
    // something other than a folder.
    bool checkSaveFolder();

private:
    bool writeGlobalFlags();
    // The restore's steps after the files were read: the running game becomes the loaded one.
    void apply(const SavePointSnapshot& loaded, MessageLog log, bool wipe);
    void rebuildScene(bool wipe);
    std::string loadFault(int slot, const std::string& file, const std::string& what);

    SaveHost& host_;
    SaveData& data_;
    bool globalsRead_ = false;
    bool marksRead_ = false;
    bool badFolderReported_ = false;
};

}  // namespace qvl
