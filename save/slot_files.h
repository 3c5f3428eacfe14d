#pragma once
// The other files of a save: a slot's flags (data<n>.hfd) and log (data<n>.hld),
// the global flags (data0.hfd) and the read marks (textid.dat). Shift-JIS, CR LF
// lines, as the original program wrote them.
#include "text/message_log.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qvl {

inline constexpr int kFlagFileLines = 256;
// A log file never brings back more pages than this, however many it holds.
inline constexpr int kLoadedLogPages = 15;

// 256 flag texts, one a line.
std::string writeFlagFile(const std::array<std::string, kFlagFileLines>& flags);
// Lines over the given flags; a short file leaves the rest as they are. Throws
// SaveFileFault (and changes nothing) on a line over kMaxSaveLine.
void readFlagFile(std::string_view bytes, std::array<std::string, kFlagFileLines>& flags);

// The pages of the log as of the save point: SaveLogTotalPage pages ending with
// SaveLogStartPage, oldest first, each after a marker line (a TAB and its number).
std::string writeLogFile(const MessageLog& log);
// The log as a load brings it back; a line with a TAB anywhere is a page marker.
// Throws SaveFileFault when the first line is not a number or a line is too long.
MessageLog readLogFile(std::string_view bytes);

// The quick save's slot: its own file set (quick.hfd, .hsd, .hld, .png) beside
// data1-80, never one of the slots the dialog lists.
inline constexpr int kQuickSlot = -1;

// File names of slot n: "data<n>" or, for the quick slot, "quick", with the
// extension of each file.
std::string slotFileStem(int slot);
std::string flagFileName(int slot);
std::string statusFileName(int slot);
std::string logFileName(int slot);
// The slot's thumbnail, a small picture of the screen at its save point.
std::string thumbnailFileName(int slot);

}  // namespace qvl
