#pragma once
// The values of qvl.cfg (the scenario's), qvl.ini (the player's) and the install
// path, with their defaults. All texts are Shift-JIS.
#include "base/config_list.h"
#include "platform/platform.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qvl {

inline constexpr int kFontSlots = 7;

// Real configuration files are a few hundred bytes; anything past this is refused
// before it costs memory.
inline constexpr std::size_t kMaxConfigBytes = std::size_t(1) << 20;

// "ＭＳ ゴシック", the face of slots 0-3 until a player or scenario says otherwise.
const std::string& defaultFontName();

struct EngineSettings {
    std::string ProgramID;
    std::string InstallPath;
    std::filesystem::path startDirectory;
    // Where qvl.ini is written: the start directory, or the player's own folder when
    // the scenario folder cannot be written (relative save paths then point there too).
    std::filesystem::path playerFolder;
    // This scenario's folder among the player's own data (empty without a home): the
    // other place, beside the scenario folder, where the scenario's files may put saves.
    std::filesystem::path dataFolder;
    bool BGDarkness = false;
    int32_t DarknessRate = 32;
    std::string SavePath;
    bool EnableMusic = true;
    bool EnableSound = true;
    bool HighSpeedText = false;
    bool SkipText = false;
    // Our own player options, kept in qvl.ini under keys the original ignores.
    int32_t MusicVolume = 100;  // percent
    int32_t SoundVolume = 100;  // percent
    bool AutoAdvance = false;   // lines go on by themselves after a pause
    // How a window larger than the scene draws it, and where the window was left.
    platform::ScaleFilter ScaleFilter = platform::ScaleFilter::SharpBilinear;
    bool SharpText = true;  // text drawn at the window's resolution
    std::optional<platform::WindowPlacement> window;
    bool SelfVoicing = false;   // the story and the controls are read aloud
    int32_t AutoAdvanceSpeed = 1;  // how soon: 0 slow, 1 normal, 2 fast
    std::array<std::string, kFontSlots> DefaultFont;  // candidate lists, slots 0-6
    bool DebugMode = false;
    bool EnableAllDrive = false;
    std::string Icon;
    std::string BackGround;
    std::string Tile;
    std::string Version;
    std::string MenuClickSound;
    std::string DataDriveLabel;
    std::string ForceDataDrivePath;
    std::string dataDriveRoot;
    std::optional<int32_t> TextMaxIndex;  // nothing: no read marks
    bool GlobalFlagSave = true;
    int32_t MP3Timing = 5;
    bool iniFound = false;  // qvl.ini existed at start
    // The scenario's file SavePath came from ("qvl.cfg", or a qvl.ini shipped in the
    // scenario folder): such a folder is confined before use. Empty when the
    // player's own qvl.ini or the save-location dialog gave it.
    std::string savePathSource;

    std::array<std::string, kFontSlots> FontTable;

    EngineSettings();
};

// The bytes of qvl.cfg or qvl.ini (fileName, as messages name it) at path. Nothing
// when it is missing or not a regular file (a FIFO never blocks the start). A file
// over kMaxConfigBytes is a fault that says what to do; reading stops at the limit.
std::optional<std::string> readConfigFile(const std::filesystem::path& path, const std::string& fileName);

// Takes the values of the two files into the settings, in the order and with the
// fallbacks of the loading rules (after the install-path step). Non-numbers in
// numeric keys are faults naming the file, the line and the key.
void applySettings(EngineSettings& settings, const ConfigList& cfg, const ConfigList* ini);

// The bytes of the qvl.ini written at a normal exit.
std::string settingsFileBytes(const EngineSettings& settings);

// What the player is told when qvl.ini could not be written at exit (Shift-JIS).
std::string settingsNotSavedText(const std::filesystem::path& file);

// The first name of a comma-separated list that is installed, or empty text.
template <typename IsInstalled>
std::string resolveFontCandidates(const std::string& list, IsInstalled isInstalled);

}  // namespace qvl

#include "app/engine_settings_impl.h"
