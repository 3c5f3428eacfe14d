#pragma once
// In-window modal message boxes: a title, a multi-line Japanese body (Shift-JIS,
// lines separated by line feeds), an icon, and OK, OK/Cancel or Yes/No. Mouse,
// Enter (the first button) and Esc (Cancel/No; OK on a box with OK alone) work;
// an Answer event (scripted input) answers it directly.
#include "platform/events.h"
#include "ui/ui_host.h"

#include <string_view>

namespace qvl::ui {

enum class BoxIcon { None, Exclamation, Question, Information };
enum class BoxButtons { Ok, OkCancel, YesNo };

// Returns Ok, Cancel, Yes or No. autoAnswer is what a patient reader would choose
// (used by the headless backend's auto-play mode).
platform::Answer messageBox(UiHost& host, std::string_view sjisTitle, std::string_view sjisBody,
                            BoxIcon icon, BoxButtons buttons,
                            platform::Answer autoAnswer = platform::Answer::None);

}  // namespace qvl::ui
