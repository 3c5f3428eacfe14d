#include "script/command_table.h"

#include <array>

namespace qvl {

namespace {

// clang-format off
constexpr std::array kCommands{
    // Text window
    CommandInfo{"_textclear", 0, 0, ""},
    CommandInfo{"_textrect", 0, 4, "eeee"},
    CommandInfo{"_textcur", 0, 2, "ee"},
    CommandInfo{"_textcurto", 0, 2, "ee"},
    CommandInfo{"_textloc", 0, 2, "ee"},
    CommandInfo{"_textlocto", 0, 2, "ee"},
    CommandInfo{"_textwait", 0, 1, "e"},
    CommandInfo{"_textoffset", 0, 2, "ee"},
    CommandInfo{"_textimage", 3, 4, "eep-"},
    // Timing and waiting
    CommandInfo{"_waitset", 0, 0, ""},
    CommandInfo{"_wait", 1, 1, "e"},
    CommandInfo{"_delay", 0, 1, "e"},
    CommandInfo{"_mouseclick", 0, 0, ""},
    CommandInfo{"_stop", 0, 1, "-"},
    CommandInfo{"_version", 1, 2, "v-"},
    CommandInfo{"_winexit", 0, 0, ""},
    // Scene
    CommandInfo{"_refresh", 0, 0, ""},
    CommandInfo{"_fade", 1, 1, "-"},
    CommandInfo{"_autorefresh", 1, 1, "-"},
    CommandInfo{"_smartrefresh", 0, 3, "---"},
    CommandInfo{"_bgload", 1, 1, "p"},
    CommandInfo{"_objload", 2, 3, "epk"},
    CommandInfo{"_objput", 2, 5, "epkxx"},
    CommandInfo{"_objset", 1, 4, "eexx"},
    CommandInfo{"_objclear", 0, 1, "e"},
    CommandInfo{"_sprload", 3, 4, "peek"},
    CommandInfo{"_sprset", 3, 3, "eee"},
    CommandInfo{"_sprput", 3, 3, "eee"},
    CommandInfo{"_sprhide", 1, 1, "e"},
    CommandInfo{"_sprclear", 0, 0, ""},
    CommandInfo{"_sprrefresh", 0, 0, ""},
    CommandInfo{"_spranime", 2, 2, "ee"},
    CommandInfo{"_efload", 1, 3, "pke"},
    CommandInfo{"_efset", 1, 5, "e-eee"},
    CommandInfo{"_shake", 0, 3, "eee"},
    CommandInfo{"_movplay", 3, 5, "-eeee"},
    // Effects
    CommandInfo{"_scroll", 3, 5, "eCeee"},
    CommandInfo{"_bhole", 11, 11, "peeeeeeeeee"},
    CommandInfo{"_bholeop", 15, 15, "peeeeeeeeeeeeep"},
    CommandInfo{"_bholeover", 15, 15, "peeeeeeeeeeeepp"},
    // Choices
    CommandInfo{"_selmenu", 0, 4, "eecc"},
    CommandInfo{"_selbutton", 5, 6, "eepeek"},
    CommandInfo{"_selcgmode", 6, 7, "eepeeek"},
    CommandInfo{"_branch", 1, 1, "e"},
    // Sound and movies
    CommandInfo{"_bgmmode", 1, 1, "e"},
    CommandInfo{"_bgmplay", 1, 2, "be"},
    CommandInfo{"_bgmstop", 0, 0, ""},
    CommandInfo{"_midiplay", 1, 2, "se"},
    CommandInfo{"_midistop", 0, 0, ""},
    CommandInfo{"_cdplay", 1, 2, "ee"},
    CommandInfo{"_cdstop", 0, 0, ""},
    CommandInfo{"_pcmplay", 1, 2, "se"},
    CommandInfo{"_pcmstop", 0, 0, ""},
    CommandInfo{"_aviplay", 1, 5, "meeee"},
    // Control flow
    CommandInfo{"_goto", 0, 2, "-f"},
    CommandInfo{"_gosub", 0, 1, "-"},
    CommandInfo{"_return", 0, 1, "-"},
    CommandInfo{"_if", 1, 1, "e"},
    CommandInfo{"_then", 0, 0, ""},
    CommandInfo{"_else", 0, 0, ""},
    // Message log and scenario switches
    CommandInfo{"_logclear", 0, 0, ""},
    CommandInfo{"_lognext", 0, 0, ""},
    CommandInfo{"_sysdark", 1, 1, "e"},
    CommandInfo{"_syspopup", 1, 1, "e"},
    CommandInfo{"_syssave", 1, 1, "e"},
    CommandInfo{"_syslog", 1, 1, "e"},
    // Flags
    CommandInfo{"_flgclear", 1, 2, "e-"},
    CommandInfo{"_flginstr", 4, 5, "tt--e"},
    CommandInfo{"_flginstrd", 4, 5, "tr--e"},
    CommandInfo{"_flgclick", 0, 1, "t"},
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
