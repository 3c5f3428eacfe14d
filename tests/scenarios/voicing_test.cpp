// Self-voicing through whole headless runs: what is said, word for word, for the
// story, a choice, the popup menu, the save dialog, the boxes and the log view; a
// click cutting a line short; auto-advance waiting for the reading; the V key.
#include "tests/scenarios/scenario_run.h"

#include <chrono>
#include <ctime>

namespace {

using namespace qvl_test;

struct VoicedRun {
    VoicedRun(const char* folder, const std::string& script, const std::string& input, bool voicing = true,
              const std::string& ini = "")
        : run(folder) {
        run.selfVoicing = voicing;
        run.writeScenarioFile("autorun.txt", script);
        if (!ini.empty()) run.writeScenarioFile("qvl.ini", ini);
        result = run.run(&app, input);
    }
    ScenarioRun run;
    qvl::TFmain* app = nullptr;
    RunResult result;
};

TEST(Voicing, AStoryLineIsReadAsShownAndAClickCutsItShort) {
    // Ruby is read after its base, in brackets; values as drawn, padding and all.
    VoicedRun r("menu_case",
                "_textclear\n_$flg[3]=7\n_@flg[4]=アキ\n今日は(晴,は)れ。気温は[$flg[3],-4]度、[@flg[4]]さん。\n"
                "<S3><C#FF0000>二行目\n",
                "click\nwait 5000\nclick\n");
    EXPECT_EQ(r.result.transcript,
              "chapter: Quorvel\n"
              "text: 今日は(晴,は)れ。気温は[$flg[3],-4]度、[@flg[4]]さん。\n"
              "speech: 今日は晴（は）れ。気温は   7度、アキさん。\n"
              "speech: stop\n"
              "text: <S3><C#FF0000>二行目\n"
              "speech: 二行目\n"
              "idle\n");
}

TEST(Voicing, AutoAdvanceWaitsForTheReadingToEnd) {
    // Fifty characters: read in 5000 virtual ms, longer than the line's own 4500.
    const std::string longLine =
        "ああああああああああああああああああああああああああああああああああああああああああああああああああ";
    auto elapsed = [&](bool voicing) {
        VoicedRun r("menu_case", "_textclear\n" + longLine + "\n終\n", "", voicing, "AutoAdvance=1\n");
        return r.run.platform().elapsed();
    };
    EXPECT_EQ(elapsed(true) - elapsed(false), 500u);
}

TEST(Voicing, AChoiceSaysHowManyItemsAndEachItemTheKeysOrThePointerReach) {
    VoicedRun menu(
        "choice_case",
        "_selmenu 100,100\nabc,,_goto :first\n0123456789\n_endsel\n二番目\n_goto :end\n:first\n一番目\n:end\n",
        "key Down\nkey Down\nkey Return\n");
    EXPECT_EQ(menu.result.transcript,
              "chapter: Quorvel\nspeech: 2 個の選択肢\nspeech: abc\nspeech: 0123456789\n"
              "choice: abc | 0123456789 -> 1\ntext: 二番目\nspeech: 二番目\nidle\n");

    // A gallery: numbers, and a locked item says so; the keys step on from it.
    VoicedRun grid("choice_case", "_selcgmode 100,100,gallery.mag,96,72,3,#NONE\n1\n2,0\n3\n1\n2\n3\n_endsel\n",
                   "move 150 130\nmove 250 130\nkey Right\nkey Return\n");
    EXPECT_EQ(grid.result.transcript,
              "chapter: Quorvel\nspeech: 6 個の選択肢\nspeech: 1番\nspeech: 2番 ロック中\nspeech: 3番\n"
              "choice: 1 | 0 | 3 | 1 | 2 | 3 -> 2\nidle\n");
}

TEST(Voicing, ThePopupMenuSaysEachItemWithItsStateAndOpensFromTheKeyboard) {
    // Without TextMaxIndex, 読んだ文章を飛ばす stays disabled.
    VoicedRun r("choice_case", "_textclear\n一行目\n",
                "key Shift+F10\nkey Up\nkey Right\nkey Up\nkey Left\nkey Up\nkey Up\nkey Escape\n");
    EXPECT_EQ(r.result.transcript,
              "chapter: Quorvel\ntext: 一行目\nspeech: 一行目\nmenu: open\nspeech: メニュー\n"
              "speech: 便利機能\nspeech: 前のページへ戻る 無効\nspeech: 読み上げ チェック\nspeech: 便利機能\nspeech: 画面を画像で保存\n"
              "speech: 読んだ文章を飛ばす 無効\nidle\n");
}

TEST(Voicing, TheVKeyAndTheMenuItemSwitchTheModeAndQvlIniKeepsIt) {
    VoicedRun on("menu_case", "_textclear\n一行目\n二行目\n", "key v\nclick\nkey Escape\nanswer ok\n", false);
    EXPECT_EQ(on.result.transcript,
              "chapter: Quorvel\ntext: 一行目\nspeech: 読み上げ オン\nspeech: stop\ntext: 二行目\nspeech: 二行目\n"
              "speech: 終了 終了しますか？ OK キャンセル\nbox: 終了 | 終了しますか？ -> ok\nexit: 0\n");
    EXPECT_NE(readAll(on.result.dir / "qvl.ini").find("SelfVoicing=1\r\n"), std::string::npos);
    VoicedRun off("menu_case", "_textclear\n一行目\n二行目\n三行目\n", "menu 読み上げ\nclick\nkey Escape\nanswer ok\n",
                  false, "SelfVoicing=1\n");
    EXPECT_EQ(off.result.transcript,
              "chapter: Quorvel\ntext: 一行目\nspeech: 一行目\nspeech: stop\ntext: 二行目\n"
              "box: 終了 | 終了しますか？ -> ok\nexit: 0\n");
    EXPECT_EQ(readAll(off.result.dir / "qvl.ini").find("SelfVoicing=1"), std::string::npos);
}

TEST(Voicing, TheSaveDialogSaysEachSlotsNumberChapterAndDate) {
    VoicedRun r("menu_case", "_textclear\n一行目\n",
                "key Ctrl+s\nkey Down\nkey Up\nkey Return\nkey Ctrl+s\nkey PageDown\nkey Shift+Tab\nkey Return\n"
                "key Escape\n");
    // The date is the slot file's, as the dialog shows it.
    const auto written = std::filesystem::last_write_time(r.result.dir / "save" / "data1.hsd");
    const std::time_t t = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(written)));
    std::tm local{};
    localtime_r(&t, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y/%m/%d %H:%M", &local);
    EXPECT_EQ(r.result.transcript,
              "chapter: Quorvel\ntext: 一行目\nspeech: 一行目\n"
              "speech: データ保存 1番 データがありません\nspeech: 2番 データがありません\n"
              "speech: 1番 データがありません\nsave: slot 1\n"
              "speech: データ保存 1番 Quorvel " +
                  std::string(date) +
                  "\n"
                  // The page turns under the focused line; a page button says where it leads
                  // from, and on the first page, where it is gone, the first line has the focus.
                  "speech: 5番 データがありません\nspeech: １ページ戻る 2/20\nspeech: 1番 Quorvel " +
                  std::string(date) + "\nidle\n");
}

TEST(Voicing, BoxesSayTheirTextAndButtonsAndTheLogViewItsPage) {
    // Tab moves to キャンセル, which Enter presses: the keyboard alone answers.
    VoicedRun r("menu_case", "_textclear\n一行目\n二行目\n",
                "key Escape\nkey Tab\nkey Return\nkey PageUp\nkey Escape\n");
    EXPECT_EQ(r.result.transcript,
              "chapter: Quorvel\ntext: 一行目\nspeech: 一行目\n"
              "speech: 終了 終了しますか？ OK キャンセル\nspeech: キャンセル\nbox: 終了 | 終了しますか？ -> cancel\n"
              "dialog: log page 1/1\nspeech: ログ 1/1 一行目\nidle\n");
}

}  // namespace
