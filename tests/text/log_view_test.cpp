#include "text/log_view.h"

#include "../ui/fake_host.h"
#include "base/sjis.h"
#include "fake_text_host.h"

#include <gtest/gtest.h>

namespace qvl {
namespace {

using platform::Event;
using platform::Key;
using platform::MouseButton;

// One line, after a line feed when the page already has one, as the text window feeds it.
void writeLine(MessageLog& log, const std::string& sjisText) {
    if (!log.pages[std::size_t(log.LogCurrentPage)].empty()) log.appendToLog("\n");
    for (std::size_t i = 0; i < sjisText.size();) {
        const std::size_t n = sjis::charLength(sjisText, i);
        log.appendToLog(std::string_view(sjisText).substr(i, n));
        i += n;
    }
}

// pages pages of text, "page 1" the oldest; each has `lines` lines.
void fillPages(MessageLog& log, int pages, int lines = 1) {
    for (int p = 1; p <= pages; ++p) {
        if (p > 1) log.nextLogPage();
        for (int l = 0; l < lines; ++l) writeLine(log, "page " + std::to_string(p));
    }
}

class LogViewTest : public ::testing::Test {
protected:
    std::unique_ptr<LogView> makeView() {
        auto view = std::make_unique<LogView>(log_, ui::test::sharedFonts(), testing::kGothic, Surface());
        view->onPageShown = [this] { shown_.push_back(log_.viewOffset + 1); };
        return view;
    }
    ui::test::FakeHost& button(Event::Type type, MouseButton b, int x, int y) {
        Event e;
        e.type = type;
        e.button = b;
        e.x = x, e.y = y;
        return host_.push(e);
    }
    ui::test::FakeHost& rightClick(int x, int y) {
        button(Event::Type::MouseDown, MouseButton::Right, x, y);
        return button(Event::Type::MouseUp, MouseButton::Right, x, y);
    }
    ui::test::FakeHost& wheel(int notches) {
        Event e;
        e.type = Event::Type::MouseWheel;
        e.wheel = notches;
        e.x = 320, e.y = 240;
        return host_.push(e);
    }
    void run(LogView& view) { view.run(host_, {platform::WaitKind::Question, platform::Answer::Cancel}); }
    static void centre(ui::test::FakeHost& host, const ui::ImageButton& b) {
        host.click(b.rect().x + b.rect().w / 2, b.rect().y + b.rect().h / 2);
    }

    MessageLog log_;
    ui::test::FakeHost host_;
    std::vector<int> shown_;
};

TEST_F(LogViewTest, TwentyPagesReachBackExactlyFifteen) {
    fillPages(log_, 20);
    ASSERT_EQ(log_.LogTotalPage, kLogPages);
    auto viewPtr = makeView();
    LogView& view = *viewPtr;
    view.render();
    EXPECT_EQ(view.shownPage().front(), "page 20");
    int steps = 0;
    while (view.older()) ++steps;
    EXPECT_EQ(steps, 15);
    EXPECT_EQ(view.pageNumber(), 16);
    EXPECT_EQ(view.shownPage().front(), "page 5") << "the four oldest pages were overwritten";
    while (view.newer()) --steps;
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(view.shownPage().front(), "page 20");
}

TEST_F(LogViewTest, FewerPagesStopAtTheOldestAndAnEmptyLogOpensNothing) {
    fillPages(log_, 3);
    auto viewPtr = makeView();
    LogView& view = *viewPtr;
    view.render();
    EXPECT_TRUE(view.older());
    EXPECT_TRUE(view.older());
    EXPECT_FALSE(view.older());
    EXPECT_EQ(view.shownPage().front(), "page 1");

    MessageLog empty;
    LogView none(empty, ui::test::sharedFonts(), testing::kGothic, Surface());
    none.run(host_, {});  // the fake throws if the view waits for anything
    EXPECT_FALSE(empty.viewActive);
    EXPECT_TRUE(host_.presented.empty());
}

TEST_F(LogViewTest, ButtonsPageAndExitLeavesWithTheSceneBack) {
    fillPages(log_, 3);
    auto viewPtr = makeView();
    LogView& view = *viewPtr;
    centre(host_, view.olderButton());
    centre(host_, view.olderButton());
    centre(host_, view.newerButton());
    centre(host_, view.exitButton());
    run(view);
    EXPECT_EQ(shown_, (std::vector<int>{1, 2, 3, 2}));
    EXPECT_FALSE(log_.viewActive);
    EXPECT_EQ(host_.presented.back(), nullptr) << "the scene shows again";
    // Every pixel of the view covers the scene.
    ASSERT_TRUE(host_.lastFrame);
    const Rect covered = ui::test::opaqueBounds(*host_.lastFrame);
    EXPECT_TRUE(covered.x == 0 && covered.y == 0 && covered.w == 640 && covered.h == 480);
}

TEST_F(LogViewTest, RightClickEscAndAnswersLeaveButALeftClickDoesNot) {
    fillPages(log_, 2);
    for (int way = 0; way < 4; ++way) {
        auto viewPtr = makeView();
        LogView& view = *viewPtr;
        host_.click(100, 300);  // on the page itself: nothing
        if (way == 0) rightClick(300, 300);
        if (way == 1) host_.key(Key::Escape);
        if (way == 2) host_.answer(platform::Answer::Cancel);
        if (way == 3) wheel(-1);  // down past the end of the newest page
        run(view);
        EXPECT_FALSE(log_.viewActive) << way;
        EXPECT_TRUE(host_.fake.queue.empty()) << "the view left on the event of way " << way;
    }
}

TEST_F(LogViewTest, ShortcutsAndTimersGoToTheEngine) {
    fillPages(log_, 1);
    auto viewPtr = makeView();
    LogView& view = *viewPtr;
    host_.key(Key::Character, platform::kModCtrl);
    Event timer;
    timer.type = Event::Type::Timer;
    host_.push(timer);
    host_.key(Key::F11);
    host_.key(Key::Escape);
    run(view);
    ASSERT_EQ(host_.passed.size(), 3u);
    EXPECT_EQ(host_.passed[0].mods, platform::kModCtrl);
    EXPECT_EQ(host_.passed[1].type, Event::Type::Timer);
    EXPECT_EQ(host_.passed[2].key, Key::F11);
}

TEST_F(LogViewTest, TallPagesScrollAndTheWheelPagesAtTheEnds) {
    // Two pages of 20 lines: 22 rows, 752 pixels, 272 to scroll.
    fillPages(log_, 2, 20);
    auto viewPtr = makeView();
    LogView& view = *viewPtr;
    view.render();
    EXPECT_TRUE(view.scrollBarVisible());
    EXPECT_EQ(view.scrollMax(), 22 * 32 + 48 - 480);
    EXPECT_EQ(view.canvas().height(), 752);

    Event down;
    down.type = Event::Type::KeyDown;
    down.key = Key::Down;
    EXPECT_TRUE(view.handle(down));
    EXPECT_EQ(view.scroll(), 32);
    Event w;
    w.type = Event::Type::MouseWheel;
    w.wheel = 1;
    EXPECT_TRUE(view.handle(w));
    EXPECT_EQ(view.scroll(), 0);
    EXPECT_EQ(view.pageNumber(), 1);
    // Up at the top: the older page, from its end.
    view.handle(w);
    EXPECT_EQ(view.pageNumber(), 2);
    EXPECT_EQ(view.scroll(), view.scrollMax());
    w.wheel = -5;
    view.handle(w);
    EXPECT_EQ(view.pageNumber(), 1) << "down at the end: the newer page, from its top";
    EXPECT_EQ(view.scroll(), 0);
    view.handle(w);
    EXPECT_EQ(view.scroll(), view.scrollMax());
    log_.viewActive = true;
    view.handle(w);
    EXPECT_FALSE(log_.viewActive) << "down past the end of the newest page leaves";

    // The scroll bar's track moves by the large change, its arrows by the small one.
    const Rect bar = LogView::scrollBarRect();
    Event press;
    press.type = Event::Type::MouseDown;
    press.x = bar.x + 8;
    press.y = 100;
    view.handle(press);
    EXPECT_EQ(view.scroll(), view.scrollMax() - LogView::kLargeChange);
    press.y = bar.y + bar.h - 4;
    view.handle(press);
    EXPECT_EQ(view.scroll(), view.scrollMax() - LogView::kLargeChange + LogView::kSmallChange);
}

TEST_F(LogViewTest, AnEndlessPageStopsAtTheLargestCanvas) {
    fillPages(log_, 1, 2000);
    auto viewPtr = makeView();
    viewPtr->render();
    EXPECT_EQ(viewPtr->canvas().height(), LogView::kMaxCanvasHeight);
    EXPECT_EQ(viewPtr->scrollMax(), LogView::kMaxCanvasHeight - 480);
}

TEST_F(LogViewTest, AShortPageHasNoScrollBar) {
    // 11 lines of 26 full-width characters: 13 rows, 464 pixels.
    std::string line;
    for (int i = 0; i < 26; ++i) line += testing::kA;
    for (int i = 0; i < 11; ++i) writeLine(log_, line);
    auto viewPtr = makeView();
    LogView& view = *viewPtr;
    view.render();
    EXPECT_FALSE(view.scrollBarVisible());
    EXPECT_EQ(view.canvas().height(), 480);
}

}  // namespace
}  // namespace qvl
