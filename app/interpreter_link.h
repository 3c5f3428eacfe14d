#pragma once
// The engine's side of the interpreter loop: lines to the dispatcher or the text
// window, a pending load or return to the title, the chapter, and the run
// cycle's look at the window after every line.
#include "script/interpreter.h"

namespace qvl {

class TFmain;

class InterpreterLink final : public InterpreterHost {
public:
    explicit InterpreterLink(TFmain& main) : main_(main) {}

    void dispatch(const std::string& line) override;
    void showTextLine(const std::string& line, int32_t startPosition) override;
    void showUnpagedText(const std::string& text) override;
    void clearTextWindow() override;
    bool restoreSavedGame() override;
    void returnToTitle() override;
    void setChapter(const std::string& title) override;
    void lineExecuted() override;
    void beforeLine() override;

private:
    TFmain& main_;
};

}  // namespace qvl
