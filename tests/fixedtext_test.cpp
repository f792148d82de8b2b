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

TEST(FixedText, TerminateNameEndsItRightAfterItsLastNonBlank) {
    struct Case {
        std::string name;
        std::size_t width;
        util::WhenFull full;
        std::string ended;
    };
    using util::WhenFull;
    const Case cases[] = {
        {"ab c    ", 8, WhenFull::standsWhole, "ab c\0   "s},
        {"ab c", 8, WhenFull::standsWhole, "ab c\0   "s},                   // padded to its width
        {"ab c    xyz", 6, WhenFull::standsWhole, "ab c\0 "s},              // cut to its width
        {"ab\0   "s, 6, WhenFull::standsWhole, "ab\0   "s},                // ended already
        {"abcd", 4, WhenFull::standsWhole, "abcd"},                          // full: whole
        {"abcd", 4, WhenFull::cutByOne, "abc\0"s},                          // full: cut by one
        {"abc ", 4, WhenFull::cutByOne, "abc\0"s},                          // room left: not cut
        {"   ", 3, WhenFull::standsWhole, "\0  "s},                         // blank: empty
        {"   ", 3, WhenFull::cutByOne, "\0  "s},
        {"abc", 0, WhenFull::cutByOne, ""},                                  // no width
    };
    for (const Case& c : cases) {
        std::string name = c.name;
        util::terminateName(name, c.width, c.full);
        EXPECT_EQ(name, c.ended) << c.name;
    }
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
