#include "app/message_boxes.h"

#include "app/texts.h"
#include "app/tfmain.h"

namespace qvl {

using platform::Answer;

Answer MessageBoxes::messageBox(const std::string& title, const std::string& body, ui::BoxIcon icon,
                                ui::BoxButtons buttons, Answer autoAnswer) {
    Answer a = ui::messageBox(main_.cycle, title, body, icon, buttons, autoAnswer);
    const char* name = a == Answer::Ok ? "ok" : a == Answer::Cancel ? "cancel" : a == Answer::Yes ? "yes" : "no";
    main_.transcript.write("box", title + " | " + body + " -> " + name);
    return a;
}

void MessageBoxes::warn(const std::string& body) {
    messageBox(text(Text::AppTitle), body, ui::BoxIcon::Exclamation, ui::BoxButtons::Ok, Answer::Ok);
}

void MessageBoxes::reportScriptError(const std::string& message) {
    const InterpreterState& state = main_.state;
    // Before any script is loaded (a bad configuration file) the message names its own file and line.
    std::string detail =
        state.ProgFileName.empty()
            ? message
            : "File:" + state.ProgFileName + " Line:" + std::to_string(int64_t(state.ProgExecLine) + 1) + "/" + message;
    main_.transcript.write("error", detail);
    Answer a = messageBox(detail, text(Text::ErrorQuestion), ui::BoxIcon::Question, ui::BoxButtons::YesNo, Answer::No);
    if (a == Answer::Yes) throw ProgramExit{1};
    main_.errors.add(detail);
    main_.debugLink.addError(detail);
}

void MessageBoxes::scriptError(const std::string& message) {
    warn(message);
    reportScriptError(message);
}

}  // namespace qvl
