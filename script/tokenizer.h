#pragma once
// Splitting a command line into its command word and the argument slots.
// Positions are 1-based byte positions; a double-byte character is one unit, so
// its trail byte never counts as a delimiter.
#include "script/interpreter_state.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qvl {

struct Token {
    std::string text;
    std::size_t next = 1;  // the position after the consumed delimiter
};

// One argument: quoted ("..." keeps everything up to the closing quote, the rest
// up to the delimiter is skipped) or unquoted (blanks vanish). It ends at the end
// of the line, a line feed, ',' or the terminator.
Token readToken(std::string_view line, std::size_t position, char terminator);

// The two parts of a conditional line "_(cond),command": the word up to the
// first ',' and the 1-based position where the command starts, blanks skipped
// (past the end when there is none).
struct ConditionalParts {
    std::string word;
    std::size_t command = 1;
};
ConditionalParts splitConditional(std::string_view line);

// Empties all slots, then fills them from the line; returns the command word.
//  _$flg[3]=...  / _@flg[3]=...   flag assignment: slot 0 is the value text
//  _(cond),command                conditional: slot 0 is the command part
//  _word a,b,...                  up to 16 arguments; "*" means empty, an
//                                 unquoted '_' ends the list
std::string tokenize(std::string_view line, std::array<std::string, kArgSlots>& args);

}  // namespace qvl
