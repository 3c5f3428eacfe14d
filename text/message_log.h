#pragma once
// The message log: the text of the last 16 pages shown, line by line, for paging
// back through it. The text window feeds it every drawn character and line feed
// and opens a new log page whenever it clears its page; scripts can clear it,
// start a page or switch recording off; saves carry the pages and counters.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qvl {

inline constexpr int kLogPages = 16;

class MessageLog {
public:
    // One drawn character (Shift-JIS, one or two bytes) or "\n". Symbol fonts
    // (font index 4 and up) are recorded as spaces.
    void appendToLog(std::string_view character, bool symbolFont = false);
    // Starts the next page of the ring when the current one holds text; the 17th
    // page overwrites the oldest.
    void nextLogPage();
    // _logclear and the return to the title: every page and counter back to empty.
    void clearLog();
    // Called when the save snapshot is taken: names the pages complete before it.
    void takeLogSnapshot();

    std::array<std::vector<std::string>, kLogPages> pages;
    int32_t LogCurrentPage = 0;
    int32_t LogTotalPage = 0;
    int32_t LogCurrentLine = 0;
    bool snapshotPending = true;
    int32_t SaveLogStartPage = -1;
    int32_t SaveLogTotalPage = 0;
    bool logSuppressed = false;
    // The page view: the page shown, counted back from the current one, and
    // whether the view is open.
    int32_t viewOffset = 0;
    bool viewActive = false;
};

// How the page view lays out one log line: lines up to 52 bytes as one row; longer
// ones in pieces of 52 bytes (53 when the 52nd byte starts a double-byte
// character) followed by one empty row. An empty line is one empty row.
std::vector<std::string> logViewRows(std::string_view line);

// Height of the page view's canvas for one page: a header and a blank row, then
// the rows of every line, 32 pixels each, plus a margin of 48.
int32_t logPageHeight(const std::vector<std::string>& page);

}  // namespace qvl
