#include "base/config_list.h"
#include "base/fault.h"
#include "base/numbers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qvl {
namespace {

TEST(Numbers, ParseIntTakesOnlyASignedDecimalThatFits) {
    EXPECT_EQ(parseInt("-12"), -12);
    EXPECT_EQ(parseInt("+007"), 7);
    EXPECT_EQ(parseInt("2147483647"), INT32_MAX);
    EXPECT_EQ(parseInt("-2147483648"), INT32_MIN);
    for (const char* bad : {"2147483648", "-2147483649", "99999999999999999999999", "", "-", "+-1", " 1", "1 ",
                            "1a", "1.0"})
        EXPECT_EQ(parseInt(bad), std::nullopt) << '"' << bad << '"';
}

TEST(Numbers, ToIntFaultsOnNonNumbersAndToIntOrDefaultsOnlyWhenEmpty) {
    EXPECT_EQ(toInt("-5"), -5);
    EXPECT_THROW(toInt("abc"), Fault);
    EXPECT_THROW(toInt(""), Fault);
    EXPECT_THROW(toInt("3000000000"), Fault);
    EXPECT_EQ(toIntOr("", 32), 32);
    EXPECT_EQ(toIntOr("0", 32), 0);
    EXPECT_THROW(toIntOr(" ", 32), Fault);
}

TEST(Numbers, ScanIntReadsTheLeadingNumberLikePercentD) {
    EXPECT_EQ(scanInt("  \t\r\n-3xyz"), -3);
    EXPECT_EQ(scanInt("+5\r\n"), 5);
    EXPECT_EQ(scanInt("12 34"), 12);
    for (const char* bad : {"", "   ", "abc1", "- 3"}) EXPECT_EQ(scanInt(bad), std::nullopt) << bad;
}

TEST(Numbers, ToHex8WantsExactlyEightHexDigits) {
    EXPECT_EQ(toHex8("0000001F"), 31u);
    EXPECT_EQ(toHex8("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(toHex8("0aBcDeF9"), 0x0ABCDEF9u);
    for (const char* bad : {"0000001G", "1F", "000000001", " 000001F", ""}) EXPECT_THROW(toHex8(bad), Fault) << bad;
}

TEST(ConfigList, LooksKeysUpLikeTheOriginalFiles) {
    const ConfigList list = ConfigList::fromBytes(
        "[System]\r\n"
        "enablemusic=0\r\n"
        "EnableMusic=1\r\n"
        " EnableSound=0\n"
        "SavePath= C:\\save\\ \r\n"
        "Pair=a=b\r"
        "Empty=\r\n"
        "Word=yes\r\n");
    EXPECT_EQ(list.value("ENABLEMUSIC"), "0");  // first match, case ignored
    EXPECT_EQ(list.value("EnableSound"), "");   // a blank before the key hides it
    EXPECT_FALSE(list.contains("EnableSound"));
    EXPECT_EQ(list.value("SavePath"), " C:\\save\\ ");
    EXPECT_EQ(list.value("Pair"), "a=b");
    EXPECT_TRUE(list.contains("Empty"));
    EXPECT_EQ(list.value("Empty"), "");
    EXPECT_EQ(list.value("[System]"), "");
    EXPECT_FALSE(list.contains("System"));
    EXPECT_EQ(list.value("Missing"), "");
    EXPECT_FALSE(list.contains("Missing"));
    EXPECT_FALSE(list.contains("EnableMusi"));
    EXPECT_EQ(list.lineOf("enableMUSIC"), 2u);  // the first match, counted from 1
    EXPECT_EQ(list.lineOf("Word"), 8u);
    EXPECT_EQ(list.lineOf("Missing"), 0u);

    EXPECT_EQ(list.intValue("EnableMusic", 1), 0);
    EXPECT_EQ(list.intValue("Empty", 7), 7);
    EXPECT_EQ(list.intValue("Missing", -1), -1);
    EXPECT_THROW(list.intValue("Word", 0), Fault);
    EXPECT_THROW(list.intValue("SavePath", 0), Fault);
}

TEST(ConfigList, WritesCrLfAfterEveryLineAndReadsItBack) {
    ConfigList out;
    EXPECT_EQ(out.toBytes(), "");
    out.add("Version=1.20");
    out.add("[Font]");
    out.add("Font0=");
    EXPECT_EQ(out.toBytes(), "Version=1.20\r\n[Font]\r\nFont0=\r\n");
    EXPECT_EQ(ConfigList::fromBytes(out.toBytes()).lines(), out.lines());
}

}  // namespace
}  // namespace qvl
