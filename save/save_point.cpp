#include "save/save_point.h"

#include <algorithm>

namespace qvl {

static_assert(kSavedOptions <= kMaxOptions, "a save keeps only options a block can have");

void captureSavePoint(LiveState live, SavePointSnapshot& s) {
    s.ProgChapter = live.interpreter.ProgChapter;
    s.surfaces = live.bank.states;
    s.sprites = live.bank.sprites;
    s.spriteSheet = live.bank.sheet;
    s.channels = live.channels.all();
    s.textWindow = live.text;
    // The text window keeps no larger size than the current one across a line.
    s.lineLargestSize = live.text.sizeIndex;
    s.whiteText = false;
    s.interpreter = live.interpreter;
    for (int i = 0; i < kSavedOptions; ++i) {
        s.OptionLabels[std::size_t(i)] = live.options.OptionLabels[std::size_t(i)];
        s.OptionCommands[std::size_t(i)] = live.options.OptionCommands[std::size_t(i)];
    }
    s.ClickFlagIndex = live.ClickFlagIndex;
    s.autoRefreshMode = live.autoRefreshMode;
    s.lineMode = false;
    s.darknessSuppressed = live.darknessSuppressed;
    s.popupSuppressed = live.popupSuppressed;
    s.logSuppressed = live.log.logSuppressed;
    for (int i = 0; i < kGameFlags; ++i) s.flags[std::size_t(i)] = live.flags.text(i);
    live.log.takeLogSnapshot();
}

void applySavePoint(const SavePointSnapshot& s, LiveState live, const std::array<std::string, 7>& fontTable) {
    live.interpreter.ProgChapter = s.ProgChapter;
    live.bank.states = s.surfaces;
    live.bank.sprites = s.sprites;
    live.bank.sheet = s.spriteSheet;
    for (std::size_t i = 0; i < 3; ++i) {
        PlaybackChannel& c = live.channels.all()[i];
        c.fileName = s.channels[i].fileName;
        c.playCount = s.channels[i].playCount;
        c.loopLimit = s.channels[i].loopLimit;
    }
    const std::string fontName = live.text.fontName, rubyFontName = live.text.rubyFontName;
    live.text = s.textWindow;
    const std::size_t face = std::size_t(std::clamp(s.textWindow.fontIndex, 0, 6));
    live.text.fontName = fontTable[face].empty() ? fontName : fontTable[face];
    live.text.rubyFontName = fontTable[3].empty() ? rubyFontName : fontTable[3];
    live.interpreter = s.interpreter;
    for (int i = 0; i < kSavedOptions; ++i) {
        live.options.OptionLabels[std::size_t(i)] = s.OptionLabels[std::size_t(i)];
        live.options.OptionCommands[std::size_t(i)] = s.OptionCommands[std::size_t(i)];
    }
    live.ClickFlagIndex = s.ClickFlagIndex;
    live.autoRefreshMode = s.autoRefreshMode;
    live.darknessSuppressed = s.darknessSuppressed;
    live.popupSuppressed = s.popupSuppressed;
    live.log.logSuppressed = s.logSuppressed;
    for (int i = 0; i < kGameFlags; ++i) live.flags.setFlagText(i, s.flags[std::size_t(i)]);
}

}  // namespace qvl
