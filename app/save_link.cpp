// Saved games: the engine's side. The steps are in save/; here the commands, the
// save folder and the objects they work on.
#include "app/save_link.h"

#include "app/texts.h"
#include "app/tfmain.h"
#include "base/fault.h"
#include "graphics/composition.h"
#include "platform/encoding.h"
#include "save/slot_files.h"
#include "save/slot_store.h"
#include "script/script_loader.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace qvl {

SaveLink::SaveLink(TFmain& main) : main_(main), games_(*this, main.saves) {}

LiveState SaveLink::live() {
    TFmain& m = main_;
    return {m.bank(), m.channels, m.textWindow, m.state, m.controlFlow.options(), m.flags, m.log,
            m.cycle.ClickFlagIndex, m.scene.autoRefreshMode, m.scene.darknessSuppressed, m.shell.popupSuppressed};
}
Playback& SaveLink::playback() {
    return main_.playback;
}
const std::array<std::string, 7>& SaveLink::fontTable() {
    return main_.settings.FontTable;
}
bool SaveLink::keepsGlobalFlags() {
    return main_.settings.GlobalFlagSave;
}
std::vector<uint8_t>& SaveLink::readMarks() {
    return main_.ReadTextMarks;
}

void SaveLink::makeSaveFolder() {
    // A new scenario's save folder may not exist yet.
    std::error_code ec;
    if (!main_.settings.SavePath.empty()) std::filesystem::create_directories(saveFolder(), ec);
}

std::optional<int32_t> SaveLink::scriptLineCount(const std::string& name) {
    try {
        return int32_t(findAndReadScript(name, main_.files, main_.settings.dataDriveRoot, main_.ScriptKey).size());
    } catch (const Fault&) {
        return std::nullopt;
    }
}

std::string SaveLink::message(SaveMessage m) {
    switch (m) {
        case SaveMessage::NoSavePoint: return text(Text::NoSavePoint);
        case SaveMessage::FlagSaveFailed: return text(Text::FlagSaveFailed);
        case SaveMessage::StatusSaveFailed: return text(Text::StatusSaveFailed);
        case SaveMessage::LogSaveFailed: return text(Text::LogSaveFailed);
        case SaveMessage::StatusUnreadable: return text(Text::StatusUnreadable);
        case SaveMessage::CannotOpen: return platform::utf8ToSjis(" を開けません");
    }
    return {};
}
void SaveLink::warn(const std::string& sjis) {
    main_.boxes.warn(sjis);
}
void SaveLink::scriptError(const std::string& sjis) {
    main_.boxes.scriptError(sjis);
}
void SaveLink::reportScriptError(const std::string& sjis) {
    main_.boxes.reportScriptError(sjis);
}
void SaveLink::transcript(const std::string& utf8) {
    main_.transcript.writeUtf8(utf8);
}

void SaveLink::loadScript(const std::string& name) {
    main_.loadScript(name);
}
std::optional<Surface> SaveLink::readPicture(const std::string& name) {
    return main_.pictures.read(name);
}
void SaveLink::loadSpriteSheet(const std::string& file, int32_t cellWidth, int32_t cellHeight,
                               const std::string& transparency) {
    main_.scene.loadSpriteSheet(file, cellWidth, cellHeight, transparency);
}
void SaveLink::setWindowCaption(const std::string& sjis) {
    main_.shell.setWindowCaption(sjis);
}
void SaveLink::runTransition(const std::string& name) {
    main_.scene.runTransition(name);
}
Surface& SaveLink::windowImage() {
    return main_.view().image();
}
void SaveLink::present() {
    main_.view().show();
}
void SaveLink::showSceneAtOnce() {
    qvl::presentScene(main_.bank(), main_.view().image(), main_.scene.darkness(), false, main_.textWindow.textVisible);
}

// --- The engine's entry points ---------------------------------------------------

std::filesystem::path SaveLink::saveFolder() {
    const EngineSettings& settings = main_.settings;
    if (settings.SavePath.empty()) return platform::FileSystem::currentPath();
    if (auto p = main_.files.resolve(settings.SavePath)) return *p;
    std::string folder = settings.SavePath;
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return platform::FileSystem::fromSjis(folder);
}

void SaveLink::requestLoad(int slot) {
    main_.saves.setPendingSlot(slot);
    main_.cycle.PendingAction = kPendingLoad;
}

Rollback::Extras SaveLink::extras() {
    return {main_.controlFlow.options(), main_.choices().last(), main_.bank().sceneDirty};
}

void SaveLink::capture() {
    games_.capture();
    rollback_.record(main_.saves.snapshot(), main_.log, extras());
    progressSinceSave_ = true;
}

void SaveLink::saveSlot(int slot) {
    if (games_.saveSlot(slot)) progressSinceSave_ = false;
}

bool SaveLink::restore() {
    if (const int pages = std::exchange(pendingRollback_, 0); pages > 0) {
        if (std::optional<Rollback::Page> page = rollback_.goBack(pages)) {
            main_.transcript.writeUtf8("rollback: " + std::to_string(pages));
            games_.restoreFromMemory(page->snapshot, page->log);
            main_.controlFlow.options() = page->extras.options;
            main_.choices().restoreLast(page->extras.choice);
            main_.bank().sceneDirty = page->extras.sceneDirty;
            return true;
        }
        return false;
    }
    if (!games_.restore(main_.saves.pendingSlot())) return false;
    rollback_.restart(main_.saves.snapshot(), main_.log, extras());
    progressSinceSave_ = false;
    return true;
}

bool SaveLink::requestRollback(int pages) {
    if (pages < 1 || pages > rollback_.available()) return false;
    pendingRollback_ = pages;
    main_.cycle.PendingAction = kPendingLoad;
    return true;
}

bool SaveLink::requestRollbackToLogPage(int logOffset) {
    std::optional<int> pages = rollback_.pagesBackToLogPage(logOffset, main_.log);
    return pages && requestRollback(*pages);
}

bool SaveLink::quickSlotExists() {
    std::error_code ec;
    return std::filesystem::is_regular_file(SlotStore(saveFolder()).pathOf(statusFileName(kQuickSlot)), ec);
}

void SaveLink::quickSave() {
    // Whenever データ保存 could save; a quick key never opens the error report.
    if (!main_.saves.snapshot().exists()) {
        main_.platform().beep();
        return;
    }
    if (!games_.checkSaveFolder()) return;
    if (games_.saveSlot(kQuickSlot)) {
        progressSinceSave_ = false;
        main_.view().showNotice(platform::utf8ToSjis("クイックセーブしました"));
    }
}

void SaveLink::quickLoad() {
    if (!games_.checkSaveFolder() || !quickSlotExists()) {
        main_.platform().beep();
        return;
    }
    if (progressSinceSave_ &&
        main_.boxes.messageBox(text(Text::ConfirmTitle),
                               platform::utf8ToSjis("ロードすると、セーブしていない進行状況は失われます。よろしいですか？"),
                               ui::BoxIcon::Question, ui::BoxButtons::OkCancel, platform::Answer::Ok) != platform::Answer::Ok)
        return;
    requestLoad(kQuickSlot);
}

std::optional<int> SaveLink::chooseSlot(bool saveMode) {
    games_.checkSaveFolder();
    auto ask = [this](const std::string& title, const std::string& body) {
        return main_.boxes.messageBox(title, body, ui::BoxIcon::Question, ui::BoxButtons::OkCancel,
                                      platform::Answer::Ok);
    };
    std::optional<int> slot = qvl::chooseSlot(main_.cycle, saveMode, saveFolder(), slotDialog_, ask);
    main_.cycle.input.clearClicks();
    return slot;
}

}  // namespace qvl
