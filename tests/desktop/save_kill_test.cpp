// A process killed in the middle of saving never leaves a half-written slot file:
// every file is written beside its place and renamed into it.
#include "tests/desktop/desktop.h"

#include <random>

namespace {

using namespace qvl_desktop;

// The slot files must each be whole: the status file's 516 lines, the flag file's
// 256, the log's first line and its pages.
void expectWhole(const fs::path& folder) {
    auto lines = [](const std::string& bytes) { return std::count(bytes.begin(), bytes.end(), '\n'); };
    for (auto [name, count] : {std::pair{"data3.hsd", 516}, {"data3.hfd", 256}, {"data0.hfd", 256}}) {
        if (fs::exists(folder / name)) {
            EXPECT_EQ(lines(readAll(folder / name)), count) << name;
        }
    }
    if (fs::exists(folder / "data3.hld")) {
        const std::string log = readAll(folder / "data3.hld");
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.substr(log.size() - 2), "\r\n");
    }
}

TEST(SaveKill, AKilledSaveLeavesEverySlotFileWhole) {
    Scenario s("kill", "_textclear\n頁\n:again\n_winsave\n_goto :again\n", "SavePath=save\\\n");
    std::string input = "click\n";
    // The first save makes the slot; every later one is asked about and goes over it.
    input += "slot 3\n";
    for (int i = 0; i < 400; ++i) input += "slot 3\nanswer ok\n";
    const fs::path in = s.dir().parent_path() / (s.dir().filename().string() + ".kill-input");
    writeAll(in, input);
    std::mt19937 random(12345);
    for (int round = 0; round < 6; ++round) {
        pid_t pid = spawn({QVL_QUORVEL, "--headless", "--input", in.string(), s.dir().string()},
                          {"ASAN_OPTIONS=detect_leaks=0"});
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + random() % 600));
        kill(pid, SIGKILL);
        waitExit(pid, std::chrono::seconds(10));
        expectWhole(s.dir() / "save");
    }
    EXPECT_TRUE(fs::exists(s.dir() / "save" / "data3.hsd")) << "some saves were made";
    fs::remove(in);
}

}  // namespace
