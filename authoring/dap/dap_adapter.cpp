#include "authoring/dap/dap_adapter.h"

#include "app/data_folders.h"
#include "app/tfmain.h"
#include "base/fault.h"
#include "base/sjis.h"
#include "platform/encoding.h"
#include "script/interpreter.h"
#include "script/script_loader.h"

#include <algorithm>

namespace qvl::authoring {

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

constexpr int kThread = 1;
enum Scope { kFlags = 1, kGlobalFlags = 2, kSystem = 3, kTextWindow = 4 };
// A timer of our own wakes a wait that would sleep until the next input, so
// that requests are answered while the window waits for a click.
constexpr int kWakeTimer = 0x44415000;
constexpr uint32_t kWakeMs = 50;
// $sys values drawn from the run's random generator: reading them would change
// what the script gets next.
bool randomSystemValue(int n) {
    return n == 20 || n == 21;
}

std::string utf8(std::string_view sjis) {
    return platform::sjisToUtf8(sjis);
}

std::string key(const fs::path& p) {
    std::error_code ec;
    const fs::path c = fs::weakly_canonical(p, ec);
    return (ec ? p : c).lexically_normal().string();
}

// A line the run does something with: a step or a breakpoint never stops on
// a blank, a comment or a label line.
bool doesSomething(std::string_view line) {
    try {
        const LineKind kind = classifyLine(line).kind;
        return kind != LineKind::Blank && kind != LineKind::Label && kind != LineKind::Comment;
    } catch (const Fault&) {
        return true;  // a broken text id: the run reports it there
    }
}

}  // namespace

DapAdapter::DapAdapter(int in, int out, PlatformFactory makePlatform)
    : channel_(in, out),
      makePlatform_(std::move(makePlatform)),
      output_([this](const std::string& line) {
          event("output", {{"category", "stdout"}, {"output", line}});
      }),
      transcript_(&output_) {}

DapAdapter::~DapAdapter() {
    quit_ = true;
    if (reader_.joinable()) reader_.join();
    app_.reset();
    platform_.reset();
}

std::optional<json> DapAdapter::take(int timeoutMs) {
    std::unique_lock lock(queueLock_);
    auto ready = [this] { return !queue_.empty() || inputEnded_; };
    if (timeoutMs < 0)
        queued_.wait(lock, ready);
    else
        queued_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    if (queue_.empty()) return std::nullopt;
    json m = std::move(queue_.front());
    queue_.pop_front();
    return m;
}

void DapAdapter::respond(const json& request, const json& body) {
    channel_.write({{"seq", seq_++},
                    {"type", "response"},
                    {"request_seq", request.value("seq", 0)},
                    {"command", request.value("command", "")},
                    {"success", true},
                    {"body", body}});
}

void DapAdapter::fail(const json& request, const std::string& message) {
    channel_.write({{"seq", seq_++},
                    {"type", "response"},
                    {"request_seq", request.value("seq", 0)},
                    {"command", request.value("command", "")},
                    {"success", false},
                    {"message", message}});
}

void DapAdapter::event(const std::string& name, const json& body) {
    channel_.write({{"seq", seq_++}, {"type", "event"}, {"event", name}, {"body", body}});
}

int DapAdapter::run() {
    reader_ = std::thread([this] {
        while (!quit_) {
            std::optional<json> m = channel_.read(200);
            std::lock_guard lock(queueLock_);
            if (m) queue_.push_back(std::move(*m));
            if (channel_.closed()) inputEnded_ = true;
            if (m || inputEnded_) queued_.notify_all();
            if (inputEnded_) return;
        }
    });
    while (!configured_) {
        std::optional<json> m = take(-1);
        if (!m) return 1;
        if (!handle(*m)) return 0;
    }
    if (!launched_) return 1;
    platform::FileSystem::setCurrentPath(scenario_);
    if (!headless_) platform_ = makePlatform_(false);
    if (!platform_) {
        if (!headless_) event("output", {{"category", "console"}, {"output", "no display: running headless\n"}});
        headless_ = true;
        platform_ = makePlatform_(true);
    }
    if (!headless_) platform_->startTimer(kWakeTimer, kWakeMs);
    TFmainOptions options;
    options.transcript = &transcript_;
    options.hook = this;
    options.reloadScripts = true;
    app_ = std::make_unique<TFmain>(*platform_, options);
    const int code = app_->run();
    event("exited", {{"exitCode", code}});
    event("terminated");
    // The client may still ask before it lets go.
    while (!disconnect_) {
        std::optional<json> m = take(-1);
        if (!m || !handle(*m)) break;
    }
    return 0;
}

bool DapAdapter::handle(const json& request) {
    if (request.value("type", "") != "request") return true;
    const std::string command = request.value("command", "");
    const json args = request.contains("arguments") ? request["arguments"] : json::object();
    const bool running = app_ != nullptr;
    try {
        if (command == "initialize") {
            respond(request, {{"supportsConfigurationDoneRequest", true},
                              {"supportsConditionalBreakpoints", true},
                              {"supportsSetVariable", true},
                              {"supportsEvaluateForHovers", true},
                              {"supportsTerminateRequest", true}});
        } else if (command == "launch") {
            std::string folder = args.value("scenario", args.value("program", std::string()));
            if (folder.empty()) return fail(request, "launch needs \"scenario\": the scenario folder"), true;
            scenario_ = scenarioFolderOf(fs::absolute(folder));
            if (!fs::is_directory(scenario_)) return fail(request, "no folder " + scenario_.string()), true;
            headless_ = args.value("headless", false);
            stopOnEntry_ = args.value("stopOnEntry", false);
            launched_ = true;
            respond(request);
            event("initialized");
        } else if (command == "setBreakpoints") {
            setBreakpoints(request);
        } else if (command == "setExceptionBreakpoints") {
            respond(request, {{"breakpoints", json::array()}});
        } else if (command == "configurationDone") {
            configured_ = true;
            respond(request);
        } else if (command == "threads") {
            respond(request, {{"threads", {{{"id", kThread}, {"name", "script"}}}}});
        } else if (command == "disconnect" || command == "terminate") {
            disconnect_ = true;
            respond(request);
            return false;
        } else if (command == "pause") {
            pauseRequested_ = true;
            respond(request);
        } else if (command == "continue" || command == "next" || command == "stepIn" || command == "stepOut") {
            mode_ = command == "continue" ? Mode::Run
                    : command == "next"   ? Mode::StepOver
                    : command == "stepIn" ? Mode::StepIn
                                          : Mode::StepOut;
            stepDepth_ = running ? app_->state.ProgRetStack : -1;
            resumed_ = true;
            respond(request, command == "continue" ? json{{"allThreadsContinued", true}} : json::object());
        } else if (!running) {
            fail(request, "the scenario is not running");
        } else if (command == "stackTrace") {
            const json frames = stackTrace();
            respond(request, {{"stackFrames", frames}, {"totalFrames", frames.size()}});
        } else if (command == "scopes") {
            respond(request,
                    {{"scopes",
                      {{{"name", "Flags"},
                        {"variablesReference", kFlags},
                        {"namedVariables", kGameFlagCount},
                        {"expensive", false}},
                       {{"name", "Global flags"},
                        {"variablesReference", kGlobalFlags},
                        {"namedVariables", kFlagCount - kGameFlagCount},
                        {"expensive", false}},
                       {{"name", "$sys"},
                        {"variablesReference", kSystem},
                        {"namedVariables", kSystemValueCount},
                        {"expensive", false}},
                       {{"name", "Text window"}, {"variablesReference", kTextWindow}, {"expensive", false}}}}});
        } else if (command == "variables") {
            respond(request, {{"variables", variables(args.value("variablesReference", 0))}});
        } else if (command == "setVariable") {
            setVariable(request);
        } else if (command == "evaluate") {
            evaluate(request);
        } else {
            fail(request, "not served: " + command);
        }
    } catch (const std::exception& e) {
        fail(request, e.what());
    }
    return true;
}

void DapAdapter::handleAll() {
    while (std::optional<json> m = take(0)) handle(*m);
}

void DapAdapter::setBreakpoints(const json& request) {
    const json& args = request["arguments"];
    const std::string path = args["source"].value("path", "");
    std::vector<std::string> lines;
    const auto bytes = platform::FileSystem::readRegular(path, std::size_t(64) << 20);
    if (bytes.status == platform::FileSystem::ReadStatus::Ok)
        for (std::string_view line : ScriptLines::fromBytes(bytes.bytes)) lines.emplace_back(line);
    std::vector<Breakpoint>& list = breakpoints_[key(path)];
    list.clear();
    json out = json::array();
    for (const json& b : args.value("breakpoints", json::array())) {
        int line = b.value("line", 0);
        // A label or comment line never runs as itself: the breakpoint moves to
        // the first line after it that does.
        while (line >= 1 && std::size_t(line) <= lines.size() && !doesSomething(lines[std::size_t(line - 1)])) ++line;
        const bool verified = line >= 1 && std::size_t(line) <= lines.size();
        json shown{{"id", int(list.size()) + 1}, {"verified", verified}, {"line", line}, {"source", args["source"]}};
        if (verified) list.push_back({line, platform::utf8ToSjis(b.value("condition", ""))});
        out.push_back(shown);
    }
    respond(request, {{"breakpoints", out}});
}

fs::path DapAdapter::scriptPath(const std::string& name) {
    if (auto it = paths_.find(name); it != paths_.end()) return it->second;
    const std::string expanded = expandDataDrive(name, app_->settings.dataDriveRoot);
    std::optional<fs::path> p = app_->files.resolve(expanded);
    if (!p && expanded.size() > 4) {
        const std::string base = expanded.substr(0, expanded.size() - 4);
        p = app_->files.resolve(base + ".txd");
        if (!p) p = app_->files.resolve(base + ".txt");
    }
    const fs::path found = p ? fs::path(key(*p)) : fs::path(key(scenario_ / name));
    paths_[name] = found;
    return found;
}

bool DapAdapter::conditionHolds(const std::string& condition) {
    if (condition.empty()) return true;
    try {
        const Evaluation e = app_->evaluator.scan(condition, 1);
        // A condition that cannot be read stops the run: the author sees why.
        return e.error != kExprOk || e.value != 0;
    } catch (const Fault&) {
        return true;
    }
}

bool DapAdapter::shouldStop(std::string& reason) {
    const InterpreterState& s = app_->state;
    const ScriptProgram& p = app_->program;
    if (s.ProgExecLine < 0 || std::size_t(s.ProgExecLine) >= p.Lines.size()) return false;
    if (!doesSomething(p.Lines[std::size_t(s.ProgExecLine)])) return false;
    if (pauseRequested_)
        reason = "pause";
    else if (stopOnEntry_)
        reason = "entry";
    else if (mode_ == Mode::StepIn)
        reason = "step";
    else if (mode_ == Mode::StepOver && s.ProgRetStack <= stepDepth_)
        reason = "step";
    else if (mode_ == Mode::StepOut && s.ProgRetStack < stepDepth_)
        reason = "step";
    if (!reason.empty()) return true;
    auto it = breakpoints_.find(scriptPath(s.ProgFileName).string());
    if (it == breakpoints_.end()) return false;
    for (const Breakpoint& b : it->second)
        if (b.line == s.ProgExecLine + 1 && conditionHolds(b.condition)) {
            reason = "breakpoint";
            return true;
        }
    return false;
}

void DapAdapter::stop(const std::string& reason) {
    pauseRequested_ = stopOnEntry_ = false;
    mode_ = Mode::Run;
    resumed_ = false;
    stopped_ = inHook_ = true;
    event("stopped", {{"reason", reason}, {"threadId", kThread}, {"allThreadsStopped", true}});
    while (!resumed_ && !disconnect_) {
        if (headless_) {
            // Nothing to draw: sleep until the client says something.
            std::optional<json> m = take(-1);
            if (!m)
                disconnect_ = true;
            else
                handle(*m);
            continue;
        }
        if (std::optional<json> m = take(0)) {
            handle(*m);
            continue;
        }
        // The window keeps living: redraws, the menu, the close button.
        app_->cycle.pump(platform_->ticks() + kWakeMs, {});
    }
    stopped_ = inHook_ = false;
    if (disconnect_) throw ProgramExit{0};
    // Edited while stopped: the line about to run is already the new one.
    app_->reloader.checkNow();
}

void DapAdapter::beforeLine() {
    if (inHook_) return;
    handleAll();
    if (disconnect_) throw ProgramExit{0};
    std::string reason;
    if (shouldStop(reason)) stop(reason);
}

void DapAdapter::waiting() {
    if (inHook_) return;
    handleAll();
    if (disconnect_) throw ProgramExit{0};
    // Paused inside a wait: the line that waits is the one shown.
    if (pauseRequested_) stop("pause");
}

json DapAdapter::stackTrace() {
    const InterpreterState& s = app_->state;
    const ScriptProgram& p = app_->program;
    const fs::path file = scriptPath(s.ProgFileName);
    json frames = json::array();
    auto frame = [&](int32_t line) {
        // Named for the label the line is under.
        std::string name = file.filename().string();
        int32_t best = -1;
        for (std::size_t i = 0; i < p.LabelNames.size(); ++i)
            if (p.LabelLines[i] <= line && p.LabelLines[i] > best) {
                best = p.LabelLines[i];
                name = utf8(sjis::trim(p.LabelNames[i]));
            }
        frames.push_back({{"id", int(frames.size())},
                          {"name", name},
                          {"source", {{"name", file.filename().string()}, {"path", file.string()}}},
                          {"line", line + 1},
                          {"column", 1}});
    };
    frame(s.ProgExecLine);
    // Each return address is the line after its _gosub.
    for (int32_t i = std::min(s.ProgRetStack, int32_t(kReturnStackSize - 1)); i >= 0; --i)
        frame(s.ProgRetAddr[std::size_t(i)] - 1);
    return frames;
}

json DapAdapter::variables(int reference) {
    json out = json::array();
    const FlagStore& flags = app_->flags;
    auto flag = [&](int i) {
        out.push_back(
            {{"name", "$flg[" + std::to_string(i) + "]"}, {"value", utf8(flags.text(i))}, {"variablesReference", 0}});
    };
    switch (reference) {
        case kFlags:
            for (int i = 0; i < kGameFlagCount; ++i) flag(i);
            break;
        case kGlobalFlags: {
            auto unset = [&](int i) { return flags.text(i).empty() || flags.text(i) == "0"; };
            for (int i = kGameFlagCount; i < kFlagCount; ++i)
                if (!unset(i)) flag(i);
            for (int i = kGameFlagCount; i < kFlagCount; ++i)
                if (unset(i)) flag(i);
            break;
        }
        case kSystem:
            for (int n = 0; n < kSystemValueCount; ++n)
                out.push_back({{"name", "$sys[" + std::to_string(n) + "]"},
                               {"value", randomSystemValue(n) ? std::string("(random: not drawn here)")
                                                              : std::to_string(app_->systemValues.systemValue(n))},
                               {"variablesReference", 0}});
            break;
        case kTextWindow: {
            const json state = json::parse(app_->stateJson(), nullptr, false);
            if (state.is_object() && state.contains("TextWindowState"))
                for (const auto& [name, value] : state["TextWindowState"].items())
                    out.push_back({{"name", name},
                                   {"value", value.is_string() ? value.get<std::string>() : value.dump()},
                                   {"variablesReference", 0}});
            break;
        }
        default:
            break;
    }
    return out;
}

void DapAdapter::setVariable(const json& request) {
    const json& args = request["arguments"];
    const int reference = args.value("variablesReference", 0);
    const std::string name = args.value("name", "");
    const std::size_t open = name.find('[');
    if ((reference != kFlags && reference != kGlobalFlags) || open == std::string::npos)
        return fail(request, "only flags can be set");
    const int index = std::atoi(name.c_str() + open + 1);
    if (!FlagStore::inRange(index)) return fail(request, "no flag " + name);
    // As the debug window's SET: the text as typed, not evaluated.
    app_->flags.setFlagText(index, platform::utf8ToSjis(args.value("value", "")));
    respond(request, {{"value", utf8(app_->flags.text(index))}, {"variablesReference", 0}});
}

void DapAdapter::evaluate(const json& request) {
    const std::string expression = platform::utf8ToSjis(request["arguments"].value("expression", ""));
    try {
        if (expression.starts_with("@flg[")) {
            respond(request,
                    {{"result", utf8(app_->evaluator.readTextFlag(expression, 1))}, {"variablesReference", 0}});
            return;
        }
        const Evaluation e = app_->evaluator.scan(expression, 1);
        if (e.error != kExprOk) return fail(request, "arithmetic error, code " + std::to_string(e.error));
        respond(request, {{"result", std::to_string(e.value)}, {"variablesReference", 0}});
    } catch (const Fault& f) {
        fail(request, utf8(f.what()));
    }
}

}  // namespace qvl::authoring
