#include "app/interpreter_link.h"

#include "app/tfmain.h"

namespace qvl {

void InterpreterLink::dispatch(const std::string& line) {
    main_.dispatcher.dispatch(line);
}
void InterpreterLink::showTextLine(const std::string& line, int32_t startPosition) {
    main_.text.showTextLine(line, startPosition);
}
void InterpreterLink::showUnpagedText(const std::string& text) {
    main_.text.showUnpagedText(text);
}
void InterpreterLink::clearTextWindow() {
    main_.text.clearTextWindow();
}
bool InterpreterLink::restoreSavedGame() {
    return main_.saveLink.restore();
}
void InterpreterLink::returnToTitle() {
    main_.returnToTitle();
}
void InterpreterLink::setChapter(const std::string& title) {
    main_.state.ProgChapter = title;
    main_.shell.setWindowCaption(title);
    main_.transcript.write("chapter", title);
}
void InterpreterLink::lineExecuted() {
    main_.cycle.lineExecuted();
}
void InterpreterLink::beforeLine() {
    if (main_.settings.DebugMode || main_.options.reloadScripts) main_.reloader.check();
    if (main_.options.hook) main_.options.hook->beforeLine();
}

}  // namespace qvl
