// quorvel [options] [DIR]: runs the scenario in DIR (default: the current
// directory) in a window, or headless for tests and authors' test runs.
#include "app/tfmain.h"
#include "base/numbers.h"
#include "graphics/png_io.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_platform.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

namespace {

constexpr const char* kUsage =
    "usage: quorvel [options] [DIR]\n"
    "Runs the scenario in DIR (qvl.cfg, autorun.txt ...), by default the current directory.\n"
    "\n"
    "  --scale N          start with the window N times 640x480 (default 1)\n"
    "  --verbose          log on stderr which file each script name resolved to\n"
    "  --headless         run without a window on a virtual clock; stdout is a transcript\n"
    "  --input FILE       headless: events to deliver (see docs/headless.md)\n"
    "  --auto             headless: when the input is used up, click and answer like a patient reader\n"
    "  --max-ms N         headless: stop after N virtual milliseconds\n"
    "  --max-steps N      headless: stop after N script lines (default 10000000)\n"
    "  --dump-state FILE  headless: write the engine's state as JSON at the end of the run\n"
    "  --screenshot FILE  write the last presented frame as PNG at the end of the run\n"
    "  --frames DIR       headless: write every presented frame as DIR/NNNNNN-TTTTTTTT.png\n"
    "  --transcript       windowed: also write the transcript to stdout\n"
    "  --startup-time     print on stderr the milliseconds from the start of the process\n"
    "                     (or from QVL_LAUNCH_NS, CLOCK_REALTIME nanoseconds) to the first frame\n"
    "  --test-readback DIR  windowed, for tests: Ctrl+Alt+Shift+F12 writes what the window shows\n"
    "                     to DIR/readback-N.png\n"
    "  --help             show this text\n";

struct Options {
    bool headless = false, autoPlay = false, verbose = false, transcript = false, startupTime = false;
    int scale = 1;
    std::optional<uint32_t> maxMs;
    uint64_t maxSteps = 10'000'000;
    std::string input, dumpState, screenshot, readBack, frames, dir;
};

[[noreturn]] void fail(const std::string& message) {
    std::cerr << "quorvel: " << message << "\n" << kUsage;
    std::exit(2);
}

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) fail(a + " needs a value");
            return argv[++i];
        };
        auto number = [&](const std::string& text) {
            auto v = qvl::parseInt(text);
            if (!v || *v < 0) fail(a + " needs a number, not " + text);
            return *v;
        };
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (a == "--headless")
            o.headless = true;
        else if (a == "--auto")
            o.autoPlay = true;
        else if (a == "--verbose")
            o.verbose = true;
        else if (a == "--transcript")
            o.transcript = true;
        else if (a == "--startup-time")
            o.startupTime = true;
        else if (a == "--input")
            o.input = next();
        else if (a == "--max-ms")
            o.maxMs = uint32_t(number(next()));
        else if (a == "--max-steps")
            o.maxSteps = uint64_t(number(next()));
        else if (a == "--dump-state")
            o.dumpState = next();
        else if (a == "--screenshot")
            o.screenshot = next();
        else if (a == "--test-readback")
            o.readBack = next();
        else if (a == "--frames")
            o.frames = next();
        else if (a == "--scale") {
            o.scale = number(next());
            if (o.scale < 1 || o.scale > 8) fail("--scale takes 1 to 8");
        } else if (!a.empty() && a[0] == '-')
            fail("unknown option " + a);
        else if (o.dir.empty())
            o.dir = a;
        else
            fail("only one scenario directory");
    }
    return o;
}

// Output files are named relative to where quorvel was started, not the scenario.
std::string absolute(const std::string& path) {
    return path.empty() ? path : std::filesystem::absolute(path).string();
}

int64_t realtimeNs() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

int main(int argc, char** argv) {
    // A launcher that measures start-up passes the moment it started us, so the
    // time to load the program counts too.
    int64_t launched = realtimeNs();
    if (const char* given = std::getenv("QVL_LAUNCH_NS")) {
        char* end = nullptr;
        long long ns = std::strtoll(given, &end, 10);
        if (end && *end == '\0' && ns > 0) launched = ns;
    }
    Options o = parseOptions(argc, argv);
    o.input = absolute(o.input);
    o.dumpState = absolute(o.dumpState);
    o.screenshot = absolute(o.screenshot);
    o.readBack = absolute(o.readBack);
    o.frames = absolute(o.frames);
    if (!o.frames.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.frames, ec);
        if (ec) fail("cannot make " + o.frames);
    }

    std::vector<qvl::platform::ScriptedInput> input;
    if (!o.input.empty()) {
        std::ifstream in(o.input, std::ios::binary);
        if (!in) fail("cannot read " + o.input);
        std::ostringstream text;
        text << in.rdbuf();
        try {
            input = qvl::platform::parseInputScript(text.str());
        } catch (const qvl::platform::InputScriptError& e) {
            fail(o.input + ": " + e.what());
        }
    }
    if (!o.dir.empty() && !qvl::platform::FileSystem::setCurrentPath(o.dir)) fail("cannot enter " + o.dir);

    std::unique_ptr<qvl::platform::Platform> platform;
    qvl::platform::HeadlessPlatform* headless = nullptr;
    // Without a display server SDL may still find a driver (a framebuffer, or none
    // that shows anything); a server run is a headless run then.
    const bool noDisplay =
        !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("SDL_VIDEODRIVER");
    if (!o.headless && noDisplay) {
        std::cerr << "quorvel: no display; running headless with --auto\n";
        o.headless = o.autoPlay = true;
    }
    if (!o.headless) {
        try {
            platform = std::make_unique<qvl::platform::SdlPlatform>(qvl::platform::SdlOptions{o.scale, o.readBack});
        } catch (const std::exception& e) {
            std::cerr << "quorvel: no display (" << e.what() << "); running headless with --auto\n";
            o.headless = o.autoPlay = true;
        }
    }
    if (o.headless) {
        auto h = std::make_unique<qvl::platform::HeadlessPlatform>(
            std::move(input), qvl::platform::HeadlessOptions{o.autoPlay, o.maxMs, o.frames});
        headless = h.get();
        platform = std::move(h);
    }

    qvl::TFmainOptions options;
    options.verbose = o.verbose;
    if (o.headless && o.maxSteps > 0) options.maxSteps = o.maxSteps;
    options.transcript = (o.headless || o.transcript) ? &std::cout : nullptr;
    qvl::TFmain app(*platform, options);
    if (o.startupTime)
        app.view().onFirstShow([launched] {
            std::fprintf(stderr, "startup: %.1f ms to the first frame\n", double(realtimeNs() - launched) / 1e6);
        });
    int code = app.run();

    if (!o.dumpState.empty()) {
        std::ofstream out(o.dumpState, std::ios::binary);
        out << app.stateJson();
        if (!out) std::cerr << "quorvel: cannot write " << o.dumpState << "\n";
    }
    if (!o.screenshot.empty()) {
        const qvl::Surface& frame = headless ? headless->lastFrame() : app.windowImage();
        if (!qvl::writePngFile(o.screenshot, frame)) std::cerr << "quorvel: cannot write " << o.screenshot << "\n";
    }
    return code;
}
