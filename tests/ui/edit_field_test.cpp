#include "ui/edit_field.h"

#include "fake_host.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace qvl::ui {
namespace {

using platform::Event;
using platform::Key;

Event textEvent(const std::string& utf8, Event::Type type = Event::Type::TextInput) {
    Event e;
    e.type = type;
    e.text = utf8;
    return e;
}

Event keyEvent(Key key) {
    Event e;
    e.type = Event::Type::KeyDown;
    e.key = key;
    return e;
}

std::string sjis(const char* utf8) { return platform::utf8ToSjis(utf8); }

TEST(EditField, StopsAtTheByteLimitWithoutSplittingACharacter) {
    EditField field({0, 0, 200, 20});
    for (int i = 0; i < 200; ++i) field.handle(textEvent("あ"));
    EXPECT_EQ(field.text().size(), 254u);
    field.handle(textEvent("a"));
    EXPECT_EQ(field.text().size(), 255u);
    field.handle(textEvent("い"));
    field.handle(textEvent("b"));
    EXPECT_EQ(field.text().size(), 255u);
    EXPECT_EQ(field.text().back(), 'a');

    EditField small({0, 0, 200, 20}, 4);
    small.handle(textEvent("aあい"));
    EXPECT_EQ(small.text(), sjis("aあ")) << "the character that does not fit whole is left out";
    small.setText(sjis("表示する"));
    EXPECT_EQ(small.text(), sjis("表示"));
    small.setText("abc\x95");
    EXPECT_EQ(small.text(), "abc\x95") << "a lone lead byte at the end is a character of its own";
}

TEST(EditField, CaretAndDeletionStepOverWholeDoubleByteCharacters) {
    // The trail bytes of ソ and 表 are '\', which must not be taken for characters.
    EditField field({0, 0, 200, 20});
    field.handle(textEvent("aソ表"));
    ASSERT_EQ(field.text(), sjis("aソ表"));
    field.handle(keyEvent(Key::Backspace));
    EXPECT_EQ(field.text(), sjis("aソ"));
    field.handle(keyEvent(Key::Left));
    EXPECT_EQ(field.caret(), 1u);
    field.handle(textEvent("x"));
    EXPECT_EQ(field.text(), sjis("axソ"));
    field.handle(keyEvent(Key::Delete));
    EXPECT_EQ(field.text(), "ax");
    field.handle(keyEvent(Key::Home));
    field.handle(keyEvent(Key::Backspace));
    EXPECT_EQ(field.text(), "ax") << "Backspace at the start does nothing";
    field.handle(keyEvent(Key::Right));
    field.handle(keyEvent(Key::Right));
    field.handle(keyEvent(Key::Right));
    EXPECT_EQ(field.caret(), 2u);
    field.handle(keyEvent(Key::Home));
    field.handle(keyEvent(Key::End));
    EXPECT_EQ(field.caret(), 2u);
}

TEST(EditField, KeepsOneLineAndShowsTheCompositionUntilCommitted) {
    EditField field({0, 0, 200, 20});
    field.handle(textEvent("a\nb\tc"));
    EXPECT_EQ(field.text(), "abc");
    field.handle(textEvent("にほ", Event::Type::TextEditing));
    EXPECT_EQ(field.composition(), sjis("にほ"));
    EXPECT_EQ(field.text(), "abc");
    field.handle(textEvent("日本"));
    EXPECT_EQ(field.composition(), "");
    EXPECT_EQ(field.text(), "abc" + sjis("日本"));
    field.handle(textEvent("\xF0\x9F\x98\x80"));  // no such character in Shift-JIS
    EXPECT_EQ(field.text(), "abc" + sjis("日本") + "?");
}

TEST(EditField, TurnsTheInputMethodOnWhileFocused) {
    test::FakePlatform platform;
    EditField field({10, 20, 200, 20});
    field.setPlatform(&platform);
    field.setFocused(true);
    field.setFocused(false);
    ASSERT_EQ(platform.textInput.size(), 2u);
    EXPECT_TRUE(platform.textInput[0].first);
    EXPECT_EQ(platform.textInput[0].second.x, 10);
    EXPECT_FALSE(platform.textInput[1].first);
}

TEST(EditField, DrawsLongTextInsideItsBox) {
    EditField field({100, 100, 80, 20});
    field.setFocused(true);
    for (int i = 0; i < 60; ++i) field.handle(textEvent("表"));
    field.handle(textEvent("かな", Event::Type::TextEditing));
    Surface overlay(640, 480, 0);
    field.draw(overlay, test::sharedFonts());
    EXPECT_EQ(test::opaqueBounds(overlay).w, 80);
    EXPECT_EQ(overlay.pixel(99, 110), 0u);
    EXPECT_EQ(overlay.pixel(180, 110), 0u);
}

}  // namespace
}  // namespace qvl::ui
