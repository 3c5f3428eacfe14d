// The message log's pages, counters and the page view's row cutting.
#include "text/message_log.h"

#include <gtest/gtest.h>

namespace qvl {
namespace {

const std::string kA = "\x82\xA0";       // あ: the trail byte is not a lead byte
const std::string kSmallA = "\x82\x9F";  // ぁ: the trail byte 0x9F is also a lead byte value

void write(MessageLog& log, std::string_view ascii) {
    for (char c : ascii) log.appendToLog(std::string_view(&c, 1));
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::vector<std::size_t> sizes(const std::vector<std::string>& rows) {
    std::vector<std::size_t> out;
    for (const auto& row : rows) out.push_back(row.size());
    return out;
}

TEST(MessageLog, CharactersAndLineFeedsBuildLinesOfAPage) {
    MessageLog log;
    log.appendToLog("\n");
    EXPECT_TRUE(log.pages[0].empty()) << "a line feed on an empty page is dropped";
    EXPECT_EQ(log.LogCurrentLine, 0);
    EXPECT_EQ(log.LogTotalPage, 0) << "a line feed alone does not make a page";
    log.appendToLog("");
    EXPECT_TRUE(log.pages[0].empty());

    write(log, "ab");
    log.appendToLog("\n");
    write(log, "c");
    log.appendToLog(kA);
    log.appendToLog(kA, true);  // symbol font: one space, even for two bytes
    log.appendToLog("\n");
    log.appendToLog("\n");
    EXPECT_EQ(log.pages[0], (std::vector<std::string>{"ab", "c" + kA + " ", "", ""}));
    EXPECT_EQ(log.LogTotalPage, 1);
    EXPECT_EQ(log.LogCurrentLine, 3);
}

TEST(MessageLog, SuppressedRecordingChangesNothing) {
    MessageLog log;
    write(log, "a");
    log.logSuppressed = true;
    write(log, "b");
    log.appendToLog("\n");
    log.nextLogPage();  // as the text window's page clear or _lognext
    EXPECT_EQ(log.pages[0], std::vector<std::string>{"a"});
    EXPECT_EQ(log.LogCurrentPage, 0);
    EXPECT_EQ(log.LogCurrentLine, 0);
    EXPECT_EQ(log.LogTotalPage, 1);

    log.logSuppressed = false;
    write(log, "c");
    log.nextLogPage();
    EXPECT_EQ(log.pages[0], std::vector<std::string>{"ac"}) << "recording resumes on the same line";
    EXPECT_EQ(log.LogCurrentPage, 1);

    MessageLog empty;
    empty.logSuppressed = true;
    write(empty, "x");
    EXPECT_EQ(empty.LogTotalPage, 0) << "a suppressed character does not open the first page";
}

TEST(MessageLog, NextPageOnlyLeavesAPageWithText) {
    MessageLog log;
    log.takeLogSnapshot();
    log.nextLogPage();
    EXPECT_EQ(log.LogCurrentPage, 0);
    EXPECT_EQ(log.LogTotalPage, 0);
    EXPECT_FALSE(log.snapshotPending) << "no page change happened";

    write(log, "a");
    log.appendToLog("\n");
    write(log, "b");
    log.nextLogPage();
    EXPECT_EQ(log.LogCurrentPage, 1);
    EXPECT_EQ(log.LogTotalPage, 2);
    EXPECT_EQ(log.LogCurrentLine, 0);
    EXPECT_TRUE(log.snapshotPending);
    log.nextLogPage();
    EXPECT_EQ(log.LogCurrentPage, 1) << "the new page is still empty";
}

TEST(MessageLog, TheSeventeenthPageOverwritesTheOldest) {
    MessageLog log;
    for (char page = 'a'; page < 'a' + 16; ++page) {
        write(log, std::string(1, page));
        log.nextLogPage();
        log.takeLogSnapshot();
    }
    EXPECT_EQ(log.LogTotalPage, 16);
    EXPECT_EQ(log.LogCurrentPage, 0) << "the ring came round; the oldest page is emptied";
    EXPECT_TRUE(log.pages[0].empty());
    EXPECT_EQ(log.pages[1], std::vector<std::string>{"b"});
    EXPECT_EQ(log.SaveLogTotalPage, 15);
    EXPECT_EQ(log.SaveLogStartPage, 15);

    write(log, "q");
    log.nextLogPage();
    EXPECT_EQ(log.LogTotalPage, 16) << "never more than 16";
    EXPECT_EQ(log.SaveLogTotalPage, 14) << "the oldest saved page is gone";
    EXPECT_EQ(log.LogCurrentPage, 1);
    EXPECT_TRUE(log.pages[1].empty());
    // Counted back from the current page, the last 15 complete pages remain.
    EXPECT_EQ(log.pages[0], std::vector<std::string>{"q"});
    EXPECT_EQ(log.pages[2], std::vector<std::string>{"c"});

    log.takeLogSnapshot();
    EXPECT_EQ(log.SaveLogTotalPage, 15);
    EXPECT_EQ(log.SaveLogStartPage, 0);
}

TEST(MessageLog, OverwritingNeverTakesTheSavedCountBelowZero) {
    MessageLog log;
    for (int page = 0; page < 20; ++page) {
        write(log, "p");
        log.nextLogPage();
    }
    EXPECT_EQ(log.SaveLogTotalPage, 0);
    EXPECT_EQ(log.LogCurrentPage, 20 % 16);
}

TEST(MessageLog, SnapshotNamesThePagesCompleteBeforeIt) {
    MessageLog log;
    EXPECT_TRUE(log.snapshotPending);
    log.takeLogSnapshot();
    EXPECT_EQ(log.SaveLogTotalPage, 0);
    EXPECT_EQ(log.SaveLogStartPage, 15) << "-1 wraps into the ring";

    write(log, "a");
    log.nextLogPage();
    log.takeLogSnapshot();
    EXPECT_EQ(log.SaveLogTotalPage, 1);
    EXPECT_EQ(log.SaveLogStartPage, 0);

    write(log, "b");  // text on the new page alone is not a page change
    log.takeLogSnapshot();
    EXPECT_EQ(log.SaveLogTotalPage, 1);
    EXPECT_EQ(log.SaveLogStartPage, 0);
}

TEST(MessageLog, ClearEmptiesEveryPageAndCounter) {
    MessageLog log;
    for (int page = 0; page < 17; ++page) {
        write(log, "p");
        log.appendToLog("\n");
        write(log, "q");
        log.nextLogPage();
        log.takeLogSnapshot();
    }
    write(log, "r");
    log.appendToLog("\n");
    log.clearLog();
    EXPECT_EQ(log.LogTotalPage, 0);
    EXPECT_EQ(log.LogCurrentPage, 0);
    EXPECT_EQ(log.LogCurrentLine, 0);
    EXPECT_EQ(log.SaveLogStartPage, -1);
    EXPECT_EQ(log.SaveLogTotalPage, 0);
    EXPECT_TRUE(log.snapshotPending);
    for (const auto& page : log.pages) EXPECT_TRUE(page.empty());

    write(log, "s");
    EXPECT_EQ(log.pages[0], std::vector<std::string>{"s"});
    EXPECT_EQ(log.LogTotalPage, 1);
}

TEST(MessageLogView, LinesUpTo52BytesAreOneRow) {
    EXPECT_EQ(logViewRows(""), std::vector<std::string>{""});
    EXPECT_EQ(logViewRows(repeat(kA, 26)), std::vector<std::string>{repeat(kA, 26)});
    EXPECT_EQ(sizes(logViewRows(std::string(53, 'x'))), (std::vector<std::size_t>{52, 1, 0}));
}

TEST(MessageLogView, LongerLinesAreCutWithoutSplittingACharacter) {
    // 60 bytes of full-width characters: 52 and 8, then an empty row.
    auto rows = logViewRows(repeat(kA, 30));
    EXPECT_EQ(sizes(rows), (std::vector<std::size_t>{52, 8, 0}));
    EXPECT_EQ(rows[1], repeat(kA, 4));

    // 53 bytes whose 52nd starts a double-byte character: one piece of 53.
    rows = logViewRows(std::string(51, 'a') + kA);
    EXPECT_EQ(sizes(rows), (std::vector<std::size_t>{53, 0}));

    // The 52nd byte is a trail byte that looks like a lead: the cut stays at 52.
    EXPECT_EQ(sizes(logViewRows(repeat(kSmallA, 30))), (std::vector<std::size_t>{52, 8, 0}));
    rows = logViewRows("a" + repeat(kSmallA, 30));
    EXPECT_EQ(sizes(rows), (std::vector<std::size_t>{53, 8, 0}));
    EXPECT_EQ(rows[1], repeat(kSmallA, 4));

    // Each piece is cut from its own start.
    EXPECT_EQ(sizes(logViewRows("a" + repeat(kA, 60))), (std::vector<std::size_t>{53, 52, 16, 0}));
    // A lone lead byte at the very end has nothing to pair with.
    EXPECT_EQ(sizes(logViewRows(std::string(103, 'a') + "\x82")), (std::vector<std::size_t>{52, 52, 0}));
}

TEST(MessageLogView, PageHeightCountsHeaderAndCutRows) {
    EXPECT_EQ(logPageHeight({}), 2 * 32 + 48);
    EXPECT_EQ(logPageHeight(std::vector<std::string>(11, repeat(kA, 26))), 464) << "fits one screen";
    EXPECT_EQ(logPageHeight({repeat(kA, 30), ""}), (2 + 3 + 1) * 32 + 48);
}

}  // namespace
}  // namespace qvl
