#include "program/command_line.h"

#include "base/numbers.h"

#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>
#include <memory>

#ifndef QVL_VERSION
#define QVL_VERSION "0"
#endif

namespace qvl::program {

namespace {

// --help in the GNU layout help2man reads: a usage line, a paragraph, the options
// one a line with their texts from column 25, and a closing paragraph.
class HelpFormatter final : public CLI::FormatterBase {
public:
    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const override {
        std::string out =
            "Usage: quorvel [OPTION]... [DIR | FILE]\n"
            "Play the visual-novel scenario in DIR (qvl.cfg, autorun.txt and its files),\n"
            "by default the current directory. A FILE in a scenario folder (qvl.cfg,\n"
            "autorun.txt, a .txd script) opens that folder.\n"
            "\n"
            "Options:\n";
        for (const CLI::Option* o : app->get_options([](const CLI::Option* o) { return o->nonpositional(); })) {
            std::string line = "  ";
            for (const std::string& s : o->get_snames()) line += "-" + s + ", ";
            for (const std::string& l : o->get_lnames()) line += "--" + l + ", ";
            line.resize(line.size() - 2);
            if (!o->get_type_name().empty()) line += " " + o->get_type_name();
            line += line.size() < 24 ? std::string(24 - line.size(), ' ') : "\n" + std::string(24, ' ');
            out += line + o->get_description() + "\n";
        }
        return out +
               "\n"
               "When the scenario folder cannot be written, qvl.ini and saves go to\n"
               "$XDG_DATA_HOME/quorvel/NAME (default ~/.local/share/quorvel/NAME).\n";
    }
};

// The options, in the order --help lists them.
struct Parser {
    CLI::App app{"", "quorvel"};
    Options o;
    std::string scale, maxMs, maxSteps, maxRuns, mapDepth;  // numbers, read with the engine's rules
    CLI::Option *scaleOpt, *maxMsOpt, *maxStepsOpt, *maxRunsOpt, *mapDepthOpt;

    Parser() {
        app.formatter(std::make_shared<HelpFormatter>());
        app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        // Unknown options and a second folder are reported below in our words.
        app.allow_extras();
        app.add_flag("--demo", o.demo, "play the demo scenario installed with Quorvel");
        scaleOpt = app.add_option("--scale", scale, "start with the window N times 640x480 (1 to 8; default: the largest that fits the desktop)")
                       ->type_name("N");
        app.add_flag("--verbose", o.verbose, "log on stderr which file each script name resolved to");
        app.add_flag("--headless", o.headless, "run without a window on a virtual clock; stdout is a transcript");
        text("--input", o.input, "FILE", "headless: events to deliver (see docs/headless.md)");
        app.add_flag("--auto", o.autoPlay,
                     "headless: when the input is used up, click and answer like a patient reader");
        maxMsOpt = app.add_option("--max-ms", maxMs, "headless: stop after N virtual milliseconds")->type_name("N");
        maxStepsOpt = app.add_option("--max-steps", maxSteps, "headless: stop after N script lines (default 10000000)")
                          ->type_name("N");
        text("--dump-state", o.dumpState, "FILE", "headless: write the engine's state as JSON at the end of the run");
        text("--screenshot", o.screenshot, "FILE", "write the last presented frame as PNG at the end of the run");
        text("--debug-screenshot", o.debugScreenshot, "FILE",
             "write the debug window's last frame as PNG at the end of the run");
        text("--frames", o.frames, "DIR", "headless: write every presented frame as DIR/NNNNNN-TTTTTTTT.png");
        text("--audio-out", o.audioOut, "FILE",
             "headless: write the run's sound, mixed on the virtual clock, as a WAV file");
        app.add_flag("--transcript", o.transcript, "windowed: also write the transcript to stdout");
        app.add_flag("--self-voicing", o.selfVoicing,
                     "read the story and the controls aloud (headless: speech: lines in the transcript)");
        app.add_flag("--startup-time", o.startupTime,
                     "print on stderr the milliseconds to the first frame (from QVL_LAUNCH_NS if set)");
        text("--test-readback", o.readBack, "DIR",
             "windowed, for tests: Ctrl+Alt+Shift+F12 writes the window to DIR/readback-N.png");
        text("--check", o.check, "DIR", "for authors: check the scenario's scripts and files, one finding a line");
        text("--explore", o.explore, "DIR", "for authors: play every path through the choices headless and report");
        text("--coverage", o.coverage, "DIR",
             "for authors: the share of text lines read, from read marks, and the unread lines");
        app.add_option("--marks", o.marks, "--coverage: read marks (textid.dat files) to count, default the scenario's")
            ->type_name("FILE...")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
            ->allow_extra_args();
        app.add_flag("--json", o.json, "--check, --explore, --coverage: write the report as JSON");
        maxRunsOpt = app.add_option("--max-runs", maxRuns, "--explore, --coverage: play at most N paths (default 1000)")
                         ->type_name("N");
        text("--map", o.map, "FILE",
             "--explore, --coverage: draw the branch map as FILE.svg, FILE.png or FILE.dot");
        mapDepthOpt = app.add_option("--map-depth", mapDepth, "--map: draw the scenes after at most N choices")
                          ->type_name("N");
        app.add_flag("--lsp", o.lsp, "for editors: serve the Language Server Protocol on stdin and stdout");
        app.add_flag("--dap", o.dap, "for editors: serve the Debug Adapter Protocol on stdin and stdout");
        app.set_help_flag("-h,--help", "display this help and exit");
        app.set_version_flag("-V,--version", std::string(), "output version information and exit");
        app.add_option("dir", o.dir)->type_name("DIR");
    }

    void text(const char* name, std::string& into, const char* typeName, const char* help) {
        app.add_option(name, into, help)->type_name(typeName);
    }

    // A number as the engine reads one, 0 or more.
    static int64_t number(const CLI::Option* option, const std::string& text) {
        auto v = parseInt(text);
        if (!v || *v < 0) fail("--" + option->get_lnames().front() + " needs a number, not " + text);
        return *v;
    }

    void finish() {
        for (const std::string& extra : app.remaining()) {
            if (!extra.empty() && extra[0] == '-') fail("unknown option " + extra);
            fail("only one scenario directory");
        }
        if (maxMsOpt->count()) o.maxMs = uint32_t(number(maxMsOpt, maxMs));
        if (maxStepsOpt->count()) o.maxSteps = uint64_t(number(maxStepsOpt, maxSteps));
        if (maxRunsOpt->count()) {
            o.maxRuns = int(number(maxRunsOpt, maxRuns));
            if (o.maxRuns < 1) fail("--max-runs takes 1 or more");
        }
        if (mapDepthOpt->count()) o.mapDepth = int(number(mapDepthOpt, mapDepth));
        if (scaleOpt->count()) {
            o.scale = int(number(scaleOpt, scale));
            if (o.scale < 1 || o.scale > 8) fail("--scale takes 1 to 8");
        }
    }
};

void printVersion() {
    std::cout << "quorvel (Quorvel) " QVL_VERSION "\n"
                 "Copyright (C) 2026 the Quorvel developers.\n"
                 "There is NO WARRANTY, to the extent permitted by law.\n";
}

std::string helpText() { return Parser().app.help(); }

}  // namespace

void fail(const std::string& message) {
    std::cerr << "quorvel: " << message << "\n" << helpText();
    std::exit(2);
}

Options parseCommandLine(int argc, char** argv) {
    Parser p;
    try {
        p.app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << p.app.help();
        std::exit(0);
    } catch (const CLI::CallForVersion&) {
        printVersion();
        std::exit(0);
    } catch (const CLI::ArgumentMismatch& e) {
        // "--input: 1 required FILE missing": the option came last, without its value.
        const std::string what = e.what();
        fail(what.substr(0, what.find(':')) + " needs a value");
    } catch (const CLI::ParseError& e) {
        fail(e.what());
    }
    p.finish();
    return p.o;
}

}  // namespace qvl::program
