// Person slots through the scene commands: keyword positions, hiding and clearing.
#include "tests/scenarios/scenario_run.h"

namespace {

using namespace qvl_test;
using qvl::personSurface;

// The script stops at a click wait after each step; clicks lets it go further.
const qvl::SurfaceState& slot(qvl::TFmain* app, int n) { return app->bank().state(personSurface(n)); }

TEST(SceneState, KeywordPositionsAndSlotsThatCannotBeSet) {
    ScenarioRun run("scene_state");
    qvl::TFmain* app = nullptr;
    run.run(&app, "");
    EXPECT_EQ(slot(app, 0).x, 0) << "#CENTER on 641 pixels: -1 / 2 rounds toward zero";
    EXPECT_EQ(slot(app, 0).y, (480 - 4) / 2);
    EXPECT_EQ(slot(app, 1).x, 640 - 200);
    EXPECT_EQ(slot(app, 1).y, 480 - 320);
    EXPECT_EQ(slot(app, 1).shown, 1);
    EXPECT_EQ(slot(app, 2).shown, 0) << "_objset on a never-loaded slot changes nothing";
    EXPECT_EQ(slot(app, 2).loaded, 0);
}

TEST(SceneState, ObjclearWithAValueHidesAndWithoutOneEmpties) {
    ScenarioRun hidden("scene_state");
    qvl::TFmain* app = nullptr;
    hidden.run(&app, "click\n");
    for (int n = 0; n < 2; ++n) {
        EXPECT_EQ(slot(app, n).shown, 0) << n;
        EXPECT_EQ(slot(app, n).loaded, 1) << n;
    }
    EXPECT_EQ(slot(app, 1).x, 440) << "hiding keeps the position";

    ScenarioRun cleared("scene_state");
    cleared.run(&app, "click\nclick\n");
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(slot(app, n).loaded, 0) << n;
        EXPECT_TRUE(slot(app, n).fileName.empty()) << n;
        EXPECT_EQ(app->bank()[personSurface(n)].width(), 8) << n;
    }
}

}  // namespace
