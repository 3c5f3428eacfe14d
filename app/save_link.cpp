// Saved games: the engine's side. The steps are in save/; here the commands, the
// save folder and the objects they work on.
#include "app/save_link.h"

#include "app/texts.h"
#include "app/tfmain.h"
#include "base/fault.h"
#include "platform/encoding.h"
#include "script/script_loader.h"

#include <algorithm>
#include <filesystem>

namespace qvl {

LiveState SaveLink::live() {
    TFmain& m = main_;
    return {m.bank_,          m.channels,        m.textWindow,         m.state,          m.controlFlow_.options(),
            m.flags,          m.log,             m.ClickFlagIndex,     m.autoRefreshMode, m.darknessSuppressed,
            m.popupSuppressed};
}
Playback& SaveLink::playback() {
    return main_.playback_;
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

std::filesystem::path SaveLink::saveFolder() {
    return main_.saveFolder();
}

void SaveLink::makeSaveFolder() {
    // A new scenario's save folder may not exist yet.
    std::error_code ec;
    if (!main_.settings.SavePath.empty()) std::filesystem::create_directories(main_.saveFolder(), ec);
}

std::optional<int32_t> SaveLink::scriptLineCount(const std::string& name) {
    try {
        return int32_t(findAndReadScript(name, main_.files_, main_.settings.dataDriveRoot, main_.ScriptKey).size());
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
    main_.messageBox(text(Text::AppTitle), sjis, ui::BoxIcon::Exclamation, ui::BoxButtons::Ok, platform::Answer::Ok);
}
void SaveLink::scriptError(const std::string& sjis) {
    main_.scriptError(sjis);
}
void SaveLink::reportScriptError(const std::string& sjis) {
    main_.reportScriptError(sjis);
}
void SaveLink::transcript(const std::string& utf8) {
    main_.transcript_.writeUtf8(utf8);
}

void SaveLink::loadScript(const std::string& name) {
    main_.loadScript(name);
}
std::optional<Surface> SaveLink::readPicture(const std::string& name) {
    return main_.readPicture(name);
}
void SaveLink::loadSpriteSheet(const std::string& file, int32_t cellWidth, int32_t cellHeight,
                               const std::string& transparency) {
    main_.loadSpriteSheet(file, cellWidth, cellHeight, transparency);
}
void SaveLink::setWindowCaption(const std::string& sjis) {
    main_.setWindowCaption(sjis);
}
void SaveLink::runTransition(const std::string& name) {
    main_.runTransition(name);
}
Surface& SaveLink::windowImage() {
    return main_.view_.image();
}
void SaveLink::present() {
    main_.present();
}

// --- The engine's entry points ---------------------------------------------------

void TFmain::captureSavePoint() {
    savedGames_.capture();
}

std::filesystem::path TFmain::saveFolder() const {
    if (settings.SavePath.empty()) return platform::FileSystem::currentPath();
    if (auto p = files_.resolve(settings.SavePath)) return *p;
    std::string folder = settings.SavePath;
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return platform::FileSystem::fromSjis(folder);
}

void TFmain::saveSlot(int slot) {
    savedGames_.saveSlot(slot);
}

void TFmain::requestLoad(int slot) {
    saves.setPendingSlot(slot);
    PendingAction = kPendingLoad;
}

bool TFmain::restoreSavedGame() {
    return savedGames_.restore(saves.pendingSlot());
}

void TFmain::saveGlobalsAndMarks() {
    savedGames_.saveGlobalsAndMarks();
}

void TFmain::loadGlobalsAndMarks() {
    savedGames_.loadGlobalsAndMarks();
}

void TFmain::registerSaveCommands() {
    dispatcher_.add("_winsave", [this] {
        if (auto slot = chooseSaveSlot(true)) saveSlot(*slot);
    });
    dispatcher_.add("_winload", [this] {
        if (auto slot = chooseSaveSlot(false)) requestLoad(*slot);
    });
}

std::optional<int> TFmain::chooseSaveSlot(bool saveMode) {
    savedGames_.checkSaveFolder();
    auto ask = [this](const std::string& title, const std::string& body) {
        return messageBox(title, body, ui::BoxIcon::Question, ui::BoxButtons::OkCancel, platform::Answer::Ok);
    };
    std::optional<int> slot = chooseSlot(*this, saveMode, saveFolder(), slotDialog_, ask);
    input.clearClicks();
    return slot;
}

}  // namespace qvl
