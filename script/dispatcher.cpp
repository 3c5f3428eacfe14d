#include "script/dispatcher.h"

#include "script/messages.h"
#include "script/tokenizer.h"

namespace qvl {

void Dispatcher::dispatch(std::string line) {
    word_ = tokenize(line, state_.ProgArgs);
    const std::string_view w = word_;
    if (w.substr(0, 2) == "_(" && conditional_) return conditional_();
    if ((w.substr(0, 5) == "_$flg" || w.substr(0, 5) == "_@flg") && flagAssignment_) return flagAssignment_();
    // Block markers (_endthen, _endsel ...) are read by the commands that own the
    // blocks; met here they do nothing.
    if (w.substr(0, 4) == "_end") return;
    if (auto it = table_.find(word_); it != table_.end()) return it->second();
    reporter_.scriptError(message(Message::BadCommand) + word_);
}

}  // namespace qvl
