// The PLVS profile reader behind the library's handle API: the title test, the level count,
// vectors across lines and between text lines, the default and chosen selections, the
// operations it refuses, truncated and hostile files, and rgddump's views of a PLVS file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dumplib/dumpcli.h"
#include "driver.h"
#include "ravlio/ravlio.h"
#include "support/plvsbuilder.h"
#include "support/tempdir.h"

namespace {

using testsupport::PlvsFile;
using testsupport::PlvsVector;
using testsupport::writeFile;

struct Closer {
    void operator()(ZARFFILE* f) const { ZARFcloseFile(f); }
};
using Handle = std::unique_ptr<ZARFFILE, Closer>;
using Vectors = std::vector<std::vector<float>>;

const char* const Sentinel = "left by an earlier failure";

class PlvsReader : public ::testing::Test {
protected:
    // Writes text under name in the temporary directory and opens it.
    Handle open(const std::string& text, const std::string& name = "profile.plv") {
        const std::string path = dir.file(name);
        writeFile(path, text);
        return Handle(ZARFopenFileReadable(path.c_str()));
    }

    // Opens a file the reader must refuse after recognising it: null, and the library-wide
    // text left as it was.
    void expectRefused(const std::string& text) {
        lastGenericError = Sentinel;
        Handle f = open(text);
        EXPECT_EQ(f, nullptr) << text.substr(0, 80);
        EXPECT_EQ(ZARFlastError(nullptr), Sentinel) << text.substr(0, 80);
    }

    static std::vector<float> dep(ZARFFILE* f) {
        std::vector<float> v(static_cast<size_t>(std::max(ZARFreadRecordSize(f, 1), 0)) + 1, -1.0F);
        v.resize(static_cast<size_t>(std::max(ZARFreadDepValues(f, 1, v.data(), static_cast<int>(v.size())), 0)));
        return v;
    }

    static std::vector<float> ind(ZARFFILE* f) {
        std::vector<float> v(static_cast<size_t>(std::max(ZARFreadRecordSize(f, 1), 0)) + 1, -1.0F);
        v.resize(static_cast<size_t>(std::max(ZARFreadIndValues(f, 1, v.data(), static_cast<int>(v.size())), 0)));
        return v;
    }

    // Every vector of the file, in order, read by selecting each as the dependent values.
    static Vectors vectors(ZARFFILE* f) {
        Vectors all;
        for (int column = 1; column <= ZARFqueryMaxDataCount(f); ++column) {
            EXPECT_EQ(ZARFselectData(f, 2, column), 1);
            all.push_back(dep(f));
        }
        return all;
    }

    // The vectors of a file the reader must accept.
    Vectors read(const std::string& text) {
        Handle f = open(text);
        EXPECT_NE(f, nullptr) << text.substr(0, 80);
        return f ? vectors(f.get()) : Vectors{};
    }

    testsupport::TempDir dir;
};

// ---- The title line --------------------------------------------------------------------------

TEST_F(PlvsReader, TitleNeedsBothMarkersInCapitalsAndOnlyTextCharacters) {
    struct Case {
        std::string title;
        bool recognised;
    };
    const Case cases[] = {
        {"QX ZEPH retrieval", true},
        {"qx zeph retrieval", false},
        {"ZEPH retrieval", false},
        {"QX retrieval", false},
        {"retrievalZEPHQX", true},
        {"\tQX\fZEPH\v retrieval\r", true},
        {"QX ZEPH \x1b[1m retrieval", false},
        {"QX ZEPH 10\xc2\xb0 retrieval", false},
        {std::string("QX ZEPH\0 retrieval", 18), false},
        {"", false},
    };
    for (const Case& c : cases) {
        lastGenericError = nullptr;
        Handle f = open(c.title + "\n2\n1 2\n");
        if (c.recognised) {
            ASSERT_NE(f, nullptr) << c.title;
            EXPECT_EQ(f->method, &PLOVS_Methods) << c.title;
        } else {
            EXPECT_EQ(f, nullptr) << c.title;
            EXPECT_STREQ(ZARFlastError(nullptr), "filetype is unknown") << c.title;
        }
    }
}

TEST_F(PlvsReader, MarkersCountOnlyOnTheFirstLine) {
    EXPECT_EQ(open("retrieval\nQX ZEPH\n2\n1 2\n"), nullptr);
    EXPECT_STREQ(ZARFlastError(nullptr), "filetype is unknown");
}

TEST_F(PlvsReader, LongTitleLineIsReadWholeAndNeverGivesTheLevelCount) {
    // Characters past the 1023rd belong to the title: this "7" is no level count.
    EXPECT_EQ(read("QX ZEPH " + std::string(1100, 'x') + " 7\n2\n1 2\n3 4\n"), (Vectors{{1, 2}, {3, 4}}));
    // Markers and refused characters count wherever they are in the line.
    EXPECT_EQ(read(std::string(1500, 'x') + " QX ZEPH\n1\n5\n"), (Vectors{{5}}));
    lastGenericError = nullptr;
    EXPECT_EQ(open("QX ZEPH " + std::string(1500, 'x') + "\x01\n1\n5\n"), nullptr);
    EXPECT_STREQ(ZARFlastError(nullptr), "filetype is unknown");
}

TEST_F(PlvsReader, IsProbedFirstSoANameMltClaimsStillOpensAsPlvs) {
    ASSERT_GT(FileTypesSupportedCount, 0);
    EXPECT_EQ(FileType[0], &PLOVS_Methods);
    const std::string path = dir.file("profile.dat");
    testsupport::writeMinimalPlvsFile(path);
    Handle f(ZARFopenFileReadable(path.c_str()));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->method, &PLOVS_Methods);
    Vectors expected;
    for (const PlvsVector& v : testsupport::minimalPlvsVectors()) expected.push_back(v.values);
    EXPECT_EQ(vectors(f.get()), expected);
}

// ---- The level count -------------------------------------------------------------------------

TEST_F(PlvsReader, LevelCountIsAnIntegerAndTheRestOfItsLineIsSkipped) {
    EXPECT_EQ(read("QX ZEPH\n3 levels 9 9 9\n1 2 3\n"), (Vectors{{1, 2, 3}}));
    EXPECT_EQ(read("QX ZEPH\n\n  +2\n1 2\n"), (Vectors{{1, 2}}));
    EXPECT_EQ(read("QX ZEPH\n2.9\n1 2\n"), (Vectors{{1, 2}}));
}

TEST_F(PlvsReader, LevelCountThatIsNotAPositiveIntegerIsRefusedWithoutAMessage) {
    for (const char* count : {"0", "-3", "levels", "", "2147483648", "99999999999999999999999999"})
        expectRefused(std::string("QX ZEPH\n") + count + "\n1 2 3\n");
}

TEST_F(PlvsReader, LevelCountBeyondTheFileIsRefusedWithoutReservingItsVectors) {
    // A vector of 2147483647 values would take 8 GiB: the reader must not ask for it.
    expectRefused("QX ZEPH\n2147483647\n1 2 3\n");
}

// ---- Vectors ---------------------------------------------------------------------------------

TEST_F(PlvsReader, TextLineBetweenVectorsIsSkipped) {
    EXPECT_EQ(read("QX ZEPH retrieval\n3\n1000 850 700\nTemperature\n290.1 280.4 270.9\n"),
              (Vectors{{1000, 850, 700}, {290.1F, 280.4F, 270.9F}}));
}

TEST_F(PlvsReader, VectorRunsOnOverLineEnds) {
    EXPECT_EQ(read("QX ZEPH\n3\n1000 850\n700\n290.1\n280.4 270.9\n"),
              (Vectors{{1000, 850, 700}, {290.1F, 280.4F, 270.9F}}));
}

TEST_F(PlvsReader, IncompleteTrailingVectorIsDiscarded) {
    EXPECT_EQ(read("QX ZEPH\n3\n1000 850 700\nT\n290.1 280.4 270.9\nH2O\n1 2\n"),
              (Vectors{{1000, 850, 700}, {290.1F, 280.4F, 270.9F}}));
}

TEST_F(PlvsReader, RestOfTheLineAfterAVectorIsSkipped) {
    EXPECT_EQ(read("QX ZEPH\n2\n1 2 3 4\n5 6 7\n8 9\n"), (Vectors{{1, 2}, {5, 6}, {8, 9}}));
    // The first vector is read without looking for text: its line may end in a unit. Later
    // lines with letters are text.
    EXPECT_EQ(read("QX ZEPH\n2\n1 2hPa\n3 4hPa\n5 6\n"), (Vectors{{1, 2}, {5, 6}}));
}

TEST_F(PlvsReader, VectorThatMeetsTextEndsTheData) {
    // The vector begun on "4 5" cannot be completed: reading stops there for good.
    EXPECT_EQ(read("QX ZEPH\n3\n1 2 3\n4 5\nText\n7 8 9\n"), (Vectors{{1, 2, 3}}));
    EXPECT_EQ(read("QX ZEPH\n3\n1 2 3\n4, 5, 6\n7 8 9\n"), (Vectors{{1, 2, 3}}));
}

TEST_F(PlvsReader, FirstVectorMustBeCompleteAndFollowTheCount) {
    expectRefused("QX ZEPH\n3\n1 2\n");
    expectRefused("QX ZEPH\n3\nPressure\n1 2 3\n");
    expectRefused("QX ZEPH\n3\n");
}

TEST_F(PlvsReader, NumbersInExponentFormAreNumbersNotText) {
    EXPECT_EQ(read("QX ZEPH\n3\n1000 850 700\nH2O\n1.5E-06 2e-6 -3.25e+2\n2nd guess\n4 5 6\n"),
              (Vectors{{1000, 850, 700}, {1.5e-6F, 2e-6F, -325.0F}, {4, 5, 6}}));
}

TEST_F(PlvsReader, ProfileWithUnitsAndMixingRatiosReadsAsThreeVectors) {
    EXPECT_EQ(read("QX ZEPH retrieval, station 3, 2000-03-08\n3\n1000 850 700\nTemperature (K)\n290.1 280.4 270.9\n"
                   "H2O (ppmv)\n1.2E-04\n8.5E-05 3.1E-05\n"),
              (Vectors{{1000, 850, 700}, {290.1F, 280.4F, 270.9F}, {1.2e-4F, 8.5e-5F, 3.1e-5F}}));
}

TEST_F(PlvsReader, BlankLinesBetweenVectorsAreSkipped) {
    EXPECT_EQ(read("QX ZEPH\n2\n1 2\n\n   \nTemperature\n\n3 4\n\n"), (Vectors{{1, 2}, {3, 4}}));
}

TEST_F(PlvsReader, NumbersReadAsThirtyTwoBitReals) {
    const Vectors v = read("QX ZEPH\n4\n+1 .5e1 1e40 -1e40\n");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0], (std::vector<float>{1.0F, 5.0F, INFINITY, -INFINITY}));
}

// ---- Selections and data types -----------------------------------------------------------------

TEST_F(PlvsReader, IndependentValuesAreTheSecondVectorAndDependentTheFirst) {
    Handle f = open("QX ZEPH retrieval\n3\n1000 850 700\nTemperature\n290.1 280.4 270.9\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 1);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 3);
    EXPECT_EQ(ind(f.get()), (std::vector<float>{290.1F, 280.4F, 270.9F}));
    EXPECT_EQ(dep(f.get()), (std::vector<float>{1000, 850, 700}));
    std::vector<double> wide(3, 0.0);
    ASSERT_EQ(ZARFreadIndValuesDouble(f.get(), 1, wide.data(), 3), 3);
    EXPECT_EQ(wide[2], static_cast<double>(270.9F));
}

TEST_F(PlvsReader, SelectionChoosesAVectorPerAxis) {
    Handle f = open("QX ZEPH\n2\n1 2\n3 4\n5 6\n");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ZARFselectData(f.get(), 1, 3), 1);
    ASSERT_EQ(ZARFselectData(f.get(), 2, 2), 1);
    EXPECT_EQ(ind(f.get()), (std::vector<float>{5, 6}));
    EXPECT_EQ(dep(f.get()), (std::vector<float>{3, 4}));
}

TEST_F(PlvsReader, SelectionRefusesMissingColumnsAndOtherAxes) {
    Handle f = open("QX ZEPH\n2\n1 2\n3 4\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFselectData(f.get(), 2, 3), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "data requested is unavailable");
    EXPECT_EQ(ZARFselectData(f.get(), 1, 0), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "data requested is unavailable");
    EXPECT_EQ(ZARFselectData(f.get(), 3, 1), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "requested axis cannot be changed");
    EXPECT_EQ(dep(f.get()), (std::vector<float>{1, 2}));
    EXPECT_EQ(ind(f.get()), (std::vector<float>{3, 4}));
}

TEST_F(PlvsReader, DataTypesNumberTheVectorsFromOne) {
    Handle f = open("QX ZEPH\n1\n7\n8\n9\n");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 3);
    int types[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(ZARFqueryDataTypes(f.get(), types, 5), 3);
    EXPECT_EQ(std::vector<int>(types, types + 5), (std::vector<int>{1, 2, 3, 0, 0}));
    int one[1] = {0};
    EXPECT_EQ(ZARFqueryDataTypes(f.get(), one, 1), 1);
    EXPECT_EQ(ZARFqueryDataTypes(f.get(), one, 0), 0);
}

TEST_F(PlvsReader, SingleVectorHasNoDefaultIndependentValues) {
    Handle f = open("QX ZEPH\n2\n1 2\n");
    ASSERT_NE(f, nullptr);
    float v[2] = {0, 0};
    EXPECT_EQ(ZARFreadIndValues(f.get(), 1, v, 2), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "field provided is bad or unavailable");
    double d[2] = {0, 0};
    EXPECT_EQ(ZARFreadIndValuesDouble(f.get(), 1, d, 2), 0);
    EXPECT_EQ(dep(f.get()), (std::vector<float>{1, 2}));
}

TEST_F(PlvsReader, ValuesCopyAtMostTheArrayFromRecordOneOnly) {
    Handle f = open("QX ZEPH\n3\n1 2 3\n");
    ASSERT_NE(f, nullptr);
    float v[3] = {-1, -1, -1};
    EXPECT_EQ(ZARFreadDepValues(f.get(), 1, v, 2), 2);
    EXPECT_EQ(std::vector<float>(v, v + 3), (std::vector<float>{1, 2, -1}));
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 5), 3);
    for (int record : {0, 2, -1}) {
        EXPECT_EQ(ZARFreadDepValues(f.get(), record, v, 3), 0);
        EXPECT_STREQ(ZARFlastError(f.get()), "record requested is unavailable");
    }
    EXPECT_EQ(ZARFreadDepValues(f.get(), 1, v, 0), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "field provided is bad or unavailable");
    EXPECT_EQ(ZARFreadDepValues(f.get(), 1, nullptr, 3), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "field provided is bad or unavailable");
}

// ---- Operations a PLVS file does not offer ---------------------------------------------------

TEST_F(PlvsReader, DomainMetadataDescriptionsAndWritingAreRefused) {
    Handle f = open("QX ZEPH\n2\n1 2\n3 4\n");
    ASSERT_NE(f, nullptr);
    float a = 0, b = 0, c = 0;
    EXPECT_EQ(ZARFreadIndDomain(f.get(), 1, &a, &b, &c), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "this operation is not supported with this filetype");
    int request[1] = {1};
    EXPECT_EQ(ZARFreadRealMetadata(f.get(), 1, request, 1, &a), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "this operation is not supported with this filetype");
    char text[16] = "";
    EXPECT_EQ(ZARFreadMetadataStringDesc(f.get(), 1, 1, 1, text, 16), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "this operation is not supported with this filetype");
    EXPECT_EQ(ZARFqueryMaxMetadataCount(f.get(), 1), 0);
    EXPECT_EQ(ZARFreadDataStringDesc(f.get(), 1, 1, text, 16), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "description type requested is bad or unavailable");
    EXPECT_EQ(ZARFwriteDepValues(f.get(), 1, &a, 1), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "writing to this file type is unsupported");
    EXPECT_EQ(ZARFqueryVersion(2, f.get()), nullptr);
    lastGenericError = nullptr;
    va_list none{};
    EXPECT_EQ(PLOVS_Methods.openFileWritable("x.plv", 0, nullptr, 0, "p", "v", "h", 0, none), nullptr);
    EXPECT_STREQ(ZARFlastError(nullptr), "writing to this file type is unsupported");
    EXPECT_NE(ZARFcloseFile(f.release()), 0);
}

// ---- Truncated and hostile files -------------------------------------------------------------

TEST_F(PlvsReader, FileCutAtEveryByteIsRefusedOrReadAsFarAsItIsComplete) {
    PlvsFile spec;
    spec.vectors = {{"", {1000, 850, 700}}, {"Temperature", {290.1F, 280.4F, 270.9F}}, {"H2O", {1.5e-6F, 2e-6F, 7}}};
    spec.valuesPerLine = 2;
    const std::string text = testsupport::plvsText(spec);
    unsigned before = 0;
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        const std::string prefix = text.substr(0, cut);
        SCOPED_TRACE("cut at byte " + std::to_string(cut));
        Handle f = open(prefix);
        if (f == nullptr) {
            EXPECT_EQ(before, 0u);
            continue;
        }
        const Vectors got = vectors(f.get());
        ASSERT_GE(got.size(), std::max(before, 1u));
        ASSERT_LE(got.size(), spec.vectors.size());
        before = static_cast<unsigned>(got.size());
        // Every vector is whole; only a number cut at the very end of the file can differ.
        for (size_t k = 0; k < got.size(); ++k) {
            const std::vector<float>& want = spec.vectors[k].values;
            ASSERT_EQ(got[k].size(), want.size());
            const bool last = k + 1 == got.size();
            const bool cutInNumber = last && !prefix.empty() && prefix.back() != '\n' && prefix.back() != ' ';
            const size_t exact = cutInNumber ? want.size() - 1 : want.size();
            for (size_t i = 0; i < exact; ++i) EXPECT_EQ(got[k][i], want[i]) << k << "," << i;
        }
    }
    EXPECT_EQ(before, spec.vectors.size());
}

TEST_F(PlvsReader, HostileBytesAndLengthsAreReadWithinBounds) {
    // NUL and high bytes in the body end the data like any other non-number.
    EXPECT_EQ(read(std::string("QX ZEPH\n2\n1 2\n3 \0 4\n5 6\n", 24)), (Vectors{{1, 2}}));
    EXPECT_EQ(read("QX ZEPH\n2\n1 2\n\xff\xfe 4\n5 6\n"), (Vectors{{1, 2}}));
    // A number of 100000 digits is one (infinite) value.
    EXPECT_EQ(read("QX ZEPH\n2\n1 " + std::string(100000, '9') + "\n"), (Vectors{{1, INFINITY}}));
    // A letter far along a long line still makes it text.
    std::string line;
    for (int i = 0; i < 2000; ++i) line += "1 ";
    EXPECT_EQ(read("QX ZEPH\n2\n1 2\n" + line + "x\n3 4\n"), (Vectors{{1, 2}, {3, 4}}));
    // Many one-level vectors.
    std::string many = "QX ZEPH\n1\n";
    for (int i = 0; i < 20000; ++i) many += std::to_string(i) + "\n";
    Handle f = open(many);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 20000);
    ASSERT_EQ(ZARFselectData(f.get(), 2, 20000), 1);
    EXPECT_EQ(dep(f.get()), (std::vector<float>{19999}));
}

TEST_F(PlvsReader, FilesThatCannotBeReadAreNotClaimed) {
    EXPECT_EQ(PLOVS_Methods.isFileReadable(nullptr), 0);
    EXPECT_EQ(PLOVS_Methods.isFileReadable(dir.file("absent.plv").c_str()), 0);
    EXPECT_EQ(PLOVS_Methods.isFileReadable(dir.path().c_str()), 0);
    EXPECT_EQ(PLOVS_Methods.openFileReadable(dir.file("absent.plv").c_str()), nullptr);
    EXPECT_EQ(PLOVS_Methods.openFileReadable(nullptr), nullptr);
}

// ---- rgddump on a PLVS file ------------------------------------------------------------------

class PlvsDump : public PlvsReader {
protected:
    void SetUp() override {
        PlvsFile spec;
        spec.vectors = {{"", {1000, 500, 100}}, {"Temperature", {288.5F, 252.25F, 210}}};
        testsupport::writePlvsFile(path, spec);
    }

    // Runs rgddump's logic in-process; expects success and nothing on the error stream.
    std::string dump(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(dump::runRgddump(args, out, err), dump::ExitOk) << err.str();
        EXPECT_EQ(err.str(), "");
        return out.str();
    }

    std::string path = dir.file("ZEPH1.PLV");
};

TEST_F(PlvsDump, SummaryCsvAndSvgShowTheProfiles) {
    EXPECT_EQ(dump({path}),
              "File:     " + path + "\n"
              "Format:   PLVS\n"
              "Records:  1\n"
              "Columns:  2\n"
              "\n"
              "Column 1 (data type 1)\n"
              "  short name:\n"
              "  label:\n"
              "  long name:\n"
              "  units:\n"
              "  points:      3 in record 1\n"
              "  abscissa:    explicit values from 288.5 to 210\n"
              "\n"
              "Column 2 (data type 2)\n"
              "  short name:\n"
              "  label:\n"
              "  long name:\n"
              "  units:\n"
              "  points:      3 in record 1\n"
              "  abscissa:    explicit values from 288.5 to 210\n"
              "\n"
              "Header of record 1: no fields\n");
    // The abscissa is the independent vector (the second), the values the chosen column.
    EXPECT_EQ(dump({path, "--csv", "1"}),
              "wavenumber,column1,column2\n288.5,1000,288.5\n252.25,500,252.25\n210,100,210\n");
    EXPECT_EQ(dump({path, "--csv", "1", "--column", "1"}), "wavenumber,column1\n288.5,1000\n252.25,500\n210,100\n");
    const std::string svg = dir.file("profile.svg");
    EXPECT_EQ(dump({path, "--svg", svg, "--column", "1"}), "");
    const std::string plot = testsupport::readFile(svg);
    EXPECT_EQ(plot.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0), 0u);
    EXPECT_TRUE(plot.ends_with("</svg>\n"));
    EXPECT_NE(plot.find("<title>ZEPH1.PLV: column 1</title>"), std::string::npos);
    // One line through the three levels: temperature across, pressure up.
    EXPECT_EQ(plot.find("<polyline"), plot.rfind("<polyline"));
    EXPECT_NE(plot.find("<polyline points=\"770.0,40.0 451.4,235.0 80.0,391.0\"/>"), std::string::npos);
}

}  // namespace
