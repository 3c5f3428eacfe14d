#pragma once
// Every command word the dispatcher knows, with how many arguments it reads and
// what its file arguments name. The engine registers its handlers against this
// list and the scenario checker reads it, so the two cannot drift apart.
#include <cstdint>
#include <span>
#include <string_view>

namespace qvl {

// What an argument slot names, one character per slot in CommandInfo::roles:
//   'p' a picture file          'k' a transparency: a mask picture unless it starts with '#'
//   's' a sound or music file   'b' a music name, extension from _bgmmode
//   'm' a movie file            'f' a script file
//   'e' an integer expression   'x' a position: a '#' keyword or an expression
//   'c' a colour "#RRGGBB" (empty: the default)   'C' the same, never empty
//   'v' a decimal number        't' a flag written ($flg[..], @flg[..], $sys[..])
//   'r' a text flag read (@flg[..])
//   '-' anything else (labels, keywords, texts)
struct CommandInfo {
    std::string_view word;
    int8_t minArgs;  // below this the command cannot do what it is for
    int8_t maxArgs;  // arguments past this are read and ignored
    std::string_view roles;
};

std::span<const CommandInfo> commandTable();
// The entry of a command word (letter case matters), or nullptr.
const CommandInfo* findCommand(std::string_view word);

}  // namespace qvl
