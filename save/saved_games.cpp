#include "save/saved_games.h"

#include "base/fault.h"
#include "graphics/composition.h"
#include "graphics/effects.h"
#include "graphics/masks.h"
#include "save/slot_files.h"
#include "save/status_file.h"

#include <algorithm>
#include <cstdio>
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

std::string transparencyOf(const SurfaceState& r) {
    return r.maskName.empty() ? keyText(r.colourKey) : r.maskName;
}

}  // namespace

void SavedGames::capture() {
    captureSavePoint(host_.live(), data_.snapshot());
}

bool SavedGames::writeGlobalFlags() {
    if (!host_.keepsGlobalFlags()) return true;
    FlagStore& flags = host_.live().flags;
    std::array<std::string, kFlagFileLines> global;
    for (int i = 0; i < kFlagFileLines; ++i) global[std::size_t(i)] = flags.text(kFlagFileLines + i);
    return host_.writeSaveFile("data0.hfd", writeFlagFile(global));
}

void SavedGames::saveSlot(int slot) {
    const SavePointSnapshot& s = data_.snapshot();
    auto warn = [this](SaveMessage m) { host_.warn(host_.message(m)); };
    if (!host_.writeSaveFile(flagFileName(slot), writeFlagFile(s.flags))) warn(SaveMessage::FlagSaveFailed);
    if (!s.exists()) {
        warn(SaveMessage::NoSavePoint);
        host_.reportScriptError(host_.message(SaveMessage::NoSavePoint));
    } else if (!host_.writeSaveFile(statusFileName(slot), writeStatusFile(s))) {
        warn(SaveMessage::StatusSaveFailed);
    }
    if (!host_.writeSaveFile(logFileName(slot), writeLogFile(host_.live().log))) warn(SaveMessage::LogSaveFailed);
    if (!writeGlobalFlags()) warn(SaveMessage::FlagSaveFailed);
    host_.transcript("save: slot " + std::to_string(slot));
}

bool SavedGames::restore(int slot) {
    SavePointSnapshot loaded = data_.snapshot();
    MessageLog loadedLog;
    try {
        if (auto bytes = host_.readSaveFile(flagFileName(slot))) readFlagFile(*bytes, loaded.flags);
        auto logBytes = host_.readSaveFile(logFileName(slot));
        if (!logBytes) throw Fault(logFileName(slot) + host_.message(SaveMessage::CannotOpen));
        loadedLog = readLogFile(*logBytes);
        auto status = host_.readSaveFile(statusFileName(slot));
        if (!status) {
            host_.warn(host_.message(SaveMessage::StatusUnreadable));
            return false;
        }
        readStatusFile(*status, loaded);
        if (!loaded.exists()) throw Fault(host_.message(SaveMessage::StatusUnreadable));
    } catch (const Fault& f) {
        host_.scriptError(f.what());
        return false;
    }

    Playback::SavedFlags sound;
    for (std::size_t i = 0; i < 3; ++i) {
        sound.playing[i] = loaded.channels[i].playing;
        sound.resumePending[i] = loaded.channels[i].resumePending;
    }
    host_.playback().stopAllOpen();
    LiveState live = host_.live();
    live.bank.resetSurfaces();
    live.bank[SurfaceId::Text].fill(0x000000);
    live.bank[SurfaceId::TextMask].fill(0xFFFFFF);
    loadedLog.logSuppressed = live.log.logSuppressed;
    live.log = std::move(loadedLog);
    host_.loadScript(loaded.interpreter.ProgFileName);
    data_.snapshot() = loaded;
    applySavePoint(loaded, live, host_.fontTable());
    host_.playback().resumeAfterRestore(sound);
    host_.setWindowCaption(live.interpreter.ProgChapter);
    rebuildScene();
    host_.transcript("load: slot " + std::to_string(slot));
    return true;
}

// The scene again from its files, each record as it was saved, shown with #WIPE2.
void SavedGames::rebuildScene() {
    SurfaceBank& bank = host_.live().bank;
    const std::array<SurfaceState, kStateCount> records = bank.states;
    const SpriteSheet sheet = bank.sheet;
    const auto sprites = bank.sprites;
    const SurfaceState& background = records[std::size_t(SurfaceId::Background)];
    if (background.loaded && !background.fileName.empty())
        bank.loadBackground(host_.readPicture(background.fileName), background.fileName);
    for (int p = 0; p < kPersonSlots; ++p) {
        const SurfaceState& r = records[std::size_t(personSurface(p))];
        if (!r.loaded || r.fileName.empty()) continue;
        const std::string transparency = transparencyOf(r);
        std::optional<Surface> mask = namesMaskFile(transparency) ? host_.readPicture(transparency) : std::nullopt;
        bank.loadPerson(p, host_.readPicture(r.fileName), r.fileName, transparency, std::move(mask));
    }
    const SurfaceState& effect = records[std::size_t(SurfaceId::Effect)];
    if (effect.loaded && !effect.fileName.empty()) {
        const std::string transparency = transparencyOf(effect);
        std::optional<Surface> mask = namesMaskFile(transparency) ? host_.readPicture(transparency) : std::nullopt;
        bank.loadEffect(host_.readPicture(effect.fileName), effect.fileName, transparency,
                        effect.maskMode == int32_t(EffectMaskMode::Screen) ? 1 : 0, std::move(mask));
    }
    if (sheet.valid && !sheet.fileName.empty())
        host_.loadSpriteSheet(sheet.fileName, sheet.cellWidth, sheet.cellHeight,
                              sheet.maskName.empty() ? keyText(sheet.colourKey) : sheet.maskName);
    bank.states = records;
    bank.sheet = sheet;
    bank.sprites = sprites;
    // The wipe draws no sprites; they come back over the finished picture.
    for (SpriteSlot& s : bank.sprites) s.x |= kSpriteNotDrawn;
    host_.runTransition("#WIPE2");
    bank.sprites = sprites;
    drawAllSprites(bank, host_.windowImage());
    host_.present();
}

void SavedGames::saveGlobalsAndMarks() {
    if (!writeGlobalFlags()) host_.warn(host_.message(SaveMessage::FlagSaveFailed));
    const std::vector<uint8_t>& marks = host_.readMarks();
    if (!marks.empty() &&
        !host_.writeSaveFile("textid.dat", std::string(reinterpret_cast<const char*>(marks.data()), marks.size())))
        std::cerr << "quorvel: cannot write textid.dat\n";
}

void SavedGames::loadGlobalsAndMarks() {
    if (host_.keepsGlobalFlags()) {
        if (auto bytes = host_.readSaveFile("data0.hfd")) {
            FlagStore& flags = host_.live().flags;
            std::array<std::string, kFlagFileLines> global;
            for (int i = 0; i < kFlagFileLines; ++i) global[std::size_t(i)] = flags.text(kFlagFileLines + i);
            readFlagFile(*bytes, global);
            for (int i = 0; i < kFlagFileLines; ++i) flags.setFlagText(kFlagFileLines + i, global[std::size_t(i)]);
        }
    }
    std::vector<uint8_t>& marks = host_.readMarks();
    if (!marks.empty())
        if (auto bytes = host_.readSaveFile("textid.dat"))
            std::copy_n(bytes->begin(), std::min(bytes->size(), marks.size()), marks.begin());
}

}  // namespace qvl
