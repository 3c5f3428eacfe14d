// quorvel [options] [DIR]: runs the scenario in DIR (default: the current
// directory) in a window, or headless for tests and authors' test runs.
#include "app/data_folders.h"
#include "app/tfmain.h"
#include "authoring/tools.h"
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

// The one list of options: --help prints it and the manual page is made from that
// output, so a new option needs one line here besides its parsing below.
struct OptionHelp {
    const char* names;
    const char* text;
};
constexpr OptionHelp kOptionHelp[] = {
    {"--demo", "play the demo scenario installed with Quorvel"},
    {"--scale N", "start with the window N times 640x480 (1 to 8, default 1)"},
    {"--verbose", "log on stderr which file each script name resolved to"},
    {"--headless", "run without a window on a virtual clock; stdout is a transcript"},
    {"--input FILE", "headless: events to deliver (see docs/headless.md)"},
    {"--auto", "headless: when the input is used up, click and answer like a patient reader"},
    {"--max-ms N", "headless: stop after N virtual milliseconds"},
    {"--max-steps N", "headless: stop after N script lines (default 10000000)"},
    {"--dump-state FILE", "headless: write the engine's state as JSON at the end of the run"},
    {"--screenshot FILE", "write the last presented frame as PNG at the end of the run"},
    {"--debug-screenshot FILE", "write the debug window's last frame as PNG at the end of the run"},
    {"--frames DIR", "headless: write every presented frame as DIR/NNNNNN-TTTTTTTT.png"},
    {"--audio-out FILE", "headless: write the run's sound, mixed on the virtual clock, as a WAV file"},
    {"--transcript", "windowed: also write the transcript to stdout"},
    {"--startup-time", "print on stderr the milliseconds to the first frame (from QVL_LAUNCH_NS if set)"},
    {"--test-readback DIR", "windowed, for tests: Ctrl+Alt+Shift+F12 writes the window to DIR/readback-N.png"},
    {"--check DIR", "for authors: check the scenario's scripts and files, one finding a line"},
    {"--explore DIR", "for authors: play every path through the choices headless and report"},
    {"--json", "--check, --explore: write the report as JSON"},
    {"--max-runs N", "--explore: play at most N paths (default 1000)"},
    {"-h, --help", "display this help and exit"},
    {"-V, --version", "output version information and exit"},
};

#ifndef QVL_VERSION
#define QVL_VERSION "0"
#endif

void printHelp(std::ostream& out) {
    out << "Usage: quorvel [OPTION]... [DIR | FILE]\n"
           "Play the visual-novel scenario in DIR (qvl.cfg, autorun.txt and its files),\n"
           "by default the current directory. A FILE in a scenario folder (qvl.cfg,\n"
           "autorun.txt, a .txd script) opens that folder.\n"
           "\n"
           "Options:\n";
    for (const OptionHelp& o : kOptionHelp) {
        std::string line = std::string("  ") + o.names;
        line += line.size() < 24 ? std::string(24 - line.size(), ' ') : "\n" + std::string(24, ' ');
        out << line << o.text << "\n";
    }
    out << "\n"
           "When the scenario folder cannot be written, qvl.ini and saves go to\n"
           "$XDG_DATA_HOME/quorvel/NAME (default ~/.local/share/quorvel/NAME).\n";
}

void printVersion() {
    std::cout << "quorvel (Quorvel) " QVL_VERSION "\n"
                 "Copyright (C) 2026 the Quorvel developers.\n"
                 "There is NO WARRANTY, to the extent permitted by law.\n";
}

struct Options {
    bool headless = false, autoPlay = false, verbose = false, transcript = false, startupTime = false;
    bool demo = false;
    int scale = 1;
    std::optional<uint32_t> maxMs;
    uint64_t maxSteps = 10'000'000;
    std::string input, dumpState, screenshot, readBack, frames, dir;
    std::string audioOut;
    std::string debugScreenshot;
    std::string check, explore;  // the authors' tools, each on its folder
    bool json = false;
    int maxRuns = 1000;
};

[[noreturn]] void fail(const std::string& message) {
    std::cerr << "quorvel: " << message << "\n";
    printHelp(std::cerr);
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
            printHelp(std::cout);
            std::exit(0);
        } else if (a == "--version" || a == "-V") {
            printVersion();
            std::exit(0);
        } else if (a == "--demo")
            o.demo = true;
        else if (a == "--headless")
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
        else if (a == "--debug-screenshot")
            o.debugScreenshot = next();
        else if (a == "--test-readback")
            o.readBack = next();
        else if (a == "--frames")
            o.frames = next();
        else if (a == "--audio-out")
            o.audioOut = next();
        else if (a == "--check")
            o.check = next();
        else if (a == "--explore")
            o.explore = next();
        else if (a == "--json")
            o.json = true;
        else if (a == "--max-runs") {
            o.maxRuns = number(next());
            if (o.maxRuns < 1) fail("--max-runs takes 1 or more");
        }
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
    // Start-up counts from the process's start as the kernel records it, so loading
    // the program counts too; a launcher that measures may pass its own moment.
    int64_t launched = qvl::platform::processStartRealtimeNs().value_or(realtimeNs());
    if (const char* given = std::getenv("QVL_LAUNCH_NS")) {
        char* end = nullptr;
        long long ns = std::strtoll(given, &end, 10);
        if (end && *end == '\0' && ns > 0) launched = ns;
    }
    Options o = parseOptions(argc, argv);
    if (!o.check.empty() && !o.explore.empty()) fail("--check and --explore are run one at a time");
    if (!o.check.empty()) return qvl::authoring::runCheck(o.check, o.json);
    if (!o.explore.empty()) {
        qvl::authoring::ExploreOptions explore;
        explore.maxRuns = o.maxRuns;
        return qvl::authoring::runExplore(o.explore, explore, o.json);
    }
    o.input = absolute(o.input);
    o.dumpState = absolute(o.dumpState);
    o.screenshot = absolute(o.screenshot);
    o.debugScreenshot = absolute(o.debugScreenshot);
    o.readBack = absolute(o.readBack);
    o.frames = absolute(o.frames);
    o.audioOut = absolute(o.audioOut);
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
    if (o.demo) {
        if (!o.dir.empty()) fail("--demo takes no scenario directory");
        auto demo = qvl::demoFolder();
        if (!demo) fail("the demo scenario is not installed");
        o.dir = demo->string();
    }
    // A file chosen in a file manager (qvl.cfg, autorun.txt) stands for its folder.
    if (!o.dir.empty()) o.dir = qvl::scenarioFolderOf(o.dir).string();
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
        std::string reason;
        if (!o.audioOut.empty() && !headless->recordAudio(o.audioOut, &reason)) fail(reason);
    } else if (!o.audioOut.empty()) {
        std::cerr << "quorvel: --audio-out is for headless runs; the window plays the sound aloud\n";
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
    if (std::string reason; headless && !headless->finishAudioOut(&reason)) std::cerr << "quorvel: " << reason << "\n";

    if (!o.dumpState.empty()) {
        std::ofstream out(o.dumpState, std::ios::binary);
        out << app.stateJson();
        if (!out) std::cerr << "quorvel: cannot write " << o.dumpState << "\n";
    }
    if (!o.screenshot.empty()) {
        const qvl::Surface& frame = headless ? headless->lastFrame() : app.windowImage();
        if (!qvl::writePngFile(o.screenshot, frame)) std::cerr << "quorvel: cannot write " << o.screenshot << "\n";
    }
    if (!o.debugScreenshot.empty()) {
        if (!app.debugWindow().everOpened())
            std::cerr << "quorvel: the debug window was never open; nothing written to " << o.debugScreenshot << "\n";
        else if (!qvl::writePngFile(o.debugScreenshot, app.debugWindow().form().frame()))
            std::cerr << "quorvel: cannot write " << o.debugScreenshot << "\n";
    }
    return code;
}
