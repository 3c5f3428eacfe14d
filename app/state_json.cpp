// The state dump of a run (--dump-state): each subsystem writes its own fields,
// assembled here in the dump's order; texts converted to UTF-8.
#include "app/state_json.h"

#include "app/tfmain.h"
#include "audio/audio_dump.h"
#include "choice/choice_dump.h"
#include "debug/debug_dump.h"
#include "dialogs/dialogs_dump.h"
#include "graphics/bank_dump.h"
#include "platform/encoding.h"
#include "save/save_dump.h"
#include "script/script_dump.h"
#include "text/text_dump.h"

#include <nlohmann/json.hpp>

namespace qvl {

using nlohmann::ordered_json;

namespace {

std::string u(std::string_view sjis) { return platform::sjisToUtf8(sjis); }

ordered_json settingsJson(const EngineSettings& s) {
    ordered_json defaultFont = ordered_json::array(), fontTable = ordered_json::array();
    for (const auto& f : s.DefaultFont) defaultFont.push_back(u(f));
    for (const auto& f : s.FontTable) fontTable.push_back(u(f));
    return {
        {"ProgramID", u(s.ProgramID)},
        {"InstallPath", u(s.InstallPath)},
        {"startDirectory", s.startDirectory.string()},
        {"BGDarkness", s.BGDarkness},
        {"DarknessRate", int64_t(s.DarknessRate)},
        {"SavePath", u(s.SavePath)},
        {"EnableMusic", s.EnableMusic},
        {"EnableSound", s.EnableSound},
        {"HighSpeedText", s.HighSpeedText},
        {"SkipText", s.SkipText},
        {"MusicVolume", int64_t(s.MusicVolume)},
        {"SoundVolume", int64_t(s.SoundVolume)},
        {"AutoAdvance", s.AutoAdvance},
        {"SelfVoicing", s.SelfVoicing},
        {"AutoAdvanceSpeed", s.AutoAdvanceSpeed},
        {"DefaultFont", std::move(defaultFont)},
        {"FontTable", std::move(fontTable)},
        {"DebugMode", s.DebugMode},
        {"EnableAllDrive", s.EnableAllDrive},
        {"Icon", u(s.Icon)},
        {"BackGround", u(s.BackGround)},
        {"Tile", u(s.Tile)},
        {"Version", u(s.Version)},
        {"MenuClickSound", u(s.MenuClickSound)},
        {"DataDriveLabel", u(s.DataDriveLabel)},
        {"ForceDataDrivePath", u(s.ForceDataDrivePath)},
        {"dataDriveRoot", u(s.dataDriveRoot)},
        {"TextMaxIndex", s.TextMaxIndex ? ordered_json(int64_t(*s.TextMaxIndex)) : ordered_json(nullptr)},
        {"GlobalFlagSave", s.GlobalFlagSave},
        {"MP3Timing", int64_t(s.MP3Timing)},
    };
}

}  // namespace

std::string stateJson(const TFmain& m) {
    const RunCycle& cycle = m.cycle;
    const Shell& shell = m.shell;
    const Scene& scene = m.scene;
    const MessageLog& log = m.log;
    const InterpreterState& state = m.state;
    ordered_json j = ordered_json::object();
    j["flags"] = toJson(m.flags);
    j["InterpreterState"] = toJson(state);
    j["ClickFlagIndex"] = int64_t(cycle.ClickFlagIndex);
    j["autoRefreshMode"] = u(scene.autoRefreshMode);
    j["darknessSuppressed"] = scene.darknessSuppressed;
    j["popupSuppressed"] = shell.popupSuppressed;
    j["saveSuppressed"] = shell.saveSuppressed;
    j["logSuppressed"] = log.logSuppressed;
    j["popupAutoOpen"] = shell.popupAutoOpen;
    j["waitMenuItemsEnabled"] = shell.waitMenuItemsEnabled;
    j["WaitBase"] = int64_t(cycle.WaitBase);
    j["options"] = toJson(m.controlFlow.lastOptions());
    j["TextWindowState"] = toJson(m.textWindow);
    addBankJson(j, m.bank_, &platform::sjisToUtf8);
    j["MessageLog"] = toJson(log);
    j["logView"] = logViewJson(log);
    j["fontDialog"] = toJson(shell.fontDialog);

    // The identifiers whose read mark is set.
    ordered_json marks = ordered_json::array();
    for (std::size_t id = 0; id < m.ReadTextMarks.size() * 8; ++id)
        if (m.ReadTextMarks[id / 8] & (1u << (id % 8))) marks.push_back(int64_t(id));
    j["ReadTextMarks"] = std::move(marks);

    j["CurrentTextId"] = int64_t(m.CurrentTextId);
    j["PendingAction"] = int64_t(cycle.PendingAction);
    j["caption"] = u(state.ProgChapter);
    j["windowCaption"] = u(shell.windowCaption);
    j["ScriptKey"] = int64_t(m.ScriptKey);
    j["fullScreen"] = shell.fullScreen;
    j["windowFrameRemoved"] = shell.windowFrameRemoved;
    const InputFlags& input = cycle.input;
    j["InputFlags"] = {
        {"clickPending", input.clickPending},
        {"mouseWentDown", input.mouseWentDown},
        {"mouseWentUp", input.mouseWentUp},
        {"clicksAccepted", input.clicksAccepted},
        {"fastForward", input.fastForward},
        {"textOutputActive", input.textOutputActive},
        {"mouseX", int64_t(cycle.mouseX)},
        {"mouseY", int64_t(cycle.mouseY)},
        {"skipReadMode", cycle.skipReadMode},
    };
    j["EngineSettings"] = settingsJson(m.settings);
    j["errors"] = toJson(m.errors);
    j["debugWindow"] = toJson(m.debugLink.form(), m.debugLink.open());
    j["PlaybackChannel"] = toJson(m.channels);
    j["BgmMode"] = int64_t(m.channels.BgmMode);
    j["choice"] = toJson(m.choices().last());
    j["saveMenuEnabled"] = shell.saveMenuEnabled;
    shell.writeMenuState(j);
    j["SavePointSnapshot"] = toJson(m.saves.snapshot());
    // Invalid UTF-8 (a folder name in another encoding) is replaced, never fatal.
    return j.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace qvl
