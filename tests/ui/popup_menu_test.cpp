#include "ui/popup_menu.h"

#include "fake_host.h"

#include <gtest/gtest.h>

namespace qvl::ui {
namespace {

using platform::Event;
using platform::Key;

Event keyEvent(Key key, char ch = 0, uint8_t mods = platform::kModNone) {
    Event e;
    e.type = Event::Type::KeyDown;
    e.key = key;
    e.ch = ch;
    e.mods = mods;
    return e;
}

Event mouse(Event::Type type, int x, int y) {
    Event e;
    e.type = type;
    e.x = x;
    e.y = y;
    return e;
}

MenuEntry leaf(int id, const char* caption, bool enabled = true, char shortcut = 0) {
    MenuEntry e;
    e.id = id;
    e.caption = caption;
    e.enabled = enabled;
    e.shortcut = shortcut;
    return e;
}

// display(a, b, disabled c) | save (disabled, Ctrl+S) | exit (Ctrl+Q)
std::vector<MenuEntry> tree() {
    MenuEntry display = leaf(0, "display");
    display.children = {leaf(1, "a"), leaf(2, "b", true, 'b'), leaf(3, "c", false, 't')};
    return {display, leaf(4, "save", false, 's'), leaf(5, "exit", true, 'q')};
}

PopupMenu opened(int x = 320, int y = 100) {
    PopupMenu menu(tree());
    menu.openAt(x, y, test::sharedFonts());
    return menu;
}

TEST(PopupMenu, ArrowsWalkTheLevelsAndEnterTakesAnItem) {
    PopupMenu menu = opened();
    EXPECT_EQ(menu.highlighted(0), -1);
    menu.handle(keyEvent(Key::Up));
    EXPECT_EQ(menu.highlighted(0), 2) << "Up from nothing starts at the bottom";
    menu.handle(keyEvent(Key::Down));
    EXPECT_EQ(menu.highlighted(0), 0) << "and wraps";

    // Right opens the submenu on its first item; Left closes it again.
    menu.handle(keyEvent(Key::Right));
    ASSERT_EQ(menu.depth(), 2);
    EXPECT_EQ(menu.highlighted(1), 0);
    EXPECT_GE(menu.levelRect(1).x, menu.levelRect(0).x + menu.levelRect(0).w - 4) << "opens to the side";
    menu.handle(keyEvent(Key::Left));
    EXPECT_EQ(menu.depth(), 1);
    EXPECT_FALSE(menu.closed());

    // Enter opens too; Esc closes one level, then the menu.
    menu.handle(keyEvent(Key::Enter));
    ASSERT_EQ(menu.depth(), 2);
    menu.handle(keyEvent(Key::Escape));
    EXPECT_EQ(menu.depth(), 1);
    EXPECT_FALSE(menu.closed());

    menu.handle(keyEvent(Key::Enter));
    menu.handle(keyEvent(Key::Down));
    menu.handle(keyEvent(Key::Enter));
    EXPECT_TRUE(menu.closed());
    EXPECT_EQ(menu.picked(), 2);
}

TEST(PopupMenu, DisabledItemsAreNotTakenByEnterShortcutOrClick) {
    PopupMenu menu = opened();
    menu.handle(keyEvent(Key::Down));
    menu.handle(keyEvent(Key::Down));  // save, disabled
    menu.handle(keyEvent(Key::Enter));
    EXPECT_FALSE(menu.closed());
    menu.handle(keyEvent(Key::Character, 's', platform::kModCtrl));
    menu.handle(keyEvent(Key::Character, 't', platform::kModCtrl));
    EXPECT_FALSE(menu.closed());
    const Rect save = menu.itemRect(0, 1);
    menu.handle(mouse(Event::Type::MouseUp, save.x + 5, save.y + 5));
    EXPECT_FALSE(menu.closed());

    // The shortcut of an enabled item in a closed submenu takes it.
    menu.handle(keyEvent(Key::Character, 'b', platform::kModCtrl));
    EXPECT_TRUE(menu.closed());
    EXPECT_EQ(menu.picked(), 2);
}

TEST(PopupMenu, HoverOpensSubmenusAndAPressOutsideCloses) {
    PopupMenu menu = opened();
    const Rect display = menu.itemRect(0, 0);
    menu.handle(mouse(Event::Type::MouseMove, display.x + 5, display.y + 5));
    ASSERT_EQ(menu.depth(), 2);
    EXPECT_EQ(menu.highlighted(1), -1);
    const Rect b = menu.itemRect(1, 1);
    menu.handle(mouse(Event::Type::MouseMove, b.x + 5, b.y + 5));
    EXPECT_EQ(menu.highlighted(1), 1);
    // Back on the top level's other item: the submenu goes.
    const Rect exit = menu.itemRect(0, 2);
    menu.handle(mouse(Event::Type::MouseMove, exit.x + 5, exit.y + 5));
    EXPECT_EQ(menu.depth(), 1);

    menu.handle(mouse(Event::Type::MouseDown, 5, 470));
    EXPECT_TRUE(menu.closed());
    EXPECT_FALSE(menu.picked());
}

TEST(PopupMenu, OpensCentredOnThePointerAndStaysInsideTheScene) {
    PopupMenu centred = opened(320, 100);
    const Rect r = centred.levelRect(0);
    EXPECT_LE(std::abs(r.x + r.w / 2 - 320), 1);
    EXPECT_EQ(r.y, 100);

    PopupMenu corner = opened(639, 479);
    const Rect c = corner.levelRect(0);
    EXPECT_EQ(c.x + c.w, platform::kSceneWidth);
    EXPECT_LE(c.y + c.h, platform::kSceneHeight);
    // A submenu that would leave the scene on the right opens to the left.
    corner.handle(keyEvent(Key::Down));
    corner.handle(keyEvent(Key::Right));
    ASSERT_EQ(corner.depth(), 2);
    const Rect sub = corner.levelRect(1);
    EXPECT_LE(sub.x + sub.w, c.x + 4);
    EXPECT_GE(sub.x, 0);
}

TEST(PopupMenu, AScriptedCaptionOpensItsSubmenuOrTakesIt) {
    PopupMenu menu = opened();
    Event pick;
    pick.type = Event::Type::MenuPick;
    pick.text = "display";
    menu.handle(pick);
    EXPECT_EQ(menu.depth(), 2);
    pick.text = "c";  // disabled
    menu.handle(pick);
    EXPECT_FALSE(menu.closed());
    pick.text = "a";
    menu.handle(pick);
    EXPECT_EQ(menu.picked(), 1);
}

TEST(PopupMenu, RunReturnsThePickAndPutsTheOldOverlayBack) {
    test::FakeHost host;
    PopupMenu menu(tree());
    menu.openAt(100, 100, host.platform().fonts());
    host.key(Key::Up).key(Key::Enter);
    EXPECT_EQ(menu.run(host, {}), 5);
    ASSERT_FALSE(host.presented.empty());
    EXPECT_EQ(host.presented.back(), nullptr) << "the scene without the menu again";
    ASSERT_TRUE(host.lastFrame);
    EXPECT_EQ(host.lastFrame->pixel(100, 101) >> 24, 0xFFu) << "the menu was drawn under the pointer";

    PopupMenu cancelled(tree());
    host.answer(platform::Answer::Cancel);
    EXPECT_FALSE(cancelled.run(host, {}));
}

}  // namespace
}  // namespace qvl::ui
