// Starts a program on the X display and watches it from outside, as a person with a
// stopwatch would: when its window is mapped, when a pixel of it first shows the
// expected colour (the background picture), then its memory once it has settled
// and its CPU use while it sits idle. Works with any program, ours or another
// engine, so the two can be compared on equal terms.
//   qvl_window_watch X Y RRGGBB SETTLE_MS IDLE_MS -- COMMAND [ARGS...]
// Prints one line: mapped_ms shown_ms rss_kib pss_kib idle_cpu_percent
// (a figure it could not take is -1). The program's own output is dropped.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
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
    double cpu = -1;
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
    }
    kill(pid, SIGTERM);
    for (int i = 0; i < 100 && waitpid(pid, nullptr, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    std::printf("%.1f %.1f %ld %ld %.2f\n", mapped, shown, rss, pss, cpu);
    return shown >= 0 ? 0 : 1;
}
