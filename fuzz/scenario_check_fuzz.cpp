// Hostile bytes as a start script for the scenario checker: every finding must
// come back as a finding, never as a crash or a read past a buffer.
#include "authoring/checker.h"
#include "authoring/scenario_files.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    qvl::authoring::MemoryFiles files;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    files.add("autorun.txt", bytes);
    // A second script, so jumps between files and their labels are followed too.
    files.add("two.txt", bytes.substr(size / 2));
    qvl::authoring::checkScenario(files);
    return 0;
}
