#include "text/message_log.h"

#include "base/sjis.h"

#include <algorithm>

namespace qvl {

void MessageLog::appendToLog(std::string_view c, bool symbolFont) {
    if (logSuppressed || c.empty()) return;
    auto& page = pages[std::size_t(LogCurrentPage)];
    if (c == "\n") {
        // A line feed on an empty page is dropped, so pages never start blank.
        if (!page.empty() || LogCurrentLine > 0) {
            ++LogCurrentLine;
            page.emplace_back();
        }
        return;
    }
    if (LogTotalPage == 0) LogTotalPage = 1;
    const std::string text = symbolFont ? std::string(" ") : std::string(c);
    if (page.empty()) {
        page.push_back(text);
        return;
    }
    // The current line exists once the page has lines: line feeds add it.
    while (int32_t(page.size()) <= LogCurrentLine) page.emplace_back();
    page[std::size_t(LogCurrentLine)] += text;
}

void MessageLog::nextLogPage() {
    if (logSuppressed || pages[std::size_t(LogCurrentPage)].empty()) return;
    snapshotPending = true;
    LogCurrentPage = (LogCurrentPage + 1) % kLogPages;
    if (LogTotalPage < kLogPages) {
        ++LogTotalPage;
    } else if (SaveLogTotalPage > 0) {
        // The oldest page is being overwritten.
        --SaveLogTotalPage;
    }
    pages[std::size_t(LogCurrentPage)].clear();
    LogCurrentLine = 0;
}

void MessageLog::clearLog() {
    snapshotPending = true;
    SaveLogStartPage = -1;
    SaveLogTotalPage = 0;
    for (auto& page : pages) page.clear();
    LogTotalPage = LogCurrentPage = LogCurrentLine = 0;
}

void MessageLog::takeLogSnapshot() {
    if (snapshotPending) {
        SaveLogTotalPage = LogTotalPage - 1;
        SaveLogStartPage = LogCurrentPage - 1;
        snapshotPending = false;
    }
    if (SaveLogTotalPage < 0) SaveLogTotalPage = 0;
    if (SaveLogStartPage < 0) SaveLogStartPage += kLogPages;
}

std::vector<std::string> logViewRows(std::string_view line) {
    constexpr std::size_t kRowBytes = 52;
    if (line.size() <= kRowBytes) return {std::string(line)};
    std::vector<std::string> rows;
    std::size_t s = 0;
    while (s < line.size()) {
        std::size_t n = std::min(kRowBytes, line.size() - s);
        // Never end a row on a lead byte: the row takes the whole character.
        if (n == kRowBytes && sjis::isLeadByte(static_cast<unsigned char>(line[s + n - 1])) && s + n < line.size()) {
            // Count characters from the row's start so a trail byte is not taken for a lead.
            std::size_t i = s;
            while (i < s + n) i += sjis::charLength(line, i);
            n = i - s;
        }
        rows.emplace_back(line.substr(s, n));
        s += n;
    }
    rows.emplace_back();
    return rows;
}

int32_t logPageHeight(const std::vector<std::string>& page) {
    std::size_t rows = 2;
    for (const auto& line : page) rows += logViewRows(line).size();
    return int32_t(rows) * 32 + 48;
}

}  // namespace qvl
