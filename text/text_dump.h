#pragma once
// The text window's and the message log's parts of the state dump (--dump-state).
#include "text/message_log.h"
#include "text/text_window_state.h"

#include <nlohmann/json_fwd.hpp>

namespace qvl {

nlohmann::ordered_json toJson(const TextWindowState& t);
nlohmann::ordered_json toJson(const MessageLog& log);
// The page view as the reader sees it: page 1 is the newest.
nlohmann::ordered_json logViewJson(const MessageLog& log);

}  // namespace qvl
