#pragma once
// quorvel --dap: a debug adapter over stdin and stdout. It runs the scenario in
// this process, on the UI thread as always, and stops it at line boundaries
// (breakpoints, steps, pause) through the engine's run hook. While stopped it
// keeps the window's events running, so the window redraws and can be closed.
// A reader thread only takes messages off the pipe; everything that touches the
// engine happens on the UI thread.
#include "app/run_hook.h"
#include "authoring/dap/output_events.h"
#include "authoring/message_channel.h"
#include "platform/platform.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace qvl {
class TFmain;
}

namespace qvl::authoring {

class DapAdapter final : public RunHook {
public:
    // Makes the platform a launch asks for: headless, or the desktop window.
    using PlatformFactory = std::function<std::unique_ptr<platform::Platform>(bool headless)>;

    DapAdapter(int in, int out, PlatformFactory makePlatform);
    ~DapAdapter() override;
    // Serves one debug session; the exit code.
    int run();

    // RunHook
    void beforeLine() override;
    void waiting() override;

private:
    using json = nlohmann::json;
    enum class Mode { Run, StepIn, StepOver, StepOut };

    struct Breakpoint {
        int line = 0;  // 1-based, where the run stops
        std::string condition;
    };

    // Next message from the reader thread; nothing after timeoutMs (negative:
    // wait as long as it takes) or at the end of the input.
    std::optional<json> take(int timeoutMs);
    void respond(const json& request, const json& body = json::object());
    void fail(const json& request, const std::string& message);
    void event(const std::string& name, const json& body = json::object());

    // Requests of the session; false once it should end.
    bool handle(const json& request);
    void handleAll();
    void setBreakpoints(const json& request);
    json stackTrace();
    json variables(int reference);
    void setVariable(const json& request);
    void evaluate(const json& request);

    void stop(const std::string& reason);
    bool shouldStop(std::string& reason);
    std::filesystem::path scriptPath(const std::string& name);
    bool conditionHolds(const std::string& condition);

    MessageChannel channel_;
    PlatformFactory makePlatform_;
    std::thread reader_;
    std::mutex queueLock_;
    std::condition_variable queued_;
    std::deque<json> queue_;
    bool inputEnded_ = false;
    std::atomic<bool> quit_{false};
    std::atomic<int> seq_{1};

    OutputEvents output_;
    std::ostream transcript_;
    std::unique_ptr<platform::Platform> platform_;
    std::unique_ptr<TFmain> app_;
    bool headless_ = true, stopOnEntry_ = false, configured_ = false, launched_ = false;
    std::filesystem::path scenario_;

    std::map<std::string, std::vector<Breakpoint>> breakpoints_;  // by canonical path
    std::map<std::string, std::filesystem::path> paths_;          // script name -> file
    Mode mode_ = Mode::Run;
    int32_t stepDepth_ = -1;
    bool pauseRequested_ = false, stopped_ = false, resumed_ = false, inHook_ = false;
    bool disconnect_ = false;
};

}  // namespace qvl::authoring
