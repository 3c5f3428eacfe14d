#include "ui/file_chooser.h"

#include "fake_host.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace qvl::ui {
namespace {

namespace fs = std::filesystem;
using platform::Answer;
using platform::Key;
using platform::kModShift;

class FileChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = fs::current_path();
        char pattern[] = "/tmp/qvl_chooser_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = fs::canonical(pattern);
        fs::create_directory(dir_ / "sub");
        fs::create_directory(dir_ / "日本語");
        for (auto name : {"a.txt", "b.dat", "sub/c.txt", "日本語/d.txt"}) {
            std::ofstream(dir_ / name) << "x";
        }
        fs::current_path(dir_);
        options_.title = "Open";
        options_.defaultExt = "txt";
        options_.filter = "Text|*.txt|All|*.*";
    }
    void TearDown() override {
        fs::current_path(saved_);
        fs::remove_all(dir_);
    }

    fs::path saved_;
    fs::path dir_;
    FileChooserOptions options_;
    test::FakeHost host_;
};

TEST_F(FileChooserTest, TypedExistingNameIsReturnedWithItsFolder) {
    host_.text("a.txt").key(Key::Enter);
    EXPECT_EQ(chooseFile(host_, options_), dir_ / "a.txt");
    for (const auto& hint : host_.fake.hints) {
        EXPECT_EQ(hint.kind, platform::WaitKind::Question);
        EXPECT_EQ(hint.autoAnswer, Answer::Cancel);
    }
    EXPECT_FALSE(host_.fake.textInput.empty());
    EXPECT_FALSE(host_.fake.textInput.back().first) << "the input method is off again";
    EXPECT_EQ(host_.presented.back(), nullptr);
}

TEST_F(FileChooserTest, InitialNameAndDefaultExtension) {
    options_.initialName = "b.dat";
    host_.answer(Answer::Ok);
    EXPECT_EQ(chooseFile(host_, options_), dir_ / "b.dat");

    options_.initialName = "";
    host_.text("a").answer(Answer::Yes);
    EXPECT_EQ(chooseFile(host_, options_), dir_ / "a.txt");
}

TEST_F(FileChooserTest, MissingFileShowsANoticeAndStaysOpen) {
    host_.text("nothere.txt").key(Key::Enter).answer(Answer::Ok).key(Key::Escape);
    EXPECT_EQ(chooseFile(host_, options_), std::nullopt);
    bool noticeShown = false;
    for (const auto& hint : host_.fake.hints) noticeShown |= hint.autoAnswer == Answer::Ok;
    EXPECT_TRUE(noticeShown);
    // The notice covers part of the chooser, which stays visible around it.
    ASSERT_TRUE(host_.lastFrame);
    const Surface& chooser = *host_.lastFrame;
    Rect bounds = test::opaqueBounds(chooser);
    int noticeFrames = 0;
    for (const auto& frame : host_.frames) {
        Rect r = test::opaqueBounds(frame);
        bool sameBounds = r.x == bounds.x && r.y == bounds.y && r.w == bounds.w && r.h == bounds.h;
        if (sameBounds && !(frame == chooser) && !(frame == host_.frames.front())) ++noticeFrames;
    }
    EXPECT_EQ(noticeFrames, 1);
    EXPECT_TRUE(host_.fake.queue.empty()) << "the chooser took the Esc after the notice";
}

TEST_F(FileChooserTest, MissingFileIsAcceptedWhenItNeedNotExist) {
    options_.mustExist = false;
    host_.text("new").key(Key::Enter);
    EXPECT_EQ(chooseFile(host_, options_), dir_ / "new.txt");
}

TEST_F(FileChooserTest, EnteringAFolderMovesTheCurrentDirectory) {
    // Rows: "..", "[sub]", "[日本語]", "a.txt". Shift+Tab goes from the name to the list.
    host_.key(Key::Tab, kModShift).key(Key::Down).key(Key::Down).key(Key::Enter);
    host_.text("c").key(Key::Enter);
    EXPECT_EQ(chooseFile(host_, options_), dir_ / "sub" / "c.txt");
    EXPECT_EQ(fs::current_path(), dir_ / "sub");
}

TEST_F(FileChooserTest, FoldersWithJapaneseNamesAndTheParentCanBeEntered) {
    host_.text("日本語").key(Key::Enter).text("..").key(Key::Enter);
    host_.key(Key::Tab, kModShift).key(Key::Down).key(Key::Down).key(Key::Down).key(Key::Enter);
    host_.text("d").key(Key::Enter);
    EXPECT_EQ(chooseFile(host_, options_), dir_ / "日本語" / "d.txt");
}

TEST_F(FileChooserTest, PickingAFileInTheListFillsTheName) {
    // The list's fourth row is a.txt; the typed-in initial name is replaced.
    options_.initialName = "other";
    host_.key(Key::Tab, kModShift).key(Key::End).answer(Answer::Ok);
    EXPECT_EQ(chooseFile(host_, options_), dir_ / "a.txt");
}

TEST_F(FileChooserTest, TypingWhileTheListHasFocusGoesToTheName) {
    host_.key(Key::Tab, kModShift).text("a.txt").key(Key::Enter);
    EXPECT_EQ(chooseFile(host_, options_), dir_ / "a.txt");
}

TEST_F(FileChooserTest, EscAndCancelAnswersCancel) {
    host_.text("a.txt").key(Key::Escape);
    EXPECT_EQ(chooseFile(host_, options_), std::nullopt);
    host_.answer(Answer::No);
    EXPECT_EQ(chooseFile(host_, options_), std::nullopt);
    EXPECT_EQ(fs::current_path(), dir_);
}

}  // namespace
}  // namespace qvl::ui
