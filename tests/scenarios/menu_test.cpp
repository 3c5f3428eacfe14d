// The popup menu through whole runs: its states in the dump, the right button,
// the shortcuts and what the items do.
#include "tests/scenarios/scenario_run.h"

#include "platform/headless/headless_audio.h"

#include <nlohmann/json.hpp>

namespace {

using namespace qvl_test;
using qvl::MenuItem;

struct MenuRun {
    MenuRun(const std::string& script, const std::string& input,
            const std::string& config = "SavePath=save\\\nBackGround=bg_room.mag\nTextMaxIndex=8\n")
        : run("menu_case") {
        run.writeScenarioFile("autorun.txt", script);
        run.writeScenarioFile("qvl.cfg", config);
        result = run.run(&app, input);
        json = app->stateJson();
        dump = nlohmann::json::parse(json);
    }
    // An item's "enabled" or "checked" in the dump's menu tree.
    bool dumped(const char* name, const char* field) const {
        const nlohmann::json* found = nullptr;
        auto search = [&](auto& self, const nlohmann::json& items) -> void {
            for (const nlohmann::json& item : items) {
                if (item.at("name") == name) found = &item;
                if (item.contains("items")) self(self, item.at("items"));
            }
        };
        search(search, dump.at("menu").at("items"));
        EXPECT_NE(found, nullptr) << name;
        return found && found->at(field).get<bool>();
    }
    // A switch of the dump's "versionDialog" object.
    bool dialogOpen() const { return dump.at("versionDialog").at("open").get<bool>(); }
    bool has(const std::string& transcriptPart) const {
        return result.transcript.find(transcriptPart) != std::string::npos;
    }

    ScenarioRun run;
    qvl::TFmain* app = nullptr;
    RunResult result;
    std::string json;
    nlohmann::json dump;
};

TEST(Menu, TheDumpShowsWhatEachWaitEnables) {
    MenuRun atClick("_textclear\n一行目\n", "");
    for (const char* item : {"Msave", "Mload", "Mtitle", "Khideimage", "Khidetext", "Mdarkness", "Mskipout"})
        EXPECT_TRUE(atClick.dumped(item, "enabled")) << item << " at a click wait";
    EXPECT_TRUE(atClick.dumped("Kwinmode", "checked"));
    EXPECT_TRUE(atClick.dumped("Kmusic", "checked"));
    EXPECT_FALSE(atClick.dumped("Ktxtwait", "checked"));
    EXPECT_NE(atClick.json.find("\"caption\": \"キャンセル\""), std::string::npos);

    MenuRun outside("_textclear\n_mouseclick\n", "");
    for (const char* item : {"Msave", "Mload", "Mtitle", "Khideimage", "Khidetext", "Mdarkness"})
        EXPECT_FALSE(outside.dumped(item, "enabled")) << item << " outside a click wait";
    EXPECT_TRUE(outside.dumped("Mversion", "enabled"));

    // _stop waits for a load or the title; saving needs a save point.
    MenuRun stopped("_stop\n", "");
    EXPECT_TRUE(stopped.dumped("Mload", "enabled"));
    EXPECT_TRUE(stopped.dumped("Mtitle", "enabled"));
    EXPECT_FALSE(stopped.dumped("Khideimage", "enabled"));
    MenuRun noSavePoint("一行目\n", "");
    EXPECT_FALSE(noSavePoint.dumped("Msave", "enabled"));
}

TEST(Menu, ReturningToTheTitleEndsTheWaitOnlyAfterOk) {
    MenuRun ok("_textclear\n一行目\n二行目\n", "rclick 100 100\nmenu タイトルへ戻る\nanswer ok\n");
    EXPECT_TRUE(ok.has("text: 一行目\nmenu: open\nmenu: タイトルへ戻る\nbox: 確認 | タイトルに戻りますか？ -> ok\n"
                       "title: return\nchapter: Quorvel\ntext: 一行目\nidle\n"))
        << ok.result.transcript;

    MenuRun cancel("_textclear\n一行目\n二行目\n", "rclick 100 100\nmenu タイトルへ戻る\nanswer cancel\n");
    EXPECT_FALSE(cancel.has("title: return"));
    EXPECT_FALSE(cancel.has("二行目")) << "the click that chose the item does not end the wait";
    EXPECT_EQ(cancel.app->cycle.PendingAction, qvl::kPendingNone);
}

TEST(Menu, ARightClickWhoseMenuIsClosedEndsTheWaitAndAChoiceKeepsIt) {
    MenuRun chosen("一行目\n二行目\n", "rclick 100 100\nmenu 高速文字表示\n");
    EXPECT_TRUE(chosen.app->settings.HighSpeedText);
    EXPECT_FALSE(chosen.has("二行目"));
    MenuRun closed("一行目\n二行目\n", "rclick 100 100\nkey Escape\n");
    EXPECT_TRUE(closed.has("menu: open\ntext: 二行目\n")) << closed.result.transcript;
}

TEST(Menu, SyspopupStopsTheRightButtonButNotTheShortcuts) {
    MenuRun r("_syspopup 1\n一行目\n二行目\n", "rclick 100 100\nkey Ctrl+q\nanswer cancel\n");
    EXPECT_FALSE(r.has("menu: open"));
    EXPECT_TRUE(r.has("text: 二行目\nbox: 終了 | 終了しますか？ -> cancel\n")) << r.result.transcript;
}

TEST(Menu, DisabledItemsDoNothingWhicheverWayTheyAreReached) {
    MenuRun noMarks("_mouseclick\n", "menu 読んだ文章を飛ばす\nkey Ctrl+f\nmenu 背景を消す\nkey Ctrl+s\n",
                    "SavePath=save\\\nBackGround=bg_room.mag\n");
    EXPECT_FALSE(noMarks.dumped("Mskipout", "enabled"));
    EXPECT_FALSE(noMarks.app->cycle.skipReadMode);
    EXPECT_FALSE(noMarks.has("dialog:"));

    // From the open menu a disabled item leaves the menu open.
    MenuRun open("_textclear\n一行目\n", "rclick 100 100\nmenu 読んだ文章を飛ばす\n",
                 "SavePath=save\\\nBackGround=bg_room.mag\n");
    EXPECT_NE(open.json.find("\"open\": true"), std::string::npos);
    EXPECT_FALSE(open.has("menu: 読んだ文章を飛ばす"));
}

TEST(Menu, HidingTheBackgroundPutsTheTextOnBlackOrWhite) {
    auto corner = [](MenuRun& r) { return r.run.platform().lastFrame().pixel(630, 470) & 0xFFFFFF; };
    MenuRun white("_textclear\n一行目\n", "key Ctrl+t\n");
    EXPECT_TRUE(white.has("dialog: 背景を消す"));
    EXPECT_EQ(corner(white), 0x000000u);
    MenuRun blue("_textclear\n<C#00007E>一行目\n", "key Ctrl+t\n");
    EXPECT_EQ(corner(blue), 0xFFFFFFu);

    // A click ends the view, puts the scene back, and leaves the text wait waiting.
    MenuRun before("_textclear\n一行目\n二行目\n", "");
    MenuRun after("_textclear\n一行目\n二行目\n", "key Ctrl+t\nclick\n");
    EXPECT_TRUE(after.app->windowImage() == before.app->windowImage());
    EXPECT_FALSE(after.has("二行目"));
    EXPECT_TRUE(after.app->shell.popupAutoOpen);
}

TEST(Menu, HidingTheTextShowsThePictureUndarkenedAndDarkensItAgain) {
    const std::string config = "SavePath=save\\\nBackGround=bg_room.mag\nBGDarkness=1\n";
    const std::string script = "_bgload \"bg_room.mag\"\n_refresh\n一行目\n二行目\n";
    MenuRun hidden(script, "key Ctrl+b\n", config);
    const qvl::Surface& bg = hidden.app->bank()[qvl::SurfaceId::Background];
    const uint32_t plain = bg.pixel(5, 5) & 0xFFFFFF;
    ASSERT_NE(plain, 0u) << "a picture that darkening changes";
    EXPECT_EQ(hidden.run.platform().lastFrame().pixel(5, 5) & 0xFFFFFF, plain);

    MenuRun back(script, "key Ctrl+b\nclick\n", config);
    EXPECT_NE(back.app->windowImage().pixel(5, 5) & 0xFFFFFF, plain);
    EXPECT_EQ(back.app->bank()[qvl::SurfaceId::VirtualVram].pixel(5, 5), back.app->windowImage().pixel(5, 5))
        << "the composed scene is darkened again";
    EXPECT_FALSE(back.has("二行目"));
}

TEST(Menu, TheVersionDialogShowsItsLinesInTheDump) {
    MenuRun r("一行目\n", "rclick 320 200\nmenu バージョン情報\n");
    EXPECT_TRUE(r.has("menu: バージョン情報\ndialog: バージョン情報\n")) << r.result.transcript;
    for (const char* line : {"\"Ver 1.20\"", "\"シナリオのバージョン情報はありません\"", "\"ProgramID=設定無し\"",
                             "\"CurrentDir="})
        EXPECT_NE(r.json.find(line), std::string::npos) << line;
    MenuRun closed("一行目\n", "rclick 320 200\nmenu バージョン情報\ncancel\n");
    EXPECT_TRUE(r.dialogOpen());
    EXPECT_FALSE(closed.dialogOpen());
}

TEST(Menu, AutoAdvanceGoesOnAfterTheLinesTimeAndIsKept) {
    MenuRun r("一行目\n二行目です\n_mouseclick\n", "key Ctrl+a\nat 10000 key Escape\nat 10001 answer ok\n");
    EXPECT_TRUE(r.has("text: 一行目\ntext: 二行目です\nbox: 終了")) << r.result.transcript;
    // 1500 ms and 60 ms a character, for each of the two lines.
    EXPECT_GE(r.run.platform().elapsed(), 1500u + 3 * 60 + 1500 + 5 * 60);
    const std::string ini = readAll(r.result.dir / "qvl.ini");
    EXPECT_NE(ini.find("AutoAdvance=1\r\n"), std::string::npos);
    EXPECT_EQ(ini.rfind("Version=1.20\r\n", 0), 0u) << "the original's lines come first, unchanged";
}

TEST(Menu, VolumesReachTheAudioOutputAndTheSettingsFile) {
    MenuRun r("_mouseclick\n", "menu 音楽 50%\nmenu 効果音 25%\nkey Escape\nanswer ok\n");
    auto& audio = dynamic_cast<qvl::platform::HeadlessAudio&>(r.run.platform().audio());
    EXPECT_EQ(audio.volume(qvl::platform::MediaDevice::Music), 50);
    EXPECT_EQ(audio.volume(qvl::platform::MediaDevice::Cd), 50);
    EXPECT_EQ(audio.volume(qvl::platform::MediaDevice::Sound), 25);
    EXPECT_NE(readAll(r.result.dir / "qvl.ini").find("MusicVolume=50\r\nSoundVolume=25\r\n"), std::string::npos);
}

TEST(Menu, AScreenshotGoesIntoTheSaveFolder) {
    MenuRun r("一行目\n", "menu 画面を画像で保存\n");
    EXPECT_TRUE(r.has("screenshot: screenshot-")) << r.result.transcript;
    bool found = false;
    for (const auto& entry : fs::directory_iterator(r.result.dir / "save"))
        found = found || entry.path().extension() == ".png";
    EXPECT_TRUE(found);
}

}  // namespace
