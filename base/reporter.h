#pragma once
// How an operation reports a script failure: an exclamation box with the message,
// then the script error reporter's question. When the reader chooses to go on, the
// call returns and the operation continues with its fallback.
#include <string>

namespace qvl {

class ScriptErrorReporter {
public:
    virtual ~ScriptErrorReporter() = default;
    // sjisMessage is shown in the box and becomes the report's detail text.
    virtual void scriptError(const std::string& sjisMessage) = 0;
};

}  // namespace qvl
