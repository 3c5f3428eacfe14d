// The save files byte for byte: the status table's 516 lines and their order, the
// 0/1 block, the log's pages and markers, and the readers' rules.
#include "base/fault.h"
#include "base/sjis.h"
#include "save/slot_files.h"
#include "save/status_file.h"

#include <gtest/gtest.h>

namespace qvl {
namespace {

// A snapshot with no field at its default.
SavePointSnapshot busySnapshot() {
    SavePointSnapshot s;
    s.ProgChapter = "\x91\xe6\x88\xea\x8f\xcd";  // 第一章
    for (int i = 0; i < kStateCount; ++i) {
        SurfaceState& v = s.surfaces[std::size_t(i)];
        v.shown = v.loaded = v.masked = v.spareFlag = 1;
        v.maskMode = 1 + i, v.colourKey = 0x123456 + i, v.spare = 100 + i, v.x = -5 - i, v.y = 7 + i;
        v.order = i % 3, v.effectKind = 6;
        v.fileName = "f" + std::to_string(i) + ".bmp";
        v.maskName = "m" + std::to_string(i) + ".bmp";
    }
    for (int i = 0; i < kSpriteSlots; ++i) s.sprites[std::size_t(i)] = {i * 3, i * 5, 1, i % 4, 1, -1};
    s.spriteSheet = {"sheet.bmp", "sheetmask.bmp", 4, 3, 32, 16, 0xABCDEF, 1, 1};
    for (int i = 0; i < 3; ++i)
        s.channels[std::size_t(i)] = {"c" + std::to_string(i), 2, 3, 400, 500, true, true, true};
    TextWindowState& t = s.textWindow;
    t.cursorX = 48, t.cursorY = 80, t.outlineMode = 1, t.cellWidth = 36, t.cellHeight = 36, t.rubyGap = 8;
    t.fontHeight = 36, t.rubyHeight = 18, t.leftEdge = 12, t.rightLimit = 600, t.bottomLimit = 400;
    t.sizeIndex = 3, t.originX = 4, t.originY = 6, t.fontIndex = 2, t.charDelay = -30;
    t.textColour = 0x00FF8040, t.shadowColour = 0x00102030, t.shadowOn = false, t.textVisible = false;
    t.fontName = "face", t.rubyFontName = "ruby";
    s.lineLargestSize = 4;
    s.whiteText = true;
    InterpreterState& p = s.interpreter;
    p.ProgFileName = "scene.txt";
    for (int i = 0; i < kReturnStackSize; ++i) p.ProgRetAddr[std::size_t(i)] = 10 + i;
    for (int i = 0; i < kArgSlots; ++i) p.ProgArgs[std::size_t(i)] = "a" + std::to_string(i);
    p.ProgExecLine = 33, p.ProgNextLine = 40, p.ProgTextPos = 5, p.ProgRetStack = 2, p.ProgIfResult = 1;
    p.ProgSelResult = 3, p.ProgMultiStateFlag = 2;
    for (int i = 0; i < kSavedOptions; ++i) {
        s.OptionLabels[std::size_t(i)] = "L" + std::to_string(i);
        s.OptionCommands[std::size_t(i)] = "_goto :o" + std::to_string(i);
    }
    s.ClickFlagIndex = 17;
    s.autoRefreshMode = "#TILE0";
    s.lineMode = s.darknessSuppressed = s.popupSuppressed = true;
    return s;
}

std::vector<std::string> lines(const std::string& bytes) {
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    return sjis::splitLines(bytes, false);
}

TEST(StatusFile, HoldsTheTableInOrderWithTheZeroOneBlockAndReservedLines) {
    const std::vector<std::string> l = lines(writeStatusFile(busySnapshot()));
    ASSERT_EQ(l.size(), 516u);
    EXPECT_EQ(l[0], "\x91\xe6\x88\xea\x8f\xcd");
    EXPECT_EQ(l[1], "10") << "line 2: surface 9's mask mode";
    EXPECT_EQ(l[31], "1") << "line 32: surface 0's mask mode";
    EXPECT_EQ(l[76], "0") << "line 77: sprite 0's x";
    EXPECT_EQ(l[236], "2") << "line 237: the music's play count";
    EXPECT_EQ(l[248], "10") << "line 249: the first return address";
    EXPECT_EQ(l[264], "48");
    EXPECT_EQ(l[278], "4") << "line 279: the largest size on the line";
    EXPECT_EQ(l[280], "-30");
    for (int reserved : {286, 295, 296, 297, 440}) EXPECT_EQ(l[std::size_t(reserved - 1)], "0") << reserved;
    EXPECT_EQ(l[293], "17") << "line 294: the click flag";
    EXPECT_EQ(l[312], std::to_string(0x123456 + 9)) << "line 313: %ld colour keys";
    EXPECT_EQ(l[327], std::to_string(0x00FF8040));
    for (int n = 331; n <= 440; ++n) EXPECT_TRUE(l[std::size_t(n - 1)] == "0" || l[std::size_t(n - 1)] == "1") << n;
    EXPECT_EQ(l[440], "L0");
    EXPECT_EQ(l[450], "_goto :o0");
    EXPECT_EQ(l[460], "f9.bmp");
    EXPECT_EQ(l[490], "c0");
    EXPECT_EQ(l[493], "a0");
    EXPECT_EQ(l[509], l[0]);
    EXPECT_EQ(l[510], "face");
    EXPECT_EQ(l[512], "sheet.bmp");
    EXPECT_EQ(l[514], "scene.txt");
    EXPECT_EQ(l[515], "#TILE0");
}

TEST(StatusFile, ReadsBackWhatItWroteAndKeepsLongValuesWhole) {
    SavePointSnapshot s = busySnapshot();
    s.OptionLabels[3] = std::string(300, 'x');
    const std::string bytes = writeStatusFile(s);
    SavePointSnapshot back;
    back.textWindow.fontName = "kept";
    readStatusFile(bytes, back);
    EXPECT_EQ(writeStatusFile(back), bytes);
    EXPECT_EQ(back.OptionLabels[3].size(), 300u);
}

TEST(StatusFile, ZeroOneLinesReadAnyNonZeroAsOneAndBadFilesChangeNothing) {
    std::vector<std::string> l = lines(writeStatusFile(busySnapshot()));
    l[336] = "7";  // a shown flag written by another program as 7
    std::string edited;
    for (const std::string& line : l) edited += line + "\r\n";
    SavePointSnapshot back;
    readStatusFile(edited, back);
    EXPECT_EQ(back.surfaces[9].shown, 1);

    SavePointSnapshot untouched = busySnapshot();
    l[100] = "twelve";
    std::string bad;
    for (const std::string& line : l) bad += line + "\r\n";
    EXPECT_THROW(readStatusFile(bad, untouched), Fault);
    EXPECT_EQ(writeStatusFile(untouched), writeStatusFile(busySnapshot())) << "a bad file changes nothing";
    EXPECT_THROW(readStatusFile(bad.substr(0, bad.size() / 2), untouched), Fault);
}

TEST(LogFile, WritesThePagesEndingAtTheStartPageOldestFirst) {
    MessageLog log;
    for (int p = 0; p < kLogPages; ++p) log.pages[std::size_t(p)] = {"page" + std::to_string(p)};
    log.SaveLogTotalPage = 3;
    log.SaveLogStartPage = 1;
    EXPECT_EQ(writeLogFile(log), "3\r\n\t0\r\npage15\r\n\t1\r\npage0\r\n\t2\r\npage1\r\n");
}

TEST(LogFile, ReadsMarkersByTheirTabAndAtMostFifteenPages) {
    std::string twenty = "20\r\n";
    for (int i = 0; i < 20; ++i) twenty += "\t" + std::to_string(i) + "\r\nline" + std::to_string(i) + "\r\n";
    const MessageLog log = readLogFile(twenty);
    EXPECT_EQ(log.LogTotalPage, 16);
    EXPECT_EQ(log.LogCurrentPage, 15);
    EXPECT_EQ(log.SaveLogStartPage, 14);
    EXPECT_EQ(log.SaveLogTotalPage, 15);
    EXPECT_EQ(log.pages[14], std::vector<std::string>{"line14"});
    EXPECT_TRUE(log.pages[15].empty());

    const MessageLog tab = readLogFile("2\r\n\t0\r\nfirst\r\na\ttab\r\nsecond\r\n");
    EXPECT_EQ(tab.pages[0], std::vector<std::string>{"first"});
    EXPECT_EQ(tab.pages[1], std::vector<std::string>{"second"}) << "a line with a TAB is a marker";
    EXPECT_THROW(readLogFile("x\r\n"), Fault);
}

TEST(FlagFile, IsTwoHundredFiftySixLinesAndShortFilesKeepTheRest) {
    std::array<std::string, kFlagFileLines> flags;
    flags.fill("0");
    flags[5] = "";
    flags[255] = std::string(300, 'v');
    const std::string bytes = writeFlagFile(flags);
    EXPECT_EQ(lines(bytes).size(), 256u);
    std::array<std::string, kFlagFileLines> back;
    back.fill("old");
    readFlagFile(bytes, back);
    EXPECT_EQ(back, flags);
    back.fill("old");
    readFlagFile("a\r\nb\r\n", back);
    EXPECT_EQ(back[1], "b");
    EXPECT_EQ(back[2], "old");
}

}  // namespace
}  // namespace qvl
