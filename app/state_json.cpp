// The state dump of a run (--dump-state): flags, the script position, the input
// flags and the settings, texts converted to UTF-8.
#include "app/json_writer.h"
#include "app/tfmain.h"
#include "platform/encoding.h"

namespace qvl {

std::string TFmain::stateJson() const {
    auto u = [](const std::string& sjis) { return platform::sjisToUtf8(sjis); };
    JsonWriter j;
    j.beginObject();

    j.beginArray("flags");
    for (const auto& f : flags.Flags) j.item(u(f));
    j.endArray();

    j.beginObject("InterpreterState");
    j.value("ProgFileName", u(state.ProgFileName));
    j.value("ProgChapter", u(state.ProgChapter));
    j.beginArray("ProgArgs");
    for (const auto& a : state.ProgArgs) j.item(u(a));
    j.endArray();
    j.value("ProgExecLine", int64_t(state.ProgExecLine));
    j.value("ProgNextLine", int64_t(state.ProgNextLine));
    j.value("ProgTextPos", int64_t(state.ProgTextPos));
    j.beginArray("ProgRetAddr");
    for (int32_t r : state.ProgRetAddr) j.item(int64_t(r));
    j.endArray();
    j.value("ProgRetStack", int64_t(state.ProgRetStack));
    j.value("ProgIfResult", int64_t(state.ProgIfResult));
    j.value("ProgSelResult", int64_t(state.ProgSelResult));
    j.value("ProgMultiStateFlag", int64_t(state.ProgMultiStateFlag));
    j.endObject();

    j.value("ClickFlagIndex", int64_t(cycle.ClickFlagIndex));
    j.value("autoRefreshMode", u(scene.autoRefreshMode));
    j.value("darknessSuppressed", scene.darknessSuppressed);
    j.value("popupSuppressed", shell.popupSuppressed);
    j.value("saveSuppressed", shell.saveSuppressed);
    j.value("logSuppressed", log.logSuppressed);
    j.value("popupAutoOpen", shell.popupAutoOpen);
    j.value("waitMenuItemsEnabled", shell.waitMenuItemsEnabled);
    j.value("WaitBase", int64_t(cycle.WaitBase));

    const OptionList& options = controlFlow.lastOptions();
    j.beginObject("options");
    j.value("count", int64_t(options.count));
    j.beginArray("OptionLabels");
    for (int i = 0; i < options.count; ++i) j.item(u(options.OptionLabels[std::size_t(i)]));
    j.endArray();
    j.beginArray("OptionCommands");
    for (int i = 0; i < options.count; ++i) j.item(u(options.OptionCommands[std::size_t(i)]));
    j.endArray();
    j.endObject();

    const TextWindowState& t = textWindow;
    j.beginObject("TextWindowState");
    j.value("cursorX", int64_t(t.cursorX));
    j.value("cursorY", int64_t(t.cursorY));
    j.value("originX", int64_t(t.originX));
    j.value("originY", int64_t(t.originY));
    j.value("cellWidth", int64_t(t.cellWidth));
    j.value("cellHeight", int64_t(t.cellHeight));
    j.value("rubyGap", int64_t(t.rubyGap));
    j.value("fontHeight", int64_t(t.fontHeight));
    j.value("rubyHeight", int64_t(t.rubyHeight));
    j.value("sizeIndex", int64_t(t.sizeIndex));
    j.value("leftEdge", int64_t(t.leftEdge));
    j.value("rightLimit", int64_t(t.rightLimit));
    j.value("bottomLimit", int64_t(t.bottomLimit));
    j.value("textColour", int64_t(t.textColour));
    j.value("shadowColour", int64_t(t.shadowColour));
    j.value("shadowOn", t.shadowOn);
    j.value("outlineMode", int64_t(t.outlineMode));
    j.value("textVisible", t.textVisible);
    j.value("fontIndex", int64_t(t.fontIndex));
    j.value("fontName", u(t.fontName));
    j.value("rubyFontName", u(t.rubyFontName));
    j.value("charDelay", int64_t(t.charDelay));
    j.endObject();

    j.beginArray("SurfaceState");
    for (int n = 0; n < kStateCount; ++n) {
        const SurfaceState& st = bank_.states[std::size_t(n)];
        j.beginObject();
        j.value("surface", std::string(surfaceName(n)));
        j.value("width", int64_t(bank_.surfaces[std::size_t(n)].width()));
        j.value("height", int64_t(bank_.surfaces[std::size_t(n)].height()));
        j.value("shown", int64_t(st.shown));
        j.value("loaded", int64_t(st.loaded));
        j.value("masked", int64_t(st.masked));
        j.value("maskMode", int64_t(st.maskMode));
        j.value("colourKey", int64_t(st.colourKey));
        j.value("fileName", u(st.fileName));
        j.value("maskName", u(st.maskName));
        j.value("spare", int64_t(st.spare));
        j.value("x", int64_t(st.x));
        j.value("y", int64_t(st.y));
        j.value("order", int64_t(st.order));
        j.value("spareFlag", int64_t(st.spareFlag));
        j.value("effectKind", int64_t(st.effectKind));
        j.endObject();
    }
    j.endArray();

    const SpriteSheet& sheet = bank_.sheet;
    j.beginObject("SpriteSheet");
    j.value("fileName", u(sheet.fileName));
    j.value("maskName", u(sheet.maskName));
    j.value("columns", int64_t(sheet.columns));
    j.value("rows", int64_t(sheet.rows));
    j.value("cellWidth", int64_t(sheet.cellWidth));
    j.value("cellHeight", int64_t(sheet.cellHeight));
    j.value("colourKey", int64_t(sheet.colourKey));
    j.value("masked", int64_t(sheet.masked));
    j.value("valid", int64_t(sheet.valid));
    j.endObject();

    j.beginArray("SpriteSlots");
    for (const SpriteSlot& slot : bank_.sprites) {
        j.beginObject();
        j.value("x", int64_t(slot.x));
        j.value("y", int64_t(slot.y));
        j.value("column", int64_t(slot.column));
        j.value("row", int64_t(slot.row));
        j.value("visible", int64_t(slot.visible));
        j.value("animationCount", int64_t(slot.animationCount));
        j.endObject();
    }
    j.endArray();
    j.value("sceneDirty", bank_.sceneDirty);

    j.beginObject("MessageLog");
    j.value("LogTotalPage", int64_t(log.LogTotalPage));
    j.value("LogCurrentPage", int64_t(log.LogCurrentPage));
    j.value("LogCurrentLine", int64_t(log.LogCurrentLine));
    j.value("SaveLogStartPage", int64_t(log.SaveLogStartPage));
    j.value("SaveLogTotalPage", int64_t(log.SaveLogTotalPage));
    j.value("viewActive", log.viewActive);
    j.value("viewOffset", int64_t(log.viewOffset));
    j.beginArray("pages");
    for (const auto& page : log.pages) {
        j.beginArray();
        for (const auto& line : page) j.item(u(line));
        j.endArray();
    }
    j.endArray();
    j.endObject();

    // The page view as the reader sees it: page 1 is the newest.
    j.beginObject("logView");
    j.value("open", log.viewActive);
    j.value("page", int64_t(log.viewOffset + 1));
    j.value("total", int64_t(log.LogTotalPage));
    j.endObject();
    j.beginObject("fontDialog");
    j.value("open", shell.fontDialog.open);
    j.beginArray("faces");
    for (const std::string& face : shell.fontDialog.faces) j.item(u(face));
    j.endArray();
    j.endObject();

    // The identifiers whose read mark is set.
    j.beginArray("ReadTextMarks");
    for (std::size_t id = 0; id < ReadTextMarks.size() * 8; ++id)
        if (ReadTextMarks[id / 8] & (1u << (id % 8))) j.item(int64_t(id));
    j.endArray();

    j.value("CurrentTextId", int64_t(CurrentTextId));
    j.value("PendingAction", int64_t(cycle.PendingAction));
    j.value("caption", u(state.ProgChapter));
    j.value("windowCaption", u(shell.windowCaption));
    j.value("ScriptKey", int64_t(ScriptKey));
    j.value("fullScreen", shell.fullScreen);
    j.value("windowFrameRemoved", shell.windowFrameRemoved);

    j.beginObject("InputFlags");
    const InputFlags& input = cycle.input;
    j.value("clickPending", input.clickPending);
    j.value("mouseWentDown", input.mouseWentDown);
    j.value("mouseWentUp", input.mouseWentUp);
    j.value("clicksAccepted", input.clicksAccepted);
    j.value("fastForward", input.fastForward);
    j.value("textOutputActive", input.textOutputActive);
    j.value("mouseX", int64_t(cycle.mouseX));
    j.value("mouseY", int64_t(cycle.mouseY));
    j.value("skipReadMode", cycle.skipReadMode);
    j.endObject();

    const EngineSettings& s = settings;
    j.beginObject("EngineSettings");
    j.value("ProgramID", u(s.ProgramID));
    j.value("InstallPath", u(s.InstallPath));
    j.value("startDirectory", s.startDirectory.string());
    j.value("BGDarkness", s.BGDarkness);
    j.value("DarknessRate", int64_t(s.DarknessRate));
    j.value("SavePath", u(s.SavePath));
    j.value("EnableMusic", s.EnableMusic);
    j.value("EnableSound", s.EnableSound);
    j.value("HighSpeedText", s.HighSpeedText);
    j.value("SkipText", s.SkipText);
    j.value("MusicVolume", int64_t(s.MusicVolume));
    j.value("SoundVolume", int64_t(s.SoundVolume));
    j.value("AutoAdvance", s.AutoAdvance);
    j.beginArray("DefaultFont");
    for (const auto& f : s.DefaultFont) j.item(u(f));
    j.endArray();
    j.beginArray("FontTable");
    for (const auto& f : s.FontTable) j.item(u(f));
    j.endArray();
    j.value("DebugMode", s.DebugMode);
    j.value("EnableAllDrive", s.EnableAllDrive);
    j.value("Icon", u(s.Icon));
    j.value("BackGround", u(s.BackGround));
    j.value("Tile", u(s.Tile));
    j.value("Version", u(s.Version));
    j.value("MenuClickSound", u(s.MenuClickSound));
    j.value("DataDriveLabel", u(s.DataDriveLabel));
    j.value("ForceDataDrivePath", u(s.ForceDataDrivePath));
    j.value("dataDriveRoot", u(s.dataDriveRoot));
    if (s.TextMaxIndex)
        j.value("TextMaxIndex", int64_t(*s.TextMaxIndex));
    else
        j.null("TextMaxIndex");
    j.value("GlobalFlagSave", s.GlobalFlagSave);
    j.value("MP3Timing", int64_t(s.MP3Timing));
    j.endObject();

    j.beginArray("errors");
    for (const auto& e : errors.entries()) j.item(u(e));
    j.endArray();

    // The debug window: open or not, the page shown, the flag row and surface chosen.
    const TFdebug& debug = debugLink.form();
    j.beginObject("debugWindow");
    j.value("open", debugLink.open());
    j.value("tab", int64_t(debug.PageControl1->current()));
    j.value("flagSelection", int64_t(debug.ValList->selected()));
    j.value("surface", int64_t(debug.ComboBox1->selected()));
    j.endObject();

    // Music, sound effect and CD, in that order.
    j.beginArray("PlaybackChannel");
    for (const PlaybackChannel& c : channels.all()) {
        j.beginObject();
        j.value("fileName", u(c.fileName));
        j.value("playCount", int64_t(c.playCount));
        j.value("loopLimit", int64_t(c.loopLimit));
        j.value("trackStart", int64_t(c.trackStart));
        j.value("trackLength", int64_t(c.trackLength));
        j.value("playing", c.playing);
        j.value("deviceOpen", c.deviceOpen);
        j.value("resumePending", c.resumePending);
        j.endObject();
    }
    j.endArray();
    j.value("BgmMode", int64_t(channels.BgmMode));

    // The last choice as it was shown.
    const ChoiceRecord& c = choices_.last();
    j.beginObject("choice");
    j.value("shown", c.shown);
    j.value("look", c.kind == ChoiceKind::Menu ? "menu" : c.kind == ChoiceKind::Buttons ? "buttons" : "grid");
    j.beginArray("labels");
    for (const std::string& l : c.labels) j.item(u(l));
    j.endArray();
    auto rect = [&j](const Rect& r) {
        j.value("x", int64_t(r.x));
        j.value("y", int64_t(r.y));
        j.value("width", int64_t(r.w));
        j.value("height", int64_t(r.h));
    };
    j.beginObject("area");
    rect(c.area);
    j.endObject();
    j.beginArray("items");
    for (std::size_t i = 0; i < c.items.size(); ++i) {
        j.beginObject();
        rect(c.items[i]);
        j.value("selectable", bool(c.selectable[i]));
        j.endObject();
    }
    j.endArray();
    j.value("result", int64_t(c.result));
    j.endObject();
    j.value("saveMenuEnabled", shell.saveMenuEnabled);
    shell.writeMenuState(j);

    // The save point a save would write.
    const SavePointSnapshot& snap = saves.snapshot();
    j.beginObject("SavePointSnapshot");
    j.value("exists", snap.exists());
    j.value("ProgFileName", u(snap.interpreter.ProgFileName));
    j.value("ProgChapter", u(snap.ProgChapter));
    j.value("ProgExecLine", int64_t(snap.interpreter.ProgExecLine));
    j.value("ProgTextPos", int64_t(snap.interpreter.ProgTextPos));
    j.value("ProgMultiStateFlag", int64_t(snap.interpreter.ProgMultiStateFlag));
    j.endObject();

    j.endObject();
    return j.str();
}

}  // namespace qvl
