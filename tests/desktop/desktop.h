#pragma once
// The real window on a virtual X display: a private Xvfb, the quorvel program in
// it driven by real X input (xdotool, through XTEST), and what the window shows
// read back through the program's test hook, to compare with a headless run of
// the same scenario and input.
#include "graphics/png_io.h"
#include "tests/common/file_bytes.h"
#include "graphics/surface.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace qvl_desktop {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using qvl_test_files::readAll;
using qvl_test_files::writeAll;

// Starts a program; stdout goes to outFile when given, stderr to /dev/null unless
// keepStderr. The environment is ours plus `env` (NAME=VALUE each).
inline pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                   const std::string& outFile = "", int keepFd = -1, bool keepStderr = false) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    if (!outFile.empty()) {
        int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
    } else {
        dup2(devnull, 1);
    }
    if (!keepStderr) dup2(devnull, 2);
    for (int fd = 3; fd < 256; ++fd)
        if (fd != keepFd) close(fd);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// Waits for a child; nothing when it is still running after `limit`.
inline std::optional<int> waitExit(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (r < 0) return -1;
        if (Clock::now() >= end) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

inline void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    if (!waitExit(pid, std::chrono::seconds(3))) {
        kill(pid, SIGKILL);
        waitExit(pid, std::chrono::seconds(3));
    }
}

// A private virtual display, 1280 x 1024 at 24 bits unless told, on a free display number.
class VirtualDisplay {
public:
    explicit VirtualDisplay(const std::string& size = "1280x1024") {
        int fds[2];
        if (pipe(fds) != 0) {
            reason_ = "no pipe";
            return;
        }
        pid_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", size + "x24", "-nolisten", "tcp",
                      "-noreset"},
                     {}, "", fds[1]);
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        const auto end = Clock::now() + std::chrono::seconds(15);
        while (Clock::now() < end && number.find('\n') == std::string::npos) {
            if (poll(&p, 1, 200) > 0) {
                char buf[32];
                ssize_t n = read(fds[0], buf, sizeof buf);
                if (n <= 0) break;
                number.append(buf, std::size_t(n));
            }
        }
        close(fds[0]);
        if (number.find('\n') == std::string::npos) {
            reason_ = "Xvfb did not start (is it installed? scripts/setup.sh installs it)";
            stop(pid_);
            pid_ = -1;
            return;
        }
        display_ = ":" + number.substr(0, number.find('\n'));
    }
    ~VirtualDisplay() {
        stop(windowManager_);
        stop(pid_);
    }

    // Full screen is the window manager's to grant: without one, X keeps the
    // window as it is. False when none could be started.
    bool startWindowManager() {
        windowManager_ = spawn({"openbox", "--sm-disable"}, {"DISPLAY=" + display_});
        const auto end = Clock::now() + std::chrono::seconds(15);
        while (Clock::now() < end) {
            if (xdotool({"search", "--class", "openbox"}) == 0) return true;
            if (waitExit(windowManager_, std::chrono::milliseconds(100))) break;
        }
        return false;
    }

    bool up() const { return !display_.empty(); }
    const std::string& reason() const { return reason_; }
    const std::string& display() const { return display_; }

    // Runs xdotool on this display; its exit code.
    int xdotool(const std::vector<std::string>& args, std::string* out = nullptr) const {
        std::vector<std::string> all{"xdotool"};
        all.insert(all.end(), args.begin(), args.end());
        fs::path file = fs::temp_directory_path() / ("qvl-xdotool-" + std::to_string(getpid()));
        pid_t pid = spawn(all, {"DISPLAY=" + display_}, out ? file.string() : "");
        std::optional<int> code = waitExit(pid, std::chrono::seconds(15));
        if (!code) {
            stop(pid);
            return -1;
        }
        if (out) *out = readAll(file);
        fs::remove(file);
        return *code;
    }

private:
    pid_t pid_ = -1, windowManager_ = -1;
    std::string display_, reason_;
};

// Pixels of a PNG file, or an empty surface.
inline qvl::Surface loadPng(const fs::path& p) {
    std::optional<qvl::Surface> s = qvl::readPngFile(p.string());
    return s ? std::move(*s) : qvl::Surface();
}

// A scenario folder made for one test.
class Scenario {
public:
    Scenario(const std::string& name, const std::string& scriptUtf8, const std::string& configUtf8) {
        dir_ = fs::temp_directory_path() / ("qvl-desktop-" + name + "-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        write("autorun.txt", scriptUtf8);
        write("qvl.cfg", configUtf8);
    }
    ~Scenario() { fs::remove_all(dir_); }

    // Text files as a scenario ships them: Shift-JIS with CR LF lines.
    void write(const std::string& name, const std::string& utf8) {
        std::string crlf;
        for (char c : utf8) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        writeAll(dir_ / name, qvl::platform::utf8ToSjis(crlf));
    }
    void copy(const fs::path& from) {
        fs::copy_file(from, dir_ / from.filename(), fs::copy_options::overwrite_existing);
    }
    void remove(const std::string& name) { fs::remove(dir_ / name); }
    const fs::path& dir() const { return dir_; }

    // The last frame of a headless run with this input.
    qvl::Surface headlessFrame(const std::string& input) const {
        fs::path in = dir_.parent_path() / (dir_.filename().string() + ".input");
        fs::path shot = dir_.parent_path() / (dir_.filename().string() + ".png");
        writeAll(in, input);
        pid_t pid =
            spawn({QVL_QUORVEL, "--headless", "--input", in.string(), "--screenshot", shot.string(), dir_.string()});
        if (!waitExit(pid, std::chrono::seconds(60))) stop(pid);
        qvl::Surface frame = loadPng(shot);
        fs::remove(in);
        fs::remove(shot);
        return frame;
    }

private:
    fs::path dir_;
};

// quorvel in a real window on the virtual display.
class Window {
public:
    // env: NAME=VALUE settings added to the program's environment. Without a
    // --scale the window is the scene's size, unless firstStart: then the program
    // picks the size itself, as for a new player.
    Window(const VirtualDisplay& display, const Scenario& scenario, std::vector<std::string> options = {},
           std::vector<std::string> env = {}, bool firstStart = false)
        : display_(display) {
        if (!firstStart && std::find(options.begin(), options.end(), "--scale") == options.end())
            options.insert(options.end(), {"--scale", "1"});
        readDir_ = scenario.dir().parent_path() / (scenario.dir().filename().string() + ".readback");
        fs::remove_all(readDir_);
        fs::create_directories(readDir_);
        transcript_ = readDir_ / "transcript.txt";
        std::vector<std::string> args{QVL_QUORVEL, "--transcript", "--test-readback", readDir_.string()};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back(scenario.dir().string());
        // A runtime folder of its own: the single-instance lock of a copy the
        // developer has open must not stop the test's. X libraries keep caches
        // to the end that the leak checker would report.
        fs::create_directories(readDir_ / "run");
        env.insert(env.end(), {"DISPLAY=" + display.display(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy",
                               "XDG_RUNTIME_DIR=" + (readDir_ / "run").string(), "ASAN_OPTIONS=detect_leaks=0"});
        pid_ = spawn(args, env, transcript_.string(), -1, true);
        const auto end = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < end && window_.empty()) {
            std::string out;
            if (display_.xdotool({"search", "--onlyvisible", "--pid", std::to_string(pid_)}, &out) == 0)
                window_ = out.substr(0, out.find('\n'));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        // With no window manager the keyboard follows the pointer: keep it inside.
        if (!window_.empty()) display_.xdotool({"mousemove", "--window", window_, "1", "1"});
    }
    ~Window() {
        stop(pid_);
        fs::remove_all(readDir_);
    }

    bool open() const { return !window_.empty(); }
    const std::string& id() const { return window_; }

    // Real X input: keys by X name, clicks at window pixels.
    // Through XTEST to the window under the pointer, as a keyboard would.
    void key(const std::string& name) { display_.xdotool({"key", name}); }
    void click(int x, int y, int button = 1) {
        display_.xdotool({"mousemove", "--window", window_, std::to_string(x), std::to_string(y)});
        display_.xdotool({"click", std::to_string(button)});
    }
    void resize(int w, int h) { display_.xdotool({"windowsize", window_, std::to_string(w), std::to_string(h)}); }

    // What the window shows once every earlier input has been handled: the
    // read-back request travels behind it through the same event queue.
    qvl::Surface readBack() {
        const fs::path file = readDir_ / ("readback-" + std::to_string(++readBacks_) + ".png");
        display_.xdotool({"key", "ctrl+alt+shift+F12"});
        const auto end = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < end && !fs::exists(file)) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        // Beside it when the window held other pixels than the same moment drawn
        // anew: a part of a frame sent alone went wrong.
        const fs::path shown = readDir_ / ("readback-" + std::to_string(readBacks_) + ".shown.png");
        if (fs::exists(shown)) {
            const fs::path kept = fs::temp_directory_path() / ("qvl-desktop-shown-" + file.filename().string());
            fs::copy_file(shown, kept, fs::copy_options::overwrite_existing);
            ADD_FAILURE() << "the window showed other pixels than drawn in full: " << kept;
        }
        return loadPng(file);
    }

    // Waits for the program to end; its exit code, or nothing.
    std::optional<int> exitCode(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        std::optional<int> code = waitExit(pid_, limit);
        if (code) pid_ = -1;
        return code;
    }
    std::string transcript() const { return readAll(transcript_); }
    // Waits until the transcript holds `text`.
    bool waitForTranscript(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            if (transcript().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

private:
    const VirtualDisplay& display_;
    pid_t pid_ = -1;
    std::string window_;
    fs::path readDir_, transcript_;
    int readBacks_ = 0;
};

// Where the window shows the scene: SDL keeps the aspect and centres it.
struct Placement {
    int x, y, w, h;
};
inline Placement placeScene(int windowW, int windowH) {
    const float scale = std::min(float(windowW) / 640.0f, float(windowH) / 480.0f);
    const int w = int(640 * scale), h = int(480 * scale);
    return {(windowW - w) / 2, (windowH - h) / 2, w, h};
}

struct Difference {
    int pixels = 0;        // scene pixels that differ by more than the tolerance
    qvl::Rect box;         // around them
    double meanError = 0;  // mean absolute difference per channel over the scene
};

// Compares the scene inside a read-back window picture with a 640 x 480 frame,
// sampling each scene pixel's centre.
inline Difference compareScene(const qvl::Surface& window, const qvl::Surface& frame, int tolerance) {
    Difference d;
    const Placement p = placeScene(window.width(), window.height());
    int x0 = 640, y0 = 480, x1 = -1, y1 = -1;
    double total = 0;
    for (int y = 0; y < 480; ++y) {
        const int wy = p.y + int((y + 0.5) * p.h / 480.0);
        for (int x = 0; x < 640; ++x) {
            const int wx = p.x + int((x + 0.5) * p.w / 640.0);
            const uint32_t a = window.pixel(wx, wy), b = frame.pixel(x, y);
            int worst = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const int diff = std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
                total += diff;
                worst = std::max(worst, diff);
            }
            if (worst > tolerance) {
                ++d.pixels;
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
        }
    }
    if (d.pixels) d.box = {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
    d.meanError = total / (640.0 * 480.0 * 3.0);
    return d;
}

// Everything outside the scene is black.
inline bool barsAreBlack(const qvl::Surface& window) {
    const Placement p = placeScene(window.width(), window.height());
    for (int y = 0; y < window.height(); y += 3)
        for (int x = 0; x < window.width(); x += 3) {
            const bool inside = x >= p.x && y >= p.y && x < p.x + p.w && y < p.y + p.h;
            if (!inside && (window.pixel(x, y) & 0xFFFFFF) != 0) return false;
        }
    return true;
}

}  // namespace qvl_desktop
