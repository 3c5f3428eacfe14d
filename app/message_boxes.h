#pragma once
// The engine's message boxes, each with its transcript line, and the error
// reporter: a script failure shows a box, then asks whether to stop; No keeps the
// report in the error list and the run goes on.
#include "base/reporter.h"
#include "platform/events.h"
#include "ui/message_box.h"

#include <string>

namespace qvl {

class TFmain;

class MessageBoxes final : public ScriptErrorReporter {
public:
    explicit MessageBoxes(TFmain& main) : main_(main) {}

    platform::Answer messageBox(const std::string& title, const std::string& body, ui::BoxIcon icon,
                                ui::BoxButtons buttons, platform::Answer autoAnswer);
    // A box with the application's title and an OK button.
    void warn(const std::string& body);
    // The error reporter: a Yes ends the program with exit code 1.
    void reportScriptError(const std::string& message);
    // ScriptErrorReporter: the box, then the report. Faults that end an
    // interpreter run are reported the same way.
    void scriptError(const std::string& message) override;

private:
    TFmain& main_;
};

}  // namespace qvl
