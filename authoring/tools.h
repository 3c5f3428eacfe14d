#pragma once
// The authors' tools as the command line runs them: output on stdout, the exit
// code returned (0 clean, 1 findings, 2 the folder cannot be used).
#include "authoring/explorer.h"

#include <string>
#include <vector>

namespace qvl::authoring {

// The branch map to draw after an exploration: FILE.svg, FILE.png or FILE.dot.
struct MapRequest {
    std::string file;  // empty: no map
    int maxDepth = -1;
};

// Whether a map file's name says a format the map can be written in.
bool knownMapFormat(const std::string& file);

int runCheck(const std::string& dir, bool json);
int runExplore(const std::string& dir, ExploreOptions options, bool json, const MapRequest& map);
// marks: textid.dat files; none means the scenario's own.
int runCoverage(const std::string& dir, ExploreOptions options, const std::vector<std::string>& marks, bool json,
                const MapRequest& map);

}  // namespace qvl::authoring
