// The message log's pages, counters and the page view's row cutting.
#include "text/message_log.h"

#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace qvl {
namespace {

void write(MessageLog& log, std::string_view ascii) {
    for (char c : ascii) log.appendToLog(std::string_view(&c, 1));
}

TEST(MessageLog, CharactersAndLineFeedsBuildLinesOfAPage) {
    MessageLog log;
    log.appendToLog("\n");
    EXPECT_TRUE(log.pages[0].empty()) << "a line feed on an empty page is dropped";
    write(log, "ab");
    log.appendToLog("\n");
    write(log, "c");
    log.appendToLog("\x82\xA0");  // あ
    log.appendToLog("x", true);
    EXPECT_EQ(log.pages[0], (std::vector<std::string>{"ab", "c\x82\xA0 "}));
    EXPECT_EQ(log.LogTotalPage, 1);
    EXPECT_EQ(log.LogCurrentLine, 1);
}

TEST(MessageLog, SuppressedRecordingKeepsEverythingAsItWas) {
    MessageLog log;
    write(log, "a");
    log.logSuppressed = true;
    write(log, "b");
    log.nextLogPage();
    EXPECT_EQ(log.pages[0], std::vector<std::string>{"a"});
    EXPECT_EQ(log.LogCurrentPage, 0) << "_lognext does nothing while recording is off";
}

TEST(MessageLog, TheSeventeenthPageOverwritesTheOldest) {
    MessageLog log;
    for (int page = 0; page < 16; ++page) {
        write(log, "p");
        log.nextLogPage();
        log.takeLogSnapshot();
    }
    EXPECT_EQ(log.LogTotalPage, 16);
    EXPECT_EQ(log.LogCurrentPage, 0) << "the ring came round";
    EXPECT_EQ(log.SaveLogTotalPage, 15);
    write(log, "q");
    log.nextLogPage();
    EXPECT_EQ(log.LogTotalPage, 16) << "never more than 16";
    EXPECT_EQ(log.SaveLogTotalPage, 14) << "the oldest saved page is gone";
    EXPECT_TRUE(log.pages[1].empty());
    log.nextLogPage();
    EXPECT_EQ(log.LogCurrentPage, 1) << "an empty page is not left";
}

TEST(MessageLog, SnapshotNamesThePagesCompleteBeforeIt) {
    MessageLog log;
    log.takeLogSnapshot();
    EXPECT_EQ(log.SaveLogTotalPage, 0);
    EXPECT_EQ(log.SaveLogStartPage, 15) << "-1 wraps into the ring";
    write(log, "a");
    log.nextLogPage();
    log.takeLogSnapshot();
    EXPECT_EQ(log.SaveLogTotalPage, 1);
    EXPECT_EQ(log.SaveLogStartPage, 0);
    log.clearLog();
    EXPECT_EQ(log.SaveLogStartPage, -1);
    EXPECT_EQ(log.LogTotalPage, 0);
    EXPECT_TRUE(log.snapshotPending);
}

TEST(MessageLog, ViewRowsCutAt52BytesWithoutSplittingACharacter) {
    const std::string wide = platform::utf8ToSjis("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ");  // 30 chars
    auto rows = logViewRows(wide);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].size(), 52u);
    EXPECT_EQ(rows[1].size(), 8u);
    EXPECT_TRUE(rows[2].empty()) << "a cut line ends with an empty row";

    // 51 single bytes, then a double-byte character: its lead is the 52nd byte.
    const std::string odd = std::string(51, 'a') + "\x82\xA0";
    rows = logViewRows(odd);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].size(), 53u);
    EXPECT_TRUE(rows[1].empty());

    EXPECT_EQ(logViewRows(""), std::vector<std::string>{""});
    EXPECT_EQ(logViewRows(std::string(52, 'x')).size(), 1u);
}

}  // namespace
}  // namespace qvl
