// The slot switch survives a kill at any step, the readers take only regular
// files of a sane size, temporary files are never opened through a link, and
// damaged lines are refused with their number.
#include "base/sjis.h"
#include "save/slot_files.h"
#include "save/slot_store.h"
#include "save/status_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qvl {
namespace {

namespace fs = std::filesystem;
using platform::FileSystem;

class SlotStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qvl_store_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // A save whose three files all carry its mark.
    static std::vector<SlotStore::File> saveMarked(const std::string& mark, std::size_t size) {
        return {{"data2.hfd", mark + std::string(size, 'f')},
                {"data2.hsd", mark + std::string(size, 's')},
                {"data2.hld", mark + std::string(size, 'l')}};
    }
    std::string file(const std::string& name) const {
        FileSystem::ReadResult r = FileSystem::readRegular(dir_ / name, 1 << 20);
        return r.status == FileSystem::ReadStatus::Ok ? r.bytes : "<" + name + " unreadable>";
    }

    fs::path dir_;
};

TEST_F(SlotStoreTest, AKillAtAnyStepOfASaveLeavesTheOldSaveOrTheNewOneWhole) {
    int oldSeen = 0, newSeen = 0;
    for (int killAt = 1; killAt <= 12; ++killAt) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ASSERT_TRUE(SlotStore(dir_).commit(2, saveMarked("old", 100)).empty());
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SlotStore store(dir_);
            store.afterStep = [killAt](int step) {
                if (step == killAt) ::kill(::getpid(), SIGKILL);
            };
            store.commit(2, saveMarked("new", 5000));
            _exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        // Reading the slot (a load or the dialog) finishes the switch first.
        std::string reason;
        ASSERT_TRUE(SlotStore(dir_).settle(2, reason)) << reason;
        const std::string mark = file("data2.hfd").substr(0, 3);
        for (const char* name : {"data2.hfd", "data2.hsd", "data2.hld"}) {
            const std::size_t size = mark == "old" ? 101 + 2 : 5001 + 2;
            EXPECT_EQ(file(name).size(), size) << name << " after a kill at step " << killAt;
            EXPECT_EQ(file(name).substr(0, 3), mark) << name << " after a kill at step " << killAt;
        }
        (mark == "old" ? oldSeen : newSeen)++;
        // The next save clears what the crash left.
        ASSERT_TRUE(SlotStore(dir_).commit(2, saveMarked("3rd", 10)).empty());
        for (const auto& entry : fs::directory_iterator(dir_))
            EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    }
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(newSeen, 0);
}

TEST_F(SlotStoreTest, ASlotItsSwitchFileDoesNotDescribeIsRefusedAndOldSavesLoadAsBefore) {
    std::ofstream(dir_ / "data5.hsd") << "old save without a switch file";
    std::string reason;
    EXPECT_TRUE(SlotStore(dir_).settle(5, reason));

    SlotStore store(dir_);
    store.afterStep = [](int step) {
        if (step == 5) throw 0;  // stops right after the switch
    };
    EXPECT_THROW(store.commit(2, saveMarked("new", 10)), int);
    // Someone removes a temporary file and edits a slot file before the next read.
    for (const auto& entry : fs::directory_iterator(dir_))
        if (entry.path().filename().string().rfind("data2.hsd.tmp", 0) == 0) fs::remove(entry.path());
    std::ofstream(dir_ / "data2.hsd") << "other";
    EXPECT_FALSE(SlotStore(dir_).settle(2, reason));
    EXPECT_NE(reason.find("data2.hsd"), std::string::npos) << reason;
}

TEST_F(SlotStoreTest, OnlyRegularFilesOfASaneSizeAreReadAndNoneBlocks) {
    ASSERT_EQ(::mkfifo((dir_ / "data1.hsd").c_str(), 0600), 0);
    EXPECT_EQ(FileSystem::readRegular(dir_ / "data1.hsd", 1 << 20).status, FileSystem::ReadStatus::NotRegular);
    // A 600 MB file costs nothing to make (sparse) and must be refused unread.
    { std::ofstream(dir_ / "big.hfd"); }
    fs::resize_file(dir_ / "big.hfd", 600u << 20);
    EXPECT_EQ(FileSystem::readRegular(dir_ / "big.hfd", kMaxSaveFile).status, FileSystem::ReadStatus::TooLarge);
    EXPECT_EQ(FileSystem::readRegular(dir_ / "none", 10).status, FileSystem::ReadStatus::Missing);
    EXPECT_EQ(FileSystem::readRegular(dir_, 10).status, FileSystem::ReadStatus::NotRegular);
}

TEST_F(SlotStoreTest, TemporaryFilesAreNeverOpenedThroughAPlantedLink) {
    const fs::path outside = dir_ / "outside.txt";
    std::ofstream(outside) << "precious";
    fs::create_directories(dir_ / "save");
    // Links at every name the next writes could pick.
    const std::string pid = std::to_string(::getpid());
    fs::create_symlink(outside, dir_ / "save" / ("data1.hsd.tmp" + pid));
    for (int n = 0; n < 64; ++n)
        fs::create_symlink(outside, dir_ / "save" / ("data1.hsd.tmp" + pid + "-" + std::to_string(n)));
    FileSystem files;
    files.setDriveRoot(dir_);
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    files.writeAtomically("save\\data1.hsd", "new");
    ASSERT_TRUE(SlotStore(dir_ / "save").commit(1, {{"data1.hsd", "slot"}}).empty());
    fs::current_path(before);
    EXPECT_EQ(file("outside.txt"), "precious");
    EXPECT_EQ(file("save/data1.hsd"), "slot");
}

// Lines a status file may not hold: numbers outside their field, over-long lines.
TEST(SaveFileLines, OutOfRangeNumbersAndOverlongLinesAreRefusedWithTheirLine) {
    SavePointSnapshot s;
    s.interpreter.ProgFileName = "a.txt";
    const std::vector<std::string> good = sjis::splitLines(writeStatusFile(s), false);
    auto withLine = [&](int line, const std::string& value) {
        std::vector<std::string> l = good;
        l[std::size_t(line - 1)] = value;
        std::string bytes;
        for (const std::string& x : l) bytes += x + "\r\n";
        SavePointSnapshot into;
        try {
            readStatusFile(bytes, into);
        } catch (const SaveFileFault& f) {
            EXPECT_FALSE(into.exists()) << "nothing changed";
            return f.line();
        }
        return 0;
    };
    EXPECT_EQ(withLine(268, "2147483647"), 268) << "cellWidth";
    EXPECT_EQ(withLine(287, "2147483647"), 287) << "ProgExecLine";
    EXPECT_EQ(withLine(290, "16"), 290) << "ProgRetStack";
    EXPECT_EQ(withLine(280, "7"), 280) << "fontIndex";
    EXPECT_EQ(withLine(237, ""), 237);
    EXPECT_EQ(withLine(441, std::string(kMaxSaveLine + 1, 'x')), 441);
    EXPECT_EQ(withLine(313, "-2147483648"), 0) << "colour keys take any number";
    EXPECT_EQ(withLine(268, "-36"), 0);

    std::array<std::string, kFlagFileLines> flags;
    EXPECT_THROW(readFlagFile("a\r\n" + std::string(kMaxSaveLine + 1, 'v') + "\r\n", flags), SaveFileFault);
    EXPECT_TRUE(flags[0].empty()) << "a refused flag file changes nothing";
    try {
        readLogFile(std::string("\x01zz\r\n", 5));
        ADD_FAILURE();
    } catch (const SaveFileFault& f) {
        EXPECT_EQ(f.line(), 1);
    }
}

}  // namespace
}  // namespace qvl
