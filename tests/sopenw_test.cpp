// sopenw: the open of an output file for writing, from the service layer.
#include "libutil/sopenw.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ravlio/fortjkt.h"
#include "support/rgdbuilder.h"
#include "support/tempdir.h"

namespace {

struct Columns {
    std::vector<int> ids{0, 0};
    std::vector<double> minima{500.0, 500.0};
    std::vector<double> maxima{900.0, 900.0};
    std::vector<int> indPrec{6, 6};
    std::vector<int> points{5, 5};
    std::vector<int> depPrec{4, 4};
    std::vector<const char*> shortnames{"re", "im"};
    std::vector<const char*> units{"mW/(m2 sr cm-1)", "mW/(m2 sr cm-1)"};

    util::OutputColumns view() const {
        return {ids, minima, maxima, indPrec, points, depPrec, shortnames, {}, {}, units};
    }
};

std::string describe(int h, int column, int type) {
    char text[64] = {};
    const int size = sizeof text;
    int result = 0;
    srddes_(&h, &column, &type, text, &size, &result);
    return text;
}

TEST(Sopenw, CreatesTheFileWithItsColumns) {
    testsupport::installRgdDriver();
    testsupport::TempDir dir;
    const Columns c;
    const std::string path = dir.file("out.RLC");
    const int h = util::sopenw(path, 1, {}, "VORNCALV", "1.0", "history", std::vector<int>{97122201}, c.view());
    ASSERT_NE(h, 0);
    int count = -1;
    sqdcnt_(&h, &count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(describe(h, 2, DESHRT), "im");
    EXPECT_EQ(describe(h, 1, DEUNIT), "mW/(m2 sr cm-1)");
    EXPECT_EQ(describe(h, 1, DLABL), "");  // no labels given
    int closed = 0;
    sclose_(&h, &closed);
}

TEST(Sopenw, NameEndsAtItsFirstNul) {
    testsupport::installRgdDriver();
    testsupport::TempDir dir;
    const Columns c;
    const std::string path = dir.file("out.RLC");
    std::string name = path + std::string(1, '\0') + "   ";
    const int h = util::sopenw(name, 1, {}, "p", "v", "h", {}, c.view());
    ASSERT_NE(h, 0);
    EXPECT_STREQ(FORTJKTfileOf(h)->filename, path.c_str());
    int closed = 0;
    sclose_(&h, &closed);
}

TEST(Sopenw, NoColumnsIsABadTableOfContents) {
    testsupport::installRgdDriver();
    testsupport::TempDir dir;
    EXPECT_EQ(util::sopenw(dir.file("out.RLC"), 1, {}, "p", "v", "h", {}, {}), 0);
    char text[128];
    const int none = 0, size = sizeof text;
    slerr_(&none, text, &size);
    EXPECT_STREQ(text, "bad table of contents in RGD file - may be newer version file than this loader can handle");
}

TEST(Sopenw, ListsOfDifferentLengthsAreRefused) {
    Columns c;
    c.points.pop_back();
    EXPECT_FALSE(util::consistent(c.view()));
    EXPECT_THROW(util::sopenw("x", 1, {}, "p", "v", "h", {}, c.view()), std::invalid_argument);
    Columns d;
    d.shortnames.push_back("extra");
    EXPECT_FALSE(util::consistent(d.view()));
    EXPECT_TRUE(util::consistent(Columns().view()));
}

}  // namespace
