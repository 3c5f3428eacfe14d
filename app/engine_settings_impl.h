#pragma once
#include "base/sjis.h"

namespace qvl {

template <typename IsInstalled>
std::string resolveFontCandidates(const std::string& list, IsInstalled isInstalled) {
    if (list.empty()) return {};
    for (const std::string& name : sjis::split(list, ','))
        if (isInstalled(name)) return name;
    return {};
}

}  // namespace qvl
