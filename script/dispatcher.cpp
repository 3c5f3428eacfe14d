#include "script/dispatcher.h"

#include "script/command_table.h"
#include "script/messages.h"
#include "script/tokenizer.h"

#include <cassert>

namespace qvl {

void Dispatcher::add(const std::string& word, Command command) {
    // The checker judges scripts by the same table, so a handler outside it is a bug.
    assert(findCommand(word) && "command word missing from the command table");
    table_[word] = std::move(command);
}

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
