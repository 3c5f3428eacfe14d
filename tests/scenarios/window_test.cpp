// The main window's input routing and display switching.
#include "tests/scenarios/scenario_run.h"

namespace {

using namespace qvl_test;
using qvl::platform::Event;
using qvl::platform::MouseButton;

Event mouse(Event::Type type, MouseButton button = MouseButton::Left) {
    Event e;
    e.type = type;
    e.button = button;
    e.x = 10;
    e.y = 20;
    return e;
}

TEST(Window, KeysAndMenuItemsSwitchDisplayAndPageMode) {
    ScenarioRun run("window_keys");
    qvl::TFmain* app = nullptr;
    RunResult r = run.run(&app);
    EXPECT_EQ(r.transcript, "chapter: Quorvel\ntext: 一行目\ntext: 二行目\nidle\n");
    EXPECT_FALSE(app->settings.SkipText) << "Space leaves page mode";
    EXPECT_FALSE(app->shell.fullScreen) << "Alt+Enter went back to the window";
    EXPECT_FALSE(run.platform().fullScreen());
    EXPECT_TRUE(run.platform().border()) << "the frame item twice gives the border back";
    EXPECT_FALSE(app->shell.windowFrameRemoved);
}

TEST(Window, ClicksDuringAClickProofDelayAreNotConfirmations) {
    qvl::platform::HeadlessPlatform platform({}, {});
    qvl::TFmain app(platform, {});
    app.cycle.input.clicksAccepted = false;
    app.cycle.passEvent(mouse(Event::Type::MouseDown));
    app.cycle.passEvent(mouse(Event::Type::MouseUp));
    EXPECT_TRUE(app.cycle.input.mouseWentDown);
    EXPECT_TRUE(app.cycle.input.mouseWentUp);
    EXPECT_FALSE(app.cycle.input.clickPending);
    EXPECT_EQ(app.cycle.mouseX, 10);
    EXPECT_EQ(app.cycle.mouseY, 20);

    app.cycle.input = {};
    app.cycle.passEvent(mouse(Event::Type::MouseDown));
    app.cycle.passEvent(mouse(Event::Type::MouseUp));
    EXPECT_TRUE(app.cycle.input.clickPending);
}

TEST(Window, EnterDuringTextOutputFastForwardsAndClickFlagsFollowClicks) {
    qvl::platform::HeadlessPlatform platform({}, {});
    qvl::TFmain app(platform, {});
    app.cycle.input.textOutputActive = true;
    Event enter;
    enter.type = Event::Type::KeyDown;
    enter.key = qvl::platform::Key::Enter;
    app.cycle.passEvent(enter);
    EXPECT_TRUE(app.cycle.input.fastForward);
    EXPECT_TRUE(app.cycle.input.clickPending);

    app.cycle.ClickFlagIndex = 7;
    app.cycle.skipReadMode = true;
    app.cycle.passEvent(mouse(Event::Type::MouseDown));
    EXPECT_FALSE(app.cycle.skipReadMode) << "any press stops read-text skipping";
    app.cycle.passEvent(mouse(Event::Type::MouseUp));
    EXPECT_EQ(app.flags.Flags[7], "1");

    // A right click is no click: it sets no flag.
    app.flags.Flags[7] = "0";
    app.cycle.passEvent(mouse(Event::Type::MouseDown, MouseButton::Right));
    app.cycle.passEvent(mouse(Event::Type::MouseUp, MouseButton::Right));
    EXPECT_EQ(app.flags.Flags[7], "0");
}

}  // namespace

namespace {

TEST(Window, CtrlShortcutsWorkWithTheMenuClosed) {
    qvl::platform::HeadlessPlatform platform({}, {});
    qvl::TFmain app(platform, {});
    auto ctrl = [&](char c) {
        Event e;
        e.type = Event::Type::KeyDown;
        e.key = qvl::platform::Key::Character;
        e.ch = c;
        e.mods = qvl::platform::kModCtrl;
        app.cycle.passEvent(e);
    };
    ctrl('h');
    EXPECT_TRUE(app.settings.HighSpeedText);
    ctrl('p');
    EXPECT_TRUE(app.settings.SkipText);
    ctrl('f');
    EXPECT_FALSE(app.cycle.skipReadMode) << "no read marks without TextMaxIndex";
    app.settings.TextMaxIndex = 4;
    ctrl('f');
    EXPECT_TRUE(app.cycle.skipReadMode);
    ctrl('g');
    EXPECT_TRUE(app.shell.fullScreen);
}

}  // namespace
