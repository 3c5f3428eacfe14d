#include "app/engine_settings.h"

#include "base/fault.h"
#include "base/numbers.h"
#include "base/sjis.h"
#include "platform/encoding.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <utility>

namespace qvl {

const std::string& defaultFontName() {
    static const std::string kName = platform::utf8ToSjis("ＭＳ ゴシック");
    return kName;
}

EngineSettings::EngineSettings() {
    FontTable = {defaultFontName(), defaultFontName(), defaultFontName(), defaultFontName(),
                 "Marlett",         "Symbol",          "Wingdings"};
}

namespace {

// A numeric key: empty reads as the default; anything else not a number is a fault
// that tells the player which line of which file to mend.
int32_t numberIn(const ConfigList& list, const char* file, const std::string& key, int32_t emptyDefault) {
    const std::string value = list.value(key);
    if (value.empty()) return emptyDefault;
    if (auto n = parseInt(value)) return *n;
    // Built by appending: GCC's restrict check trips over "'" + a temporary.
    std::string where(file);
    where += " の ";
    where += std::to_string(list.lineOf(key));
    where += " 行目 (";
    where += key;
    where += ")：整数に直すか、この行を消してください。";
    std::string message = "'";
    message += sjis::shownValue(value);
    message += "' is not a valid integer value\n";
    message += platform::utf8ToSjis(where);
    throw Fault(message);
}

constexpr std::pair<platform::ScaleFilter, const char*> kFilterNames[] = {
    {platform::ScaleFilter::SharpBilinear, "sharp"},
    {platform::ScaleFilter::Nearest, "nearest"},
    {platform::ScaleFilter::Bilinear, "bilinear"},
    {platform::ScaleFilter::WholeOnly, "whole"},
};

void readWindowKeys(EngineSettings& s, const ConfigList& ini) {
    for (auto [filter, name] : kFilterNames)
        if (ini.value("ScaleFilter") == name) s.ScaleFilter = filter;
    s.SharpText = parseInt(ini.value("SharpText")).value_or(1) != 0;
    auto x = parseInt(ini.value("WindowX")), y = parseInt(ini.value("WindowY"));
    auto w = parseInt(ini.value("WindowWidth")), h = parseInt(ini.value("WindowHeight"));
    if (x && y && w && h && *w > 0 && *h > 0 && *w <= 16384 && *h <= 16384)
        s.window = platform::WindowPlacement{*x, *y, *w, *h, parseInt(ini.value("FullScreen")).value_or(0) != 0};
}

}  // namespace

std::optional<std::string> readConfigFile(const std::filesystem::path& path, const std::string& fileName) {
    // One byte past the limit tells a file that is too large.
    std::optional<std::string> read = platform::readRegularFile(path.string(), kMaxConfigBytes);
    if (!read) return std::nullopt;
    std::string bytes = std::move(*read);
    if (bytes.size() > kMaxConfigBytes) {
        const bool players = fileName == "qvl.ini";
        throw Fault(platform::utf8ToSjis(
            fileName + " が大きすぎます（1 MiB を超えています）：" + path.string() + "\n" +
            (players ? "このファイルを消してください。設定は初期値に戻り、終了時に作り直されます。"
                     : "シナリオのファイルが壊れています。シナリオを入れ直してください。")));
    }
    return bytes;
}

void applySettings(EngineSettings& s, const ConfigList& cfg, const ConfigList* ini) {
    auto on = [&](const ConfigList& list, const char* key, bool emptyDefault) {
        return numberIn(list, &list == &cfg ? "qvl.cfg" : "qvl.ini", key, emptyDefault ? 1 : 0) != 0;
    };
    s.iniFound = ini != nullptr;
    if (ini) {
        s.BGDarkness = on(*ini, "BGDarkness", false);
        s.SavePath = ini->value("SavePath");
        if (!s.SavePath.empty()) s.savePathSource = "qvl.ini";
        s.EnableMusic = on(*ini, "EnableMusic", true);
        s.EnableSound = on(*ini, "EnableSound", true);
        s.HighSpeedText = on(*ini, "HighSpeedText", false);
        s.SkipText = on(*ini, "SkipText", false);
        for (int i = 0; i < 4; ++i) {
            std::string name = ini->value("Font" + std::to_string(i));
            s.FontTable[std::size_t(i)] = name.empty() ? defaultFontName() : name;
        }
        s.DebugMode = ini->value("DebugMode") == "on";
        s.EnableAllDrive = ini->value("EnableAllDrive") == "on";
        // Our own keys: a value we cannot read is the default, never a fault.
        auto percent = [&](const char* key) { return std::clamp<int32_t>(parseInt(ini->value(key)).value_or(100), 0, 100); };
        s.MusicVolume = percent("MusicVolume");
        s.SoundVolume = percent("SoundVolume");
        s.AutoAdvance = parseInt(ini->value("AutoAdvance")).value_or(0) != 0;
        readWindowKeys(s, *ini);
        s.SelfVoicing = parseInt(ini->value("SelfVoicing")).value_or(0) != 0;
        s.AutoAdvanceSpeed = std::clamp<int32_t>(parseInt(ini->value("AutoAdvanceSpeed")).value_or(1), 0, 2);
    } else {
        for (int i = 0; i < 4; ++i) s.DefaultFont[std::size_t(i)] = cfg.value("DefaultFont" + std::to_string(i));
        if (!cfg.value("BGDarkness").empty()) s.BGDarkness = on(cfg, "BGDarkness", false);
    }
    if (s.SavePath.empty()) {
        s.SavePath = cfg.value("SavePath");
        if (!s.SavePath.empty()) s.savePathSource = "qvl.cfg";
    }
    s.DarknessRate = numberIn(cfg, "qvl.cfg", "DarknessRate", 32);
    for (int i = 4; i < kFontSlots; ++i) s.DefaultFont[std::size_t(i)] = cfg.value("DefaultFont" + std::to_string(i));
    s.Icon = cfg.value("Icon");
    s.BackGround = cfg.value("BackGround");
    s.Tile = cfg.value("Tile");
    s.Version = cfg.value("Version");
    s.MenuClickSound = cfg.value("MenuClickSound");
    s.DataDriveLabel = cfg.value("DataDriveLabel");
    if (!cfg.value("TextMaxIndex").empty()) {
        // A negative size would be an impossible allocation: no read marks then.
        int32_t n = numberIn(cfg, "qvl.cfg", "TextMaxIndex", 0);
        s.TextMaxIndex = n < 0 ? 0 : n;
    }
    s.ForceDataDrivePath = cfg.value("ForceDataDrivePath");
    if (!s.ForceDataDrivePath.empty()) {
        s.dataDriveRoot = s.ForceDataDrivePath;
        s.DataDriveLabel.clear();
    }
    if (cfg.value("GlobalFlagSave") == "0") s.GlobalFlagSave = false;
    s.MP3Timing = numberIn(cfg, "qvl.cfg", "MP3Timing", 5);
}

std::string settingsNotSavedText(const std::filesystem::path& file) {
    return platform::utf8ToSjis("qvl.ini を保存できません：" + file.string() +
                                "\n今回変えた設定は残りません。フォルダに書き込めるか、ディスクに空きがあるかを確かめてください。");
}

std::string settingsFileBytes(const EngineSettings& s) {
    auto flag = [](bool v) { return std::string(v ? "1" : "0"); };
    ConfigList out;
    out.add("Version=1.20");
    out.add("[Display]");
    out.add("BGDarkness=" + flag(s.BGDarkness));
    out.add("[System]");
    out.add("SavePath=" + s.SavePath);
    out.add("EnableMusic=" + flag(s.EnableMusic));
    out.add("EnableSound=" + flag(s.EnableSound));
    out.add("HighSpeedText=" + flag(s.HighSpeedText));
    out.add("SkipText=" + flag(s.SkipText));
    if (s.DebugMode) out.add("DebugMode=on");
    if (s.EnableAllDrive) out.add("EnableAllDrive=on");
    out.add("[Font]");
    for (int i = 0; i < 4; ++i) out.add("Font" + std::to_string(i) + "=" + s.FontTable[std::size_t(i)]);
    // Written only when changed, so a file of the original's options stays as it was.
    if (s.MusicVolume != 100 || s.SoundVolume != 100 || s.AutoAdvance || s.SelfVoicing || s.AutoAdvanceSpeed != 1) {
        out.add("[Player]");
        out.add("MusicVolume=" + std::to_string(s.MusicVolume));
        out.add("SoundVolume=" + std::to_string(s.SoundVolume));
        out.add("AutoAdvance=" + flag(s.AutoAdvance));
        out.add("SelfVoicing=" + flag(s.SelfVoicing));
        if (s.AutoAdvanceSpeed != 1) out.add("AutoAdvanceSpeed=" + std::to_string(s.AutoAdvanceSpeed));
    }
    if (s.ScaleFilter != platform::ScaleFilter::SharpBilinear || !s.SharpText || s.window) {
        out.add("[Window]");
        for (auto [filter, name] : kFilterNames)
            if (s.ScaleFilter == filter) out.add(std::string("ScaleFilter=") + name);
        out.add("SharpText=" + flag(s.SharpText));
        if (s.window) {
            out.add("WindowX=" + std::to_string(s.window->x));
            out.add("WindowY=" + std::to_string(s.window->y));
            out.add("WindowWidth=" + std::to_string(s.window->width));
            out.add("WindowHeight=" + std::to_string(s.window->height));
            out.add("FullScreen=" + flag(s.window->fullScreen));
        }
    }
    return out.toBytes();
}

}  // namespace qvl
