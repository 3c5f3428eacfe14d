#include "save/slot_dialog.h"

#include "../ui/fake_host.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>

namespace qvl {
namespace {

namespace fs = std::filesystem;
using platform::Answer;
using platform::Event;
using platform::Key;

std::string sjis(const char* utf8) {
    return platform::utf8ToSjis(utf8);
}

class SlotDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qvl_slots_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path save(int slot, const std::string& title, const std::string& name = {}) {
        fs::path file = dir_ / (name.empty() ? "data" + std::to_string(slot) + ".hsd" : name);
        std::ofstream(file, std::ios::binary) << title << "\r\n0\r\nscene.txt\r\n";
        return file;
    }
    ui::test::FakeHost& event(Event::Type type, int id, int wheel = 0) {
        Event e;
        e.type = type;
        e.id = id;
        e.wheel = wheel;
        e.x = 320, e.y = 240;
        return host_.push(e);
    }
    ui::test::FakeHost& pick(int slot) { return event(Event::Type::PickSlot, slot); }
    void click(const ui::ImageButton& b) { host_.click(b.rect().x + 5, b.rect().y + 5); }
    std::optional<int> run(bool saveMode) { return chooseSlot(host_, saveMode, dir_, state_); }

    fs::path dir_;
    ui::test::FakeHost host_;
    SlotDialogState state_;
};

TEST_F(SlotDialogTest, OpensOnPageOneAndComesBackToThePageLastShown) {
    SlotDialog first(true, dir_, state_);
    EXPECT_EQ(first.pageText(), "1/20");
    EXPECT_EQ(first.row(0).caption(), "1  " + sjis("データがありません"));
    EXPECT_FALSE(first.previousButton().visible());
    host_.key(Key::PageDown);
    click(first.nextButton());
    host_.key(Key::Escape);
    EXPECT_EQ(first.run(host_), std::nullopt);
    Rect client = first.clientRect();
    EXPECT_EQ(host_.lastFrame->pixel(client.x + 2, client.y + 2), 0xFFA0D0D0u) << "the saving colour";
    for (const auto& hint : host_.fake.hints) EXPECT_EQ(hint.autoAnswer, Answer::Cancel) << "auto-play cancels";

    SlotDialog again(true, dir_, state_);
    EXPECT_EQ(again.pageText(), "3/20");
    EXPECT_EQ(again.row(0).caption().substr(0, 3), "9  ");
    again.showPage(19);
    EXPECT_EQ(again.row(3).caption().substr(0, 3), "80 ");
    EXPECT_FALSE(again.nextButton().visible());
}

TEST_F(SlotDialogTest, LoadingCannotTakeAnEmptySlot) {
    save(2, "two");
    save(7, "seven");
    SlotDialog dialog(false, dir_, state_);
    EXPECT_FALSE(dialog.row(0).enabled());
    click(dialog.row(0));
    pick(3).key(Key::Escape);
    EXPECT_EQ(dialog.run(host_), std::nullopt);
    EXPECT_EQ(host_.fake.beeps, 1);
    EXPECT_EQ(host_.lastFrame->pixel(dialog.clientRect().x + 2, dialog.clientRect().y + 2), 0xFFD0D0A0u);

    pick(7);
    EXPECT_EQ(run(false), 7) << "and the page turns to the slot";
    EXPECT_EQ(state_.page, 1);
}

TEST_F(SlotDialogTest, SavingOverAUsedSlotAsksFirst) {
    save(5, "five");
    pick(5).answer(Answer::Cancel).key(Key::Escape);  // Cancel keeps the list; Esc is the list's
    EXPECT_EQ(run(true), std::nullopt);
    pick(5).key(Key::Escape);
    pick(6);  // empty: no question
    EXPECT_EQ(run(true), 6);
    pick(5).answer(Answer::Yes);
    EXPECT_EQ(run(true), 5);
    EXPECT_TRUE(host_.fake.queue.empty());
}

TEST_F(SlotDialogTest, RowsShowTitlesPaddedOrCutWholeAndTheLocalTimeOfTheSave) {
    // 70 bytes: 'A', 34 double-byte characters, 'B'; byte 64 is half of the 32nd character.
    std::string kanji = sjis("表"), title = "A", cut = "A";
    for (int i = 0; i < 34; ++i) title += kanji;
    for (int i = 0; i < 31; ++i) cut += kanji;
    std::tm when{};
    when.tm_year = 101, when.tm_mon = 2, when.tm_mday = 3, when.tm_hour = 9, when.tm_min = 5, when.tm_isdst = -1;
    auto time = std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(std::mktime(&when)));
    fs::last_write_time(save(1, title + "B"), time);
    fs::last_write_time(save(2, "short \t "), time);
    save(3, "", "DATA3.HSD");
    fs::create_directory(dir_ / "data4.hsd");

    std::vector<SlotDialog::Row> rows = SlotDialog::readRows(dir_);
    EXPECT_EQ(rows[0].text, "1  " + cut + " (2001/03/03 09:05)");
    EXPECT_EQ(rows[1].text, "2  short" + std::string(59, ' ') + "(2001/03/03 09:05)");
    EXPECT_EQ(rows[2].text.substr(0, 68), "3  " + std::string(64, ' ') + "(") << "capitals are found";
    EXPECT_EQ(rows[3].text, "4  " + sjis("データがありません")) << "a folder is no save";
}

TEST_F(SlotDialogTest, WheelPageKeysArrowsEnterAndMouse) {
    // Away from the reader goes back; the first page stops it. The first row has the keyboard.
    event(Event::Type::MouseWheel, 0, -2);
    event(Event::Type::MouseWheel, 0, 3).key(Key::PageDown);
    host_.key(Key::Down).key(Key::Down).key(Key::Up).key(Key::Enter);
    EXPECT_EQ(run(true), 6);

    save(2, "two");
    save(4, "four");
    state_.page = 0;
    host_.key(Key::Down).key(Key::Down).key(Key::Enter);  // over the empty row, and no further
    EXPECT_EQ(run(false), 4);
    host_.key(Key::PageDown).key(Key::Enter).key(Key::Escape);
    EXPECT_EQ(run(false), std::nullopt) << "Enter with nothing to take does nothing";

    SlotDialog dialog(true, dir_, state_);
    click(dialog.previousButton());
    click(dialog.row(2));
    EXPECT_EQ(dialog.run(host_), 3);
    pick(42);
    EXPECT_EQ(run(true), 42);
    EXPECT_EQ(state_.page, 10);
    EXPECT_TRUE(host_.fake.queue.empty());
}

}  // namespace
}  // namespace qvl
