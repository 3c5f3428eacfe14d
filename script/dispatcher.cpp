#include "script/dispatcher.h"

#include "script/command_table.h"
#include "script/messages.h"
#include "script/tokenizer.h"

#include <algorithm>
#include <cassert>

namespace qvl {

void Dispatcher::add(const std::string& word, Command command) {
    // The checker judges scripts by the same table, so a handler outside it is a bug.
    assert(findCommand(word) && "command word missing from the command table");
    table_[word] = std::move(command);
}

void Dispatcher::dispatch(std::string line) {
    if (depth_ >= kMaxCommandNesting) {
        reporter_.scriptError(message(Message::CommandsTooDeep) + std::to_string(kMaxCommandNesting));
        return;
    }
    ++depth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{depth_};

    // A conditional line may carry another as its command, thousands deep: the
    // prefixes are taken one after another in the same line, never copied.
    std::string_view rest = line;
    while (conditional_ && rest.size() >= 2 && rest[1] == '(') {
        ConditionalParts parts = splitConditional(rest);
        if (!parts.word.starts_with("_(")) break;
        for (auto& a : state_.ProgArgs) a.clear();
        word_ = std::move(parts.word);
        const std::string_view command = rest.substr(std::min(parts.command - 1, rest.size()));
        if (!conditional_()) {
            state_.ProgArgs[0] = command;
            return;
        }
        rest = command;
    }

    word_ = tokenize(rest, state_.ProgArgs);
    const std::string_view w = word_;
    if ((w.substr(0, 5) == "_$flg" || w.substr(0, 5) == "_@flg") && flagAssignment_) return flagAssignment_();
    // Block markers (_endthen, _endsel ...) are read by the commands that own the
    // blocks; met here they do nothing.
    if (w.substr(0, 4) == "_end") return;
    if (auto it = table_.find(word_); it != table_.end()) return it->second();
    reporter_.scriptError(message(Message::BadCommand) + word_);
}

}  // namespace qvl
