#include "app/data_drive.h"
#include "app/engine_settings.h"
#include "base/fault.h"
#include "platform/encoding.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace qvl {
namespace {

using platform::utf8ToSjis;
namespace fs = std::filesystem;
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

TEST(ApplySettings, ABadNumberNamesTheFileLineAndKeyAndQuotesTheValueSafely) {
    auto faultOf = [](const std::string& cfg, const std::string* ini) -> std::string {
        try {
            applied(cfg, ini);
        } catch (const Fault& f) {
            return f.what();
        }
        return "no fault";
    };
    const std::string ini = "[System]\r\nEnableMusic=abc\r\n";
    std::string m = faultOf("", &ini);
    EXPECT_EQ(m.rfind("'abc' is not a valid integer value\n", 0), 0u) << m;
    EXPECT_NE(m.find(utf8ToSjis("qvl.ini の 2 行目 (EnableMusic)：整数に直すか、この行を消してください。")),
              std::string::npos) << m;
    m = faultOf("Icon=x\r\nMP3Timing=5ms\r\n", nullptr);
    EXPECT_NE(m.find(utf8ToSjis("qvl.cfg の 2 行目 (MP3Timing)")), std::string::npos) << m;
    // A NUL cuts nothing short, and a huge value is not echoed whole.
    const std::string nul = std::string("EnableSound=1\0x", 15) + "\r\n";
    m = faultOf("", &nul);
    EXPECT_EQ(m.rfind("'1\\0x' is not", 0), 0u) << m;
    const std::string huge = "DarknessRate=" + std::string(10'000'000, '9') + "\r\n";
    EXPECT_LT(faultOf(huge, nullptr).size(), 300u);
}

TEST(ConfigFile, IsReadOnlyUpToTheLimitAndOnlyWhenItIsARegularFile) {
    const fs::path dir = fs::temp_directory_path() / ("qvl-config-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    auto sized = [&](const std::string& name, std::uintmax_t size) {
        std::ofstream(dir / name, std::ios::binary) << "SavePath=save\\\r\n";
        fs::resize_file(dir / name, size);  // sparse: costs no disk
        return dir / name;
    };
    auto ok = readConfigFile(sized("qvl.cfg", kMaxConfigBytes), "qvl.cfg");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->size(), kMaxConfigBytes);
    try {
        readConfigFile(sized("qvl.ini", 400u << 20), "qvl.ini");
        ADD_FAILURE() << "a 400 MB qvl.ini was read";
    } catch (const Fault& f) {
        const std::string m = f.what();
        EXPECT_EQ(m.rfind(utf8ToSjis("qvl.ini が大きすぎます"), 0), 0u);
        EXPECT_NE(m.find((dir / "qvl.ini").string()), std::string::npos);
        EXPECT_NE(m.find(utf8ToSjis("このファイルを消してください")), std::string::npos);
    }
    EXPECT_THROW(readConfigFile(sized("qvl.cfg", kMaxConfigBytes + 1), "qvl.cfg"), Fault);
    // A FIFO would block a plain open for ever; a folder is no file either.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(readConfigFile(dir / "fifo", "qvl.ini"));
    EXPECT_FALSE(readConfigFile(dir, "qvl.ini"));
    EXPECT_FALSE(readConfigFile(dir / "missing", "qvl.ini"));
    fs::remove_all(dir);
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

TEST(SettingsFile, KeepsTheWindowsScalingAndPlaceOnlyOnceTheyAreKnown) {
    EngineSettings s;
    const std::string plain = settingsFileBytes(s);
    EXPECT_EQ(plain.find("[Window]"), std::string::npos);
    s.ScaleFilter = platform::ScaleFilter::WholeOnly;
    s.SharpText = false;
    s.window = platform::WindowPlacement{-20, 40, 1280, 960, true};
    const std::string written = settingsFileBytes(s);
    EXPECT_NE(written.find("[Window]\r\nScaleFilter=whole\r\nSharpText=0\r\nWindowX=-20\r\nWindowY=40\r\n"
                           "WindowWidth=1280\r\nWindowHeight=960\r\nFullScreen=1\r\n"),
              std::string::npos)
        << written;
    EngineSettings back = applied("", &written);
    EXPECT_EQ(back.ScaleFilter, platform::ScaleFilter::WholeOnly);
    EXPECT_FALSE(back.SharpText);
    ASSERT_TRUE(back.window);
    EXPECT_EQ(back.window->x, -20);
    EXPECT_TRUE(back.window->fullScreen);
    // A size nobody could have left the window at is no place to start from.
    const std::string odd = "[Window]\r\nScaleFilter=blur\r\nWindowX=0\r\nWindowY=0\r\nWindowWidth=0\r\nWindowHeight=5\r\n";
    EngineSettings bad = applied("", &odd);
    EXPECT_EQ(bad.ScaleFilter, platform::ScaleFilter::SharpBilinear);
    EXPECT_FALSE(bad.window);
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
