// The command table: one line per command word. Commands owned by subsystems
// that are not built yet are absent and reported as unknown words.
#include "app/texts.h"
#include "app/tfmain.h"
#include "base/fault.h"
#include "platform/encoding.h"
#include "script/messages.h"
#include "ui/input_box.h"

#include <cstdlib>

namespace qvl {

using platform::Answer;

int32_t EngineSystemValues::systemValue(int n) {
    const TFmain& m = main_;
    const TextWindowState& t = m.textWindow;
    switch (n) {
        case 0:
            return m.mouseX;
        case 1:
            return m.mouseY;
        case 2:
            return m.settings.DebugMode ? 1 : 0;
        case 3:
            return m.settings.BGDarkness ? 1 : 0;
        case 4:
            return t.cellWidth;
        case 5:
            return t.cellHeight;
        case 6:
            return t.rubyGap;
        case 7:
            return t.fontIndex;
        case 8:
            return t.leftEdge;
        case 9:
            return t.rightLimit;
        case 10:
            return t.bottomLimit;
        case 11:
            return t.sizeIndex;
        case 12:
            return t.fontHeight;
        case 13:
            return t.rubyHeight;
        case 14:
            return t.charDelay;
        case 15:
            return t.cursorX;
        case 16:
            return t.cursorY;
        case 17:
            return t.column();
        case 18:
            return t.row();
        default:
            return BasicSystemValues::systemValue(n);
    }
}

int32_t TFmain::argValue(int slot, int32_t emptyValue) {
    const std::string& a = state.ProgArgs[std::size_t(slot)];
    return a.empty() ? emptyValue : evaluator_.evaluate(a);
}

void TFmain::registerCommands() {
    auto arg = [this](int slot) -> const std::string& { return state.ProgArgs[std::size_t(slot)]; };
    Dispatcher& d = dispatcher_;
    ControlFlow& flow = controlFlow_;

    d.setConditional([this, &flow] { return flow.conditionHolds(dispatcher_.word()); });
    d.setFlagAssignment([this] { assignFlag(); });

    // Timing and waiting
    d.add("_waitset", [this] { waitSet(); });
    d.add("_wait", [this] { waitFromMark(argValue(0, 0)); });
    d.add("_delay", [this] { delayMs(argValue(0, 1)); });
    d.add("_mouseclick", [this] { waitForMouseClick(); });
    d.add("_stop", [this, arg] { stopAndWait(arg(0)); });
    d.add("_version", [this, arg] { versionCheck(arg(0), arg(1)); });
    d.add("_winexit", [this] { closeRequest(); });

    // Scenario switches
    d.add("_sysdark", [this] { darknessSuppressed = argValue(0, 0) != 0; });
    d.add("_syspopup", [this] {
        int32_t n = argValue(0, 0);
        popupSuppressed = n != 0;
        popupAutoOpen = n != 1;
    });
    d.add("_syssave", [this] { saveSuppressed = argValue(0, 0) != 0; });
    d.add("_syslog", [this] { log.logSuppressed = argValue(0, 0) != 0; });
    d.add("_logclear", [this] { log.clearLog(); });
    d.add("_lognext", [this] { log.nextLogPage(); });

    // Flags
    d.add("_flgclear", [this, arg] { flags.clearFlags(argValue(0, 0), arg(1)); });
    d.add("_flginstr", [this] { flagInputEdit(); });
    d.add("_flginstrd", [this] { flagInputAsk(); });
    d.add("_flgclick", [this, arg] { armClickFlag(arg(0)); });

    // Control flow
    d.add("_goto", [&flow, arg] { flow.gotoLabel(arg(0), arg(1)); });
    d.add("_gosub", [&flow, arg] { flow.gosub(arg(0)); });
    d.add("_return", [&flow, arg] { flow.returnFrom(arg(0)); });
    d.add("_if", [&flow, arg] { flow.ifCondition(arg(0)); });
    d.add("_then", [&flow] { flow.thenBlock(); });
    d.add("_else", [&flow] { flow.elseBlock(); });
    d.add("_branch", [&flow, arg] { flow.branch(arg(0)); });

    registerSceneCommands();
    registerTextCommands();
    registerChoiceCommands();
    registerEffectCommands();
    registerAudioCommands();
    registerSaveCommands();
    registerMovieCommands();
}

void TFmain::assignFlag() {
    const std::string& word = dispatcher_.word();
    int32_t index = evaluator_.parseFlagTarget(word, 2).index;
    const std::string& value = state.ProgArgs[0];
    if (word[1] == '$')
        flags.setFlagText(index, std::to_string(evaluator_.evaluate(value)));
    else if (!value.empty() && value.front() == '@')
        flags.setFlagText(index, evaluator_.readTextFlag(value, 1));
    else
        flags.setFlagText(index, value);
}

void TFmain::stopAndWait(const std::string& caption) {
    // The menu's load and title items are what end this wait.
    if (!caption.empty()) setWindowCaption(caption);
    stopMenuItemsEnabled = true;
    waitFor([this] { return PendingAction != kPendingNone; }, {platform::WaitKind::Idle, Answer::None});
    stopMenuItemsEnabled = false;
}

void TFmain::versionCheck(const std::string& version, const std::string& stop) {
    char* end = nullptr;
    double v = std::strtod(version.c_str(), &end);
    if (version.empty() || end != version.c_str() + version.size())
        throw Fault("'" + version + "' is not a valid floating point value");
    if (v <= 1.2) return;
    messageBox(text(Text::AppTitle), message(Message::VersionTooOld1) + version + message(Message::VersionTooOld2),
               ui::BoxIcon::Exclamation, ui::BoxButtons::Ok, Answer::Ok);
    // Too old an engine ends at once; nothing is written.
    if (stop == "1") throw ProgramExit{0};
}

void TFmain::flagInputEdit() {
    const auto& a = state.ProgArgs;
    int32_t limit = argValue(4, 0);
    int32_t target = evaluator_.parseFlagTarget(a[0], 1).index;
    ui::InputBoxOptions box{a[2], a[3], flags.text(target), 255};
    ui::InputBoxResult r = ui::inputBox(*this, box);
    transcript_.write("box", a[2] + " | " + a[3] + " -> " + (r.ok ? "ok: " + r.text : std::string("cancel")));
    if (r.ok) flags.setFlagText(target, r.text);
    int ok = r.ok ? 1 : 0;
    if (int64_t(flags.text(target).size()) > int64_t(limit)) ok = 0;
    flags.setFlagText(evaluator_.parseFlagTarget(a[1], 1).index, std::to_string(ok));
}

void TFmain::flagInputAsk() {
    const auto& a = state.ProgArgs;
    int32_t limit = argValue(4, 0);
    std::string text;
    do {
        std::string initial = evaluator_.readTextFlag(a[1], 1);
        // The field itself refuses what the script would send back, so a reader
        // cannot be asked again and again for the same too-long name.
        std::size_t maxBytes = limit > 0 && limit < 255 ? std::size_t(limit) : 255;
        ui::InputBoxResult r = ui::inputBox(*this, ui::InputBoxOptions{a[2], a[3], initial, maxBytes});
        text = r.ok ? r.text : initial;
        transcript_.write("box", a[2] + " | " + a[3] + " -> " + (r.ok ? "ok: " + r.text : std::string("cancel")));
        flags.setFlagText(evaluator_.parseFlagTarget(a[0], 1).index, text);
    } while (limit != 0 && int64_t(text.size()) > int64_t(limit));
}

void TFmain::armClickFlag(const std::string& flag) {
    if (flag.empty() || flag == "-1") {
        ClickFlagIndex = -1;
        return;
    }
    ClickFlagIndex = evaluator_.parseFlagTarget(flag, 1).index;
    flags.setFlagText(ClickFlagIndex, "0");
}

}  // namespace qvl
