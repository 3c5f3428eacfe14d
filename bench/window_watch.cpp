// Starts a program on the X display and watches it from outside, as a person with a
// stopwatch would: when its window is mapped, when a pixel of it first shows the
// expected colour (the background picture), then its memory once it has settled
// and its CPU use while it sits idle; last, a click (XTEST) in the window and the
// time until the picture changes somewhere that was still before the click (what
// animates by itself, a wait icon, is watched for first and left out). Works with
// any program, ours or another engine, so the two can be compared on equal terms.
//   qvl_window_watch X Y RRGGBB SETTLE_MS IDLE_MS -- COMMAND [ARGS...]
// Prints one line: mapped_ms shown_ms rss_kib pss_kib idle_cpu_percent click_ms
// (a figure it could not take is -1). The program's own output is dropped.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

long statusKib(pid_t pid, const char* file, const char* field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field, 0) == 0) return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return -1;
}

long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string f;
    long utime = 0, stime = 0;
    for (int n = 3; n <= 15 && fields >> f; ++n) {
        if (n == 14) utime = std::atol(f.c_str());
        if (n == 15) stime = std::atol(f.c_str());
    }
    return utime + stime;
}

bool near(unsigned long pixel, unsigned long want) {
    for (int shift : {0, 8, 16}) {
        const int a = int((pixel >> shift) & 0xFF), b = int((want >> shift) & 0xFF);
        if (std::abs(a - b) > 8) return false;
    }
    return true;
}

// The window's pixels now; empty when they cannot be read.
std::vector<uint32_t> snapshot(Display* display, Window window, int w, int h) {
    std::vector<uint32_t> pixels;
    XImage* image = XGetImage(display, window, 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!image) return pixels;
    pixels.resize(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        uint32_t* out = pixels.data() + std::size_t(y) * std::size_t(w);
        if (image->bits_per_pixel == 32)
            std::memcpy(out, image->data + std::size_t(y) * std::size_t(image->bytes_per_line), std::size_t(w) * 4);
        else
            for (int x = 0; x < w; ++x) out[x] = uint32_t(XGetPixel(image, x, y));
    }
    XDestroyImage(image);
    return pixels;
}

// Clicks in the middle of the window and times the first change of a pixel that
// stayed the same for the half second before; -1 when nothing changes in a second.
double clickToChange(Display* display, Window window) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display, window, &a)) return -1;
    const int w = a.width, h = a.height;
    std::vector<uint32_t> before = snapshot(display, window, w, h);
    std::vector<bool> moving(before.size(), false);
    for (int i = 0; i < 10 && !before.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::vector<uint32_t> now = snapshot(display, window, w, h);
        if (now.size() != before.size()) return -1;
        for (std::size_t k = 0; k < now.size(); ++k)
            if (now[k] != before[k]) moving[k] = true;
        before = now;
    }
    if (before.empty()) return -1;
    Window child;
    int rootX = 0, rootY = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), w / 2, h / 2, &rootX, &rootY, &child);
    // No window manager gives the window the keyboard; a person's first click would.
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Clock::time_point t0 = Clock::now();
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    while (msSince(t0) < 1000) {
        const std::vector<uint32_t> now = snapshot(display, window, w, h);
        const double at = msSince(t0);
        if (now.size() == before.size())
            for (std::size_t k = 0; k < now.size(); ++k)
                if (!moving[k] && now[k] != before[k]) return at;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 8 || std::strcmp(argv[6], "--") != 0) {
        std::fprintf(stderr, "usage: %s X Y RRGGBB SETTLE_MS IDLE_MS -- COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const int px = std::atoi(argv[1]), py = std::atoi(argv[2]);
    const unsigned long colour = std::strtoul(argv[3], nullptr, 16);
    const int settleMs = std::atoi(argv[4]), idleMs = std::atoi(argv[5]);

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point t0 = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        // What the program says would mix with our one line.
        if (const int quiet = open("/dev/null", O_WRONLY); quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        execvp(argv[7], argv + 7);
        _exit(127);
    }
    // A program may map a window and replace it (SDL does, to change its visual):
    // the watch follows the last one mapped, and errors about a window gone are
    // taken as that.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    double mapped = -1, shown = -1;
    Window window = 0;
    while (shown < 0 && msSince(t0) < 10000) {
        while (XPending(display)) {
            XEvent e;
            XNextEvent(display, &e);
            if (e.type == DestroyNotify && e.xdestroywindow.window == window) window = 0;
            if (e.type != MapNotify || e.xmap.override_redirect) continue;
            XWindowAttributes a;
            if (XGetWindowAttributes(display, e.xmap.window, &a) && a.width >= 320 && a.height >= 240) {
                window = e.xmap.window;
                if (mapped < 0) mapped = msSince(t0);
            }
        }
        if (window) {
            if (XImage* image = XGetImage(display, window, px, py, 1, 1, AllPlanes, ZPixmap)) {
                const bool got = near(XGetPixel(image, 0, 0), colour);
                XDestroyImage(image);
                if (got) {
                    shown = msSince(t0);
                    break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } else {
            pollfd p{ConnectionNumber(display), POLLIN, 0};
            poll(&p, 1, 20);
        }
    }
    long rss = -1, pss = -1;
    double cpu = -1, click = -1;
    if (shown >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
        rss = statusKib(pid, "status", "VmRSS:");
        pss = statusKib(pid, "smaps_rollup", "Pss:");
        const long hz = sysconf(_SC_CLK_TCK);
        const long c0 = cpuTicks(pid);
        const Clock::time_point i0 = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
        const long c1 = cpuTicks(pid);
        if (c0 >= 0 && c1 >= 0 && hz > 0) cpu = 100.0 * double(c1 - c0) / double(hz) / (msSince(i0) / 1000.0);
        click = clickToChange(display, window);
    }
    kill(pid, SIGTERM);
    for (int i = 0; i < 100 && waitpid(pid, nullptr, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    std::printf("%.1f %.1f %ld %ld %.2f %.1f\n", mapped, shown, rss, pss, cpu, click);
    return shown >= 0 ? 0 : 1;
}
