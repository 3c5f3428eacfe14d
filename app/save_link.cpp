// Saved games: the save point, the slot files, the load between two script lines,
// and the global flags and read marks. The file formats are in save/.
#include "app/texts.h"
#include "app/tfmain.h"
#include "base/fault.h"
#include "graphics/composition.h"
#include "graphics/effects.h"
#include "graphics/masks.h"
#include "platform/encoding.h"
#include "save/slot_files.h"
#include "save/status_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>

namespace qvl {

namespace {

// A colour key as the transparency text that makes it again.
std::string keyText(int32_t key) {
    if (key == kNoTransparency) return "#NONE";
    char text[16];
    const uint32_t k = uint32_t(key);
    std::snprintf(text, sizeof text, "#%02X%02X%02X", k & 0xFF, (k >> 8) & 0xFF, (k >> 16) & 0xFF);
    return text;
}

}  // namespace

LiveState TFmain::live() {
    return {bank_,          channels,        textWindow,         state,          controlFlow_.options(), flags, log,
            ClickFlagIndex, autoRefreshMode, darknessSuppressed, popupSuppressed};
}

void TFmain::captureSavePoint() {
    qvl::captureSavePoint(live(), saves.snapshot());
}

std::string TFmain::savePath(const std::string& file) const {
    std::string folder = settings.SavePath;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder + file;
}

std::filesystem::path TFmain::saveFolder() const {
    if (settings.SavePath.empty()) return platform::FileSystem::currentPath();
    if (auto p = files_.resolve(settings.SavePath)) return *p;
    std::string folder = settings.SavePath;
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return platform::FileSystem::fromSjis(folder);
}

bool TFmain::writeSaveFile(const std::string& file, const std::string& bytes) {
    // A new scenario's save folder may not exist yet.
    if (!settings.SavePath.empty() && !files_.resolve(settings.SavePath)) {
        std::error_code ec;
        std::filesystem::create_directories(saveFolder(), ec);
    }
    return files_.writeAtomically(savePath(file), bytes);
}

bool TFmain::writeGlobalFlags() {
    if (!settings.GlobalFlagSave) return true;
    std::array<std::string, kFlagFileLines> global;
    for (int i = 0; i < kFlagFileLines; ++i) global[std::size_t(i)] = flags.text(kFlagFileLines + i);
    return writeSaveFile("data0.hfd", writeFlagFile(global));
}

void TFmain::saveSlot(int slot) {
    const SavePointSnapshot& s = saves.snapshot();
    auto box = [this](Text t) {
        messageBox(text(Text::AppTitle), text(t), ui::BoxIcon::Exclamation, ui::BoxButtons::Ok, platform::Answer::Ok);
    };
    // Each file on its own: one failing does not stop the others.
    if (!writeSaveFile(flagFileName(slot), writeFlagFile(s.flags))) box(Text::FlagSaveFailed);
    if (!s.exists()) {
        box(Text::NoSavePoint);
        reportScriptError(text(Text::NoSavePoint));
    } else if (!writeSaveFile(statusFileName(slot), writeStatusFile(s))) {
        box(Text::StatusSaveFailed);
    }
    if (!writeSaveFile(logFileName(slot), writeLogFile(log))) box(Text::LogSaveFailed);
    if (!writeGlobalFlags()) box(Text::FlagSaveFailed);
    transcript_.writeUtf8("save: slot " + std::to_string(slot));
}

void TFmain::requestLoad(int slot) {
    pendingLoadSlot_ = slot;
    PendingAction = kPendingLoad;
}

bool TFmain::restoreSavedGame() {
    const int slot = pendingLoadSlot_;
    // Every file is read and checked before anything of the running game changes:
    // a missing or damaged slot leaves the game exactly as it was.
    SavePointSnapshot loaded = saves.snapshot();
    MessageLog loadedLog;
    try {
        if (auto bytes = files_.read(savePath(flagFileName(slot)))) {
            readFlagFile(*bytes, loaded.flags);
        }
        auto logBytes = files_.read(savePath(logFileName(slot)));
        if (!logBytes) throw Fault(savePath(logFileName(slot)) + platform::utf8ToSjis(" を開けません"));
        loadedLog = readLogFile(*logBytes);
        auto status = files_.read(savePath(statusFileName(slot)));
        if (!status) {
            messageBox(text(Text::AppTitle), text(Text::StatusUnreadable), ui::BoxIcon::Exclamation, ui::BoxButtons::Ok,
                       platform::Answer::Ok);
            return false;
        }
        readStatusFile(*status, loaded);
        if (!loaded.exists()) throw Fault(text(Text::StatusUnreadable));
    } catch (const Fault& f) {
        scriptError(f.what());
        return false;
    }

    const Playback::SavedFlags sound = [&] {
        Playback::SavedFlags out;
        for (std::size_t i = 0; i < 3; ++i) {
            out.playing[i] = loaded.channels[i].playing;
            out.resumePending[i] = loaded.channels[i].resumePending;
        }
        return out;
    }();
    playback_.stopAllOpen();
    bank_.resetSurfaces();
    bank_[SurfaceId::Text].fill(0x000000);
    bank_[SurfaceId::TextMask].fill(0xFFFFFF);
    loadedLog.logSuppressed = log.logSuppressed;
    log = std::move(loadedLog);
    loadScript(loaded.interpreter.ProgFileName);
    saves.snapshot() = loaded;
    applySavePoint(loaded, live(), settings.FontTable);
    playback_.resumeAfterRestore(sound);

    // The scene again from its files, each record as it was saved.
    setWindowCaption(state.ProgChapter);
    const std::array<SurfaceState, kStateCount> records = bank_.states;
    const SpriteSheet sheet = bank_.sheet;
    const auto sprites = bank_.sprites;
    const SurfaceState& background = records[std::size_t(SurfaceId::Background)];
    if (background.loaded && !background.fileName.empty())
        bank_.loadBackground(readPicture(background.fileName), background.fileName);
    for (int p = 0; p < kPersonSlots; ++p) {
        const SurfaceState& r = records[std::size_t(personSurface(p))];
        if (!r.loaded || r.fileName.empty()) continue;
        const std::string transparency = r.maskName.empty() ? keyText(r.colourKey) : r.maskName;
        std::optional<Surface> mask = namesMaskFile(transparency) ? readPicture(transparency) : std::nullopt;
        bank_.loadPerson(p, readPicture(r.fileName), r.fileName, transparency, std::move(mask));
    }
    const SurfaceState& effect = records[std::size_t(SurfaceId::Effect)];
    if (effect.loaded && !effect.fileName.empty()) {
        const std::string transparency = effect.maskName.empty() ? keyText(effect.colourKey) : effect.maskName;
        std::optional<Surface> mask = namesMaskFile(transparency) ? readPicture(transparency) : std::nullopt;
        bank_.loadEffect(readPicture(effect.fileName), effect.fileName, transparency,
                         effect.maskMode == int32_t(EffectMaskMode::Screen) ? 1 : 0, std::move(mask));
    }
    if (sheet.valid && !sheet.fileName.empty())
        loadSpriteSheet(sheet.fileName, sheet.cellWidth, sheet.cellHeight,
                        sheet.maskName.empty() ? keyText(sheet.colourKey) : sheet.maskName);
    bank_.states = records;
    bank_.sheet = sheet;
    bank_.sprites = sprites;
    for (SpriteSlot& s : bank_.sprites) s.x |= kSpriteNotDrawn;
    runTransition("#WIPE2");
    for (std::size_t i = 0; i < bank_.sprites.size(); ++i) bank_.sprites[i] = sprites[i];
    drawAllSprites(bank_, view_.image());
    present();
    transcript_.writeUtf8("load: slot " + std::to_string(slot));
    return true;
}

void TFmain::saveGlobalsAndMarks() {
    if (!writeGlobalFlags())
        messageBox(text(Text::AppTitle), text(Text::FlagSaveFailed), ui::BoxIcon::Exclamation, ui::BoxButtons::Ok,
                   platform::Answer::Ok);
    if (settings.TextMaxIndex && !ReadTextMarks.empty())
        if (!writeSaveFile("textid.dat",
                           std::string(reinterpret_cast<const char*>(ReadTextMarks.data()), ReadTextMarks.size())))
            std::cerr << "quorvel: cannot write textid.dat\n";
}

void TFmain::loadGlobalsAndMarks() {
    if (settings.GlobalFlagSave) {
        if (auto bytes = files_.read(savePath("data0.hfd"))) {
            std::array<std::string, kFlagFileLines> global;
            for (int i = 0; i < kFlagFileLines; ++i) global[std::size_t(i)] = flags.text(kFlagFileLines + i);
            readFlagFile(*bytes, global);
            for (int i = 0; i < kFlagFileLines; ++i) flags.setFlagText(kFlagFileLines + i, global[std::size_t(i)]);
        }
    }
    if (settings.TextMaxIndex && !ReadTextMarks.empty())
        if (auto bytes = files_.read(savePath("textid.dat")))
            std::copy_n(bytes->begin(), std::min(bytes->size(), ReadTextMarks.size()), ReadTextMarks.begin());
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
    std::optional<int> slot = chooseSlot(*this, saveMode, saveFolder(), slotDialog_);
    input.clearClicks();
    return slot;
}

}  // namespace qvl
