// The three choice looks through whole runs: geometry and its strict bounds, the
// first-move rule, Enter, the keyboard, locked gallery items, colours and the
// option's command.
#include "base/fault.h"
#include "tests/scenarios/scenario_run.h"

namespace {

using namespace qvl_test;

struct ChoiceRun {
    ChoiceRun(const std::string& script, const std::string& input, bool autoPlay = false) : run("choice_case") {
        run.autoPlay = autoPlay;
        run.writeScenarioFile("autorun.txt", script);
        result = run.run(&app, input);
    }
    const qvl::ChoiceRecord& last() const { return app->choices().last(); }
    int32_t selResult() const { return app->state.ProgSelResult; }

    ScenarioRun run;
    qvl::TFmain* app = nullptr;
    RunResult result;
};

// Labels of 3 and 10 bytes at (100, 100): the box is 150 x 68.
const std::string kMenu =
    "_selmenu 100,100\nabc,,_goto :first\n0123456789\n_endsel\n二番目\n_goto :end\n"
    ":first\n一番目\n:end\n";

TEST(Choice, AMenuBoxIsFourteenPixelsAByteAndThirtyTwoALineWithStrictBounds) {
    ChoiceRun inside(kMenu, "move 150 150\nclick 249 150\n");
    EXPECT_EQ(inside.last().area.w, 150);
    EXPECT_EQ(inside.last().area.h, 68);
    EXPECT_EQ(inside.result.transcript, "chapter: Quorvel\nchoice: abc | 0123456789 -> 1\ntext: 二番目\nidle\n");

    ChoiceRun rightEdge(kMenu, "move 150 150\nclick 250 150\n");
    EXPECT_EQ(rightEdge.result.transcript, "chapter: Quorvel\nidle\n") << "x + W is outside";
    // y + Ht - 3: on no band; the click there takes nothing.
    ChoiceRun bottomEdge(kMenu, "move 150 165\nclick 150 165\n");
    EXPECT_EQ(bottomEdge.result.transcript, "chapter: Quorvel\nidle\n");
    ChoiceRun topEdge(kMenu, "move 150 103\nclick 150 103\n");
    EXPECT_EQ(topEdge.result.transcript, "chapter: Quorvel\nidle\n");
}

TEST(Choice, ClicksBeforeThePointerFirstMovesAreIgnored) {
    // The pointer starts at (0, 0); the first click lands on the first band
    // without a move having been seen.
    ChoiceRun r(kMenu, "click 150 115\nclick 150 115\n");
    EXPECT_EQ(r.result.transcript, "chapter: Quorvel\nchoice: abc | 0123456789 -> 0\ntext: 一番目\nidle\n")
        << "the second click, after the move the first one made, takes the item";
}

TEST(Choice, EnterTakesTheItemUnderThePointerAndNothingOutside) {
    ChoiceRun on(kMenu, "move 150 140\nkey Return\n");
    EXPECT_EQ(on.selResult(), 1);
    ChoiceRun off(kMenu, "move 300 300\nkey Return\n");
    EXPECT_EQ(off.result.transcript, "chapter: Quorvel\nidle\n");
}

TEST(Choice, ArrowKeysMoveTheHighlightAndEnterTakesIt) {
    ChoiceRun down(kMenu, "key Down\nkey Down\nkey Return\n");
    EXPECT_EQ(down.selResult(), 1);
    ChoiceRun wrap(kMenu, "key Down\nkey Down\nkey Down\nkey Return\n");
    EXPECT_EQ(wrap.selResult(), 0) << "a column wraps round";
    ChoiceRun up(kMenu, "key Up\nkey Return\n");
    EXPECT_EQ(up.selResult(), 1) << "Up first lights the last item";
}

TEST(Choice, AnOptionsGotoContinuesAtItsLabelWithTheResultKept) {
    ChoiceRun r(kMenu, "choose 0\n");
    EXPECT_EQ(r.result.transcript, "chapter: Quorvel\nchoice: abc | 0123456789 -> 0\ntext: 一番目\nidle\n");
    EXPECT_EQ(r.selResult(), 0);
    EXPECT_EQ(r.app->state.ProgMultiStateFlag, 2) << "the text line after the jump ran";
}

TEST(Choice, AnEmptyBlockReturnsMinusOneAtOnce) {
    ChoiceRun r("_selmenu 100,100\n_endsel\n後\n", "");
    EXPECT_EQ(r.result.transcript, "chapter: Quorvel\nchoice:  -> -1\ntext: 後\nidle\n");
    EXPECT_EQ(r.selResult(), -1);
}

TEST(Choice, ColoursAreReadAsRrggbbAfterTheFirstCharacter) {
    ChoiceRun blue("_selmenu 100,100,#0000FF,#FF8000\nabc\n_endsel\n", "move 120 115\n");
    ASSERT_NE(blue.app, nullptr);
    const qvl::Surface& frame = blue.run.platform().lastFrame();
    int blues = 0, oranges = 0;
    for (int y = 100; y < 168; ++y)
        for (int x = 100; x < 150; ++x) {
            blues += frame.pixel(x, y) == 0x0000FF;
            oranges += frame.pixel(x, y) == 0xFF8000;
        }
    EXPECT_GT(blues, 20) << "the highlighted label is pure blue";
    EXPECT_EQ(oranges, 0) << "the normal colour was drawn over";
    EXPECT_EQ(qvl::Choices::readColour("#0000FF", 0), 0x0000FFu);
    EXPECT_EQ(qvl::Choices::readColour("", 0x808080), 0x808080u);
    EXPECT_THROW(qvl::Choices::readColour("#GG0000", 0), qvl::Fault);
}

const std::string kGrid = "_selcgmode 100,100,gallery.mag,96,72,3,#NONE\n1\n2,0\n3\n1\n2\n3\n_endsel\n";

TEST(Choice, AGridOfThreeColumnsAndSixItemsHasThreeRowsAndTheEmptyOneTakesNothing) {
    ChoiceRun empty(kGrid, "move 150 260\nclick 150 260\n");
    EXPECT_EQ(empty.last().area.h, 3 * 72);
    EXPECT_EQ(empty.last().area.w, 3 * 96);
    EXPECT_EQ(empty.result.transcript, "chapter: Quorvel\nidle\n");
    ChoiceRun taken(kGrid, "move 300 200\nclick 300 200\n");
    EXPECT_EQ(taken.result.transcript, "chapter: Quorvel\nchoice: 1 | 0 | 3 | 1 | 2 | 3 -> 5\nidle\n");
}

TEST(Choice, ALockedGalleryItemCannotBeTakenByPointerOrKeys) {
    ChoiceRun pointer(kGrid, "move 250 130\nclick 250 130\n");
    EXPECT_EQ(pointer.result.transcript, "chapter: Quorvel\nidle\n");
    EXPECT_EQ(pointer.run.platform().cursor(), qvl::platform::Cursor::Pen) << "no hand over a locked item";
    EXPECT_FALSE(pointer.last().selectable[1]);
    ChoiceRun keys(kGrid, "key Right\nkey Right\nkey Return\n");
    EXPECT_EQ(keys.selResult(), 2) << "the keys step over the locked item";
}

TEST(Choice, AutoPlayTakesTheFirstItemThatCanBeTaken) {
    ChoiceRun r("_selcgmode 100,100,gallery.mag,96,72,3,#NONE\n1,0\n2\n_endsel\n_mouseclick\n", "", true);
    EXPECT_EQ(r.result.transcript, "chapter: Quorvel\nchoice: 0 | 2 -> 1\nidle\n");
}

TEST(Choice, ASheetThatCannotBeCutIsReportedAndGivesZero) {
    ChoiceRun r("_selbutton 100,100,buttons.mag,0,40,#NONE\n1,,_goto :zero\n2\n_endsel\n:zero\n零\n", "answer ok\n");
    EXPECT_EQ(r.result.transcript,
              "chapter: Quorvel\nbox: Quorvel | 画像の読み込み失敗もしくはサイズ指定が異常です -> ok\n"
              "choice: 1 | 2 -> 0\ntext: 零\nidle\n");
}

TEST(Choice, PictureButtonsHighlightTheCellUnderThePointer) {
    ChoiceRun r("_selbutton 220,100,buttons.mag,200,40,\"#TOP_LEFT\"\n1\n2\n3\n_endsel\n", "move 300 150\n");
    const qvl::SurfaceBank& bank = r.app->bank();
    EXPECT_EQ(r.run.platform().cursor(), qvl::platform::Cursor::Hand);
    EXPECT_EQ(bank.sprites[1].column, 1);
    EXPECT_EQ(bank.sprites[0].column, 0);
    EXPECT_EQ(r.last().items[2].y, 180);
}

}  // namespace
