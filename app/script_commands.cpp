// The script's own words: one line per command word, the work in the objects
// they drive.
#include "app/script_commands.h"

#include "app/texts.h"
#include "app/tfmain.h"
#include "base/fault.h"
#include "platform/encoding.h"
#include "script/messages.h"
#include "ui/input_box.h"

#include <cstdlib>

namespace qvl {

using platform::Answer;

ScriptCommands::ScriptCommands(TFmain& main, Dispatcher& d)
    : main_(main), dispatcher_(d), args_(main.state, main.evaluator) {
    auto arg = [this](int slot) -> const std::string& { return args_.text(slot); };
    auto value = [this](int slot, int32_t emptyValue) { return args_.value(slot, emptyValue); };
    ControlFlow& flow = main.controlFlow;
    RunCycle& cycle = main.cycle;
    MessageLog& log = main.log;
    FlagStore& flags = main.flags;

    d.setConditional([this, &flow] { return flow.conditionHolds(dispatcher_.word()); });
    d.setFlagAssignment([this] { assignFlag(); });

    // Timing and waiting
    d.add("_waitset", [&cycle] { cycle.waitSet(); });
    d.add("_wait", [&cycle, value] { cycle.waitFromMark(value(0, 0)); });
    d.add("_delay", [&cycle, value] { cycle.delayMs(value(0, 1)); });
    d.add("_mouseclick", [&cycle] { cycle.waitForMouseClick(); });
    d.add("_stop", [this, arg] { stopAndWait(arg(0)); });
    d.add("_version", [this, arg] { versionCheck(arg(0), arg(1)); });
    d.add("_winexit", [&main] { main.closeRequest(); });
    d.add("_winsave", [&main] {
        if (auto slot = main.saveLink.chooseSlot(true)) main.saveLink.saveSlot(*slot);
    });
    d.add("_winload", [&main] {
        if (auto slot = main.saveLink.chooseSlot(false)) main.saveLink.requestLoad(*slot);
    });

    // Scenario switches
    d.add("_sysdark", [&main, value] { main.scene.darknessSuppressed = value(0, 0) != 0; });
    d.add("_syspopup", [&main, value] {
        int32_t n = value(0, 0);
        main.shell.popupSuppressed = n != 0;
        main.shell.popupAutoOpen = n != 1;
    });
    d.add("_syssave", [&main, value] { main.shell.saveSuppressed = value(0, 0) != 0; });
    d.add("_syslog", [&log, value] { log.logSuppressed = value(0, 0) != 0; });
    d.add("_logclear", [&log] { log.clearLog(); });
    d.add("_lognext", [&log] { log.nextLogPage(); });

    // Flags
    d.add("_flgclear", [&flags, arg, value] { flags.clearFlags(value(0, 0), arg(1)); });
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
}

void ScriptCommands::assignFlag() {
    ExpressionEvaluator& evaluator = main_.evaluator;
    FlagStore& flags = main_.flags;
    const std::string& word = dispatcher_.word();
    int32_t index = evaluator.parseFlagTarget(word, 2).index;
    const std::string& value = args_.text(0);
    if (word[1] == '$')
        flags.setFlagText(index, std::to_string(evaluator.evaluate(value)));
    else if (!value.empty() && value.front() == '@')
        flags.setFlagText(index, evaluator.readTextFlag(value, 1));
    else
        flags.setFlagText(index, value);
}

void ScriptCommands::stopAndWait(const std::string& caption) {
    // The menu's load and title items are what end this wait.
    Shell& shell = main_.shell;
    RunCycle& cycle = main_.cycle;
    if (!caption.empty()) shell.setWindowCaption(caption);
    shell.stopMenuItemsEnabled = true;
    cycle.waitFor([&cycle] { return cycle.PendingAction != kPendingNone; }, {platform::WaitKind::Idle, Answer::None});
    shell.stopMenuItemsEnabled = false;
}

void ScriptCommands::versionCheck(const std::string& version, const std::string& stop) {
    char* end = nullptr;
    double v = std::strtod(version.c_str(), &end);
    if (version.empty() || end != version.c_str() + version.size())
        throw Fault("'" + version + "' is not a valid floating point value");
    if (v <= 1.2) return;
    main_.boxes.warn(message(Message::VersionTooOld1) + version + message(Message::VersionTooOld2));
    // Too old an engine ends at once; nothing is written.
    if (stop == "1") throw ProgramExit{0};
}

void ScriptCommands::flagInputEdit() {
    ExpressionEvaluator& evaluator = main_.evaluator;
    FlagStore& flags = main_.flags;
    const auto& a = main_.state.ProgArgs;
    int32_t limit = args_.value(4, 0);
    int32_t target = evaluator.parseFlagTarget(a[0], 1).index;
    ui::InputBoxOptions box{a[2], a[3], flags.text(target), 255};
    ui::InputBoxResult r = ui::inputBox(main_.cycle, box);
    main_.transcript.write("box", a[2] + " | " + a[3] + " -> " + (r.ok ? "ok: " + r.text : std::string("cancel")));
    if (r.ok) flags.setFlagText(target, r.text);
    int ok = r.ok ? 1 : 0;
    if (int64_t(flags.text(target).size()) > int64_t(limit)) ok = 0;
    flags.setFlagText(evaluator.parseFlagTarget(a[1], 1).index, std::to_string(ok));
}

void ScriptCommands::flagInputAsk() {
    ExpressionEvaluator& evaluator = main_.evaluator;
    const auto& a = main_.state.ProgArgs;
    int32_t limit = args_.value(4, 0);
    std::string text;
    do {
        std::string initial = evaluator.readTextFlag(a[1], 1);
        // The field itself refuses what the script would send back, so a reader
        // cannot be asked again and again for the same too-long name.
        std::size_t maxBytes = limit > 0 && limit < 255 ? std::size_t(limit) : 255;
        ui::InputBoxResult r = ui::inputBox(main_.cycle, ui::InputBoxOptions{a[2], a[3], initial, maxBytes});
        text = r.ok ? r.text : initial;
        main_.transcript.write("box", a[2] + " | " + a[3] + " -> " + (r.ok ? "ok: " + r.text : std::string("cancel")));
        main_.flags.setFlagText(evaluator.parseFlagTarget(a[0], 1).index, text);
    } while (limit != 0 && int64_t(text.size()) > int64_t(limit));
}

void ScriptCommands::armClickFlag(const std::string& flag) {
    int32_t& clickFlag = main_.cycle.ClickFlagIndex;
    if (flag.empty() || flag == "-1") {
        clickFlag = -1;
        return;
    }
    clickFlag = main_.evaluator.parseFlagTarget(flag, 1).index;
    main_.flags.setFlagText(clickFlag, "0");
}

}  // namespace qvl
