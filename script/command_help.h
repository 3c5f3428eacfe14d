#pragma once
// A short description of every command word, for editors: how a line with it is
// written and what it does. Kept beside the command table; a test holds the two
// to the same words.
#include <string_view>

namespace qvl {

struct CommandHelp {
    std::string_view word;
    std::string_view usage;    // the line as it is written, arguments in capitals
    std::string_view summary;  // one or two sentences
};

// The description of a command word (letter case matters), or nullptr.
const CommandHelp* findCommandHelp(std::string_view word);

}  // namespace qvl
