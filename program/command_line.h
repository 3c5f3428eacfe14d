#pragma once
// quorvel's command line: the options, read with CLI11. --help prints them and the
// manual page is made from that output.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qvl::program {

struct Options {
    bool headless = false, autoPlay = false, verbose = false, transcript = false, startupTime = false;
    bool demo = false;
    int scale = 0;  // 0: the largest whole multiple that fits the desktop
    bool selfVoicing = false;
    std::optional<uint32_t> maxMs;
    uint64_t maxSteps = 10'000'000;
    std::string input, dumpState, screenshot, readBack, frames, dir;
    std::string audioOut;
    std::string debugScreenshot;
    std::string check, explore;  // the authors' tools, each on its folder
    bool json = false;
    int maxRuns = 1000;
    std::string coverage;             // the read-coverage report on its folder
    std::vector<std::string> marks;   // --coverage: textid.dat files
    std::string map;                  // --explore, --coverage: the branch map to draw
    int mapDepth = -1;
    bool lsp = false, dap = false;  // the editors' servers, on stdin and stdout
};

// Reads the command line. --help and --version print and exit with 0; a mistake
// goes to fail().
Options parseCommandLine(int argc, char** argv);

// "quorvel: MESSAGE" and the help on stderr, then exit code 2.
[[noreturn]] void fail(const std::string& message);

}  // namespace qvl::program
