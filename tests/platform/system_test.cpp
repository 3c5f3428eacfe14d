#include "platform/system.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace qvl::platform {
namespace {

using Labels = std::vector<std::pair<std::string, std::string>>;

TEST(ParseVolumes, KeepsBlockDevicesInTableOrderAndSkipsTheRest) {
    const std::string table =
        "sysfs /sys sysfs rw,nosuid 0 0\n"
        "/dev/qvltest1 / ext4 rw,relatime 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "overlay /var/lib/x overlay rw 0 0\n"
        "/dev/qvltest2 /media/user/DATA\\040DISC vfat rw 0 0\n"
        "server:/export /mnt/nfs nfs rw 0 0\n";
    auto volumes = parseVolumes(table, {});
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].root, "/");
    EXPECT_EQ(volumes[0].fileSystem, "EXT4");
    EXPECT_EQ(volumes[1].root, "/media/user/DATA DISC/");
    EXPECT_EQ(volumes[1].fileSystem, "FAT");
    EXPECT_EQ(volumes[1].maxComponentLength, 255);
    EXPECT_FALSE(volumes[1].cdRom);
    EXPECT_TRUE(volumes[1].readable);
}

TEST(ParseVolumes, UnescapesMountPointsAndToleratesJunk) {
    const std::string table =
        "/dev/qvltest1 /mnt/tab\\011and\\134slash ext4 rw 0 0\r\n"
        "/dev/qvltest2 /mnt/odd\\9 ext4 rw 0 0\n"
        "/dev/qvltest3 /mnt/trailing\\04\n"  // too few fields: skipped
        "\n"
        "   \t  \n"
        "/dev/qvltest4 /mnt/last\\04 xfs";  // no final newline
    auto volumes = parseVolumes(table, {});
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(volumes[0].root, "/mnt/tab\tand\\slash/");
    EXPECT_EQ(volumes[1].root, "/mnt/odd\\9/");
    EXPECT_EQ(volumes[2].root, "/mnt/last\\04/");
    EXPECT_EQ(volumes[2].fileSystem, "XFS");
}

TEST(ParseVolumes, DescribesDiscsAndWindowsFileSystems) {
    const std::string table =
        "/dev/qvltest1 /media/cd iso9660 ro 0 0\n"
        "/dev/qvltest2 /media/dvd udf ro 0 0\n"
        "/dev/qvltest3 /media/floppy msdos rw 0 0\n"
        "/dev/qvltest4 /media/win ntfs3 rw 0 0\n"
        "/dev/qvltest5 /media/win2 ntfs rw 0 0\n";
    auto v = parseVolumes(table, {});
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[0].fileSystem, "CDFS");
    EXPECT_TRUE(v[0].cdRom);
    EXPECT_EQ(v[1].fileSystem, "UDF");
    EXPECT_TRUE(v[1].cdRom);
    EXPECT_EQ(v[2].fileSystem, "FAT");
    EXPECT_EQ(v[2].maxComponentLength, 12);
    EXPECT_FALSE(v[2].cdRom);
    EXPECT_EQ(v[3].fileSystem, "NTFS");
    EXPECT_EQ(v[4].fileSystem, "NTFS");
}

TEST(ParseVolumes, TakesLabelsByDeviceAndUnescapesThem) {
    const std::string table =
        "/dev/qvltest1 /media/cd iso9660 ro 0 0\n"
        "/dev/qvltest2 /media/usb vfat rw 0 0\n"
        "/dev/qvltest3 /data ext4 rw 0 0\n";
    const Labels labels = {{"OTHER", "/dev/qvltest9"},
                           {"GAME\\x20DISC\\x2f1", "/dev/qvltest1"},
                           {"USB", "/dev/qvltest2"}};
    auto v = parseVolumes(table, labels);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].label, "GAME DISC/1");
    EXPECT_EQ(v[1].label, "USB");
    EXPECT_EQ(v[2].label, "");
}

TEST(ParseVolumes, StopsAtTwentySixVolumes) {
    std::string table;
    for (int i = 0; i < 40; ++i) {
        table += "none /skip" + std::to_string(i) + " tmpfs rw 0 0\n";
        table += "/dev/qvltest" + std::to_string(i) + " /m" + std::to_string(i) + " ext4 rw 0 0\n";
    }
    auto v = parseVolumes(table, {});
    ASSERT_EQ(v.size(), 26u);
    EXPECT_EQ(v.front().root, "/m0/");
    EXPECT_EQ(v.back().root, "/m25/");
}

TEST(ListVolumes, ReadsThisMachine) {
    // Whatever is mounted here, the reading must succeed and respect the limit.
    auto v = listVolumes();
    ASSERT_TRUE(v.has_value());
    EXPECT_LE(v->size(), 26u);
    for (const auto& volume : *v) EXPECT_EQ(volume.root.back(), '/');
}

TEST(InstallPath, MatchesIdWithoutLetterCaseAndKeepsValueAsWritten) {
    const std::string file =
        "[paths]\r\n"
        "Other=/srv/other\r\n"
        "MyGame=/home/user/My Games/ game one \r\n"
        "MYGAME=/second/match\r\n";
    EXPECT_EQ(lookupInstallPathIn(file, "mygame"), "/home/user/My Games/ game one ");
    EXPECT_EQ(lookupInstallPathIn(file, "MYGAME"), "/home/user/My Games/ game one ");
    EXPECT_EQ(lookupInstallPathIn(file, "other"), "/srv/other");
}

TEST(InstallPath, MissingIdsAndOddFilesGiveEmpty) {
    EXPECT_EQ(lookupInstallPathIn("Game=/a\n", "Gam"), "");
    EXPECT_EQ(lookupInstallPathIn("Game=/a\n", "Game2"), "");
    EXPECT_EQ(lookupInstallPathIn("", "Game"), "");
    EXPECT_EQ(lookupInstallPathIn("=/root\n", ""), "");
    EXPECT_EQ(lookupInstallPathIn("no equals sign\nGame\n", "Game"), "");
    // LF-only files and a last line without a break.
    EXPECT_EQ(lookupInstallPathIn("A=1\nGame=/x=y", "game"), "/x=y");
}

TEST(InstallPath, FileFollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", "/nonexistent-qvl-config", 1);
    EXPECT_EQ(installPathsFile(), std::filesystem::path("/nonexistent-qvl-config/quorvel/install-paths.ini"));
    EXPECT_EQ(lookupInstallPath("Anything"), "");  // no file: nothing, not a fault
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("qvl-lock-test-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        hadRuntimeDir_ = old != nullptr;
        if (old) savedRuntimeDir_ = old;
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        name_ = "qvl-test-" + std::to_string(getpid());
    }
    void TearDown() override {
        if (hadRuntimeDir_)
            setenv("XDG_RUNTIME_DIR", savedRuntimeDir_.c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        std::filesystem::remove_all(dir_);
        std::filesystem::remove(fallbackFile());
    }
    std::filesystem::path fallbackFile() const {
        return std::filesystem::path("/tmp") / (name_ + "-" + std::to_string(getuid()) + ".lock");
    }

    std::filesystem::path dir_;
    std::string name_;
    std::string savedRuntimeDir_;
    bool hadRuntimeDir_ = false;
};

TEST_F(InstanceLockTest, SecondHolderFailsUntilTheFirstLetsGo) {
    {
        InstanceLock first(name_);
        ASSERT_TRUE(first.acquired());
        EXPECT_TRUE(std::filesystem::exists(dir_ / (name_ + ".lock")));
        InstanceLock second(name_);
        EXPECT_FALSE(second.acquired());
        InstanceLock other(name_ + "-other");
        EXPECT_TRUE(other.acquired());
    }
    InstanceLock again(name_);
    EXPECT_TRUE(again.acquired());
    // A held lock must not send the second copy to the fallback file.
    EXPECT_FALSE(std::filesystem::exists(fallbackFile()));
}

TEST_F(InstanceLockTest, FallsBackToTmpWithoutRuntimeDirectory) {
    unsetenv("XDG_RUNTIME_DIR");
    InstanceLock first(name_);
    ASSERT_TRUE(first.acquired());
    EXPECT_TRUE(std::filesystem::exists(fallbackFile()));
    InstanceLock second(name_);
    EXPECT_FALSE(second.acquired());
}

TEST_F(InstanceLockTest, RefusesNamesThatLeaveTheDirectory) {
    EXPECT_FALSE(InstanceLock("").acquired());
    EXPECT_FALSE(InstanceLock("../escape").acquired());
    EXPECT_FALSE(InstanceLock("..").acquired());
}

}  // namespace
}  // namespace qvl::platform
