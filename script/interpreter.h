#pragma once
// The interpreter loop: one line at a time, each handed to the dispatcher or the
// text window; a pending load or return to the title is carried out between two
// lines. The loop runs the whole scenario; every wait happens inside the
// operation that needs it.
#include "script/interpreter_state.h"
#include "script/script_program.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qvl {

// What the loop needs of the rest of the engine.
class InterpreterHost {
public:
    virtual ~InterpreterHost() = default;
    virtual void dispatch(const std::string& line) = 0;
    virtual void showTextLine(const std::string& line, int32_t startPosition) = 0;
    virtual void showUnpagedText(const std::string& text) = 0;
    virtual void clearTextWindow() = 0;
    // False when the saved game could not be read: the running game goes on as it was.
    virtual bool restoreSavedGame() = 0;
    virtual void returnToTitle() = 0;
    virtual void setChapter(const std::string& title) = 0;  // also the window caption
    // After every line: a scenario that never waits still lets the window live.
    virtual void lineExecuted() {}
    // Before every line, with ProgExecLine on it: the line boundary where an
    // edited script is taken in and a debugger stops. May replace the program.
    virtual void beforeLine() {}
};

enum class LineKind { Blank, Command, Chapter, Label, Comment, Unpaged, Text };

struct ClassifiedLine {
    LineKind kind = LineKind::Blank;
    std::string text;        // the line after trimming and without a "~" prefix
    int32_t textId = -1;     // the "~" identifier, or -1
};

// Trims the line, takes off a "~XXXXXXXX" identifier (a fault when the eight
// characters are not hexadecimal) and decides its kind by the first byte.
ClassifiedLine classifyLine(std::string_view line);

class Interpreter {
public:
    Interpreter(ScriptProgram& program, InterpreterState& state, int32_t& currentTextId,
                int32_t& pendingAction, InterpreterHost& host)
        : program_(program), state_(state), currentTextId_(currentTextId), pendingAction_(pendingAction),
          host_(host) {}

    // Runs until the program counter leaves the script. Faults propagate.
    void run();
    // Executes the line at ProgExecLine (one step of the loop without the advance).
    void executeLine(std::string_view line);

private:
    void afterLine();
    bool running() const;

    ScriptProgram& program_;
    InterpreterState& state_;
    int32_t& currentTextId_;
    int32_t& pendingAction_;
    InterpreterHost& host_;
};

}  // namespace qvl
