#pragma once
// The authors' tools as the command line runs them: output on stdout, the exit
// code returned (0 clean, 1 findings, 2 the folder cannot be used).
#include "authoring/explorer.h"

#include <string>

namespace qvl::authoring {

int runCheck(const std::string& dir, bool json);
int runExplore(const std::string& dir, const ExploreOptions& options, bool json);

}  // namespace qvl::authoring
