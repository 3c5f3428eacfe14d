// A process killed at any moment of a save leaves its slot holding one whole save:
// the old one or the new one, never files of two saves side by side.
#include "platform/encoding.h"
#include "save/slot_store.h"
#include "tests/desktop/desktop.h"

#include <map>
#include <random>

namespace {

using namespace qvl_desktop;

std::string line(const std::string& bytes, int n) {
    std::size_t at = 0;
    for (int i = 1; i < n && at != std::string::npos; ++i) at = bytes.find('\n', at) + 1;
    return at == std::string::npos ? "" : bytes.substr(at, bytes.find('\r', at) - at);
}

TEST(SaveKill, EveryLoadAfterAKilledSaveGivesOneWholeSave) {
    // Two saves take turns in slot 3: flag 1 at 1 with a page "甲", at 2 with "乙".
    Scenario s("kill",
               ":again\n_$flg[1]=1\n_textclear\n甲\n_winsave\n_$flg[1]=2\n_textclear\n乙\n_winsave\n_goto :again\n",
               "SavePath=save\\\n");
    std::string input = "click\nslot 3\nclick\nslot 3\nanswer ok\n";
    for (int i = 0; i < 400; ++i) input += "click\nslot 3\nanswer ok\n";
    const fs::path in = s.dir().parent_path() / (s.dir().filename().string() + ".kill-input");
    writeAll(in, input);
    const fs::path folder = s.dir() / "save";
    const std::string first = qvl::platform::utf8ToSjis("甲"), second = qvl::platform::utf8ToSjis("乙");
    std::mt19937 random(12345);
    // For each flag value, the status file's position and whether the log's last
    // page is "甲": learnt from the first slot seen, the same in every later one.
    std::map<std::string, std::string> lineOfFlag;
    std::map<std::string, bool> logOfFlag;
    int checked = 0;
    // A kill at each step of a save is in the save tests; here real runs die at
    // random moments, the start taking about 0.4 s of each.
    for (int round = 0; round < 10; ++round) {
        pid_t pid = spawn({QVL_QUORVEL, "--headless", "--input", in.string(), s.dir().string()},
                          {"ASAN_OPTIONS=detect_leaks=0"});
        std::this_thread::sleep_for(std::chrono::milliseconds(450 + random() % 1000));
        kill(pid, SIGKILL);
        waitExit(pid, std::chrono::seconds(10));
        if (!fs::exists(folder / "data3.hsd") && !fs::exists(folder / "data3.switch")) continue;
        // What a load does first: finish a switch the kill cut short.
        std::string reason;
        ASSERT_TRUE(qvl::SlotStore(folder).settle(3, reason)) << reason;
        const std::string flags = readAll(folder / "data3.hfd"), status = readAll(folder / "data3.hsd"),
                          log = readAll(folder / "data3.hld");
        ASSERT_EQ(std::count(status.begin(), status.end(), '\n'), 516);
        ASSERT_EQ(std::count(flags.begin(), flags.end(), '\n'), 256);
        const std::string flag = line(flags, 2);
        ASSERT_TRUE(flag == "1" || flag == "2") << flag;
        const std::string position = line(status, 287);
        auto [known, added] = lineOfFlag.emplace(flag, position);
        EXPECT_EQ(known->second, position) << "the status file of another save than the flags, round " << round;
        const bool logSaysFirst = log.rfind(first) != std::string::npos &&
                                  (log.rfind(second) == std::string::npos || log.rfind(first) > log.rfind(second));
        auto [logKnown, logAdded] = logOfFlag.emplace(flag, logSaysFirst);
        EXPECT_EQ(logKnown->second, logSaysFirst) << "the log of another save than the flags, round " << round;
        ++checked;
    }
    // How far a run gets depends on the machine's load; what it leaves must be whole.
    EXPECT_GT(checked, 0) << "some runs got as far as a save";
    if (logOfFlag.size() == 2) {
        EXPECT_NE(logOfFlag["1"], logOfFlag["2"]);
    }
    fs::remove(in);
}

}  // namespace
