#include "ui/dialog.h"

#include "fake_host.h"
#include "platform/encoding.h"
#include "ui/edit_field.h"
#include "ui/text_fit.h"

#include <gtest/gtest.h>

namespace qvl::ui {
namespace {

using platform::Answer;
using platform::Event;
using platform::Key;

TEST(Dialog, TabVisitsOnlyWidgetsThatCanTakeTheKeyboard) {
    Dialog dialog("t", 300, 200);
    auto& a = dialog.add<Button>(dialog.place(10, 10, 60, 20), "a");
    auto& hidden = dialog.add<Button>(dialog.place(10, 40, 60, 20), "h");
    auto& off = dialog.add<Button>(dialog.place(10, 70, 60, 20), "o");
    auto& b = dialog.add<EditField>(dialog.place(10, 100, 60, 20));
    hidden.setVisible(false);
    off.setEnabled(false);
    dialog.focusNext(false);
    EXPECT_EQ(dialog.focus(), &a);
    dialog.focusNext(false);
    EXPECT_EQ(dialog.focus(), &b);
    dialog.focusNext(false);
    EXPECT_EQ(dialog.focus(), &a);
    dialog.focusNext(true);
    EXPECT_EQ(dialog.focus(), &b);
    EXPECT_TRUE(b.focused());
    EXPECT_FALSE(a.focused());
}

TEST(Dialog, RedrawsOnlyWhenSomethingChanged) {
    test::FakeHost host;
    Dialog dialog("t", 300, 200);
    auto& ok = dialog.add<Button>(dialog.place(10, 10, 60, 20), "OK");
    ok.setDefault(true);
    ok.onClick = [&] { dialog.close(Answer::Ok); };
    Event timer, exposed;
    timer.type = Event::Type::Timer;
    exposed.type = Event::Type::Exposed;
    host.push(timer).push(timer).key(Key::F5).push(exposed).key(Key::Enter);
    EXPECT_EQ(dialog.runModal(host, {}), Answer::Ok);
    // The first frame and the old overlay back at the end: timers and exposure go
    // to the engine, which shows the dialog's frame itself.
    ASSERT_EQ(host.presented.size(), 2u);
    EXPECT_EQ(host.presented.back(), host.base);
    EXPECT_EQ(host.passed.size(), 3u);
}

TEST(Dialog, FullScreenKeysGoToTheWindowWhileTheDialogStaysOpen) {
    test::FakeHost host;
    Dialog dialog("t", 300, 200);
    auto& ok = dialog.add<Button>(dialog.place(10, 10, 60, 20), "OK");
    ok.setDefault(true);
    ok.onClick = [&] { dialog.close(Answer::Ok); };
    host.key(Key::F11).key(Key::Enter, platform::kModAlt).key(Key::Enter);
    EXPECT_EQ(dialog.runModal(host, {}), Answer::Ok) << "Alt+Enter must not press the default button";
    ASSERT_EQ(host.passed.size(), 2u);
    EXPECT_EQ(host.passed[0].key, Key::F11);
    EXPECT_EQ(host.passed[1].key, Key::Enter);
}

TEST(Dialog, EscWithoutACancelButtonCancels) {
    test::FakeHost host;
    Dialog dialog("t", 300, 200);
    host.key(Key::Escape);
    EXPECT_EQ(dialog.runModal(host, {}), Answer::Cancel);
}

TEST(Dialog, ClickOutsideTheDialogIsIgnored) {
    test::FakeHost host;
    Dialog dialog("t", 300, 200);
    auto& ok = dialog.add<Button>(dialog.place(10, 10, 60, 20), "OK");
    ok.setDefault(true);
    ok.onClick = [&] { dialog.close(Answer::Ok); };
    host.click(2, 2).answer(Answer::None).key(Key::Enter);
    EXPECT_EQ(dialog.runModal(host, {}), Answer::Ok);
    EXPECT_EQ(host.presented.size(), 2u);
}

TEST(TextFit, CutsNeverSplitADoubleByteCharacter) {
    std::string text = platform::utf8ToSjis("aソ表b");  // trail bytes are '\'
    EXPECT_EQ(prefixWithinBytes(text, 2), 1u);
    EXPECT_EQ(prefixWithinBytes(text, 3), 3u);
    EXPECT_EQ(prefixWithinBytes(text, 100), text.size());
    EXPECT_EQ(previousCharStart(text, 5), 3u);
    EXPECT_EQ(previousCharStart(text, 0), 0u);
    auto& fonts = test::sharedFonts();
    auto font = platform::FontSpec{"\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e", 12};
    for (int width = 0; width < 60; ++width) {
        std::string cut = fitToWidth(fonts, text, font, width);
        EXPECT_EQ(prefixWithinBytes(text, cut.size()), cut.size()) << width;
        EXPECT_LE(fonts.measureText(cut, font), width);
    }
}

}  // namespace
}  // namespace qvl::ui
