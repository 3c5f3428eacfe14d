#pragma once
// Read coverage: which text lines readers were shown, from the read marks
// (textid.dat) their runs left, per script file and per scene of the branch map.
// A text line is known by its "~" identifier; lines without one leave no mark and
// are counted apart.
#include "authoring/scenario_files.h"
#include "authoring/story_map.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qvl::authoring {

struct TextLine {
    std::string file;  // as read, UTF-8
    int32_t line = 0;  // from 1
    int32_t id = 0;
    std::string text;  // UTF-8, without the identifier
    bool read = false;
};

struct FileCoverage {
    std::string file;
    int read = 0, total = 0;
    int withoutId = 0;  // text lines no mark can record
};

struct CoverageReport {
    std::vector<std::string> marks;  // the files the marks came from
    std::vector<FileCoverage> files;
    std::vector<TextLine> lines;         // every text line with an identifier, file by file
    std::vector<ReadShare> scenes;       // per StoryMap scene (empty without a map)
};

// Marks from several files: a line counts as read when any file marks it.
CoverageReport readCoverage(ScenarioFiles& files, const std::vector<std::string>& markFiles,
                            const std::vector<std::string>& markBytes, const StoryMap* map);

std::string coverageText(const CoverageReport& report, const StoryMap* map);
std::string coverageJson(const CoverageReport& report, const StoryMap* map);

}  // namespace qvl::authoring
