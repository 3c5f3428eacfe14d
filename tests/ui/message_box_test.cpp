#include "ui/message_box.h"

#include "fake_host.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace qvl::ui {
namespace {

using platform::Answer;
using platform::Event;
using platform::Key;
using test::FakeHost;

const std::string kTitle = "Title";
const std::string kBody = "Body";

Answer run(FakeHost& host, BoxButtons buttons, BoxIcon icon = BoxIcon::None) {
    return messageBox(host, kTitle, kBody, icon, buttons);
}

TEST(MessageBox, KeysAndAnswersMapOntoTheButtonsOfEachBox) {
    struct Case {
        BoxButtons buttons;
        Key key;            // Unknown: use the answer instead
        Answer scripted;
        Answer expected;
    };
    const Case cases[] = {
        {BoxButtons::Ok, Key::Enter, Answer::None, Answer::Ok},
        {BoxButtons::Ok, Key::Escape, Answer::None, Answer::Ok},
        {BoxButtons::Ok, Key::Unknown, Answer::Cancel, Answer::Ok},
        {BoxButtons::Ok, Key::Unknown, Answer::No, Answer::Ok},
        {BoxButtons::OkCancel, Key::Enter, Answer::None, Answer::Ok},
        {BoxButtons::OkCancel, Key::Escape, Answer::None, Answer::Cancel},
        {BoxButtons::OkCancel, Key::Unknown, Answer::Cancel, Answer::Cancel},
        {BoxButtons::OkCancel, Key::Unknown, Answer::Yes, Answer::Ok},
        {BoxButtons::OkCancel, Key::Unknown, Answer::No, Answer::Cancel},
        {BoxButtons::YesNo, Key::Enter, Answer::None, Answer::Yes},
        {BoxButtons::YesNo, Key::Escape, Answer::None, Answer::No},
        {BoxButtons::YesNo, Key::Unknown, Answer::Ok, Answer::Yes},
        {BoxButtons::YesNo, Key::Unknown, Answer::Cancel, Answer::No},
        {BoxButtons::YesNo, Key::Unknown, Answer::No, Answer::No},
    };
    for (const auto& c : cases) {
        FakeHost host;
        if (c.key != Key::Unknown) host.key(c.key);
        else host.answer(c.scripted);
        EXPECT_EQ(run(host, c.buttons), c.expected)
            << "buttons " << int(c.buttons) << " key " << int(c.key) << " answer " << int(c.scripted);
    }
}

TEST(MessageBox, TabThenEnterPressesTheSecondButton) {
    FakeHost host;
    host.key(Key::Tab).key(Key::Enter);
    EXPECT_EQ(run(host, BoxButtons::YesNo), Answer::No);
}

// The buttons sit centred in a row at the bottom of the box.
struct ButtonRow {
    int y, first, second;
};
ButtonRow buttonRow(const Rect& box) {
    int cx = box.x + box.w / 2;
    return {box.y + box.h - 3 - 12 - 12, cx - 40, cx + 40};
}

TEST(MessageBox, ClickingAButtonAnswersWithIt) {
    for (auto [buttons, secondAnswer] : {std::pair{BoxButtons::OkCancel, Answer::Cancel},
                                         std::pair{BoxButtons::YesNo, Answer::No}}) {
        FakeHost probe;
        probe.key(Key::Enter);
        run(probe, buttons);
        ButtonRow row = buttonRow(test::opaqueBounds(*probe.lastFrame));

        FakeHost host;
        host.click(row.second, row.y);
        EXPECT_EQ(run(host, buttons), secondAnswer);
        FakeHost other;
        other.click(row.first, row.y);
        EXPECT_NE(run(other, buttons), secondAnswer);
    }
}

TEST(MessageBox, ReleasingTheMouseOffTheButtonDoesNotPressIt) {
    FakeHost probe;
    probe.key(Key::Enter);
    run(probe, BoxButtons::OkCancel);
    ButtonRow row = buttonRow(test::opaqueBounds(*probe.lastFrame));

    FakeHost host;
    host.mouse(Event::Type::MouseDown, row.first, row.y)
        .mouse(Event::Type::MouseMove, 5, 5)
        .mouse(Event::Type::MouseUp, 5, 5)
        .key(Key::Escape);
    EXPECT_EQ(run(host, BoxButtons::OkCancel), Answer::Cancel);
}

TEST(MessageBox, WaitsAsAQuestionWithTheCallersAutoAnswerAndPassesOtherEvents) {
    FakeHost host;
    Event timer;
    timer.type = Event::Type::Timer;
    timer.id = 7;
    host.push(timer).key(Key::Enter);
    messageBox(host, kTitle, kBody, BoxIcon::Question, BoxButtons::YesNo, Answer::No);
    ASSERT_EQ(host.passed.size(), 1u);
    EXPECT_EQ(host.passed[0].id, 7);
    ASSERT_FALSE(host.fake.hints.empty());
    for (const auto& hint : host.fake.hints) {
        EXPECT_EQ(hint.kind, platform::WaitKind::Question);
        EXPECT_EQ(hint.autoAnswer, Answer::No);
    }
}

TEST(MessageBox, DrawsOverTheCurrentOverlayAndRestoresItOnClose) {
    Surface base(640, 480, 0);
    base.fillRect({0, 0, 10, 10}, 0xFF123456);
    FakeHost host;
    host.base = &base;
    host.key(Key::Enter);
    run(host, BoxButtons::Ok, BoxIcon::Exclamation);

    ASSERT_TRUE(host.lastFrame);
    const Surface& frame = *host.lastFrame;
    EXPECT_EQ(frame.pixel(5, 5), 0xFF123456u) << "the outer overlay shows around the box";
    EXPECT_EQ(frame.pixel(600, 20), 0u);
    Rect box = test::opaqueBounds(frame);
    EXPECT_TRUE(box.contains(320, 240));
    EXPECT_GE(box.w, 200);
    ASSERT_FALSE(host.presented.empty());
    EXPECT_EQ(host.presented.back(), &base);
    EXPECT_EQ(base.pixel(320, 240), 0u) << "the outer overlay itself is left alone";
}

TEST(MessageBox, WithoutAnOverlayTheBoxDrawsOnATransparentOneAndClearsItAfter) {
    FakeHost host;
    host.key(Key::Enter);
    run(host, BoxButtons::OkCancel, BoxIcon::Information);
    ASSERT_TRUE(host.lastFrame);
    EXPECT_EQ(host.lastFrame->width(), 640);
    EXPECT_EQ(host.lastFrame->pixel(0, 0), 0u);
    EXPECT_EQ(host.lastFrame->pixel(320, 240) >> 24, 0xFFu);
    EXPECT_EQ(host.presented.back(), nullptr);
}

TEST(MessageBox, HugeBodiesStayInsideTheScreen) {
    std::string longLine;
    for (int i = 0; i < 300; ++i) longLine += platform::utf8ToSjis("表");
    std::string body;
    for (int i = 0; i < 100; ++i) body += longLine + "\n";
    FakeHost host;
    host.key(Key::Enter);
    messageBox(host, longLine, body, BoxIcon::Exclamation, BoxButtons::YesNo);
    Rect box = test::opaqueBounds(*host.lastFrame);
    EXPECT_GE(box.x, 0);
    EXPECT_GE(box.y, 0);
    EXPECT_LE(box.w, 600);
    EXPECT_LE(box.y + box.h, 480);
    // No text drawn past the box: everything outside it is still transparent.
    for (int y = 0; y < 480; y += 3) {
        for (int x = 0; x < 640; x += 3) {
            if (!box.contains(x, y)) {
                ASSERT_EQ(host.lastFrame->pixel(x, y), 0u) << x << "," << y;
            }
        }
    }
}

TEST(MessageBox, EmptyAndOddTextDoesNotUpsetTheLayout) {
    for (std::string body : {"", "\n\n", "\x82", "a\r\nb\x81"}) {
        FakeHost host;
        host.key(Key::Escape);
        EXPECT_EQ(messageBox(host, "", body, BoxIcon::None, BoxButtons::Ok), Answer::Ok);
    }
}

}  // namespace
}  // namespace qvl::ui
