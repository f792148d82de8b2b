// Fixed-length text helpers.
#include "libutil/fixedtext.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

TEST(FixedText, PadCutsOrFillsToTheWidth) {
    EXPECT_EQ(util::pad("abc", 6), "abc   ");
    EXPECT_EQ(util::pad("abcdef", 3), "abc");
    EXPECT_EQ(util::pad("", 2), "  ");
    EXPECT_EQ(util::pad("x", 80).size(), 80U);
}

TEST(FixedText, TrimRemovesTrailingBlanksAndNuls) {
    EXPECT_EQ(util::trim("ABC\0  "s), "ABC");
    EXPECT_EQ(util::trim("  A B  "), "  A B");
    EXPECT_EQ(util::trim("    "), "");
}

TEST(FixedText, NulTerminateAfterTheLastSignificantCharacter) {
    char buf[8] = {'a', 'b', ' ', 'c', ' ', ' ', ' ', ' '};
    EXPECT_EQ(util::nulTerminate(buf, sizeof buf), 4U);
    EXPECT_EQ(std::string(buf, 8), "ab c\0   "s);
}

TEST(FixedText, NulTerminateOfAFullTextCutsTheLastCharacter) {
    char buf[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(util::nulTerminate(buf, sizeof buf), 3U);
    EXPECT_EQ(std::string(buf, 4), "abc\0"s);
}

TEST(FixedText, NulTerminateOfBlanksPutsTheNulFirst) {
    char buf[3] = {' ', ' ', ' '};
    EXPECT_EQ(util::nulTerminate(buf, sizeof buf), 0U);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(util::nulTerminate(buf, 0), 0U);
}

TEST(FixedText, NulTerminateKeepsAnExistingTerminator) {
    char buf[6] = {'a', 'b', '\0', ' ', ' ', ' '};
    EXPECT_EQ(util::nulTerminate(buf, sizeof buf), 2U);
    EXPECT_EQ(std::string(buf, 6), "ab\0   "s);
}

TEST(FixedText, OverlayReplacesInsideAndCutsAtTheEnd) {
    std::string t = "..........";
    util::overlay(t, 2, "abc");
    EXPECT_EQ(t, "..abc.....");
    util::overlay(t, 8, "xyz");
    EXPECT_EQ(t, "..abc...xy");
    util::overlay(t, 10, "q");
    util::overlay(t, 99, "q");
    EXPECT_EQ(t, "..abc...xy");
}
