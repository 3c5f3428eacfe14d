#include "script/command_table.h"

#include <array>

namespace qvl {

namespace {

// clang-format off
constexpr std::array kCommands{
    // Text window
    CommandInfo{"_textclear", 0, 0, ""},
    CommandInfo{"_textrect", 0, 4, "----"},
    CommandInfo{"_textcur", 0, 2, "--"},
    CommandInfo{"_textcurto", 0, 2, "--"},
    CommandInfo{"_textloc", 0, 2, "--"},
    CommandInfo{"_textlocto", 0, 2, "--"},
    CommandInfo{"_textwait", 0, 1, "-"},
    CommandInfo{"_textoffset", 0, 2, "--"},
    CommandInfo{"_textimage", 3, 4, "--p-"},
    // Timing and waiting
    CommandInfo{"_waitset", 0, 0, ""},
    CommandInfo{"_wait", 1, 1, "-"},
    CommandInfo{"_delay", 0, 1, "-"},
    CommandInfo{"_mouseclick", 0, 0, ""},
    CommandInfo{"_stop", 0, 1, "-"},
    CommandInfo{"_version", 1, 2, "--"},
    CommandInfo{"_winexit", 0, 0, ""},
    // Scene
    CommandInfo{"_refresh", 0, 0, ""},
    CommandInfo{"_fade", 1, 1, "-"},
    CommandInfo{"_autorefresh", 1, 1, "-"},
    CommandInfo{"_smartrefresh", 0, 3, "---"},
    CommandInfo{"_bgload", 1, 1, "p"},
    CommandInfo{"_objload", 2, 3, "-pk"},
    CommandInfo{"_objput", 2, 5, "-pk--"},
    CommandInfo{"_objset", 1, 4, "----"},
    CommandInfo{"_objclear", 0, 1, "-"},
    CommandInfo{"_sprload", 3, 4, "p--k"},
    CommandInfo{"_sprset", 3, 3, "---"},
    CommandInfo{"_sprput", 3, 3, "---"},
    CommandInfo{"_sprhide", 1, 1, "-"},
    CommandInfo{"_sprclear", 0, 0, ""},
    CommandInfo{"_sprrefresh", 0, 0, ""},
    CommandInfo{"_spranime", 2, 2, "--"},
    CommandInfo{"_efload", 1, 3, "pk-"},
    CommandInfo{"_efset", 1, 5, "-----"},
    CommandInfo{"_shake", 0, 3, "---"},
    CommandInfo{"_movplay", 3, 5, "-----"},
    // Effects
    CommandInfo{"_scroll", 3, 5, "-----"},
    CommandInfo{"_bhole", 11, 11, "p----------"},
    CommandInfo{"_bholeop", 15, 15, "p-------------p"},
    CommandInfo{"_bholeover", 15, 15, "p------------pp"},
    // Choices
    CommandInfo{"_selmenu", 0, 4, "----"},
    CommandInfo{"_selbutton", 5, 6, "--p--k"},
    CommandInfo{"_selcgmode", 6, 7, "--p---k"},
    CommandInfo{"_branch", 1, 1, "-"},
    // Sound and movies
    CommandInfo{"_bgmmode", 1, 1, "-"},
    CommandInfo{"_bgmplay", 1, 2, "b-"},
    CommandInfo{"_bgmstop", 0, 0, ""},
    CommandInfo{"_midiplay", 1, 2, "s-"},
    CommandInfo{"_midistop", 0, 0, ""},
    CommandInfo{"_cdplay", 1, 2, "--"},
    CommandInfo{"_cdstop", 0, 0, ""},
    CommandInfo{"_pcmplay", 1, 2, "s-"},
    CommandInfo{"_pcmstop", 0, 0, ""},
    CommandInfo{"_aviplay", 1, 5, "m----"},
    // Control flow
    CommandInfo{"_goto", 0, 2, "-f"},
    CommandInfo{"_gosub", 0, 1, "-"},
    CommandInfo{"_return", 0, 1, "-"},
    CommandInfo{"_if", 1, 1, "-"},
    CommandInfo{"_then", 0, 0, ""},
    CommandInfo{"_else", 0, 0, ""},
    // Message log and scenario switches
    CommandInfo{"_logclear", 0, 0, ""},
    CommandInfo{"_lognext", 0, 0, ""},
    CommandInfo{"_sysdark", 1, 1, "-"},
    CommandInfo{"_syspopup", 1, 1, "-"},
    CommandInfo{"_syssave", 1, 1, "-"},
    CommandInfo{"_syslog", 1, 1, "-"},
    // Flags
    CommandInfo{"_flgclear", 1, 2, "--"},
    CommandInfo{"_flginstr", 4, 5, "-----"},
    CommandInfo{"_flginstrd", 4, 5, "-----"},
    CommandInfo{"_flgclick", 0, 1, "-"},
    // Saving and loading
    CommandInfo{"_winsave", 0, 0, ""},
    CommandInfo{"_winload", 0, 0, ""},
};
// clang-format on

}  // namespace

std::span<const CommandInfo> commandTable() { return kCommands; }

const CommandInfo* findCommand(std::string_view word) {
    for (const CommandInfo& c : kCommands)
        if (c.word == word) return &c;
    return nullptr;
}

}  // namespace qvl
