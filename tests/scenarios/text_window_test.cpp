// The text window through whole runs: wrapping, waits, codes, values and the log.
#include "tests/scenarios/scenario_run.h"

namespace {

using namespace qvl_test;

struct TextRun {
    explicit TextRun(const std::string& script, const std::string& input = "",
                     const std::string& config = "SavePath=save\\\nTextMaxIndex=8\n")
        : run("text_case") {
        run.writeScenarioFile("autorun.txt", script);
        run.writeScenarioFile("qvl.cfg", config);
        result = run.run(&app, input);
    }
    const qvl::TextWindowState& text() const { return app->textWindow; }
    const std::vector<std::string>& page(int n) const { return app->log.pages[std::size_t(n)]; }
    std::string sjis(const std::string& utf8) const { return qvl::platform::utf8ToSjis(utf8); }

    ScenarioRun run;
    qvl::TFmain* app = nullptr;
    RunResult result;
};

std::string fullWidth(int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += "あ";
    return out;
}

TEST(TextWindow, TheTwentySeventhFullWidthCharacterWraps) {
    TextRun r(fullWidth(27) + "\n_mouseclick\n", "click\n");
    ASSERT_GE(r.page(0).size(), 2u);
    EXPECT_EQ(r.page(0)[0], r.sjis(fullWidth(26)));
    EXPECT_EQ(r.page(0)[1], r.sjis("あ"));
    EXPECT_EQ(r.text().cursorX, 0);
    EXPECT_EQ(r.text().cursorY, 80) << "wrapped once, then the line end";
}

TEST(TextWindow, TheEleventhLineEndsWithAPageWaitAndAClearedPage) {
    std::string script;
    for (int i = 0; i < 11; ++i) script += "行\n";
    script += "次のページ\n_mouseclick\n";
    std::string clicks;
    for (int i = 0; i < 12; ++i) clicks += "click\n";
    TextRun r(script, clicks);
    EXPECT_EQ(r.app->log.LogTotalPage, 2);
    EXPECT_EQ(r.page(0).size(), 11u);
    EXPECT_EQ(r.page(1)[0], r.sjis("次のページ"));
    EXPECT_EQ(r.text().cursorY, 40) << "the next page starts at the top";
}

TEST(TextWindow, PercentJoinsLines) {
    TextRun joined("あ%\nい\n_mouseclick\n", "click\n");
    EXPECT_EQ(joined.page(0)[0], joined.sjis("あい")) << "one line, one wait";
}

TEST(TextWindow, PageModeShowsLinesWithoutWaiting) {
    ScenarioRun run("text_case");
    run.writeScenarioFile("autorun.txt", "一\n二\n三\n_mouseclick\n");
    run.writeScenarioFile("qvl.ini", "SkipText=1\n");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app, "");
    EXPECT_EQ(r.transcript, "chapter: Quorvel\ntext: 一\ntext: 二\ntext: 三\nidle\n");
    EXPECT_EQ(app->log.pages[0].size(), 4u);
}

TEST(TextWindow, ADotWaitsMidLineAndStartsANewLine) {
    TextRun r("前.後\n_mouseclick\n", "click\n");
    EXPECT_EQ(r.result.transcript, "chapter: Quorvel\ntext: 前.後\nidle\n") << "the second click is missing";
    EXPECT_EQ(r.page(0)[0], r.sjis("前"));
    EXPECT_EQ(r.page(0)[1], r.sjis("後"));
}

TEST(TextWindow, SizeThreeAfterTheFirstCharacterKeepsTheLineBottom) {
    TextRun r("あ<S3>い%\n_mouseclick\n");
    EXPECT_EQ(r.text().cursorY, -12);
    EXPECT_EQ(r.text().cellWidth, 36);
    TextRun wild("<S99>%\n_mouseclick\n");
    EXPECT_EQ(wild.text().cellWidth, 24) << "out-of-range sizes become 2";
}

TEST(TextWindow, AQuietWaitCodeCannotBeCutShort) {
    TextRun hard("<Q-500>%\n_mouseclick\n", "click\n");
    EXPECT_GE(hard.run.platform().elapsed(), 500u);
    TextRun soft("<Q500>%\n_mouseclick\n", "click\n");
    EXPECT_LT(soft.run.platform().elapsed(), 500u);
}

TEST(TextWindow, EmbeddedValuesArePaddedAndCut) {
    TextRun r("_$flg[3]=7\n[$flg[3],-4]|[$flg[3],4]|[$flg[3]]|[@flg[5]]%\n_mouseclick\n");
    ASSERT_GE(r.page(0).size(), 4u);
    EXPECT_EQ(r.page(0)[0], "   7");
    EXPECT_EQ(r.page(0)[1], "7   ");
    EXPECT_EQ(r.page(0)[2], "7");
    EXPECT_EQ(r.page(0)[3], "0");
}

TEST(TextWindow, RubyCentresOverItsBaseAndAnEmptyRubyDrawsNothing) {
    TextRun r("(漢字,かんじ)%\n_mouseclick\n");
    EXPECT_EQ(r.page(0)[0], r.sjis("漢字")) << "the ruby itself never reaches the log";
    EXPECT_EQ(r.text().cursorX, 48);
    // The ruby band above the two cells holds letters, centred: some on each side of x 24.
    const qvl::Surface& text = r.app->bank()[qvl::SurfaceId::Text];
    auto inked = [&](int x0, int x1) {
        for (int y = 0; y < 16; ++y)
            for (int x = x0; x < x1; ++x)
                if (text.pixel(x, y) != 0) return true;
        return false;
    };
    EXPECT_TRUE(inked(0, 24));
    EXPECT_TRUE(inked(24, 48));
    EXPECT_FALSE(inked(48, 640));

    TextRun empty("(漢字,)%\n_mouseclick\n");
    EXPECT_TRUE(empty.page(0).empty()) << "not even the base";
    EXPECT_EQ(empty.text().cursorX, 0);
}

TEST(TextWindow, TextrectErasesExactlyItsSquare) {
    TextRun r("■■■%\n_textrect 0,0,23,23\n_mouseclick\n");
    const qvl::Surface& mask = r.app->bank()[qvl::SurfaceId::TextMask];
    auto clear = [&](int x0, int y0, int x1, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (mask.pixel(x, y) != 0xFFFFFF) return false;
        return true;
    };
    EXPECT_TRUE(clear(0, 0, 24, 24));
    EXPECT_FALSE(clear(0, 24, 24, 40)) << "the rest of the first character stays";
}

TEST(TextWindow, ReadTextSkippingRunsThroughReadLinesAndStopsAtTheFirstUnread) {
    const std::string script =
        ":top\n~00000001一\n~00000002二\n_($flg[1]==1),_goto :third\n_$flg[1]=1\n_goto :top\n"
        ":third\n~00000003三\n_mouseclick\n";
    // Two clicks read lines 1 and 2; skipping then runs through them on the second
    // pass and stops at line 3, which takes the last click.
    TextRun r(script, "click\nclick\nmenu 読んだ文章を飛ばす\nclick\n");
    EXPECT_EQ(r.result.transcript,
              "chapter: Quorvel\ntext: 一\ntext: 二\ntext: 一\ntext: 二\ntext: 三\nidle\n");
    EXPECT_FALSE(r.app->cycle.skipReadMode);
    EXPECT_EQ(r.app->ReadTextMarks[0], 0x0E) << "lines 1, 2 and 3 are marked";
}

TEST(TextWindow, CursorsFarOffTheScreenNeitherOverflowNorDraw) {
    TextRun r("<X2147483000>あいう<L99999999><K-99999999>え%\n_textcurto 2147483647,2147483647\n"
              "_textlocto 2147483647,1\n_textrect -2147483648,0,2147483647,10\n_mouseclick\n");
    EXPECT_EQ(r.result.transcript.substr(0, 16), "chapter: Quorvel") << "the run survives";
}

}  // namespace
