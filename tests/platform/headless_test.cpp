#include "platform/headless/headless_platform.h"
#include "platform/headless/input_script.h"

#include <gtest/gtest.h>

#include <string>

namespace qvl::platform {
namespace {

using Type = Event::Type;

const WaitHint kTime{WaitKind::Time, Answer::None};
const WaitHint kClick{WaitKind::Click, Answer::None};
const WaitHint kInput{WaitKind::Input, Answer::None};
const WaitHint kIdle{WaitKind::Idle, Answer::None};

RunStopped::Reason stopReason(HeadlessPlatform& p, std::optional<uint32_t> deadline, const WaitHint& hint) {
    try {
        p.waitEvent(deadline ? std::optional<uint32_t>(kTickOrigin + *deadline) : std::nullopt, hint);
    } catch (const RunStopped& e) {
        return e.reason;
    }
    ADD_FAILURE() << "the wait did not stop the run";
    return RunStopped::Reason::InputExhausted;
}

// The type of the next event, or nothing when the wait ran out. Deadlines count
// from the start of the run.
std::optional<Type> next(HeadlessPlatform& p, std::optional<uint32_t> deadline, const WaitHint& hint) {
    auto e = p.waitEvent(deadline ? std::optional<uint32_t>(kTickOrigin + *deadline) : std::nullopt, hint);
    return e ? std::optional<Type>(e->type) : std::nullopt;
}

TEST(InputScript, ParsesEveryVerb) {
    auto in = parseInputScript(
        "# a comment\n\nclick 10 20\nrclick\r\n  move 5 6  \nkey Ctrl+Alt+F5\nKEY esc\nkey Shift+a\n"
        "type こんにちは 世界\nanswer Yes\nmenu 音楽再生\nwait 500\nkey Return");
    ASSERT_EQ(in.size(), 13u);
    EXPECT_EQ(in[0].event.type, Type::MouseDown);
    EXPECT_EQ(in[1].event.type, Type::MouseUp);
    EXPECT_EQ(in[1].event.x * 100 + in[1].event.y, 1020);
    EXPECT_FALSE(in[1].atLastMouse);
    EXPECT_EQ(in[3].event.button, MouseButton::Right);
    EXPECT_TRUE(in[3].atLastMouse);
    EXPECT_EQ(in[4].event.type, Type::MouseMove);
    EXPECT_EQ(in[4].event.y, 6);
    EXPECT_EQ(in[5].event.key, Key::F5);
    EXPECT_EQ(in[5].event.mods, kModCtrl | kModAlt);
    EXPECT_EQ(in[6].event.key, Key::Escape);
    EXPECT_EQ(in[7].event.ch, 'a');
    EXPECT_EQ(in[7].event.mods, kModShift);
    EXPECT_EQ(in[8].event.text, "こんにちは 世界");
    EXPECT_EQ(in[9].event.answer, Answer::Yes);
    EXPECT_EQ(in[10].event.text, "音楽再生");
    EXPECT_EQ(in[11].kind, ScriptedInput::Kind::Wait);
    EXPECT_EQ(in[11].waitMs, 500u);
    EXPECT_EQ(in[12].event.key, Key::Enter);
}

TEST(InputScript, ErrorsNameTheLine) {
    auto lineOf = [](const std::string& text) -> std::string {
        try {
            parseInputScript(text);
        } catch (const InputScriptError& e) {
            return e.what();
        }
        return "accepted";
    };
    for (const char* bad : {"click 1", "click 1 2 3", "click -1 5", "move 1", "key F13", "key Hyper+x",
                            "key ab", "answer maybe", "menu", "wait", "wait 5ms", "jump 1"}) {
        EXPECT_EQ(lineOf(std::string("click\n# note\r\n\n") + bad).rfind("input line 4:", 0), 0u) << bad;
    }
}

TEST(InputScript, SlotPicksAreCheckedAndCancelIsAnAnswer) {
    auto in = parseInputScript("slot 42\ncancel");
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[0].event.type, Type::PickSlot);
    EXPECT_EQ(in[0].event.id, 42);
    EXPECT_EQ(in[1].event.type, Type::Answer);
    EXPECT_EQ(in[1].event.answer, Answer::Cancel);
    for (const char* bad : {"slot 0", "slot 81", "slot", "slot 1 2", "cancel now"})
        EXPECT_THROW(parseInputScript(bad), InputScriptError) << bad;
}

TEST(InputScript, WheelTurnsAtTheMouseAndFontPicksNameAListAndAFace) {
    auto in = parseInputScript("wheel -2\nfont 3  IPA Pゴシック");
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[0].event.type, Type::MouseWheel);
    EXPECT_EQ(in[0].event.wheel, -2);
    EXPECT_TRUE(in[0].atLastMouse);
    EXPECT_EQ(in[1].event.type, Type::PickFont);
    EXPECT_EQ(in[1].event.id, 3);
    EXPECT_EQ(in[1].event.text, "IPA Pゴシック");
    for (const char* bad : {"wheel", "wheel 0", "wheel up", "font 4 X", "font 0", "font x IPAGothic"})
        EXPECT_THROW(parseInputScript(bad), InputScriptError) << bad;
}

TEST(Headless, TimedWaitsJumpToTheDeadlineAndLeaveInputForWaitsThatTakeIt) {
    HeadlessPlatform p(parseInputScript("click 1 2"), {});
    EXPECT_EQ(next(p, 1000, kTime), std::nullopt);
    EXPECT_EQ(p.elapsed(), 1000u);
    EXPECT_EQ(next(p, 400, kTime), std::nullopt);  // already past: at once
    EXPECT_EQ(p.elapsed(), 1000u);
    EXPECT_EQ(next(p, std::nullopt, kClick), Type::MouseDown);
    EXPECT_EQ(next(p, 1500, kInput), Type::MouseUp);  // a timed wait that takes input
    EXPECT_EQ(p.elapsed(), 1000u);
    EXPECT_FALSE(p.inputLeft());
}

TEST(Headless, ScriptedWaitHoldsLaterInput) {
    HeadlessPlatform p(parseInputScript("wait 500\nclick 3 4"), {});
    EXPECT_EQ(next(p, 200, kInput), std::nullopt);
    EXPECT_EQ(p.elapsed(), 200u);
    EXPECT_EQ(next(p, std::nullopt, kClick), Type::MouseDown);
    EXPECT_EQ(p.elapsed(), 500u);
}

TEST(Headless, TimersTickAtTheirIntervalDuringTimedWaits) {
    HeadlessPlatform p({}, {});
    p.startTimer(7, 100);
    for (uint32_t at : {100u, 200u, 300u}) {
        auto e = p.waitEvent(kTickOrigin + 350, kTime);
        ASSERT_TRUE(e && e->type == Type::Timer && e->id == 7);
        EXPECT_EQ(p.elapsed(), at);
    }
    EXPECT_EQ(next(p, 350, kTime), std::nullopt);
    EXPECT_EQ(next(p, 400, kTime), Type::Timer);  // due exactly at the deadline
    EXPECT_EQ(p.elapsed(), 400u);
    p.stopTimer(7);
    EXPECT_EQ(next(p, 1000, kTime), std::nullopt);
    EXPECT_EQ(p.elapsed(), 1000u);
}

TEST(Headless, BlockingWithoutInputEndsTheRunUnlessAutoPlayCanAct) {
    HeadlessPlatform plain({}, {});
    EXPECT_EQ(stopReason(plain, std::nullopt, kClick), RunStopped::Reason::InputExhausted);

    HeadlessPlatform autoPlay(parseInputScript("move 30 40"), {.autoPlay = true, .maxMs = std::nullopt});
    EXPECT_EQ(next(autoPlay, std::nullopt, kClick), Type::MouseMove);
    auto down = autoPlay.waitEvent(std::nullopt, kClick);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->type, Type::MouseDown);
    EXPECT_EQ(down->x * 100 + down->y, 3040);  // where the mouse last was
    EXPECT_EQ(next(autoPlay, std::nullopt, kClick), Type::MouseUp);
    auto answer = autoPlay.waitEvent(std::nullopt, {WaitKind::Question, Answer::Ok});
    ASSERT_TRUE(answer && answer->type == Type::Answer);
    EXPECT_EQ(answer->answer, Answer::Ok);
    EXPECT_EQ(stopReason(autoPlay, std::nullopt, kIdle), RunStopped::Reason::InputExhausted);
}

TEST(Headless, TimeLimitStopsTheRun) {
    HeadlessPlatform p({}, {.autoPlay = false, .maxMs = 1000});
    EXPECT_EQ(next(p, 999, kTime), std::nullopt);
    EXPECT_EQ(stopReason(p, 5000, kTime), RunStopped::Reason::TimeLimit);
    EXPECT_EQ(p.elapsed(), 1000u);
    HeadlessPlatform held(parseInputScript("wait 2000\nclick"), {.autoPlay = true, .maxMs = 1000});
    EXPECT_EQ(stopReason(held, std::nullopt, kClick), RunStopped::Reason::TimeLimit);
}

TEST(Headless, PresentBlendsTheOverlayByItsAlpha) {
    HeadlessPlatform p({}, {});
    Surface frame(4, 2, 0x000000FF);
    p.present(frame, nullptr, std::nullopt);
    EXPECT_EQ(p.presentCount(), 1);
    EXPECT_EQ(p.lastFrame(), frame);

    Surface overlay(3, 1, 0x00FFFFFF);  // smaller than the frame: the rest shows through
    overlay.setPixel(1, 0, 0xFF112233);
    overlay.setPixel(2, 0, 0x80FF0000);
    p.present(frame, &overlay, std::nullopt);
    EXPECT_EQ(p.presentCount(), 2);
    const Surface& out = p.lastFrame();
    EXPECT_EQ(out.pixel(0, 0), 0x000000FFu);
    EXPECT_EQ(out.pixel(1, 0), 0x00112233u);
    EXPECT_EQ(out.pixel(2, 0), 0x0080007Fu);  // half red over blue
    EXPECT_EQ(out.pixel(3, 0), 0x000000FFu);
    EXPECT_EQ(out.pixel(1, 1), 0x000000FFu);
}

}  // namespace
}  // namespace qvl::platform

namespace qvl::platform {
namespace {

TEST(InputScript, AtGivesAnyEventATime) {
    auto in = parseInputScript("at 250 click 5 6\nAT 100 key Ctrl+f\nclick");
    ASSERT_EQ(in.size(), 5u);
    EXPECT_EQ(in[0].atMs, 250u);
    EXPECT_EQ(in[1].atMs, 250u) << "the release comes with the press";
    EXPECT_EQ(in[2].atMs, 100u);
    EXPECT_FALSE(in[3].atMs);
    for (const char* bad : {"at", "at 5", "at x click", "at -5 click", "at 5 wait 10", "at 5 at 6 click", "at 5 jump"})
        EXPECT_THROW(parseInputScript(bad), InputScriptError) << bad;
}

TEST(Headless, TimedEventsArriveInAnyWaitAtTheirTimeInOrder) {
    HeadlessPlatform p(parseInputScript("at 300 key Return\nat 100 move 1 2\nclick 3 4"), {});
    // A click-proof delay still gets the event when its time comes.
    EXPECT_EQ(next(p, 1000, kTime), Type::MouseMove);
    EXPECT_EQ(p.elapsed(), 100u);
    // Ordinary input goes to a wait that takes it, at once.
    EXPECT_EQ(next(p, std::nullopt, kClick), Type::MouseDown);
    EXPECT_EQ(next(p, std::nullopt, kClick), Type::MouseUp);
    EXPECT_EQ(p.elapsed(), 100u);
    // A blocking wait with nothing else left sleeps until the timed event.
    EXPECT_EQ(next(p, std::nullopt, kClick), Type::KeyDown);
    EXPECT_EQ(p.elapsed(), 300u);
    EXPECT_FALSE(p.inputLeft());
}

TEST(Headless, TheClockStartsFarFromZeroAsARunningSystemsDoes) {
    HeadlessPlatform p({}, {});
    EXPECT_EQ(p.ticks(), kTickOrigin);
    // A deadline long past (a mark never set) ends the wait at once.
    EXPECT_EQ(p.waitEvent(5000, kTime), std::nullopt);
    EXPECT_EQ(p.elapsed(), 0u);
}

}  // namespace
}  // namespace qvl::platform
