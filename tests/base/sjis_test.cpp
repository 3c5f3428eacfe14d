#include "base/sjis.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qvl::sjis {
namespace {

using Lines = std::vector<std::string>;

// Characters whose trail byte looks like ASCII: the traps of every byte-wise helper.
const std::string kKanaA = "\x83\x41";     // ア, trail 'A'
const std::string kWideB = "\x82\x61";     // Ｂ, trail 'a'
const std::string kOmote = "\x95\x5C";     // 表, trail '\'
const std::string kDa = "\x83\x5F";        // ダ, trail '_'
const std::string kWideSpace = "\x81\x40";  // full-width space

TEST(Sjis, CharLengthTakesLeadAndTrailTogether) {
    const std::string s = kKanaA + "a" + "\xE0\x40" + "\x82";
    EXPECT_EQ(charLength(s, 0), 2u);
    EXPECT_EQ(charLength(s, 2), 1u);
    EXPECT_EQ(charLength(s, 3), 2u);  // 0xE0 starts the upper lead range
    EXPECT_EQ(charLength(s, 5), 1u);  // a lead byte with nothing after it
    for (char single : {'\x80', '\xA0', '\xDF', '\xFD'}) EXPECT_EQ(charLength(std::string{single, 'x'}, 0), 1u);
}

TEST(Sjis, TrimRemovesEveryByteUpToSpaceButNotWideSpace) {
    EXPECT_EQ(trim(std::string("\t \x01\x1F" "ab c\r\n \x00", 12)), "ab c");
    EXPECT_EQ(trimLeft("  a  "), "a  ");
    EXPECT_EQ(trimRight("  a  "), "  a");
    EXPECT_EQ(trim(kWideSpace + "a" + kWideSpace), kWideSpace + "a" + kWideSpace);
    EXPECT_EQ(trim(" \t "), "");
}

TEST(Sjis, FindAndReplaceMatchOnlyOnCharacterBoundaries) {
    // "ab" occurs at byte 2 too, but its 'a' is the trail of Ｂ.
    EXPECT_EQ(find(kWideB + "bab", "ab"), 4u);
    EXPECT_EQ(find(kWideB + "b", "ab"), 0u);
    EXPECT_EQ(find("abc", "c"), 3u);
    EXPECT_EQ(find("abc", "abcd"), 0u);
    EXPECT_EQ(find("abc", ""), 0u);
    EXPECT_EQ(replaceFirst(kOmote + "\\x\\", "\\", "/"), kOmote + "/x\\");
}

TEST(Sjis, CopyIsOneBasedAndDropsWhatIsOutOfRange) {
    EXPECT_EQ(copy("abcdef", 2, 3), "bcd");
    EXPECT_EQ(copy("abcdef", 0, 2), "ab");
    EXPECT_EQ(copy("abcdef", 5, 100), "ef");
    EXPECT_EQ(copy("abcdef", 4), "def");
    EXPECT_EQ(copy("abcdef", 7, 1), "");
}

TEST(Sjis, CaseFoldingLeavesDoubleByteCharactersAlone) {
    EXPECT_EQ(toLower("AbC" + kKanaA + "Z@["), "abc" + kKanaA + "z@[");
    EXPECT_EQ(toUpper("aBc" + kWideB + "z"), "ABC" + kWideB + "Z");
    EXPECT_TRUE(equalsIgnoreCase(":Start" + kKanaA, ":sTART" + kKanaA));
    // ア and ヂ differ only in a trail byte that looks like 'A' / 'a'.
    EXPECT_FALSE(equalsIgnoreCase(kKanaA, "\x83\x61"));
    EXPECT_FALSE(equalsIgnoreCase("ab", "abc"));
}

TEST(Sjis, SplitSkipsTrailBytesThatLookLikeTheSeparator) {
    EXPECT_EQ(split("a,b,,c", ','), (Lines{"a", "b", "", "c"}));
    EXPECT_EQ(split("", ','), (Lines{""}));
    EXPECT_EQ(split("a,", ','), (Lines{"a", ""}));
    EXPECT_EQ(split(kOmote + "\\x", '\\'), (Lines{kOmote, "x"}));
    EXPECT_EQ(split("b" + kDa + "_c\x83", '_'), (Lines{"b" + kDa, "c\x83"}));
}

TEST(Sjis, SplitLinesAtEveryLineEndAndStopsAtNul) {
    EXPECT_EQ(splitLines("a\r\nb\nc\rd", false), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\r\n", false), (Lines{"a"}));
    EXPECT_EQ(splitLines("a\n\nb\r\r\n", false), (Lines{"a", "", "b", ""}));
    EXPECT_EQ(splitLines("", false), Lines{});
    EXPECT_EQ(splitLines(kOmote + "\r\n" + kDa, false), (Lines{kOmote, kDa}));
    const std::string withNul("a\nb\0c\nd", 7);
    EXPECT_EQ(splitLines(withNul, true), (Lines{"a", "b"}));
    EXPECT_EQ(splitLines(withNul, false), (Lines{"a", std::string("b\0c", 3), "d"}));
}

TEST(Sjis, ShownValueEscapesControlBytesAndStopsWithoutSplittingACharacter) {
    EXPECT_EQ(shownValue(std::string("a\0b\r\n\x7f", 6)), "a\\0b\\x0D\\x0A\\x7F");
    EXPECT_EQ(shownValue("abc"), "abc");
    // 59 bytes and then a double-byte character: it is shown whole, then the cut.
    const std::string longText = std::string(59, 'x') + kOmote + kOmote;
    EXPECT_EQ(shownValue(longText), std::string(59, 'x') + kOmote + "...");
    EXPECT_EQ(shownValue(std::string(10 * 1024 * 1024, 'z')).size(), 63u);
}

}  // namespace
}  // namespace qvl::sjis
