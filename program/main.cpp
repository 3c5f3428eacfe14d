// quorvel [options] [DIR]: runs the scenario in DIR (default: the current
// directory) in a window, or headless for tests and authors' test runs.
#include "app/data_folders.h"
#include "app/tfmain.h"
#include "authoring/dap/dap_adapter.h"
#include "authoring/lsp/lsp_server.h"
#include "authoring/tools.h"
#include "graphics/png_io.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_platform.h"
#include "program/command_line.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include <unistd.h>

namespace {

using qvl::program::fail;

// Output files are named relative to where quorvel was started, not the scenario.
std::string absolute(const std::string& path) {
    return path.empty() ? path : std::filesystem::absolute(path).string();
}

int64_t realtimeNs() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The editors' servers own stdout: anything else printed there would break the
// protocol, so it goes to stderr and the protocol gets a descriptor of its own.
int protocolOut() {
    const int out = dup(1);
    dup2(2, 1);
    return out;
}

// A debug session's platform: headless as --headless --auto runs, or the window;
// nothing when there is no display.
std::unique_ptr<qvl::platform::Platform> debugPlatform(bool headless, const qvl::program::Options& o) {
    if (headless) {
        qvl::platform::HeadlessOptions h;
        h.autoPlay = true;
        return std::make_unique<qvl::platform::HeadlessPlatform>(std::vector<qvl::platform::ScriptedInput>{}, h);
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) return nullptr;
    try {
        return std::make_unique<qvl::platform::SdlPlatform>(qvl::platform::SdlOptions{o.scale, absolute(o.readBack)});
    } catch (const std::exception&) {
        return nullptr;
    }
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
    qvl::program::Options o = qvl::program::parseCommandLine(argc, argv);
    if (int(!o.check.empty()) + int(!o.explore.empty()) + int(!o.coverage.empty()) > 1)
        fail("--check, --explore and --coverage are run one at a time");
    if (!o.map.empty() && o.explore.empty() && o.coverage.empty()) fail("--map goes with --explore or --coverage");
    if (!o.marks.empty() && o.coverage.empty()) fail("--marks goes with --coverage");
    if (!o.map.empty() && !qvl::authoring::knownMapFormat(o.map)) fail("--map writes FILE.svg, FILE.png or FILE.dot");
    if (o.lsp) return qvl::authoring::LspServer(0, protocolOut()).run();
    if (o.dap) return qvl::authoring::DapAdapter(0, protocolOut(), [&o](bool h) { return debugPlatform(h, o); }).run();
    if (!o.check.empty()) return qvl::authoring::runCheck(o.check, o.json);
    if (!o.explore.empty() || !o.coverage.empty()) {
        qvl::authoring::ExploreOptions explore;
        explore.maxRuns = o.maxRuns;
        const qvl::authoring::MapRequest map{o.map, o.mapDepth};
        if (!o.coverage.empty()) return qvl::authoring::runCoverage(o.coverage, explore, o.marks, o.json, map);
        return qvl::authoring::runExplore(o.explore, explore, o.json, map);
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
        qvl::platform::HeadlessOptions headlessOptions{o.autoPlay, o.maxMs, o.frames};
        headlessOptions.speechOut = &std::cout;
        auto h = std::make_unique<qvl::platform::HeadlessPlatform>(std::move(input), headlessOptions);
        headless = h.get();
        platform = std::move(h);
        std::string reason;
        if (!o.audioOut.empty() && !headless->recordAudio(o.audioOut, &reason)) fail(reason);
    } else if (!o.audioOut.empty()) {
        std::cerr << "quorvel: --audio-out is for headless runs; the window plays the sound aloud\n";
    }

    qvl::TFmainOptions options;
    options.verbose = o.verbose;
    options.selfVoicing = o.selfVoicing;
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
