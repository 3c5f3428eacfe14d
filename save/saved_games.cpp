#include "save/saved_games.h"

#include "base/fault.h"
#include "graphics/composition.h"
#include "graphics/effects.h"
#include "graphics/masks.h"
#include "graphics/png_io.h"
#include "base/numbers.h"
#include "base/sjis.h"
#include "platform/encoding.h"
#include "save/slot_files.h"
#include "save/slot_store.h"
#include "save/status_file.h"
#include "save/thumbnail.h"

#include <algorithm>
#include <cstdio>

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
    data_.thumbnail = makeThumbnail(host_.windowImage());
}

namespace {

using platform::FileSystem;

// Text of this file (UTF-8) as the engine shows it.
std::string say(const std::string& utf8) {
    return platform::utf8ToSjis(utf8);
}

// "data3.hsd（スロット3）" or "data0.hfd".
std::string fileAndSlot(const std::string& file, int slot) {
    return slot > 0 ? file + say("（スロット" + std::to_string(slot) + "）") : file;
}

// Why a read gave no bytes, in the player's words.
std::string readProblem(FileSystem::ReadStatus status) {
    switch (status) {
        case FileSystem::ReadStatus::Missing: return "がありません";
        case FileSystem::ReadStatus::NotRegular: return "は普通のファイルではありません";
        case FileSystem::ReadStatus::TooLarge:
            return "が大きすぎます（" + std::to_string(kMaxSaveFile / 1024) + "KB まで）";
        case FileSystem::ReadStatus::Unreadable:
        case FileSystem::ReadStatus::Ok: break;
    }
    return "を開けません";
}

// A line that cannot be used: where it is, what it holds, what it should hold.
std::string badLine(const std::string& file, int slot, const SaveFileFault& f) {
    std::string text = fileAndSlot(file, slot) + say(" の" + std::to_string(f.line()) + "行目");
    if (!f.value().empty()) text += say("「") + sjis::shownValue(f.value()) + say("」");
    return text + say("：" + f.expected() + "ではありません");
}

// How the transcript names a slot: "slot 3", or "quick".
std::string slotLabel(int slot) {
    return slot == kQuickSlot ? "quick" : "slot " + std::to_string(slot);
}

// A load that cannot go on; the game stays as it was.
struct LoadRefused {
    std::string sjis;
};

constexpr int kCdNameLine = 493;
constexpr int kScriptNameLine = 515;
constexpr int kExecLineLine = 287;
constexpr int kNextLineLine = 288;

}  // namespace

bool SavedGames::writeGlobalFlags() {
    // A file that was not read at the start (or could not be used) is kept as it is.
    if (!host_.keepsGlobalFlags() || !globalsRead_) return true;
    FlagStore& flags = host_.live().flags;
    std::array<std::string, kFlagFileLines> global;
    for (int i = 0; i < kFlagFileLines; ++i) global[std::size_t(i)] = flags.text(kFlagFileLines + i);
    host_.makeSaveFolder();
    return SlotStore(host_.saveFolder()).commit(0, {{"data0.hfd", writeFlagFile(global)}}).empty();
}

bool SavedGames::saveSlot(int slot) {
    const SavePointSnapshot& s = data_.snapshot();
    auto warnFailedGlobals = [this] {
        if (!writeGlobalFlags())
            host_.warn(host_.message(SaveMessage::FlagSaveFailed) + "\n" +
                       say("data0.hfd を書き込めませんでした。保存先フォルダの空きと書き込みの許可を確かめてください。"));
    };
    if (!s.exists()) {
        // Flags and log of now beside an older status file would be a slot mixed
        // from two saves: the slot stays as it is.
        host_.warn(host_.message(SaveMessage::NoSavePoint));
        host_.reportScriptError(host_.message(SaveMessage::NoSavePoint));
        warnFailedGlobals();
        return false;
    }
    host_.makeSaveFolder();
    SlotStore store(host_.saveFolder());
    std::vector<SlotStore::File> files{{flagFileName(slot), writeFlagFile(s.flags)},
                                       {statusFileName(slot), writeStatusFile(s)},
                                       {logFileName(slot), writeLogFile(host_.live().log)}};
    // The thumbnail switches with the slot, so it always shows the save it sits beside.
    if (!data_.thumbnail.empty()) files.push_back({thumbnailFileName(slot), encodePng(data_.thumbnail)});
    const std::vector<std::string> failed = store.commit(slot, files);
    for (const std::string& name : failed) {
        const SaveMessage m = name == flagFileName(slot)     ? SaveMessage::FlagSaveFailed
                              : name == logFileName(slot)    ? SaveMessage::LogSaveFailed
                                                             : SaveMessage::StatusSaveFailed;
        const std::string which = slot == kQuickSlot ? "クイックセーブ" : "スロット" + std::to_string(slot);
        host_.warn(host_.message(m) + "\n" + fileAndSlot(name, slot) +
                   say(" を書き込めませんでした。" + which +
                        "は前のセーブのままです。保存先フォルダの空きと書き込みの許可を確かめてください。"));
    }
    warnFailedGlobals();
    if (!failed.empty()) return false;
    host_.transcript("save: " + slotLabel(slot));
    return true;
}

bool SavedGames::restore(int slot) {
    SavePointSnapshot loaded = data_.snapshot();
    MessageLog loadedLog;
    const std::string advice = say("\nこのスロットはロードできません。別のスロットを選ぶか、このスロットにセーブし直してください。");
    try {
        SlotStore store(host_.saveFolder());
        std::string why;
        if (!store.settle(slot, why))
            throw LoadRefused{host_.message(SaveMessage::StatusUnreadable) + "\n" +
                          say("スロット" + std::to_string(slot) + "：" + why + "。") + advice};
        auto read = [&](const std::string& name, bool required) -> std::optional<std::string> {
            FileSystem::ReadResult r = store.read(name, kMaxSaveFile);
            if (r.status == FileSystem::ReadStatus::Ok) return std::move(r.bytes);
            if (r.status == FileSystem::ReadStatus::Missing && !required) return std::nullopt;
            const std::string head = name == statusFileName(slot) ? host_.message(SaveMessage::StatusUnreadable) + "\n"
                                                                   : std::string();
            throw LoadRefused{head + fileAndSlot(name, slot) + say(readProblem(r.status) + "。") + advice};
        };
        auto parse = [&](const std::string& name, auto step) {
            try {
                step();
            } catch (const SaveFileFault& f) {
                const std::string head = name == statusFileName(slot)
                                             ? host_.message(SaveMessage::StatusUnreadable) + "\n"
                                             : std::string();
                throw LoadRefused{head + badLine(name, slot, f) + say("。") + advice};
            }
        };
        if (auto bytes = read(flagFileName(slot), false))
            parse(flagFileName(slot), [&] { readFlagFile(*bytes, loaded.flags); });
        const std::string logBytes = *read(logFileName(slot), true);
        parse(logFileName(slot), [&] { loadedLog = readLogFile(logBytes); });
        const std::string status = *read(statusFileName(slot), true);
        parse(statusFileName(slot), [&] { readStatusFile(status, loaded); });

        // The names and numbers the resume goes on with.
        const InterpreterState& p = loaded.interpreter;
        auto bad = [&](int line, const std::string& value, const std::string& expected) {
            throw SaveFileFault(line, value, expected);
        };
        parse(statusFileName(slot), [&] {
            if (p.ProgFileName.empty()) bad(kScriptNameLine, "", "スクリプトの名前");
            const std::optional<int32_t> lines = host_.scriptLineCount(p.ProgFileName);
            if (!lines) bad(kScriptNameLine, p.ProgFileName, "読めるスクリプトの名前");
            if (p.ProgExecLine >= *lines)
                bad(kExecLineLine, std::to_string(p.ProgExecLine),
                    "0から" + std::to_string(*lines - 1) + "までの行番号");
            if (p.ProgNextLine > *lines)
                bad(kNextLineLine, std::to_string(p.ProgNextLine), "-1から" + std::to_string(*lines) + "までの行番号");
            const PlaybackChannel& cd = loaded.channels[2];
            if ((cd.playing || cd.resumePending) && !parseInt(cd.fileName))
                bad(kCdNameLine, cd.fileName, "演奏中の CD のトラック番号");
        });
    } catch (const LoadRefused& r) {
        host_.scriptError(r.sjis);
        return false;
    }

    apply(loaded, std::move(loadedLog), true);
    host_.transcript("load: " + slotLabel(slot));
    return true;
}

void SavedGames::restoreFromMemory(const SavePointSnapshot& snapshot, const MessageLog& log) {
    apply(snapshot, log, false);
}

void SavedGames::apply(const SavePointSnapshot& loaded, MessageLog log, bool wipe) {
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
    log.logSuppressed = live.log.logSuppressed;
    live.log = std::move(log);
    host_.loadScript(loaded.interpreter.ProgFileName);
    data_.snapshot() = loaded;
    applySavePoint(loaded, live, host_.fontTable());
    // From here the load stands; what cannot be brought back is told, not fatal.
    try {
        host_.playback().resumeAfterRestore(sound);
    } catch (const Fault& f) {
        host_.warn(f.what());
    }
    host_.setWindowCaption(live.interpreter.ProgChapter);
    try {
        rebuildScene(wipe);
    } catch (const Fault& f) {
        host_.warn(f.what());
    }
    data_.thumbnail = makeThumbnail(host_.windowImage());
}

bool SavedGames::checkSaveFolder() {
    std::error_code ec;
    const std::filesystem::path folder = host_.saveFolder();
    if (!std::filesystem::exists(folder, ec) || std::filesystem::is_directory(folder, ec)) return true;
    if (!badFolderReported_)
        host_.warn(say("セーブフォルダ「") + sjis::shownValue(platform::FileSystem::toSjis(folder)) +
                   say("」はフォルダではありません。セーブもロードもできません。qvl.cfg の SavePath を直すか、"
                        "メニューから保存先を選び直してください。"));
    badFolderReported_ = true;
    return false;
}

// The scene again from its files, each record as it was saved, shown with #WIPE2
// (a load) or at once (going back a page).
void SavedGames::rebuildScene(bool wipe) {
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
    if (wipe) {
        host_.runTransition("#WIPE2");
    } else {
        host_.showSceneAtOnce();  // going back a page is instant
    }
    bank.sprites = sprites;
    drawAllSprites(bank, host_.windowImage());
    host_.present();
}

void SavedGames::saveGlobalsAndMarks() {
    if (!writeGlobalFlags())
        host_.warn(host_.message(SaveMessage::FlagSaveFailed) + "\n" +
                   say("data0.hfd を書き込めませんでした。グローバルフラグ（エンディングやおまけの記録）は保存されていません。"
                        "保存先フォルダの空きと書き込みの許可を確かめてください。"));
    const std::vector<uint8_t>& marks = host_.readMarks();
    if (marks.empty() || !marksRead_) return;
    host_.makeSaveFolder();
    if (!SlotStore(host_.saveFolder())
             .commit(0, {{"textid.dat", std::string(reinterpret_cast<const char*>(marks.data()), marks.size())}})
             .empty())
        host_.warn(say("既読データ textid.dat を書き込めませんでした。どの文章を読んだかの記録は保存されていません。"
                        "保存先フォルダの空きと書き込みの許可を確かめてください。"));
}

void SavedGames::loadGlobalsAndMarks() {
    SlotStore store(host_.saveFolder());
    std::string unused;
    store.settle(0, unused);  // a write of data0.hfd or textid.dat a crash cut short
    const std::string advice =
        say("\nこのファイルは読み込まず、終了時にも書き換えません。直すか、削除してから起動し直してください。");
    auto read = [&](const std::string& name, std::size_t limit, auto use) {
        FileSystem::ReadResult r = store.read(name, limit);
        if (r.status == FileSystem::ReadStatus::Missing) return true;
        if (r.status != FileSystem::ReadStatus::Ok) {
            host_.warn(name + say(readProblem(r.status) + "。") + advice);
            return false;
        }
        try {
            use(r.bytes);
        } catch (const SaveFileFault& f) {
            host_.warn(badLine(name, 0, f) + say("。") + advice);
            return false;
        }
        return true;
    };
    if (host_.keepsGlobalFlags()) {
        FlagStore& flags = host_.live().flags;
        globalsRead_ = read("data0.hfd", kMaxSaveFile, [&](const std::string& bytes) {
            std::array<std::string, kFlagFileLines> global;
            for (int i = 0; i < kFlagFileLines; ++i) global[std::size_t(i)] = flags.text(kFlagFileLines + i);
            readFlagFile(bytes, global);
            for (int i = 0; i < kFlagFileLines; ++i) flags.setFlagText(kFlagFileLines + i, global[std::size_t(i)]);
        });
    }
    std::vector<uint8_t>& marks = host_.readMarks();
    if (!marks.empty())
        marksRead_ = read("textid.dat", std::max(marks.size(), kMaxSaveFile), [&](const std::string& bytes) {
            std::copy_n(bytes.begin(), std::min(bytes.size(), marks.size()), marks.begin());
        });
}

}  // namespace qvl
