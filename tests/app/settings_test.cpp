#include "app/data_drive.h"
#include "app/engine_settings.h"
#include "base/fault.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace qvl {
namespace {

using platform::utf8ToSjis;
using platform::VolumeInfo;

ConfigList list(const std::string& bytes) { return ConfigList::fromBytes(bytes); }

EngineSettings applied(const std::string& cfg, const std::string* ini) {
    EngineSettings s;
    ConfigList iniList = ini ? list(*ini) : ConfigList();
    applySettings(s, list(cfg), ini ? &iniList : nullptr);
    return s;
}

TEST(ApplySettings, PlayerFileWinsAndItsKeysFollowTheLookupRules) {
    const std::string cfg =
        "BGDarkness=1\r\nSavePath=cfgsave\\\r\nDefaultFont2=Arial\r\nDefaultFont4=Courier,Times\r\n";
    const std::string ini =
        "[System]\r\nenablemusic=0\r\n EnableSound=0\r\nSavePath=\r\n"
        "[Font]\r\nFont0=Foo\r\nFont2=\r\nDebugMode=on\r\nEnableAllDrive=ON\r\n";
    EngineSettings s = applied(cfg, &ini);
    EXPECT_TRUE(s.iniFound);
    EXPECT_FALSE(s.EnableMusic);  // small letters still find the key
    EXPECT_TRUE(s.EnableSound);   // a blank before the key hides it
    EXPECT_FALSE(s.BGDarkness);   // the scenario's value is only a fallback without qvl.ini
    EXPECT_EQ(s.SavePath, "cfgsave\\");
    EXPECT_EQ(s.FontTable[0], "Foo");
    EXPECT_EQ(s.FontTable[1], defaultFontName());
    EXPECT_EQ(s.FontTable[2], utf8ToSjis("ＭＳ ゴシック"));
    EXPECT_EQ(s.DefaultFont[2], "");  // ignored when the player chose fonts
    EXPECT_EQ(s.DefaultFont[4], "Courier,Times");
    EXPECT_EQ(s.FontTable[4], "Marlett");
    EXPECT_TRUE(s.DebugMode);
    EXPECT_FALSE(s.EnableAllDrive);  // only "on" exactly

    const std::string upper = "DebugMode=ON\r\n";
    EXPECT_FALSE(applied("", &upper).DebugMode);
}

TEST(ApplySettings, WithoutPlayerFileTheScenarioDefaultsApply) {
    EngineSettings s = applied("BGDarkness=1\r\nDefaultFont2=Arial\r\nSavePath=save\\\r\n", nullptr);
    EXPECT_FALSE(s.iniFound);
    EXPECT_TRUE(s.BGDarkness);
    EXPECT_EQ(s.DefaultFont[2], "Arial");
    EXPECT_EQ(s.FontTable[2], defaultFontName());
    EXPECT_EQ(s.SavePath, "save\\");
    EXPECT_TRUE(s.EnableMusic && s.EnableSound && s.GlobalFlagSave);
    EXPECT_EQ(s.DarknessRate, 32);
    EXPECT_FALSE(s.TextMaxIndex.has_value());
    EXPECT_FALSE(applied("BGDarkness=\r\n", nullptr).BGDarkness);
}

TEST(ApplySettings, ScenarioSwitchesTakeTheirValuesLiterally) {
    EXPECT_TRUE(applied("GlobalFlagSave=00\r\n", nullptr).GlobalFlagSave);
    EXPECT_TRUE(applied("GlobalFlagSave=off\r\n", nullptr).GlobalFlagSave);
    EXPECT_FALSE(applied("GlobalFlagSave=0\r\n", nullptr).GlobalFlagSave);

    EXPECT_EQ(applied("TextMaxIndex=0\r\n", nullptr).TextMaxIndex, 0);  // present, and empty

    EngineSettings s = applied("DataDriveLabel=GAME\r\nForceDataDrivePath=D:\\data\\\r\n", nullptr);
    EXPECT_EQ(s.DataDriveLabel, "");
    EXPECT_EQ(s.dataDriveRoot, "D:\\data\\");
    EXPECT_EQ(applied("DataDriveLabel=GAME\r\n", nullptr).DataDriveLabel, "GAME");
}

TEST(ApplySettings, NonNumbersInNumericKeysAreFaults) {
    const std::string badIni = "EnableMusic=yes\r\n";
    EXPECT_THROW(applied("", &badIni), Fault);
    EXPECT_THROW(applied("DarknessRate=dark\r\n", nullptr), Fault);
    EXPECT_THROW(applied("TextMaxIndex=1k\r\n", nullptr), Fault);
    EXPECT_THROW(applied("MP3Timing=5ms\r\n", nullptr), Fault);
    EXPECT_THROW(applied("BGDarkness=x\r\n", nullptr), Fault);
}

TEST(SettingsFile, HasExactlyTheOriginalLinesInOrder) {
    EngineSettings s;
    s.BGDarkness = true;
    s.SavePath = "C:\\save\\";
    s.EnableSound = false;
    s.HighSpeedText = true;
    s.FontTable[1] = "Foo";
    const std::string gothic = defaultFontName();
    const std::string head =
        "Version=1.20\r\n[Display]\r\nBGDarkness=1\r\n[System]\r\nSavePath=C:\\save\\\r\n"
        "EnableMusic=1\r\nEnableSound=0\r\nHighSpeedText=1\r\nSkipText=0\r\n";
    const std::string fonts =
        "[Font]\r\nFont0=" + gothic + "\r\nFont1=Foo\r\nFont2=" + gothic + "\r\nFont3=" + gothic + "\r\n";
    EXPECT_EQ(settingsFileBytes(s), head + fonts);

    s.DebugMode = true;
    s.EnableAllDrive = true;
    EXPECT_EQ(settingsFileBytes(s), head + "DebugMode=on\r\nEnableAllDrive=on\r\n" + fonts);

    // What is written reads back as the same options.
    const std::string written = settingsFileBytes(s);
    EngineSettings back = applied("", &written);
    EXPECT_EQ(settingsFileBytes(back), written);
    EXPECT_EQ(back.FontTable, s.FontTable);
}

TEST(ResolveFontCandidates, TakesTheFirstInstalledPieceUntrimmed) {
    const std::string mincho = utf8ToSjis("ＭＳ 明朝"), gothic = utf8ToSjis("ＭＳ ゴシック");
    const std::set<std::string> installed{"Bar", "Baz", gothic};
    auto isInstalled = [&](const std::string& name) { return installed.count(name) > 0; };
    EXPECT_EQ(resolveFontCandidates("Foo,Bar,Baz", isInstalled), "Bar");
    EXPECT_EQ(resolveFontCandidates(mincho + "," + gothic, isInstalled), gothic);
    EXPECT_EQ(resolveFontCandidates("Foo, Bar", isInstalled), "");
    EXPECT_EQ(resolveFontCandidates("Foo,Qux", isInstalled), "");
    EXPECT_EQ(resolveFontCandidates("", [](const std::string&) { return true; }), "");
}

VolumeInfo volume(std::string root, std::string label, bool cd, std::string fs = "CDFS", int maxLen = 255,
                  bool readable = true) {
    return VolumeInfo{std::move(root), std::move(label), std::move(fs), maxLen, cd, readable};
}

TEST(FindDataDrive, MatchesByLabelAmongTheDrivesItMayLookAt) {
    const std::vector<VolumeInfo> vs{
        volume("/", "SYSTEM", false, "EXT4"),
        volume("/media/floppy/", "QVLDATA", false, "FAT", 12),
        volume("/media/broken/", "QVLDATA", true, "CDFS", 255, false),
        volume("/media/cd1/", "OTHER", true),
        volume("/media/usb/", "USBKEY", false, "FAT", 255),
        volume("/media/cd2/", "QVLDATA", true, "UDF"),
    };
    EXPECT_EQ(findDataDrive(vs, "*", false), "/media/cd1/");
    EXPECT_EQ(findDataDrive(vs, "*", true), "/media/cd1/");  // '*' never takes a hard disk
    EXPECT_EQ(findDataDrive(vs, "qvldata", false), "/media/cd2/");
    EXPECT_EQ(findDataDrive(vs, "qvldata", true), "/media/cd2/");  // short-name FAT skipped
    EXPECT_EQ(findDataDrive(vs, "system", false), "");
    EXPECT_EQ(findDataDrive(vs, "system", true), "/");
    EXPECT_EQ(findDataDrive(vs, "usbkey", true), "/media/usb/");
    EXPECT_EQ(findDataDrive(vs, "NOSUCH", true), "");
    EXPECT_EQ(findDataDrive({}, "*", true), "");
}

TEST(FindDataDrive, LooksAtNoMoreThanTwentySixDrives) {
    std::vector<VolumeInfo> vs;
    for (int i = 0; i < 25; ++i) vs.push_back(volume("/m/" + std::to_string(i) + "/", "X", true));
    vs.push_back(volume("/m/26th/", "GAME", true));
    EXPECT_EQ(findDataDrive(vs, "GAME", false), "/m/26th/");
    vs.back().label = "X";
    vs.push_back(volume("/m/27th/", "GAME", true));
    EXPECT_EQ(findDataDrive(vs, "GAME", false), "");
}

}  // namespace
}  // namespace qvl
