#pragma once
// The branch map: the explorer's runs folded into a graph of scenes (what plays
// between two choices), the choices' options as arrows between them, and the
// endings. Written as Graphviz DOT; drawing it is map_drawing's business.
#include "authoring/explorer.h"
#include "authoring/scenario_files.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace qvl::authoring {

struct MapScene {
    std::string chapter, firstText;                  // UTF-8
    std::string firstLine;                           // "FILE:LINE" of its first line
    std::set<std::pair<std::string, int32_t>> lines;  // reached: file as read (UTF-8), line from 1
    std::vector<std::string> errors;                  // reported inside it without ending the run
    int depth = 0;     // choices taken before it on the shortest path
    int choice = -1;   // the choice it ends at, or
    int ending = -1;   // the ending it ends in
    int folded = 0;    // scenes without a branch merged into it
    bool live = true;  // false once merged into another
};

struct MapChoice {
    std::vector<std::string> labels;  // every item, UTF-8
    std::map<int, int> next;          // item taken -> scene
    std::set<int> from;               // the scenes that end here
    bool live = true;
};

struct MapEnding {
    RunEnd end = RunEnd::Finished;
    std::string chapter, lastText, error;  // error: the one that ended the run
};

// How many of a scene's text lines were read: colours the scene.
struct ReadShare {
    int read = 0, total = 0;
};

struct MapStyle {
    int maxDepth = -1;                          // scenes after more choices are cut; -1 draws all
    const std::vector<ReadShare>* reading = nullptr;  // per scene, when read marks were given
};

class StoryMap {
public:
    // files gives the text of the lines no run reached.
    StoryMap(const ExploreReport& report, ScenarioFiles& files);

    const std::vector<MapScene>& scenes() const { return scenes_; }
    const std::vector<MapChoice>& choices() const { return choices_; }
    const std::vector<MapEnding>& endings() const { return endings_; }
    // "chapter / first text", or the first line's place when it shows no text.
    std::string sceneName(int scene) const;

    std::string dot(const MapStyle& style) const;

private:
    int sceneFor(const std::string& key);
    void foldStraightRuns();

    std::vector<MapScene> scenes_;
    std::vector<MapChoice> choices_;
    std::vector<MapEnding> endings_;
    std::map<std::string, int> sceneKeys_, choiceKeys_, endingKeys_;
    // Per file: the unreached ranges with the text of each range's first line.
    std::vector<std::pair<std::string, std::vector<std::pair<LineRange, std::string>>>> unreached_;
    bool truncated_ = false;
    std::size_t paths_ = 0;
};

}  // namespace qvl::authoring
