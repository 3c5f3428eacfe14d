#include "script/command_help.h"

#include <array>

namespace qvl {

namespace {

// clang-format off
constexpr std::array kHelp{
    // Text window
    CommandHelp{"_textclear", "_textclear", "Empties the text window and starts a new page; the game is saved from here."},
    CommandHelp{"_textrect", "_textrect X1,Y1,X2,Y2", "Erases a rectangle of the text layer."},
    CommandHelp{"_textcur", "_textcur COLUMN,ROW", "Puts the text cursor on a character cell; an empty value keeps that coordinate."},
    CommandHelp{"_textcurto", "_textcurto COLUMNS,ROWS", "Moves the text cursor by whole cells."},
    CommandHelp{"_textloc", "_textloc X,Y", "Puts the text cursor at a pixel position; an empty value keeps that coordinate."},
    CommandHelp{"_textlocto", "_textlocto DX,DY", "Moves the text cursor by pixels."},
    CommandHelp{"_textwait", "_textwait N", "Sets the pause after each character drawn (empty: 1)."},
    CommandHelp{"_textoffset", "_textoffset X,Y", "Sets where _textimage pictures go relative to the cursor."},
    CommandHelp{"_textimage", "_textimage X,Y,FILE,TRANSPARENCY", "Draws a picture into the text layer, at the cursor when X and Y are empty."},
    // Timing and waiting
    CommandHelp{"_waitset", "_waitset", "Marks the current time for a later _wait."},
    CommandHelp{"_wait", "_wait MS", "Waits until MS milliseconds after the last _waitset."},
    CommandHelp{"_delay", "_delay MS", "Waits MS milliseconds; clicks do not end it."},
    CommandHelp{"_mouseclick", "_mouseclick", "Waits for a click; the right button does not open the menu meanwhile."},
    CommandHelp{"_stop", "_stop CAPTION", "Stops the story until the player loads a game or returns to the title."},
    CommandHelp{"_version", "_version VERSION,STOP", "Warns when the scenario needs a newer engine; ends the program when STOP is 1."},
    CommandHelp{"_winexit", "_winexit", "Asks whether to quit and, on OK, saves the player's files and ends the program."},
    // Scene
    CommandHelp{"_refresh", "_refresh", "Shows the composed scene now."},
    CommandHelp{"_fade", "_fade NAME", "Shows the composed scene through the named transition."},
    CommandHelp{"_autorefresh", "_autorefresh MODE", "Sets whether scene commands show their change by themselves, and how."},
    CommandHelp{"_smartrefresh", "_smartrefresh FIRST,SECOND,NODARK", "Shows the new scene without the text window, then brings the text back."},
    CommandHelp{"_bgload", "_bgload FILE", "Loads the background picture."},
    CommandHelp{"_objload", "_objload SLOT,FILE,TRANSPARENCY", "Loads a person picture into slot 0-2 without showing it."},
    CommandHelp{"_objput", "_objput SLOT,FILE,TRANSPARENCY,X,Y", "Loads a person picture into a slot and shows it at X,Y (a keyword or a number)."},
    CommandHelp{"_objset", "_objset SLOT,SHOW,X,Y", "Shows, hides or moves the person picture of a slot."},
    CommandHelp{"_objclear", "_objclear SHOW", "Applies SHOW to all three person slots; -1 empties them."},
    CommandHelp{"_sprload", "_sprload FILE,WIDTH,HEIGHT,TRANSPARENCY", "Loads the sprite sheet, cut into cells of WIDTH x HEIGHT."},
    CommandHelp{"_sprset", "_sprset SLOT,COLUMN,ROW", "Chooses the sheet cell a sprite shows."},
    CommandHelp{"_sprput", "_sprput SLOT,X,Y", "Shows a sprite at X,Y."},
    CommandHelp{"_sprhide", "_sprhide SLOT", "Hides a sprite."},
    CommandHelp{"_sprclear", "_sprclear", "Removes every sprite."},
    CommandHelp{"_sprrefresh", "_sprrefresh", "Draws the sprites again."},
    CommandHelp{"_spranime", "_spranime SLOT,COUNT", "Sets how many cells a sprite's animation runs through."},
    CommandHelp{"_efload", "_efload FILE,TRANSPARENCY,ALIGN", "Loads the effect layer's picture."},
    CommandHelp{"_efset", "_efset SHOW,KIND,X,Y,ORDER", "Shows or hides the effect layer and places it."},
    CommandHelp{"_shake", "_shake AMPLITUDE,COUNT,MS", "Shakes the screen (defaults 16, 5 and 100)."},
    CommandHelp{"_movplay", "_movplay BASE,FIRST,LAST,MS,OVERLAY", "Plays numbered pictures BASE+FIRST to BASE+LAST as a movie."},
    // Effects
    CommandHelp{"_scroll", "_scroll MS,COLOUR,STEP,SKIPPABLE,MODE", "Rolls the lines up to _endscroll over the screen."},
    CommandHelp{"_bhole", "_bhole FILE,...", "The black-hole effect with a picture and ten values."},
    CommandHelp{"_bholeop", "_bholeop FILE,...", "The black hole opening, with a picture, thirteen values and a second picture."},
    CommandHelp{"_bholeover", "_bholeover FILE,...", "The black hole over the scene, with a picture, twelve values and two pictures."},
    // Choices
    CommandHelp{"_selmenu", "_selmenu X,Y,HIGHLIGHT,NORMAL", "A text menu of the option lines up to _endsel: LABEL,CONDITION,COMMAND each."},
    CommandHelp{"_selbutton", "_selbutton X,Y,SHEET,WIDTH,HEIGHT,TRANSPARENCY", "Picture buttons cut from SHEET for the option lines up to _endsel."},
    CommandHelp{"_selcgmode", "_selcgmode X,Y,SHEET,WIDTH,HEIGHT,COLUMNS,TRANSPARENCY", "A grid of pictures for the option lines up to _endsel; locked ones show as such."},
    CommandHelp{"_branch", "_branch N", "Runs the lines up to _endbranch only when option N was the last one chosen."},
    // Sound and movies
    CommandHelp{"_bgmmode", "_bgmmode MODE", "Chooses what _bgmplay plays: 0 .mid, 1 and 2 .mp3, 3 .wav, 4 CD tracks."},
    CommandHelp{"_bgmplay", "_bgmplay NAME,COUNT", "Plays music by name without extension, COUNT times (0: for ever)."},
    CommandHelp{"_bgmstop", "_bgmstop", "Stops the music."},
    CommandHelp{"_midiplay", "_midiplay FILE,COUNT", "Plays a music file COUNT times (0: for ever)."},
    CommandHelp{"_midistop", "_midistop", "Stops the music."},
    CommandHelp{"_cdplay", "_cdplay TRACK,COUNT", "Plays a CD track."},
    CommandHelp{"_cdstop", "_cdstop", "Stops the CD track."},
    CommandHelp{"_pcmplay", "_pcmplay FILE,COUNT", "Plays a sound effect."},
    CommandHelp{"_pcmstop", "_pcmstop", "Stops the sound effect."},
    CommandHelp{"_aviplay", "_aviplay FILE,LEFT,TOP,WIDTH,HEIGHT", "Plays a movie in a rectangle of the screen and waits for its end."},
    // Control flow
    CommandHelp{"_goto", "_goto LABEL,FILE", "Jumps to LABEL, in FILE when one is given (its first line when LABEL is empty)."},
    CommandHelp{"_gosub", "_gosub LABEL", "Calls LABEL; _return comes back to the next line. 16 calls deep at most."},
    CommandHelp{"_return", "_return LABEL", "Returns from _gosub, or jumps to LABEL dropping the return."},
    CommandHelp{"_if", "_if CONDITION", "Evaluates CONDITION for the following _then and _else."},
    CommandHelp{"_then", "_then", "Runs the lines up to _endthen when the last _if was true."},
    CommandHelp{"_else", "_else", "Runs the lines up to _endelse when the last _if was false."},
    // Message log and scenario switches
    CommandHelp{"_logclear", "_logclear", "Empties the message log."},
    CommandHelp{"_lognext", "_lognext", "Starts a new page of the message log."},
    CommandHelp{"_sysdark", "_sysdark N", "1: the scene is not darkened under menus and dialogs."},
    CommandHelp{"_syspopup", "_syspopup N", "1: the right button does not open the popup menu."},
    CommandHelp{"_syssave", "_syssave N", "1: page changes take no save point, so saving waits."},
    CommandHelp{"_syslog", "_syslog N", "1: shown text is kept out of the message log."},
    // Flags
    CommandHelp{"_flgclear", "_flgclear RANGE,TEXT", "Sets flags to TEXT: 0 the game's (0-255), 1 the global ones (256-511), 2 all."},
    CommandHelp{"_flginstr", "_flginstr TARGET,RESULT,CAPTION,PROMPT,MAX", "Lets the player edit a text flag; RESULT says whether it fitted MAX bytes."},
    CommandHelp{"_flginstrd", "_flginstrd TARGET,SOURCE,CAPTION,PROMPT,MAX", "Asks for a text flag, again until it fits MAX bytes."},
    CommandHelp{"_flgclick", "_flgclick FLAG", "Every click on the picture sets FLAG to 1 from now on (empty or -1: off)."},
    // Saving and loading
    CommandHelp{"_winsave", "_winsave", "Opens the save dialog."},
    CommandHelp{"_winload", "_winload", "Opens the load dialog; the chosen game continues after this line."},
};
// clang-format on

}  // namespace

const CommandHelp* findCommandHelp(std::string_view word) {
    for (const CommandHelp& h : kHelp)
        if (h.word == word) return &h;
    return nullptr;
}

}  // namespace qvl
