// Saved games: the engine's side. The steps are in save/; here the commands, the
// save folder and the objects they work on.
#include "app/save_link.h"

#include "app/texts.h"
#include "app/tfmain.h"
#include "platform/encoding.h"

#include <algorithm>
#include <filesystem>

namespace qvl {

SaveLink::SaveLink(TFmain& main) : main_(main), games_(*this, main.saves) {}

LiveState SaveLink::live() {
    TFmain& m = main_;
    return {m.bank(),          m.channels,        m.textWindow,           m.state,
            m.controlFlow.options(), m.flags,      m.log,                  m.cycle.ClickFlagIndex,
            m.scene.autoRefreshMode, m.scene.darknessSuppressed, m.shell.popupSuppressed};
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

std::string SaveLink::savePath(const std::string& file) const {
    std::string folder = main_.settings.SavePath;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder + file;
}

std::optional<std::string> SaveLink::readSaveFile(const std::string& name) {
    return main_.files.read(savePath(name));
}

bool SaveLink::writeSaveFile(const std::string& name, const std::string& bytes) {
    // A new scenario's save folder may not exist yet.
    const std::string& folder = main_.settings.SavePath;
    if (!folder.empty() && !main_.files.resolve(folder)) {
        std::error_code ec;
        std::filesystem::create_directories(saveFolder(), ec);
    }
    return main_.files.writeAtomically(savePath(name), bytes);
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

// --- The engine's entry points ---------------------------------------------------

std::filesystem::path SaveLink::saveFolder() const {
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

bool SaveLink::restore() {
    return games_.restore(main_.saves.pendingSlot());
}

std::optional<int> SaveLink::chooseSlot(bool saveMode) {
    std::optional<int> slot = qvl::chooseSlot(main_.cycle, saveMode, saveFolder(), slotDialog_);
    main_.cycle.input.clearClicks();
    return slot;
}

}  // namespace qvl
