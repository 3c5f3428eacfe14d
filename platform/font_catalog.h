#pragma once
// The installed fonts as the font engine sees them: which files hold which
// families. On a desktop fontconfig knows; the browser build has only the faces
// bundled with the page and reads their names itself.
#include <optional>
#include <string>
#include <vector>

namespace qvl::platform {

struct InstalledFace {
    std::string file;
    int index = 0;
    int styleDistance = 0;  // 0 for the regular style; larger the further from it
    std::vector<std::string> families;  // UTF-8, every name the face is listed under
};

std::vector<InstalledFace> listInstalledFaces();
// Whatever the system offers for Japanese text when none of the faces we know is
// installed.
std::optional<InstalledFace> matchJapaneseFace();

}  // namespace qvl::platform
