#pragma once
// The box a script opens to ask the reader for a line of text (a name, say): a
// caption, a prompt, one field, OK and Cancel. Enter is OK, Esc is Cancel; a
// scripted Answer picks the same, and scripted text goes into the field.
#include "ui/ui_host.h"

#include <cstddef>
#include <string>

namespace qvl::ui {

struct InputBoxOptions {
    std::string caption;         // window title, Shift-JIS
    std::string prompt;          // line(s) above the field, Shift-JIS, '\n' separates lines
    std::string initialText;     // Shift-JIS, caret at its end
    std::size_t maxBytes = 255;  // limit of the Shift-JIS text
};

struct InputBoxResult {
    bool ok = false;
    std::string text;  // the field's text, Shift-JIS, whether OK or Cancel
};

InputBoxResult inputBox(UiHost& host, const InputBoxOptions& options);

}  // namespace qvl::ui
