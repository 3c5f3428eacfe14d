#include "platform/encoding.h"
#include "platform/files.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace qvl::platform {
namespace {

namespace fs = std::filesystem;

// A fresh directory that is the current one for the test's duration.
class Files : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("qvl-files-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(saved_);
        fs::remove_all(dir_);
    }
    // rel is a host path: UTF-8, or raw bytes for names copied from a disc.
    void write(const fs::path& rel, const std::string& bytes) {
        fs::create_directories((dir_ / rel).parent_path());
        std::ofstream(dir_ / rel, std::ios::binary) << bytes;
    }
    std::string contents(const fs::path& rel) {
        std::ifstream in(dir_ / rel, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::set<std::string> names(const fs::path& rel = {}) {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(dir_ / rel)) out.insert(e.path().filename().string());
        return out;
    }
    // Whether the script's name leads to the host file rel.
    bool finds(std::string_view sjisName, const fs::path& rel) {
        auto p = files_.resolve(sjisName);
        return p && fs::equivalent(*p, dir_ / rel);
    }

    FileSystem files_;
    fs::path saved_, dir_;
};

TEST_F(Files, ResolvesBackslashesAndAnyLetterCase) {
    write("data/bg.bmp", "BM");
    EXPECT_TRUE(finds("DATA\\BG.BMP", "data/bg.bmp"));
    EXPECT_TRUE(finds("Data/Bg.bmp", "data/bg.bmp"));
    EXPECT_TRUE(finds(".\\DATA\\..\\data\\bg.bmp", "data/bg.bmp"));
    EXPECT_TRUE(finds("data\\\\bg.bmp", "data/bg.bmp"));
    EXPECT_EQ(files_.read("DATA\\BG.BMP"), "BM");
    EXPECT_TRUE(files_.exists("data"));
    EXPECT_EQ(files_.read("data"), std::nullopt);  // a folder is not a file
}

TEST_F(Files, FindsJapaneseNamesStoredAsUtf8OrAsRawShiftJis) {
    write("画像/背景.bmp", "utf8");
    write("表紙.bmp", "cover");  // 表 ends in the byte of '\'
    EXPECT_TRUE(finds(utf8ToSjis("画像\\背景.BMP"), "画像/背景.bmp"));
    EXPECT_TRUE(finds(utf8ToSjis("表紙.bmp"), "表紙.bmp"));
    EXPECT_EQ(files_.read(utf8ToSjis("表紙.BMP")), "cover");

    const std::string raw = utf8ToSjis("ソフト") + ".txt";  // ソ ends in '\' too
    write(fs::path(raw), "raw");
    EXPECT_TRUE(finds(raw, raw));
    EXPECT_TRUE(finds(utf8ToSjis("ソフト.TXT"), raw));
    EXPECT_EQ(files_.read(utf8ToSjis("ソフト.TXT")), "raw");
}

TEST_F(Files, DrivePrefixLeadsToTheDriveRoot) {
    write("disc/DATA/BG.BMP", "disc");
    write("data/bg.bmp", "here");
    EXPECT_EQ(files_.read("Q:\\data\\bg.bmp"), "here");  // no data drive: the current folder
    files_.setDriveRoot(dir_ / "disc");
    EXPECT_EQ(files_.read("Q:\\data\\bg.bmp"), "disc");
    EXPECT_EQ(files_.read("q:data\\bg.bmp"), "disc");
    EXPECT_EQ(files_.read("\\data\\bg.bmp"), "disc");
    EXPECT_EQ(files_.read("data\\bg.bmp"), "here");
}

TEST_F(Files, MissingNamesResolveToNothing) {
    write("data/bg.bmp", "BM");
    for (const char* name : {"data\\nothere.bmp", "nodir\\bg.bmp", "data\\bg.bmp\\x", ""})
        EXPECT_EQ(files_.resolve(name), std::nullopt) << name;
    EXPECT_EQ(files_.read("data\\nothere.bmp"), std::nullopt);
    EXPECT_EQ(files_.modificationTime("data\\nothere.bmp"), std::nullopt);
    EXPECT_TRUE(files_.modificationTime("DATA\\BG.BMP").has_value());
}

TEST_F(Files, WriteAtomicallyCreatesAndReplacesLeavingNoTemporaryFile) {
    EXPECT_TRUE(files_.writeAtomically("new.dat", "one"));
    EXPECT_EQ(contents("new.dat"), "one");
    EXPECT_TRUE(files_.writeAtomically("new.dat", std::string("t\0o", 3)));
    EXPECT_EQ(contents("new.dat"), std::string("t\0o", 3));
    EXPECT_TRUE(files_.writeAtomically("NEW.DAT", ""));
    EXPECT_EQ(contents("new.dat"), "");
    EXPECT_EQ(names(), std::set<std::string>{"new.dat"});

    fs::create_directories(dir_ / "save");
    EXPECT_TRUE(files_.writeAtomically("SAVE\\data1.hfd", "slot"));
    EXPECT_EQ(names("save"), std::set<std::string>{"data1.hfd"});
    EXPECT_TRUE(files_.writeAtomically(utf8ToSjis("save\\セーブ.dat"), "jp"));
    EXPECT_EQ(contents("save/セーブ.dat"), "jp");
    EXPECT_FALSE(files_.writeAtomically("nofolder\\x.dat", "x"));
    EXPECT_FALSE(fs::exists(dir_ / "nofolder"));
}

TEST_F(Files, WriteAtomicallyKeepsTheSpellingOnDisk) {
    write("QVL.INI", "old");
    EXPECT_TRUE(files_.writeAtomically("qvl.ini", "new"));
    EXPECT_EQ(names(), std::set<std::string>{"QVL.INI"});
    EXPECT_EQ(contents("QVL.INI"), "new");
}

}  // namespace
}  // namespace qvl::platform
