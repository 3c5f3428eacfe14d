#include "ui/file_filter.h"

#include "base/sjis.h"
#include "ui/ui_strings.h"

namespace qvl::ui {

namespace {

std::vector<std::string_view> chars(std::string_view s) {
    std::vector<std::string_view> out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = sjis::charLength(s, i);
        out.push_back(s.substr(i, n));
        i += n;
    }
    return out;
}

bool globMatch(const std::vector<std::string_view>& name, const std::vector<std::string_view>& pattern) {
    // Greedy with one backtrack point: the last '*' seen.
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == "?" || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == "*") {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == "*") ++p;
    return p == pattern.size();
}

}  // namespace

std::vector<FileFilter> parseFileFilter(std::string_view sjis) {
    std::vector<FileFilter> filters;
    std::vector<std::string> parts = sjis::split(sjis, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        FileFilter filter{parts[i], {}};
        for (auto& pattern : sjis::split(parts[i + 1], ';')) {
            std::string p = sjis::trim(pattern);
            if (!p.empty()) filter.patterns.push_back(std::move(p));
        }
        if (filter.patterns.empty()) continue;
        if (filter.description.empty()) filter.description = parts[i + 1];
        filters.push_back(std::move(filter));
    }
    if (filters.empty()) filters.push_back({uiText(UiText::AllFiles), {"*.*"}});
    return filters;
}

bool matchesPattern(std::string_view sjisName, std::string_view sjisPattern) {
    if (sjisPattern == "*.*" || sjisPattern == "*") return true;
    return globMatch(chars(sjis::toLower(sjisName)), chars(sjis::toLower(sjisPattern)));
}

bool matchesFilter(std::string_view sjisName, const FileFilter& filter) {
    for (const auto& pattern : filter.patterns) {
        if (matchesPattern(sjisName, pattern)) return true;
    }
    return false;
}

}  // namespace qvl::ui
