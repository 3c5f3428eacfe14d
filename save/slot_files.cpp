#include "save/slot_files.h"

#include "base/numbers.h"
#include "base/sjis.h"
#include "save/status_file.h"

#include <algorithm>

namespace qvl {

std::string slotFileStem(int slot) {
    return slot == kQuickSlot ? "quick" : "data" + std::to_string(slot);
}
std::string flagFileName(int slot) {
    return slotFileStem(slot) + ".hfd";
}
std::string statusFileName(int slot) {
    return slotFileStem(slot) + ".hsd";
}
std::string logFileName(int slot) {
    return slotFileStem(slot) + ".hld";
}
std::string thumbnailFileName(int slot) {
    return slotFileStem(slot) + ".png";
}

std::string writeFlagFile(const std::array<std::string, kFlagFileLines>& flags) {
    std::string out;
    for (const std::string& f : flags) out += f + "\r\n";
    return out;
}

void readFlagFile(std::string_view bytes, std::array<std::string, kFlagFileLines>& flags) {
    const std::vector<std::string> lines = sjis::splitLines(bytes, false);
    const std::size_t n = std::min<std::size_t>(lines.size(), kFlagFileLines);
    for (std::size_t i = 0; i < n; ++i)
        if (lines[i].size() > kMaxSaveLine) throw SaveFileFault(int(i) + 1, lines[i], SaveFileFault::tooLong());
    for (std::size_t i = 0; i < n; ++i) flags[i] = lines[i];
}

std::string writeLogFile(const MessageLog& log) {
    const int32_t n = log.SaveLogTotalPage;
    std::string out = std::to_string(n) + "\r\n";
    for (int32_t i = 0; i < n; ++i) {
        // Appended piece by piece: GCC's restrict check trips over "\t" + to_string.
        out += '\t';
        out += std::to_string(i);
        out += "\r\n";
        int32_t p = log.SaveLogStartPage - n + 1 + i;
        if (p < 0) p += kLogPages;
        p = ((p % kLogPages) + kLogPages) % kLogPages;
        for (const std::string& line : log.pages[std::size_t(p)]) out += line + "\r\n";
    }
    return out;
}

MessageLog readLogFile(std::string_view bytes) {
    const std::vector<std::string> lines = sjis::splitLines(bytes, false);
    for (std::size_t k = 0; k < lines.size(); ++k)
        if (lines[k].size() > kMaxSaveLine) throw SaveFileFault(int(k) + 1, lines[k], SaveFileFault::tooLong());
    MessageLog log;
    log.clearLog();
    const std::string first = lines.empty() ? std::string() : lines[0];
    const std::optional<int32_t> pages = parseInt(first);
    if (!pages) throw SaveFileFault(1, first, "ページ数（整数）");
    const int32_t n = *pages;
    int32_t i = 0;
    // The first marker is line 2; pages follow from line 3.
    for (std::size_t k = 2; k < lines.size() && i < kLoadedLogPages && i < n; ++k) {
        if (lines[k].find('\t') != std::string::npos)
            ++i;
        else
            log.pages[std::size_t(i)].push_back(lines[k]);
    }
    const int32_t m = std::clamp(n, 0, kLoadedLogPages);
    log.LogTotalPage = m + 1;
    log.LogCurrentPage = m;
    log.SaveLogStartPage = m - 1;
    log.SaveLogTotalPage = m;
    log.LogCurrentLine = 0;
    return log;
}

}  // namespace qvl
