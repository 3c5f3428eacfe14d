#include "authoring/tools.h"

#include "authoring/checker.h"
#include "platform/files.h"

#include <iostream>

namespace qvl::authoring {

namespace {

bool enter(const std::string& dir) {
    if (platform::FileSystem::setCurrentPath(dir)) return true;
    std::cerr << "quorvel: cannot enter " << dir << "\n";
    return false;
}

}  // namespace

int runCheck(const std::string& dir, bool json) {
    if (!enter(dir)) return 2;
    FolderFiles files;
    const std::vector<Finding> findings = checkScenario(files);
    std::cout << (json ? findingsJson(findings) : findingsText(findings));
    return hasErrors(findings) ? 1 : 0;
}

int runExplore(const std::string& dir, const ExploreOptions& options, bool json) {
    if (!enter(dir)) return 2;
    const ExploreReport report = explore(options);
    std::cout << (json ? exploreJson(report) : exploreText(report));
    bool clean = !report.truncated && report.unreached.empty();
    for (const PathRun& p : report.paths) clean = clean && p.errors.empty();
    return clean ? 0 : 1;
}

}  // namespace qvl::authoring
