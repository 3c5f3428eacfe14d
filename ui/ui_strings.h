#pragma once
// The texts the widget kit shows, in Shift-JIS, converted once from the UTF-8 table.
#include <string>

namespace qvl::ui {

enum class UiText {
    Ok,
    Cancel,
    Yes,
    No,
    FileNotFound,
    LookIn,
    FileName,
    FileType,
    AllFiles,
    Menu,      // spoken: the popup menu opened
    Disabled,  // spoken after a greyed item
    Checked,   // spoken after an item with its check mark
};

const std::string& uiText(UiText id);

}  // namespace qvl::ui
