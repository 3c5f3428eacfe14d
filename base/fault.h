#pragma once
// The one exception type of the engine: a fault of the run-time (a file that
// cannot be opened, text that is not a number where one is read, a division by
// zero). It ends the current interpreter run; the run's failure handler reports it.
#include <stdexcept>
#include <string>

namespace qvl {

class Fault : public std::runtime_error {
public:
    // The message is Shift-JIS, like every text inside the engine.
    explicit Fault(const std::string& sjisMessage) : std::runtime_error(sjisMessage) {}
};

}  // namespace qvl
