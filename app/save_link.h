#pragma once
// The engine's side of saved games: its objects, the save folder, boxes and
// reports, and the scene rebuild steps, as SaveHost asks for them; and the
// engine's entry points to them: the save point at each page clear, the slot
// files, the load between two lines, the global flags and read marks at start
// and exit.
#include "save/rollback.h"
#include "save/saved_games.h"
#include "save/slot_dialog.h"

#include <filesystem>

namespace qvl {

class TFmain;

class SaveLink final : public SaveHost {
public:
    explicit SaveLink(TFmain& main);

    // The save point at a page clear, also kept for going back to it.
    void capture();
    void saveSlot(int slot);
    // The load happens between two lines: PendingAction asks for it.
    void requestLoad(int slot);
    bool restore();
    void saveGlobalsAndMarks() { games_.saveGlobalsAndMarks(); }
    void loadGlobalsAndMarks() { games_.loadGlobalsAndMarks(); }
    // The slot dialog; nothing when cancelled.
    std::optional<int> chooseSlot(bool saveMode);

    // Quick save (F5) to its own slot, with a notice; quick load (F9) from it,
    // asking first when pages were read since the last save or load.
    void quickSave();
    void quickLoad();
    bool quickSlotExists();
    // Going back `pages` pages (Backspace, 前のページへ戻る) or to the page the log
    // view shows `logOffset` pages back; carried out between two lines, as a load.
    // False (nothing asked) when that page is not kept.
    bool requestRollback(int pages);
    bool requestRollbackToLogPage(int logOffset);
    const Rollback& rollback() const { return rollback_; }
    Rollback& rollback() { return rollback_; }
    // The title starts afresh: nothing to go back to.
    void forgetHistory() { rollback_.clear(); }

    LiveState live() override;
    Playback& playback() override;
    const std::array<std::string, 7>& fontTable() override;
    bool keepsGlobalFlags() override;
    std::vector<uint8_t>& readMarks() override;

    // The save folder on disk (the current folder when none is set).
    std::filesystem::path saveFolder() override;
    void makeSaveFolder() override;
    std::optional<int32_t> scriptLineCount(const std::string& name) override;

    std::string message(SaveMessage m) override;
    void warn(const std::string& sjis) override;
    void scriptError(const std::string& sjis) override;
    void reportScriptError(const std::string& sjis) override;
    void transcript(const std::string& utf8) override;

    void loadScript(const std::string& name) override;
    std::optional<Surface> readPicture(const std::string& name) override;
    void loadSpriteSheet(const std::string& file, int32_t cellWidth, int32_t cellHeight,
                         const std::string& transparency) override;
    void setWindowCaption(const std::string& sjis) override;
    void runTransition(const std::string& name) override;
    void showSceneAtOnce() override;
    Surface& windowImage() override;
    void present() override;

private:
    Rollback::Extras extras();

    TFmain& main_;
    SavedGames games_;
    SlotDialogState slotDialog_;  // the page survives between openings
    Rollback rollback_;
    int pendingRollback_ = 0;         // pages to go back at the next load point, 0: none
    bool progressSinceSave_ = false;  // a page was read since the last save or load
};

}  // namespace qvl
