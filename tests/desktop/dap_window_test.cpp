// The debug adapter with the real window: a run waiting for a click can be
// paused, and stopped the window still redraws and answers its close button.
#include "tests/desktop/desktop.h"

#include <X11/Xlib.h>
#include <nlohmann/json.hpp>

namespace {

using namespace qvl_desktop;
using json = nlohmann::json;

// quorvel --dap on pipes, spoken to one message at a time.
class Adapter {
public:
    explicit Adapter(const std::vector<std::string>& env) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
            dup2(in[0], 0);
            dup2(out[1], 1);
            for (int fd = 3; fd < 256; ++fd) close(fd);
            execl(QVL_QUORVEL, QVL_QUORVEL, "--dap", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        to_ = in[1];
        from_ = out[0];
    }
    ~Adapter() {
        if (to_ >= 0) close(to_);
        if (from_ >= 0) close(from_);
        stop(pid_);
    }
    pid_t pid() const { return pid_; }

    void send(const std::string& command, const json& arguments = json::object()) {
        const std::string body =
            json{{"seq", ++seq_}, {"type", "request"}, {"command", command}, {"arguments", arguments}}.dump();
        const std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        EXPECT_EQ(write(to_, framed.data(), framed.size()), ssize_t(framed.size()));
    }
    // The next event of that name; null after the time limit.
    json event(const std::string& name, std::chrono::seconds limit = std::chrono::seconds(20)) {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            const std::size_t head = buffer_.find("\r\n\r\n");
            if (head != std::string::npos) {
                const std::size_t length = std::stoul(buffer_.substr(buffer_.find(':') + 1));
                if (buffer_.size() >= head + 4 + length) {
                    json m = json::parse(buffer_.substr(head + 4, length));
                    buffer_.erase(0, head + 4 + length);
                    if (m["type"] == "event" && m["event"] == name) return m;
                    continue;
                }
            }
            pollfd p{from_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            char chunk[4096];
            const ssize_t n = read(from_, chunk, sizeof chunk);
            if (n <= 0) break;
            buffer_.append(chunk, std::size_t(n));
        }
        return nullptr;
    }

private:
    pid_t pid_ = -1;
    int to_ = -1, from_ = -1, seq_ = 0;
    std::string buffer_;
};

// What the window manager sends when the close button is pressed.
void pressCloseButton(const std::string& display, const std::string& window) {
    Display* d = XOpenDisplay(display.c_str());
    ASSERT_NE(d, nullptr);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = std::stoul(window);
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, e.xclient.window, False, NoEventMask, &e);
    XFlush(d);
    XCloseDisplay(d);
}

TEST(DapDesktop, StoppedTheWindowStillAnswersItsCloseButton) {
    VirtualDisplay display;
    if (!display.up()) GTEST_SKIP() << "no virtual display: " << display.reason();
    Scenario s("dap", "一行目\n二行目\n三行目\n", "SavePath=save\\\n");
    const fs::path run = s.dir().parent_path() / (s.dir().filename().string() + ".run");
    fs::create_directories(run);
    Adapter dap({"DISPLAY=" + display.display(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                 "XDG_RUNTIME_DIR=" + run.string(), "ASAN_OPTIONS=detect_leaks=0"});
    dap.send("initialize", {{"adapterID", "quorvel"}});
    dap.send("launch", {{"scenario", s.dir().string()}, {"headless", false}});
    ASSERT_FALSE(dap.event("initialized").is_null());
    dap.send("setBreakpoints",
             {{"source", {{"path", (s.dir() / "autorun.txt").string()}}}, {"breakpoints", {{{"line", 1}}}}});
    dap.send("configurationDone");
    const json stopped = dap.event("stopped");
    ASSERT_FALSE(stopped.is_null());
    EXPECT_EQ(stopped["body"]["reason"], "breakpoint");
    // On: the first line waits for a click, and a pause stops it inside that wait.
    dap.send("continue", {{"threadId", 1}});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    dap.send("pause", {{"threadId", 1}});
    const json paused = dap.event("stopped");
    ASSERT_FALSE(paused.is_null()) << "a pause must reach a run that waits for a click";
    EXPECT_EQ(paused["body"]["reason"], "pause");

    std::string window;
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < end && window.empty()) {
        std::string out;
        if (display.xdotool({"search", "--onlyvisible", "--pid", std::to_string(dap.pid())}, &out) == 0)
            window = out.substr(0, out.find('\n'));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_FALSE(window.empty());
    pressCloseButton(display.display(), window);
    // The question "終了しますか？" is up: Return answers OK and the program ends.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    display.xdotool({"mousemove", "--window", window, "1", "1"});
    display.xdotool({"key", "Return"});
    const json exited = dap.event("exited");
    ASSERT_FALSE(exited.is_null()) << "the window did not answer while stopped";
    EXPECT_EQ(exited["body"]["exitCode"], 0);
    fs::remove_all(run);
}

}  // namespace
