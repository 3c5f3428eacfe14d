#include "ui/file_filter.h"

#include "platform/encoding.h"

#include <gtest/gtest.h>

namespace qvl::ui {
namespace {

std::string sjis(const char* utf8) { return platform::utf8ToSjis(utf8); }

TEST(FileFilter, ParsesPairsAndPatternLists) {
    auto filters = parseFileFilter(sjis("テキスト|*.txt; *.doc|すべて|*.*"));
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].description, sjis("テキスト"));
    EXPECT_EQ(filters[0].patterns, (std::vector<std::string>{"*.txt", "*.doc"}));
    EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.*"}));
}

TEST(FileFilter, BarsInsideDoubleByteCharactersDoNotSplitPairs) {
    // The trail byte of 「ポ」 (0x83 0x7C) is '|'.
    auto filters = parseFileFilter(sjis("ポ|*.a"));
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].description, sjis("ポ"));
}

TEST(FileFilter, MalformedFiltersFallBackToAllFiles) {
    for (const char* text : {"", "|", "only a description", "|||", "desc| ; "}) {
        auto filters = parseFileFilter(text);
        ASSERT_EQ(filters.size(), 1u) << text;
        EXPECT_TRUE(matchesFilter("anything", filters[0])) << text;
    }
}

TEST(FileFilter, WildcardsMatchWithoutLetterCase) {
    EXPECT_TRUE(matchesPattern("README", "*.*"));
    EXPECT_TRUE(matchesPattern("Save01.DAT", "*.dat"));
    EXPECT_TRUE(matchesPattern("save01.dat", "SAVE??.*"));
    EXPECT_FALSE(matchesPattern("save1.dat", "save??.dat"));
    EXPECT_FALSE(matchesPattern("a.txt.bak", "*.txt"));
    EXPECT_TRUE(matchesPattern("a.b.txt", "*.txt"));
    EXPECT_TRUE(matchesPattern(sjis("表.txt"), "?.txt")) << "one double-byte character is one '?'";
    EXPECT_FALSE(matchesPattern(sjis("表.txt"), "??.txt"));
    // A trail byte equal to an ASCII letter is not folded.
    EXPECT_FALSE(matchesPattern("\x83\x41", "\x83\x61"));
    EXPECT_TRUE(matchesPattern("", "*"));
    EXPECT_FALSE(matchesPattern("", "?"));
}

}  // namespace
}  // namespace qvl::ui
