#include "platform/system.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace qvl::platform {
namespace {

TEST(ParseVolumes, KeepsBlockDevicesInTableOrderWithUnescapedMountPoints) {
    const std::string table =
        "sysfs /sys sysfs rw,nosuid 0 0\n"
        "/dev/qvltest1 / ext4 rw,relatime 0 0\n"
        "server:/export /mnt/nfs nfs rw 0 0\n"
        "/dev/qvltest2 /media/DATA\\040DISC\\011x\\134y vfat rw 0 0\r\n"
        "/dev/qvltest3 /mnt/odd\\9 xfs rw 0 0\n"
        "/dev/qvltest4 /mnt/short\n"  // too few fields
        "\n   \t\n"
        "/dev/qvltest5 /mnt/last\\04 ext4";  // no final line break
    auto v = parseVolumes(table, {});
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0].root, "/");
    EXPECT_EQ(v[0].fileSystem, "EXT4");
    EXPECT_EQ(v[1].root, "/media/DATA DISC\tx\\y/");
    EXPECT_EQ(v[1].fileSystem, "FAT");
    EXPECT_EQ(v[1].maxComponentLength, 255);
    EXPECT_EQ(v[2].root, "/mnt/odd\\9/");  // not an escape: kept
    EXPECT_EQ(v[2].fileSystem, "XFS");
    EXPECT_EQ(v[3].root, "/mnt/last\\04/");
}

TEST(ParseVolumes, DescribesDiscsAndWindowsFileSystems) {
    const std::string table =
        "/dev/qvltest1 /media/cd iso9660 ro 0 0\n"
        "/dev/qvltest2 /media/dvd udf ro 0 0\n"
        "/dev/qvltest3 /media/floppy msdos rw 0 0\n"
        "/dev/qvltest4 /media/win ntfs3 rw 0 0\n"
        "/dev/qvltest5 /media/win2 ntfs rw 0 0\n";
    std::string described;
    for (const VolumeInfo& v : parseVolumes(table, {}))
        described += v.fileSystem + (v.cdRom ? "+cd" : "") + "/" + std::to_string(v.maxComponentLength) + " ";
    EXPECT_EQ(described, "CDFS+cd/255 UDF+cd/255 FAT/12 NTFS/255 NTFS/255 ");
}

TEST(ParseVolumes, TakesLabelsByDeviceAndUnescapesThem) {
    const std::string table =
        "/dev/qvltest1 /media/cd iso9660 ro 0 0\n"
        "/dev/qvltest2 /data ext4 rw 0 0\n";
    auto v = parseVolumes(table, {{"OTHER", "/dev/qvltest9"}, {"GAME\\x20DISC\\x2f1", "/dev/qvltest1"}});
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].label, "GAME DISC/1");
    EXPECT_EQ(v[1].label, "");
}

TEST(ParseVolumes, StopsAtTwentySixVolumes) {
    std::string table;
    for (int i = 0; i < 40; ++i) {
        table += "none /skip" + std::to_string(i) + " tmpfs rw 0 0\n";
        table += "/dev/qvltest" + std::to_string(i) + " /m" + std::to_string(i) + " ext4 rw 0 0\n";
    }
    auto v = parseVolumes(table, {});
    ASSERT_EQ(v.size(), 26u);
    EXPECT_EQ(v.back().root, "/m25/");

    // And on this machine, whatever is mounted.
    auto here = listVolumes();
    ASSERT_TRUE(here.has_value());
    EXPECT_LE(here->size(), 26u);
}

TEST(InstallPath, FirstLineWithTheIdInAnyCaseGivesTheValueAsWritten) {
    const std::string file =
        "[paths]\r\n"
        "Other=/srv/other\r\n"
        "MyGame=/home/user/My Games/ game one \r\n"
        "MYGAME=/second/match\r\n";
    EXPECT_EQ(lookupInstallPathIn(file, "mygame"), "/home/user/My Games/ game one ");
    EXPECT_EQ(lookupInstallPathIn(file, "OTHER"), "/srv/other");
    EXPECT_EQ(lookupInstallPathIn("A=1\nGame=/x=y", "game"), "/x=y");  // LF lines, no final break

    EXPECT_EQ(lookupInstallPathIn(file, "MyGam"), "");
    EXPECT_EQ(lookupInstallPathIn("", "Game"), "");
    EXPECT_EQ(lookupInstallPathIn("=/root\n", ""), "");
    EXPECT_EQ(lookupInstallPathIn("Game\n", "Game"), "");
}

class InstanceLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = "qvl-test-" + std::to_string(getpid());
        dir_ = std::filesystem::temp_directory_path() / name_;
        std::filesystem::create_directories(dir_);
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    }
    void TearDown() override {
        if (saved_)
            setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        std::filesystem::remove_all(dir_);
        std::filesystem::remove(fallbackFile());
    }
    std::filesystem::path fallbackFile() const {
        return std::filesystem::path("/tmp") / (name_ + "-" + std::to_string(getuid()) + ".lock");
    }

    std::string name_;
    std::filesystem::path dir_;
    std::optional<std::string> saved_;
};

TEST_F(InstanceLockTest, SecondHolderFailsUntilTheFirstLetsGo) {
    {
        InstanceLock first(name_);
        ASSERT_TRUE(first.acquired());
        EXPECT_TRUE(std::filesystem::exists(dir_ / (name_ + ".lock")));
        EXPECT_FALSE(InstanceLock(name_).acquired());
        EXPECT_TRUE(InstanceLock(name_ + "-other").acquired());
    }
    EXPECT_TRUE(InstanceLock(name_).acquired());
    // A held lock must not send the second copy to the fallback file.
    EXPECT_FALSE(std::filesystem::exists(fallbackFile()));
}

TEST_F(InstanceLockTest, FallsBackToTmpAndRefusesNamesThatLeaveTheDirectory) {
    unsetenv("XDG_RUNTIME_DIR");
    InstanceLock first(name_);
    ASSERT_TRUE(first.acquired());
    EXPECT_TRUE(std::filesystem::exists(fallbackFile()));
    EXPECT_FALSE(InstanceLock(name_).acquired());

    EXPECT_FALSE(InstanceLock("").acquired());
    EXPECT_FALSE(InstanceLock("../escape").acquired());
}

}  // namespace
}  // namespace qvl::platform
