#pragma once
// The in-window file-open chooser: a folder view with its entries, a file-name
// field, a file-type filter and OK/Cancel. The process's current directory follows
// the folder the user picks from, as the original dialog did.
#include "ui/ui_host.h"

#include <filesystem>
#include <optional>
#include <string>

namespace qvl::ui {

struct FileChooserOptions {
    std::string title;        // Shift-JIS
    std::string initialName;  // proposed file name, Shift-JIS
    std::string defaultExt;   // without the dot, added to a typed name that has none
    // "description|pattern|description|pattern..." with patterns such as "*.txt",
    // Shift-JIS; the first pair is selected at start.
    std::string filter;
    bool mustExist = true;    // only existing files can be chosen
};

// The chosen file's full path, or nothing when the user cancels. The scripted
// Answer Cancel cancels; Answer Ok confirms the name in the field.
std::optional<std::filesystem::path> chooseFile(UiHost& host, const FileChooserOptions& options);

}  // namespace qvl::ui
