#include "app/engine_settings.h"

#include "base/numbers.h"
#include "platform/encoding.h"

#include <algorithm>

namespace qvl {

const std::string& defaultFontName() {
    static const std::string kName = platform::utf8ToSjis("ＭＳ ゴシック");
    return kName;
}

EngineSettings::EngineSettings() {
    FontTable = {defaultFontName(), defaultFontName(), defaultFontName(), defaultFontName(),
                 "Marlett",         "Symbol",          "Wingdings"};
}

void applySettings(EngineSettings& s, const ConfigList& cfg, const ConfigList* ini) {
    auto on = [](const ConfigList& list, const char* key, bool emptyDefault) {
        return list.intValue(key, emptyDefault ? 1 : 0) != 0;
    };
    s.iniFound = ini != nullptr;
    if (ini) {
        s.BGDarkness = on(*ini, "BGDarkness", false);
        s.SavePath = ini->value("SavePath");
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
    } else {
        for (int i = 0; i < 4; ++i) s.DefaultFont[std::size_t(i)] = cfg.value("DefaultFont" + std::to_string(i));
        if (!cfg.value("BGDarkness").empty()) s.BGDarkness = on(cfg, "BGDarkness", false);
    }
    if (s.SavePath.empty()) s.SavePath = cfg.value("SavePath");
    s.DarknessRate = cfg.intValue("DarknessRate", 32);
    for (int i = 4; i < kFontSlots; ++i) s.DefaultFont[std::size_t(i)] = cfg.value("DefaultFont" + std::to_string(i));
    s.Icon = cfg.value("Icon");
    s.BackGround = cfg.value("BackGround");
    s.Tile = cfg.value("Tile");
    s.Version = cfg.value("Version");
    s.MenuClickSound = cfg.value("MenuClickSound");
    s.DataDriveLabel = cfg.value("DataDriveLabel");
    if (std::string max = cfg.value("TextMaxIndex"); !max.empty()) {
        // A negative size would be an impossible allocation: no read marks then.
        int32_t n = toInt(max);
        s.TextMaxIndex = n < 0 ? 0 : n;
    }
    s.ForceDataDrivePath = cfg.value("ForceDataDrivePath");
    if (!s.ForceDataDrivePath.empty()) {
        s.dataDriveRoot = s.ForceDataDrivePath;
        s.DataDriveLabel.clear();
    }
    if (cfg.value("GlobalFlagSave") == "0") s.GlobalFlagSave = false;
    s.MP3Timing = cfg.intValue("MP3Timing", 5);
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
    if (s.MusicVolume != 100 || s.SoundVolume != 100 || s.AutoAdvance) {
        out.add("[Player]");
        out.add("MusicVolume=" + std::to_string(s.MusicVolume));
        out.add("SoundVolume=" + std::to_string(s.SoundVolume));
        out.add("AutoAdvance=" + flag(s.AutoAdvance));
    }
    return out.toBytes();
}

}  // namespace qvl
