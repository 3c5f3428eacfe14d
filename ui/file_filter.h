#pragma once
// File-type filters of the file chooser: "description|pattern|description|pattern",
// each pattern a ';'-separated list of wildcards ("*.txt;*.doc"), matched without
// regard to letter case. "*.*" takes every file, with or without a dot.
#include <string>
#include <string_view>
#include <vector>

namespace qvl::ui {

struct FileFilter {
    std::string description;            // Shift-JIS
    std::vector<std::string> patterns;  // Shift-JIS wildcards
};

// Never empty: without any usable pair the list holds one filter for all files.
std::vector<FileFilter> parseFileFilter(std::string_view sjis);

// '*' is any run of characters, '?' one character (a double-byte one counts as one).
bool matchesPattern(std::string_view sjisName, std::string_view sjisPattern);
bool matchesFilter(std::string_view sjisName, const FileFilter& filter);

}  // namespace qvl::ui
