// The record bridge's shared conventions: names ended in place, shown names, messages.
#include "libutil/recbridge.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/sopenw.h"
#include "ravlio/fortjkt.h"
#include "support/rgdbuilder.h"
#include "support/tempdir.h"

namespace {

using util::recbridge::message;
using util::recbridge::shownName;

// Names handed to the record reader and writer are ended at their 80 characters.
void terminateName(std::string& name) { util::terminateName(name, util::recbridge::TEXTLEN); }

TEST(RecordBridgeName, NulFollowsTheLastNonBlankCharacter) {
    std::string name = util::pad("dir/in.rgd", 80);
    terminateName(name);
    ASSERT_EQ(name.size(), 80u);
    EXPECT_EQ(name.substr(0, 11), std::string("dir/in.rgd\0", 11));
    EXPECT_EQ(name.substr(11), std::string(69, ' '));
    EXPECT_EQ(shownName(name), "dir/in.rgd");
}

TEST(RecordBridgeName, BlanksInsideTheNameStay) {
    std::string name = util::pad("abc     .RLC", 80);
    terminateName(name);
    EXPECT_EQ(shownName(name), "abc     .RLC");
}

TEST(RecordBridgeName, FullWidthNameIsLeftWhole) {
    const std::string full(80, 'n');
    std::string name = full;
    terminateName(name);
    EXPECT_EQ(name, full);
    EXPECT_EQ(shownName(name), full);
}

TEST(RecordBridgeName, NameOfSeventyNineCharactersGetsItsNulInTheLastPosition) {
    std::string name = util::pad(std::string(79, 'n'), 80);
    terminateName(name);
    EXPECT_EQ(name[79], '\0');
    EXPECT_EQ(shownName(name), std::string(79, 'n'));
}

TEST(RecordBridgeName, NameWhoseLastNonBlankIsNulIsUnchanged) {
    std::string name = util::pad(std::string("abc \0", 5), 80);
    const std::string before = name;
    terminateName(name);
    EXPECT_EQ(name, before);
    EXPECT_EQ(shownName(name), "abc ");
}

TEST(RecordBridgeName, TerminatingTwiceChangesNothing) {
    std::string name = util::pad("x.rgd", 80);
    terminateName(name);
    const std::string once = name;
    terminateName(name);
    EXPECT_EQ(name, once);
}

TEST(RecordBridgeName, BlankNameBecomesEmpty) {
    std::string name(80, ' ');
    terminateName(name);
    EXPECT_EQ(name[0], '\0');
    EXPECT_EQ(shownName(name), "");
}

TEST(RecordBridgeName, ShortAndLongVariablesAreKeptAtEightyCharacters) {
    std::string shortName = "a.rgd";
    terminateName(shortName);
    EXPECT_EQ(shortName.size(), 80u);
    EXPECT_EQ(shownName(shortName), "a.rgd");
    std::string longName(90, 'q');
    terminateName(longName);
    EXPECT_EQ(longName, std::string(80, 'q'));
}

TEST(RecordBridgeMessage, IsPaddedOrCutToEightyCharacters) {
    EXPECT_EQ(message("OK"), "OK" + std::string(78, ' '));
    EXPECT_EQ(message(std::string(100, 'm')), std::string(80, 'm'));
}

TEST(RecordBridgeProgress, WritesOneFreeFormatLine) {
    std::istringstream in;
    std::ostringstream out;
    util::ConsoleRedirect redirect(in, out);
    util::recbridge::progress({"       -- last try was number", 3});
    util::recbridge::progress({"       -- file: ", "x.rgd"});
    EXPECT_EQ(out.str(), "        -- last try was number 3\n        -- file: x.rgd\n");
}

TEST(RecordBridgeError, LastErrorIsCutToSeventyNineCharacters) {
    testsupport::installRgdDriver();
    testsupport::TempDir dir;
    ASSERT_EQ(util::sopenw(dir.file("out.rgd"), 1, {}, "p", "v", "h", {}, {}), 0);  // no columns
    // The first 79 characters end in a blank, which is trimmed.
    EXPECT_EQ(util::recbridge::lastErrorText(0),
              "bad table of contents in RGD file - may be newer version file than this loader");
}

TEST(RecordBridgeError, UnknownIntegerGivesTheProcessWideText) {
    const int unknown = 987654;
    int count = 0;
    srrcnt_(&unknown, &count);  // refused, which sets the process-wide text
    EXPECT_EQ(util::recbridge::lastErrorText(unknown), "ZARFFILE provided is bad");
}

}  // namespace
