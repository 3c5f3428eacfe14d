#include "ui/input_box.h"

#include "fake_host.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qvl::ui {
namespace {

using platform::Answer;
using platform::Key;
using platform::utf8ToSjis;
using test::FakeHost;

InputBoxOptions options(std::string initial = "", std::size_t maxBytes = 255) {
    return {"Name", utf8ToSjis("名前を入力してください"), std::move(initial), maxBytes};
}

TEST(InputBox, TypedTextComesBackInShiftJisOnEnter) {
    FakeHost host;
    host.text("太郎").key(Key::Enter);
    InputBoxResult r = inputBox(host, options());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.text, utf8ToSjis("太郎"));
    // The input method is turned on over the field and off once the box is gone.
    const auto& ime = host.fake.textInput;
    auto on = std::find_if(ime.begin(), ime.end(), [](const auto& call) { return call.first; });
    ASSERT_NE(on, ime.end());
    EXPECT_FALSE(on->second.empty());
    EXPECT_FALSE(ime.back().first);
    for (const auto& hint : host.fake.hints) {
        EXPECT_EQ(hint.kind, platform::WaitKind::Question);
        EXPECT_EQ(hint.autoAnswer, Answer::Ok);
    }
}

TEST(InputBox, CancelStillReportsTheFieldText) {
    FakeHost host;
    host.key(Key::End).text("d").key(Key::Escape);
    InputBoxResult r = inputBox(host, options("abc"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, "abcd") << "after a caret move typing goes on after the initial text";
}

TEST(InputBox, TheProposedTextIsReplacedByTheFirstTypedCharacter) {
    FakeHost host;
    host.text("d").key(Key::Enter);
    EXPECT_EQ(inputBox(host, options("abc")).text, "d");

    FakeHost erase;
    erase.key(Key::Backspace).text("x").key(Key::Enter);
    EXPECT_EQ(inputBox(erase, options("abc")).text, "x") << "Backspace clears the whole selection";
}

TEST(InputBox, InitialTextIsKeptAndCutToTheLimit) {
    FakeHost host;
    host.answer(Answer::Ok);
    EXPECT_EQ(inputBox(host, options(utf8ToSjis("花子"))).text, utf8ToSjis("花子"));

    FakeHost cut;
    cut.answer(Answer::Ok);
    EXPECT_EQ(inputBox(cut, options(utf8ToSjis("花子"), 3)).text, utf8ToSjis("花"));
}

TEST(InputBox, DoubleByteInputStopsAtTheLimitWithoutSplittingACharacter) {
    FakeHost host;
    host.text("あいう").text("xy").key(Key::Enter);
    EXPECT_EQ(inputBox(host, options("", 5)).text, utf8ToSjis("あい") + "x");
}

TEST(InputBox, ScriptedAnswersMapOntoOkAndCancelWhereverTheFocusIs) {
    for (bool tabToCancel : {false, true}) {
        for (auto [answer, ok] : {std::pair{Answer::Ok, true}, std::pair{Answer::Yes, true},
                                  std::pair{Answer::Cancel, false}, std::pair{Answer::No, false}}) {
            FakeHost host;
            host.text("a");
            if (tabToCancel) host.key(Key::Tab).key(Key::Tab);
            // Text typed while a button has the focus still belongs to the field.
            host.text("b").answer(answer);
            InputBoxResult r = inputBox(host, options());
            EXPECT_EQ(r.ok, ok) << "answer " << int(answer) << " tab " << tabToCancel;
            EXPECT_EQ(r.text, "ab");
        }
    }
}

TEST(InputBox, ClickingCancelCancels) {
    FakeHost probe;
    probe.key(Key::Enter);
    inputBox(probe, options());
    Rect box = test::opaqueBounds(*probe.lastFrame);

    FakeHost host;
    host.text("x").click(box.x + box.w / 2 + 40, box.y + box.h - 3 - 12 - 12);
    InputBoxResult r = inputBox(host, options());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, "x");
}

TEST(InputBox, IsDrawnCentredWhileOpenAndRemovedAfter) {
    FakeHost host;
    host.key(Key::Enter);
    inputBox(host, options());
    ASSERT_TRUE(host.lastFrame);
    Rect box = test::opaqueBounds(*host.lastFrame);
    EXPECT_GE(box.w, 300);
    EXPECT_NEAR(box.x + box.w / 2, 320, 1);
    EXPECT_NEAR(box.y + box.h / 2, 240, 1);
    EXPECT_EQ(host.presented.back(), nullptr);

    // A wide prompt widens the box, many lines make it taller, and it never leaves the screen.
    std::string wide(200, 'W');
    std::string tall;
    for (int i = 0; i < 60; ++i) tall += utf8ToSjis("行") + "\n";
    for (bool isWide : {true, false}) {
        FakeHost big;
        big.key(Key::Escape);
        inputBox(big, {"", isWide ? wide : tall, "", 255});
        Rect r = test::opaqueBounds(*big.lastFrame);
        if (isWide) EXPECT_GT(r.w, box.w);
        else EXPECT_GT(r.h, box.h);
        EXPECT_GE(r.x, 0);
        EXPECT_GE(r.y, 0);
        EXPECT_LE(r.x + r.w, 640);
        EXPECT_LE(r.y + r.h, 480);
    }
}

}  // namespace
}  // namespace qvl::ui
