#pragma once
// The state of a run as JSON (UTF-8), for --dump-state: each subsystem's part,
// assembled in the dump's order.
#include <string>

namespace qvl {

class TFmain;

std::string stateJson(const TFmain& main);

}  // namespace qvl
