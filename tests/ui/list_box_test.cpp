#include "ui/list_box.h"

#include "fake_host.h"

#include <gtest/gtest.h>

namespace qvl::ui {
namespace {

using platform::Event;
using platform::Key;

Event keyEvent(Key key) {
    Event e;
    e.type = Event::Type::KeyDown;
    e.key = key;
    return e;
}

Event mouseDown(int x, int y) {
    Event e;
    e.type = Event::Type::MouseDown;
    e.x = x;
    e.y = y;
    return e;
}

std::vector<std::string> numbered(int n) {
    std::vector<std::string> rows;
    for (int i = 0; i < n; ++i) rows.push_back("row " + std::to_string(i));
    return rows;
}

TEST(ListBox, KeysMoveTheSelectionWithinTheRowsAndKeepItInView) {
    ListBox list({0, 0, 200, 100});
    list.setRows(numbered(30));
    std::vector<int> reported;
    list.onSelect = [&](int row) { reported.push_back(row); };
    int page = list.visibleRows();
    ASSERT_GT(page, 2);
    ASSERT_LT(page, 30);

    list.handle(keyEvent(Key::Up));
    EXPECT_EQ(list.selected(), 0);
    list.handle(keyEvent(Key::Up));
    EXPECT_EQ(list.selected(), 0);
    list.handle(keyEvent(Key::PageDown));
    EXPECT_EQ(list.selected(), page - 1);
    EXPECT_EQ(list.topRow(), 0);
    list.handle(keyEvent(Key::Down));
    EXPECT_EQ(list.topRow(), 1);
    list.handle(keyEvent(Key::End));
    EXPECT_EQ(list.selected(), 29);
    EXPECT_EQ(list.topRow(), 30 - page);
    list.handle(keyEvent(Key::Down));
    EXPECT_EQ(list.selected(), 29);
    list.handle(keyEvent(Key::Home));
    EXPECT_EQ(list.topRow(), 0);
    EXPECT_EQ(reported, (std::vector<int>{0, page - 1, page, 29, 0})) << "only real moves are reported";
}

TEST(ListBox, WheelScrollsWithinBounds) {
    ListBox list({0, 0, 200, 100});
    list.setRows(numbered(30));
    Event wheel;
    wheel.type = Event::Type::MouseWheel;
    wheel.wheel = -100;
    list.handle(wheel);
    EXPECT_EQ(list.topRow(), 30 - list.visibleRows());
    wheel.wheel = 1;
    list.handle(wheel);
    EXPECT_EQ(list.topRow(), 27 - list.visibleRows());
    list.setRows(numbered(2));
    list.handle(wheel);
    wheel.wheel = -1;
    list.handle(wheel);
    EXPECT_EQ(list.topRow(), 0);
}

TEST(ListBox, TwoQuickClicksOnOneRowActivateIt) {
    test::FakePlatform platform;
    ListBox list({0, 0, 200, 100});
    list.setPlatform(&platform);
    list.setRows(numbered(5));
    std::vector<int> activated;
    list.onActivate = [&](int row) { activated.push_back(row); };
    int row0 = 6, row1 = 6 + 15;

    list.handle(mouseDown(10, row0));
    platform.now += 399;
    list.handle(mouseDown(10, row0));
    EXPECT_EQ(activated, (std::vector<int>{0}));

    platform.now += 100;
    list.handle(mouseDown(10, row1));
    platform.now += 400;
    list.handle(mouseDown(10, row1));
    EXPECT_EQ(activated.size(), 1u) << "too slow";

    platform.now += 50;
    list.handle(mouseDown(10, row0));
    EXPECT_EQ(activated.size(), 1u) << "a different row";
    EXPECT_EQ(list.selected(), 0);

    platform.now += 50;
    list.handle(mouseDown(10, 90));
    EXPECT_EQ(list.selected(), 0) << "below the last row nothing is picked";
}

}  // namespace
}  // namespace qvl::ui
