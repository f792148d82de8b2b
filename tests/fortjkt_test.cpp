// The driver's adapters to RAVLIO: by-reference calls, integer handles and their table,
// the text helpers.
#include "ravlio/fortjkt.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ravlio/fields.h"
#include "support/rgdbuilder.h"
#include "support/tempdir.h"

namespace {

using testsupport::RgdColumn;
using testsupport::RgdSpec;
using testsupport::rgdPatternValue;

static_assert(DAIND == 1 && DADEP == 2);
static_assert(DESHRT == 1 && DLABL == 2 && DELONG == 3 && DEUNIT == 4 && DEPREC == 5 && DECONT == 6);

std::string lastError(int handle) {
    char buffer[128];
    const int size = sizeof buffer;
    slerr_(&handle, buffer, &size);
    return buffer;
}

int openReadable(const std::string& path) {
    int handle = -1;
    const int length = 0;
    sopenr_(path.c_str(), &length, &handle);
    return handle;
}

void closeHandle(int handle) {
    int result = 0;
    sclose_(&handle, &result);
}

// Two columns with descriptions, metadata field missingDataFlag in every record.
RgdSpec twoColumns() {
    RgdSpec spec;
    RgdColumn a;
    a.shortname = "real";
    a.label = "Real";
    a.points = 5;
    RgdColumn b = a;
    b.shortname = "imag";
    b.label = "Imaginary";
    spec.columns = {a, b};
    return spec;
}

class Fortjkt : public ::testing::Test {
protected:
    void SetUp() override { testsupport::installRgdDriver(); }

    // Writes a file of count records with missingDataFlag = record number / 10.
    std::string writeInput(const std::string& name, int count, const RgdSpec& spec = twoColumns()) {
        const std::string path = dir_.file(name);
        std::string error;
        const bool ok = testsupport::writeRgdFile(
            path, spec, count,
            [](int r) {
                return testsupport::RgdMetadata{{FIELD_missingDataFlag}, {static_cast<float>(r) / 10}};
            },
            &error);
        EXPECT_TRUE(ok) << error;
        return path;
    }

    testsupport::TempDir dir_;
};

// ---- Text helpers -------------------------------------------------------------------------------------

TEST(FortjktText, StricpyCopiesAtMostNAndTerminates) {
    char dest[8];
    std::memset(dest, 'x', sizeof dest);
    EXPECT_EQ(stricpy(dest, "abcdefgh", 5), 5);
    EXPECT_STREQ(dest, "abcde");
    EXPECT_EQ(dest[6], 'x');  // nothing beyond n + 1 bytes
}

TEST(FortjktText, StricpyStopsAtNul) {
    char dest[8];
    EXPECT_EQ(stricpy(dest, "ab\0cd", 5), 2);
    EXPECT_STREQ(dest, "ab");
}

TEST(FortjktText, StricpyOfNullSourceOrZeroCountGivesEmptyText) {
    char dest[4] = "zzz";
    EXPECT_EQ(stricpy(dest, nullptr, 3), 0);
    EXPECT_STREQ(dest, "");
    std::strcpy(dest, "zzz");
    EXPECT_EQ(stricpy(dest, "abc", 0), 0);
    EXPECT_STREQ(dest, "");
}

TEST(FortjktText, StricpyWithNegativeCountWritesNothing) {
    char dest[4] = "zzz";
    EXPECT_EQ(stricpy(dest, "abc", -1), 0);
    EXPECT_STREQ(dest, "zzz");
}

TEST(FortjktText, StrwithlenZeroLengthCopiesUpToNul) {
    const ravlio::OwnedText copy = ravlio::ownedStrWithLen("name.rgd", 0);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy.get(), "name.rgd");
}

TEST(FortjktText, StrwithlenTakesGivenLengthOfUnterminatedText) {
    const char fixed[6] = {'a', 'b', 'c', 'd', 'e', 'f'};  // no terminator
    const ravlio::OwnedText copy = ravlio::ownedStrWithLen(fixed, 4);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy.get(), "abcd");
}

TEST(FortjktText, StrwithlenStopsAtNulWithinLength) {
    const ravlio::OwnedText copy = ravlio::ownedStrWithLen("ab\0cdef", 6);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy.get(), "ab");
}

TEST(FortjktText, StrwithlenRefusesNullTextAndNegativeLength) {
    EXPECT_EQ(strwithlen(nullptr, 3), nullptr);
    EXPECT_EQ(strwithlen("abc", -1), nullptr);
}

// ---- Handles ------------------------------------------------------------------------------------------

TEST_F(Fortjkt, OpenGivesNonzeroHandleOfTheOpenFile) {
    const std::string path = writeInput("in.rgd", 3);
    const int h = openReadable(path);
    ASSERT_NE(h, 0);
    ASSERT_NE(FORTJKTfileOf(h), nullptr);
    EXPECT_STREQ(FORTJKTfileOf(h)->filename, path.c_str());
    int count = 0;
    srrcnt_(&h, &count);
    EXPECT_EQ(count, 3);
    closeHandle(h);
}

TEST_F(Fortjkt, UnknownHandleIsRefusedAsNullHandle) {
    const int unknown = 424242;
    EXPECT_EQ(FORTJKTfileOf(unknown), nullptr);
    int count = 0;
    srrcnt_(&unknown, &count);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(lastError(unknown), "ZARFFILE provided is bad");
    float values[4];
    const int size = 4, record = 1;
    int got = 7;
    srdval_(&unknown, &record, values, &size, &got);
    EXPECT_EQ(got, 0);
}

TEST_F(Fortjkt, ClosedHandleBecomesStaleAndIsNeverReissued) {
    const std::string path = writeInput("in.rgd", 2);
    const int first = openReadable(path);
    ASSERT_NE(first, 0);
    int closed = -5;
    sclose_(&first, &closed);
    EXPECT_NE(closed, 0);  // a successful close returns nonzero
    EXPECT_EQ(FORTJKTfileOf(first), nullptr);

    const int second = openReadable(path);
    ASSERT_NE(second, 0);
    EXPECT_NE(second, first);
    int count = 0;
    srrcnt_(&first, &count);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(lastError(first), "ZARFFILE provided is bad");
    srrcnt_(&second, &count);
    EXPECT_EQ(count, 2);
    closeHandle(second);
}

TEST_F(Fortjkt, ClosingUnknownHandleReturnsZeroWithBadHandleText) {
    const int unknown = 99999;
    int result = 7;
    sclose_(&unknown, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(lastError(0), "ZARFFILE provided is bad");
}

// A file written again under its name: the handle's integer reads the new file after a
// reopen, and keeps the old one while the name opens nothing readable.
TEST_F(Fortjkt, ReopenKeepsTheIntegerAndReadsTheFileNowUnderTheName) {
    const std::string path = writeInput("in.rgd", 2);
    const int h = openReadable(path);
    ASSERT_NE(h, 0);
    const auto count = [&h] {
        int n = 0;
        srrcnt_(&h, &n);
        return n;
    };
    std::filesystem::remove(path);
    EXPECT_EQ(FORTJKTreopen(h), 0);  // nothing under the name
    EXPECT_EQ(count(), 2);
    testsupport::writeFile(path, "not a data file");
    EXPECT_EQ(FORTJKTreopen(h), 0);  // nothing readable under it
    EXPECT_EQ(count(), 2);
    std::filesystem::remove(path);
    writeInput("in.rgd", 5);
    EXPECT_EQ(FORTJKTreopen(h), 1);
    EXPECT_EQ(count(), 5);
    EXPECT_STREQ(FORTJKTfileOf(h)->filename, path.c_str());
    for (const int unknown : {0, 424242}) EXPECT_EQ(FORTJKTreopen(unknown), 0);
    closeHandle(h);
}

TEST_F(Fortjkt, ZeroHandleMeansNoFile) {
    const int none = 0;
    int count = 0;
    srrcnt_(&none, &count);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(FORTJKTfileOf(0), nullptr);
}

// ---- Opening by name -----------------------------------------------------------------------------------

TEST_F(Fortjkt, MissingFileGivesZeroAndUnknownFiletype) {
    const int h = openReadable(dir_.file("absent.rgd"));
    EXPECT_EQ(h, 0);
    EXPECT_EQ(lastError(0), "filetype is unknown");
}

TEST_F(Fortjkt, ExplicitLengthTakesOnlyThatManyCharacters) {
    const std::string path = writeInput("in.rgd", 1);
    const std::string padded = path + "XYZ";  // characters beyond the length are not part of the name
    const int length = static_cast<int>(path.size());
    int h = 0;
    sopenr_(padded.c_str(), &length, &h);
    ASSERT_NE(h, 0);
    EXPECT_STREQ(FORTJKTfileOf(h)->filename, path.c_str());
    closeHandle(h);
}

TEST_F(Fortjkt, NegativeLengthOrNullNameIsAnInvalidFilename) {
    const int negative = -1;
    int h = 5;
    sopenr_("x", &negative, &h);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(lastError(0), "invalid filename - null pointer");
    const int zero = 0;
    h = 5;
    sopenr_(nullptr, &zero, &h);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(lastError(0), "invalid filename - null pointer");
}

TEST_F(Fortjkt, LastErrorCopiesAtMostSizeMinusOneCharacters) {
    EXPECT_EQ(openReadable(dir_.file("absent.rgd")), 0);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    const int none = 0, size = 5;
    slerr_(&none, buffer, &size);
    EXPECT_STREQ(buffer, "file");
    EXPECT_EQ(buffer[5], 'x');
}

// ---- Reading ------------------------------------------------------------------------------------------

TEST_F(Fortjkt, ReadingAdaptersDeliverTheRecord) {
    const std::string path = writeInput("in.rgd", 3);
    const int h = openReadable(path);
    ASSERT_NE(h, 0);
    const int record = 2, size = 10;
    int result = 0;
    srrsiz_(&h, &record, &result);
    EXPECT_EQ(result, 5);
    float values[10];
    srdval_(&h, &record, values, &size, &result);
    ASSERT_EQ(result, 5);
    EXPECT_EQ(values[3], rgdPatternValue(2, 0, 3));
    double x[10];
    srivad_(&h, &record, x, &size, &result);
    ASSERT_EQ(result, 5);
    EXPECT_DOUBLE_EQ(x[0], 500.0);
    EXPECT_DOUBLE_EQ(x[4], 1500.0);
    float xf[10];
    srival_(&h, &record, xf, &size, &result);
    ASSERT_EQ(result, 5);
    EXPECT_FLOAT_EQ(xf[1], 750.0f);
    double lo = 0, hi = 0, step = 0;
    sridod_(&h, &record, &lo, &hi, &step, &result);
    EXPECT_NE(result, 0);
    EXPECT_DOUBLE_EQ(step, 250.0);
    float flo = 0, fhi = 0, fstep = 0;
    sridom_(&h, &record, &flo, &fhi, &fstep, &result);
    EXPECT_NE(result, 0);
    EXPECT_FLOAT_EQ(fhi, 1500.0f);
    closeHandle(h);
}

TEST_F(Fortjkt, ColumnSelectionAndDescriptions) {
    const std::string path = writeInput("in.rgd", 1);
    const int h = openReadable(path);
    ASSERT_NE(h, 0);
    int result = 0;
    sqdcnt_(&h, &result);
    EXPECT_EQ(result, 2);
    int ids[4] = {0, 0, 0, 0};
    const int members = 4;
    sqdtyp_(&h, ids, &members, &result);
    ASSERT_EQ(result, 2);
    EXPECT_EQ(ids[0], -1);  // RGD lists its columns by negated identifier
    EXPECT_EQ(ids[1], -2);

    const int axis = DADEP, column = 2, record = 1, size = 5;
    sslctd_(&h, &axis, &column, &result);
    EXPECT_NE(result, 0);
    float values[5];
    srdval_(&h, &record, values, &size, &result);
    ASSERT_EQ(result, 5);
    EXPECT_EQ(values[0], rgdPatternValue(1, 1, 0));

    char text[32];
    const int textsize = sizeof text, type = DLABL;
    srddes_(&h, &column, &type, text, &textsize, &result);
    EXPECT_STREQ(text, "Imaginary");
    closeHandle(h);
}

TEST_F(Fortjkt, MetadataRequestsNotFoundComeBackNegated) {
    const std::string path = writeInput("in.rgd", 3);
    const int h = openReadable(path);
    ASSERT_NE(h, 0);
    const int record = 3, count = 2;
    int requests[2] = {FIELD_missingDataFlag, FIELD_dateYYMMDD};  // missingDataFlag is in the header, dateYYMMDD is not
    float values[2] = {0, 0};
    int found = 0;
    srrmet_(&h, &record, requests, &count, values, &found);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(requests[0], FIELD_missingDataFlag);
    EXPECT_FLOAT_EQ(values[0], 0.3f);
    EXPECT_EQ(requests[1], -FIELD_dateYYMMDD);
    int fields = 0;
    sqmcnt_(&h, &record, &fields);
    EXPECT_EQ(fields, 1);
    char text[64];
    const int textsize = sizeof text, field = FIELD_missingDataFlag, type = DESHRT;
    srmdes_(&h, &record, &field, &type, text, &textsize, &found);
    EXPECT_STREQ(text, "missingDataFlag");
    closeHandle(h);
}

// ---- Writing ------------------------------------------------------------------------------------------

// Version-48 column lists of one column of 5 points, kept alive for the call.
struct OneColumn {
    int ids[1] = {0};
    double minima[1] = {500.0};
    double maxima[1] = {1500.0};
    int indPrec[1] = {6};
    int points[1] = {5};
    int depPrec[1] = {4};
    const char* shortnames[1] = {"atmosphericRadiance"};
    const char* labels[1] = {"Downwelling Radiance"};
    const char* longnames[1] = {"Downwelling atmospheric radiance spectrum"};
    const char* units[1] = {"mW/(m2 sr cm-1)"};
};

int openWritable(const std::string& path, const std::vector<int>& references, int tocVersion = 48) {
    OneColumn c;
    const int filetype = 1, refCount = static_cast<int>(references.size()), subCount = 0, columns = 1;
    int h = 0;
    sopenw_(path.c_str(), &filetype, references.data(), &refCount, "test", "1.0", "history", &tocVersion, nullptr,
            &subCount, &columns, c.ids, c.minima, c.maxima, c.indPrec, c.points, c.depPrec, c.shortnames, c.labels,
            c.longnames, c.units, &h);
    return h;
}

int writeRecord(int h, int record, const std::vector<int>& sources, const std::vector<int>& sourceRecords) {
    const float data[5] = {1, 2, 3, 4, 5};
    int ids[1] = {FIELD_missingDataFlag};
    const float md[1] = {0.0f};
    const int origcount = static_cast<int>(sources.size()), requests = 1, datacount = 5;
    int result = 0;
    swcrec_(&h, &record, sources.data(), sourceRecords.data(), &origcount, ids, &requests, md, data, &datacount,
            &result);
    return result;
}

TEST_F(Fortjkt, WritingAdaptersCreateAndFillAFile) {
    RgdSpec input;
    input.columns[0].points = 5;
    const std::string in = writeInput("in.rgd", 2, input);
    const int src = openReadable(in);
    ASSERT_NE(src, 0);
    const std::string out = dir_.file("out.rgd");
    const int h = openWritable(out, {src});
    ASSERT_NE(h, 0) << lastError(0);
    EXPECT_EQ(writeRecord(h, 1, {src}, {2}), 1);
    closeHandle(h);

    const int r = openReadable(out);
    ASSERT_NE(r, 0);
    int count = 0;
    srrcnt_(&r, &count);
    EXPECT_EQ(count, 1);
    char text[64];
    const int textsize = sizeof text, column = 1, type = DEUNIT;
    int result = 0;
    srddes_(&r, &column, &type, text, &textsize, &result);
    EXPECT_STREQ(text, "mW/(m2 sr cm-1)");
    closeHandle(r);
    closeHandle(src);
}

TEST_F(Fortjkt, TableVersionArgumentIsIgnored) {
    const int h = openWritable(dir_.file("out.rgd"), {}, 36);
    ASSERT_NE(h, 0) << lastError(0);
    const int column = 1, type = DESHRT, textsize = 64;
    char text[64];
    int result = 0;
    srddes_(&h, &column, &type, text, &textsize, &result);
    EXPECT_STREQ(text, "atmosphericRadiance");  // descriptions exist only in version 48
    closeHandle(h);
}

TEST_F(Fortjkt, ExplicitLengthNameForWriting) {
    OneColumn c;
    const std::string path = dir_.file("out.rgd");
    const std::string padded = path + "        ";
    const int length = static_cast<int>(path.size()), filetype = 0, refCount = 0, subCount = 0, columns = 1,
              toc = 48;
    int h = 0;
    sopnw3_(padded.c_str(), &length, &filetype, nullptr, &refCount, "p", "v", "h", &toc, nullptr, &subCount, &columns,
            c.ids, c.minima, c.maxima, c.indPrec, c.points, c.depPrec, c.shortnames, c.labels, c.longnames, c.units,
            &h);
    ASSERT_NE(h, 0) << lastError(0);
    EXPECT_STREQ(FORTJKTfileOf(h)->filename, path.c_str());
    closeHandle(h);
}

TEST_F(Fortjkt, UnknownReferenceRefusesTheOpen) {
    const std::string out = dir_.file("out.rgd");
    EXPECT_EQ(openWritable(out, {31337}), 0);
    EXPECT_EQ(lastError(0), "ZARFFILE provided is bad");
    EXPECT_TRUE(testsupport::readFile(out).empty());
}

TEST_F(Fortjkt, UnknownSourceRefusesTheWrite) {
    const int h = openWritable(dir_.file("out.rgd"), {0});
    ASSERT_NE(h, 0) << lastError(0);
    EXPECT_EQ(writeRecord(h, 1, {31337}, {1}), 0);
    EXPECT_EQ(lastError(h), "ZARFFILE provided is bad");
    int count = -1;
    srrcnt_(&h, &count);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(writeRecord(h, 1, {0}, {1}), 1);  // 0 stands for no file
    closeHandle(h);
}

TEST_F(Fortjkt, WriteThroughUnknownHandleIsNotASuccess) {
    EXPECT_EQ(writeRecord(5555, 1, {}, {}), -1);
    EXPECT_EQ(lastError(0), "ZARFFILE provided is bad");
}

}  // namespace
