// Reading and writing behaviour of the RGD format driver through the library's API.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "driver.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"
#include "formats/rgd/ravlrgd.h"
#include "support/allocations.h"
#include "support/rgdbuilder.h"
#include "support/tempdir.h"

using testsupport::RgdColumn;
using testsupport::RgdMetadata;
using testsupport::RgdSpec;

namespace {

constexpr int kWildcard = 2000000000;
constexpr int kCalibrationSubheader = 97122201;
const std::vector<int> kCalibrationFields = {
    FIELD_calibrationAmbientTemp, FIELD_calibrationCBBtemp,        FIELD_calibrationHBBtemp,  FIELD_calibratedSceneID,
    FIELD_ABBtopTempWeight,       FIELD_ABBapexTempWeight,         FIELD_ABBbottomTempWeight, FIELD_HBBtopTempWeight,
    FIELD_HBBapexTempWeight,      FIELD_HBBbottomTempWeight,       FIELD_ABBtempOffset,       FIELD_HBBtempOffset,
    FIELD_BBcavityFactor,         FIELD_sceneMirPosEncoderMaxDrift};

uint32_t bitsOf(float v) {
    uint32_t b = 0;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

std::string lastError(ZARFFILE* f) {
    const char* e = ZARFlastError(f);
    return e != nullptr ? e : "(null)";
}

RgdSpec twoColumnSpec() {
    RgdSpec spec;
    RgdColumn real{0, 500.0, 1800.0, 6, 6, 4, "rad", "Radiance", "Calibrated radiance", "mW/(m2 sr cm-1)"};
    RgdColumn imag{0, 520.0, 1700.0, 5, 5, 3, "imag", "Imaginary", "Imaginary part", "mW/(m2 sr cm-1)"};
    spec.columns = {real, imag};
    spec.subheaders = {kCalibrationSubheader};
    return spec;
}

// Metadata of record r: the 14 calibration fields and missingDataFlag.
RgdMetadata calibrationMetadata(int r) {
    RgdMetadata md;
    md.ids = kCalibrationFields;
    for (size_t k = 0; k < md.ids.size(); ++k) md.values.push_back(static_cast<float>(r * 10 + static_cast<int>(k)));
    md.ids.push_back(FIELD_missingDataFlag);
    md.values.push_back(0.0f);
    return md;
}

std::string readDataDesc(ZARFFILE* f, int column, int type, int* result = nullptr) {
    char text[128];
    std::memset(text, 'x', sizeof text);
    const int r = ZARFreadDataStringDesc(f, column, type, text, sizeof text);
    if (result != nullptr) *result = r;
    return std::string(text, strnlen(text, sizeof text));
}

class RgdTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::installRgdDriver(); }
    std::string file(const std::string& name) const { return dir.file(name); }

    // A file with only the base subheader (one field, missingDataFlag) and `count` records.
    std::string oneFieldFile(int count) {
        RgdSpec spec;
        const std::string path = file("one.rgd");
        EXPECT_TRUE(testsupport::writeRgdFile(path, spec, count, [](int r) {
            return RgdMetadata{{FIELD_missingDataFlag}, {static_cast<float>(r)}};
        }));
        return path;
    }

    testsupport::TempDir dir;
};

// ---- Round trip ----------------------------------------------------------------------------------

TEST_F(RgdTest, RoundTripOfTwoColumnsKeepsValuesDomainsAndMetadata) {
    const RgdSpec spec = twoColumnSpec();
    const std::string path = file("round.rgd");
    ASSERT_TRUE(testsupport::writeRgdFile(path, spec, 3, calibrationMetadata));
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr) << lastError(nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f), 3);
    EXPECT_EQ(ZARFqueryMaxDataCount(f), 2);
    for (int column = 1; column <= 2; ++column) {
        const RgdColumn& c = spec.columns[static_cast<size_t>(column - 1)];
        ASSERT_EQ(ZARFselectData(f, 2, column), 1);
        EXPECT_EQ(ZARFreadRecordSize(f, 2), c.points);
        std::vector<float> values(20, -1.0f);
        ASSERT_EQ(ZARFreadDepValues(f, 2, values.data(), 20), c.points);
        for (int i = 0; i < c.points; ++i) EXPECT_EQ(values[static_cast<size_t>(i)], testsupport::rgdPatternValue(2, column - 1, i));
        double lo = 0, hi = 0, step = 0;
        ASSERT_EQ(ZARFreadIndDomainDouble(f, 2, &lo, &hi, &step), 1);
        EXPECT_EQ(lo, c.minimum);
        EXPECT_EQ(hi, c.maximum);
        EXPECT_DOUBLE_EQ(step, (c.maximum - c.minimum) / (c.points - 1));
        float flo = 0, fhi = 0, fstep = 0;
        ASSERT_EQ(ZARFreadIndDomain(f, 2, &flo, &fhi, &fstep), 1);
        EXPECT_EQ(flo, static_cast<float>(c.minimum));
        EXPECT_EQ(fstep, static_cast<float>(step));
    }
    RgdMetadata expected = calibrationMetadata(3);
    std::vector<int> ids = expected.ids;
    std::vector<float> got(ids.size());
    ASSERT_EQ(ZARFreadRealMetadata(f, 3, ids.data(), static_cast<int>(ids.size()), got.data()), 15);
    EXPECT_EQ(ids, expected.ids);
    EXPECT_EQ(got, expected.values);
    ZARFcloseFile(f);
}

TEST_F(RgdTest, ColumnDescriptionsComeBackWithExactTexts) {
    ASSERT_TRUE(testsupport::writeRgdFile(file("d.rgd"), twoColumnSpec(), 1));
    ZARFFILE* f = ZARFopenFileReadable(file("d.rgd").c_str());
    ASSERT_NE(f, nullptr);
    int r = 0;
    EXPECT_EQ(readDataDesc(f, 2, 1, &r), "imag");
    EXPECT_EQ(r, 1);
    EXPECT_EQ(readDataDesc(f, 2, 2), "Imaginary");
    EXPECT_EQ(readDataDesc(f, 2, 3), "Imaginary part");
    EXPECT_EQ(readDataDesc(f, 1, 4), "mW/(m2 sr cm-1)");
    EXPECT_EQ(readDataDesc(f, 1, 5), "1E4");
    EXPECT_EQ(readDataDesc(f, 0, 1), "rad");
    EXPECT_EQ(readDataDesc(f, -2, 1), "wnum2");
    EXPECT_EQ(readDataDesc(f, -1, 2), "Wavenumber");
    EXPECT_EQ(readDataDesc(f, -1, 3), "Wave number in reciprocal centimeters");
    EXPECT_EQ(readDataDesc(f, -1, 4), "cm-1");
    EXPECT_EQ(readDataDesc(f, -2, 5), "1E5");
    readDataDesc(f, 1, 7, &r);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(lastError(f), "description type requested is bad or unavailable");
    readDataDesc(f, 3, 1, &r);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(lastError(f), "data requested is unavailable");
    ZARFcloseFile(f);
}

TEST_F(RgdTest, AbsentDescriptorStringGivesZeroWithoutMessage) {
    RgdSpec spec;
    spec.columns[0].shortname = "s";
    ASSERT_TRUE(testsupport::writeRgdFile(file("a.rgd"), spec, 1));
    ZARFFILE* f = ZARFopenFileReadable(file("a.rgd").c_str());
    ASSERT_NE(f, nullptr);
    int r = 1;
    EXPECT_EQ(readDataDesc(f, 1, 2, &r), "");
    EXPECT_EQ(r, 0);
    EXPECT_EQ(lastError(f), "- Mystery Error : go smack Tam around -");
    ZARFcloseFile(f);
}

TEST_F(RgdTest, QueryDataTypesReportsNegatedIdentifiers) {
    ASSERT_TRUE(testsupport::writeRgdFile(file("t.rgd"), twoColumnSpec(), 1));
    ZARFFILE* f = ZARFopenFileReadable(file("t.rgd").c_str());
    ASSERT_NE(f, nullptr);
    int types[4] = {9, 9, 9, 9};
    EXPECT_EQ(ZARFqueryDataTypes(f, types, 4), 2);
    EXPECT_EQ(types[0], -1);
    EXPECT_EQ(types[1], -2);
    EXPECT_EQ(types[2], 9);
    EXPECT_EQ(ZARFqueryDataTypes(f, types, 1), 1);
    ZARFcloseFile(f);
}

TEST_F(RgdTest, SelectionByNegatedIdentifierResolvesTheColumn) {
    RgdSpec spec = twoColumnSpec();
    spec.columns[0].identifier = 101;
    spec.columns[1].identifier = 202;
    ASSERT_TRUE(testsupport::writeRgdFile(file("s.rgd"), spec, 1));
    ZARFFILE* f = ZARFopenFileReadable(file("s.rgd").c_str());
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ZARFselectData(f, 2, -202), 1);
    EXPECT_EQ(ZARFreadRecordSize(f, 1), 5);
    EXPECT_EQ(ZARFselectData(f, 2, 202), 0);
    EXPECT_EQ(lastError(f), "data requested is unavailable");
    EXPECT_EQ(ZARFselectData(f, 2, -7), 0);
    EXPECT_EQ(ZARFselectData(f, 3, 1), 0);
    EXPECT_EQ(lastError(f), "requested axis cannot be changed");
    EXPECT_EQ(ZARFreadRecordSize(f, 1), 5) << "a failed selection keeps the current column";
    ZARFcloseFile(f);
}

TEST_F(RgdTest, Toc44IdentifiersOfZeroBecomePositions) {
    int ids[] = {0, 0};
    double lo[] = {1.0, 2.0}, hi[] = {3.0, 4.0};
    int ip[] = {6, 6}, pts[] = {4, 4}, dp[] = {4, 4};
    ZARFFILE* w = ZARFopenFileWritable(file("t44.rgd").c_str(), 0, nullptr, 0, "p", "v", "h", 44, nullptr, 0, 2, ids,
                                       lo, hi, ip, pts, dp);
    ASSERT_NE(w, nullptr) << lastError(nullptr);
    int types[2] = {};
    EXPECT_EQ(ZARFqueryDataTypes(w, types, 2), 2);
    EXPECT_EQ(types[0], -1);
    EXPECT_EQ(types[1], -2);
    ZARFcloseFile(w);
}

TEST_F(RgdTest, Toc36MakesOneColumnWithIdentifierZero) {
    ZARFFILE* w = ZARFopenFileWritable(file("t36.rgd").c_str(), 0, nullptr, 0, "p", "v", "h", 36, nullptr, 0, 100.0,
                                       200.0, 6, 11, 4);
    ASSERT_NE(w, nullptr) << lastError(nullptr);
    std::vector<float> data(11, 2.5f);
    ASSERT_EQ(ZARFwriteCompleteRecord(w, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, data.data(), 11), 1);
    ZARFcloseFile(w);
    ZARFFILE* f = ZARFopenFileReadable(file("t36.rgd").c_str());
    ASSERT_NE(f, nullptr);
    int types[1] = {5};
    EXPECT_EQ(ZARFqueryDataTypes(f, types, 1), 1);
    EXPECT_EQ(types[0], 0);
    double lo = 0, hi = 0, step = 0;
    ASSERT_EQ(ZARFreadIndDomainDouble(f, 1, &lo, &hi, &step), 1);
    EXPECT_DOUBLE_EQ(step, 10.0);
    ZARFcloseFile(f);
}

TEST_F(RgdTest, InvalidTableOfContentsParametersAreRefused) {
    const std::string text = "bad table of contents in RGD file - may be newer version file than this loader can handle";
    EXPECT_EQ(ZARFopenFileWritable(file("x.rgd").c_str(), 0, nullptr, 0, "p", "v", "h", 40, nullptr, 0), nullptr);
    EXPECT_EQ(lastError(nullptr), text);
    int none[1] = {0};
    double d[1] = {0.0};
    EXPECT_EQ(ZARFopenFileWritable(file("x.rgd").c_str(), 0, nullptr, 0, "p", "v", "h", 44, nullptr, 0, 0, none, d, d,
                                   none, none, none),
              nullptr);
    EXPECT_EQ(lastError(nullptr), text);
    EXPECT_FALSE(std::filesystem::exists(file("x.rgd")));
}

TEST_F(RgdTest, UnknownSubheaderIsRefusedBeforeTheFileIsCreated) {
    RgdSpec spec;
    spec.subheaders = {12345678};
    EXPECT_EQ(testsupport::openRgdWriter(file("u.rgd"), spec), nullptr);
    EXPECT_EQ(lastError(nullptr), "bad header anatomy in RGD file - look for newer RAVLIO?");
    EXPECT_FALSE(std::filesystem::exists(file("u.rgd")));
}

// ---- Reading -----------------------------------------------------------------------------------

TEST_F(RgdTest, TwoWildcardsOnAOneFieldHeaderGiveTheFieldThenNegatedWildcard) {
    ZARFFILE* f = ZARFopenFileReadable(oneFieldFile(2).c_str());
    ASSERT_NE(f, nullptr);
    int req[2] = {kWildcard, kWildcard};
    float val[2] = {0, 0};
    EXPECT_EQ(ZARFreadRealMetadata(f, 2, req, 2, val), 1);
    EXPECT_EQ(req[0], FIELD_missingDataFlag);
    EXPECT_EQ(req[1], -kWildcard);
    EXPECT_EQ(val[0], 2.0f);
    ZARFcloseFile(f);
}

TEST_F(RgdTest, AbsentIdentifierTurnsNegativeAndStaysNegative) {
    ZARFFILE* f = ZARFopenFileReadable(oneFieldFile(1).c_str());
    ASSERT_NE(f, nullptr);
    int req[2] = {FIELD_HBBapexTemp, FIELD_missingDataFlag};
    float val[2] = {};
    EXPECT_EQ(ZARFreadRealMetadata(f, 1, req, 2, val), 1);
    EXPECT_EQ(req[0], -FIELD_HBBapexTemp);
    EXPECT_EQ(ZARFreadRealMetadata(f, 1, req, 2, val), 1);
    EXPECT_EQ(req[0], -FIELD_HBBapexTemp);
    EXPECT_EQ(req[1], FIELD_missingDataFlag);
    ZARFcloseFile(f);
}

TEST_F(RgdTest, RecordZeroEnumeratesTheHeaderFields) {
    ZARFFILE* f = ZARFopenFileReadable(oneFieldFile(1).c_str());
    ASSERT_NE(f, nullptr);
    int req[3] = {1, 2, 3};
    EXPECT_EQ(ZARFreadRealMetadata(f, 0, req, 3, nullptr), 1);
    EXPECT_EQ(req[0], FIELD_missingDataFlag);
    EXPECT_EQ(req[1], kWildcard);
    EXPECT_EQ(req[2], kWildcard);
    EXPECT_EQ(ZARFqueryMaxMetadataCount(f, 0), 1);
    EXPECT_EQ(ZARFqueryMaxMetadataCount(f, 2), 0);
    EXPECT_EQ(lastError(f), "record requested is unavailable");
    ZARFcloseFile(f);
}

TEST_F(RgdTest, MetadataOfARecordOutOfRangeIsUnavailable) {
    ZARFFILE* f = ZARFopenFileReadable(oneFieldFile(1).c_str());
    ASSERT_NE(f, nullptr);
    int req[1] = {FIELD_missingDataFlag};
    float val[1] = {};
    EXPECT_EQ(ZARFreadRealMetadata(f, 2, req, 1, val), -1);
    EXPECT_EQ(lastError(f), "record requested is unavailable");
    EXPECT_EQ(ZARFreadRealMetadata(f, -1, req, 1, val), -1);
    ZARFcloseFile(f);
}

TEST_F(RgdTest, FieldDescriptionsComeFromTheDictionary) {
    ZARFFILE* f = ZARFopenFileReadable(oneFieldFile(1).c_str());
    ASSERT_NE(f, nullptr);
    char text[100];
    EXPECT_EQ(ZARFreadMetadataStringDesc(f, 1, FIELD_missingDataFlag, 2, text, sizeof text), 1);
    EXPECT_STREQ(text, "Missing Data Flag");
    EXPECT_EQ(ZARFreadMetadataStringDesc(f, 1, FIELD_missingDataFlag, 5, text, sizeof text), 1);
    EXPECT_STREQ(text, "1E0");
    // A dictionary field this file lacks: described, but the result says it is not here.
    EXPECT_EQ(ZARFreadMetadataStringDesc(f, 1, FIELD_HBBapexTemp, 2, text, sizeof text), 0);
    EXPECT_STREQ(text, "HBB Apex Temperature");
    EXPECT_EQ(lastError(f), "field provided is bad or unavailable");
    f->lastError = ZARFcatchAllError;
    EXPECT_EQ(ZARFreadMetadataStringDesc(f, 1, 32768, 1, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(lastError(f), "field provided is bad or unavailable") << "a field no dictionary row describes";
    EXPECT_EQ(ZARFreadMetadataStringDesc(f, 1, FIELD_missingDataFlag, 6, text, sizeof text), 0);
    EXPECT_EQ(lastError(f), "description type requested is bad or unavailable");
    ZARFcloseFile(f);
}

TEST_F(RgdTest, DescriptionThatFillsTheBufferIsNotTerminated) {
    ZARFFILE* f = ZARFopenFileReadable(oneFieldFile(1).c_str());
    ASSERT_NE(f, nullptr);
    char text[6] = {'#', '#', '#', '#', '#', '#'};
    EXPECT_EQ(ZARFreadMetadataStringDesc(f, 1, FIELD_missingDataFlag, 1, text, 4), 1);
    EXPECT_EQ(std::string(text, 6), "miss##");
    ZARFcloseFile(f);
}

TEST_F(RgdTest, DepValuesReadAtMostTheColumnOrTheArray) {
    RgdSpec spec;
    const std::string path = file("v.rgd");
    ASSERT_TRUE(testsupport::writeRgdFile(path, spec, 1));
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr);
    std::vector<float> values(20, -7.0f);
    EXPECT_EQ(ZARFreadDepValues(f, 1, values.data(), 20), 8);
    EXPECT_EQ(values[8], -7.0f);
    EXPECT_EQ(ZARFreadDepValues(f, 1, values.data(), 3), 3);
    EXPECT_EQ(ZARFreadDepValues(f, 2, values.data(), 3), 0);
    EXPECT_EQ(lastError(f), "record requested is unavailable");
    ZARFcloseFile(f);
}

TEST_F(RgdTest, OnePointColumnHasNoFiniteInterval) {
    RgdSpec spec;
    spec.columns[0].points = 1;
    ASSERT_TRUE(testsupport::writeRgdFile(file("p.rgd"), spec, 1));
    ZARFFILE* f = ZARFopenFileReadable(file("p.rgd").c_str());
    ASSERT_NE(f, nullptr);
    double lo = 0, hi = 0, step = 0;
    ASSERT_EQ(ZARFreadIndDomainDouble(f, 1, &lo, &hi, &step), 1);
    EXPECT_FALSE(std::isfinite(step));
    ZARFcloseFile(f);
}

// A one-column file of one record whose first table-of-contents entry is changed in place by
// `edit` (given the file bytes and the entry's offset), as another writer could have made it.
std::string editedFirstEntry(const std::string& path, const std::function<void(std::string&, size_t)>& edit) {
    EXPECT_TRUE(testsupport::writeRgdFile(path, RgdSpec{}, 1));
    std::string bytes = testsupport::readFile(path);
    edit(bytes, static_cast<size_t>(testsupport::locateRgdSections(bytes).tocOffset + 4));
    testsupport::writeFile(path, bytes);
    return path;
}

void putDouble(std::string& bytes, size_t offset, double v) {
    uint64_t u = 0;
    std::memcpy(&u, &v, sizeof u);
    for (size_t k = 0; k < 8; ++k) bytes[offset + k] = static_cast<char>((u >> (8 * k)) & 0xFF);
}

TEST_F(RgdTest, ScaledColumnIsDividedByItsPowerOfTen) {
    const std::string path = editedFirstEntry(file("scaled.rgd"), [](std::string& b, size_t entry) {
        testsupport::putLe32(b, static_cast<int64_t>(entry) + 8, 2);
    });
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr) << lastError(nullptr);
    std::vector<float> got(8);
    ASSERT_EQ(ZARFreadDepValues(f, 1, got.data(), 8), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(got[static_cast<size_t>(i)],
                  static_cast<float>(static_cast<double>(testsupport::rgdPatternValue(1, 0, i)) / 100.0));
    ZARFcloseFile(f);
}

TEST_F(RgdTest, ScalingBeyondTheFloatRangeGivesInfinity) {
    const std::string path = editedFirstEntry(file("huge.rgd"), [](std::string& b, size_t entry) {
        testsupport::putLe32(b, static_cast<int64_t>(entry) + 8, -60);
    });
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr) << lastError(nullptr);
    std::vector<float> got(8);
    ASSERT_EQ(ZARFreadDepValues(f, 1, got.data(), 8), 8);
    for (float v : got) EXPECT_EQ(v, std::numeric_limits<float>::infinity());
    ZARFcloseFile(f);
}

TEST_F(RgdTest, DomainBeyondTheFloatRangeReadsAsInfinitiesInSinglePrecision) {
    // 8 points from 3.0e38 to 3.6e38: the maximum, and the abscissa from point 5 on, lie
    // beyond the largest 32-bit real.
    const std::string path = editedFirstEntry(file("wide.rgd"), [](std::string& b, size_t entry) {
        putDouble(b, entry + 16, 3.0e38);
        putDouble(b, entry + 24, 3.6e38);
    });
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr) << lastError(nullptr);
    float lo = 0, hi = 0, step = 0;
    ASSERT_EQ(ZARFreadIndDomain(f, 1, &lo, &hi, &step), 1);
    EXPECT_EQ(lo, 3.0e38f);
    EXPECT_EQ(hi, std::numeric_limits<float>::infinity());
    EXPECT_EQ(step, static_cast<float>(0.6e38 / 7));
    std::vector<float> x(8);
    ASSERT_EQ(ZARFreadIndValues(f, 1, x.data(), 8), 8);
    EXPECT_TRUE(std::isfinite(x[4]));
    for (size_t i = 5; i < 8; ++i) EXPECT_EQ(x[i], std::numeric_limits<float>::infinity()) << "point " << i;
    double dlo = 0, dhi = 0, dstep = 0;
    ASSERT_EQ(ZARFreadIndDomainDouble(f, 1, &dlo, &dhi, &dstep), 1);
    EXPECT_EQ(dhi, 3.6e38) << "the double domain is exact";
    ZARFcloseFile(f);
}

TEST_F(RgdTest, VersionComponentsComeFromTheHistory) {
    ZARFFILE* f = ZARFopenFileReadable(oneFieldFile(1).c_str());
    ASSERT_NE(f, nullptr);
    const char* v3 = ZARFqueryVersion(3, f);
    ASSERT_NE(v3, nullptr);
    EXPECT_STREQ(v3, "$State: Exp $");
    const char* v2 = ZARFqueryVersion(2, f);
    ASSERT_NE(v2, nullptr);
    EXPECT_EQ(std::string(v2), std::string(RAVLIO_Version) + "\r\n");
    EXPECT_EQ(ZARFqueryVersion(4, f), nullptr);
    ZARFcloseFile(f);
}

TEST_F(RgdTest, RecordCountIgnoresAPartlyWrittenRecord) {
    RgdSpec spec;
    const std::string path = file("half.rgd");
    ASSERT_TRUE(testsupport::writeRgdFile(path, spec, 2));
    std::string bytes = testsupport::readFile(path);
    const auto s = testsupport::locateRgdSections(bytes);
    const int64_t stride = s.headerSize + s.dataAreaSize;
    ASSERT_EQ(static_cast<int64_t>(bytes.size()), s.baseOffset + 2 * stride);
    bytes.append(static_cast<size_t>(stride / 2), '\0');
    testsupport::writeFile(path, bytes);
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f), 2);
    std::vector<float> v(8);
    EXPECT_EQ(ZARFreadDepValues(f, 3, v.data(), 8), 0);
    // The record begun has the negative size of a record not yet complete; beyond it none.
    const int points = ZARFreadRecordSize(f, 1);
    EXPECT_GT(points, 0);
    EXPECT_EQ(ZARFreadRecordSize(f, 3), -points);
    EXPECT_EQ(ZARFreadRecordSize(f, 4), 0);
    ZARFcloseFile(f);
}

TEST_F(RgdTest, ReaderSeesRecordsAppendedThroughAnotherHandle) {
    RgdSpec spec;
    const std::string path = file("live.rgd");
    ZARFFILE* w = testsupport::openRgdWriter(path, spec);
    ASSERT_NE(w, nullptr);
    std::vector<float> data = testsupport::rgdPatternRecord(spec, 1);
    ASSERT_EQ(ZARFwriteCompleteRecord(w, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, data.data(), 8), 1);
    ZARFFILE* r = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(r), 1);
    data = testsupport::rgdPatternRecord(spec, 2);
    ASSERT_EQ(ZARFwriteCompleteRecord(w, 2, nullptr, nullptr, 0, nullptr, 0, nullptr, data.data(), 8), 1);
    EXPECT_EQ(ZARFreadRecordCount(r), 2);
    std::vector<float> got(8);
    ASSERT_EQ(ZARFreadDepValues(r, 2, got.data(), 8), 8);
    EXPECT_EQ(got, data);
    ZARFcloseFile(r);
    ZARFcloseFile(w);
}

TEST_F(RgdTest, MetadataReadAfterARewriteThroughAnotherHandleIsCurrent) {
    RgdSpec spec;
    const std::string path = file("rew.rgd");
    ZARFFILE* w = testsupport::openRgdWriter(path, spec);
    ASSERT_NE(w, nullptr);
    int id[1] = {FIELD_missingDataFlag};
    float one[1] = {1.0f}, two[1] = {2.0f};
    ASSERT_EQ(ZARFwriteCompleteRecord(w, 1, nullptr, nullptr, 0, id, 1, one, nullptr, 0), 1);
    ZARFFILE* r = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(r, nullptr);
    float got[1] = {};
    int req[1] = {FIELD_missingDataFlag};
    ASSERT_EQ(ZARFreadRealMetadata(r, 1, req, 1, got), 1);
    EXPECT_EQ(got[0], 1.0f);
    ASSERT_EQ(ZARFwriteCompleteRecord(w, 1, nullptr, nullptr, 0, id, 1, two, nullptr, 0), 1);
    ASSERT_EQ(ZARFreadRealMetadata(r, 1, req, 1, got), 1);
    EXPECT_EQ(got[0], 2.0f);
    ZARFcloseFile(r);
    ZARFcloseFile(w);
}

TEST_F(RgdTest, SameFieldInTwoSubheadersKeepsBothSlotsAndResolvesToTheLater) {
    RgdSpec spec;
    // calibrationAmbientTemp to calibrationHBBemissivity, then those and calibratedSceneID
    spec.subheaders = {94020301, 95020302};
    const std::string path = file("dup.rgd");
    ASSERT_TRUE(testsupport::writeRgdFile(path, spec, 1, [](int) {
        return RgdMetadata{{FIELD_calibrationAmbientTemp}, {5.0f}};
    }));
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFqueryMaxMetadataCount(f, 1), 12);
    int req[7] = {kWildcard, kWildcard, kWildcard, kWildcard, kWildcard, kWildcard, FIELD_calibrationAmbientTemp};
    float val[7] = {};
    ASSERT_EQ(ZARFreadRealMetadata(f, 1, req, 7, val), 7);
    EXPECT_EQ(req[0], FIELD_calibrationAmbientTemp);
    EXPECT_EQ(bitsOf(val[0]), 0x7FC00000u) << "the earlier slot got no value";
    EXPECT_EQ(req[5], FIELD_calibrationAmbientTemp);
    EXPECT_EQ(val[6], 5.0f);
    ZARFcloseFile(f);
}

// ---- Recognition -----------------------------------------------------------------------------------

TEST_F(RgdTest, FileWithoutLeadingDigitsIsRecognisedThroughTheHistoryScan) {
    const std::string path = oneFieldFile(1);
    std::string bytes = testsupport::readFile(path);
    size_t n = 0;
    while (bytes[n] >= '0' && bytes[n] <= '9') bytes[n++] = ' ';
    ASSERT_GT(n, 0u);
    testsupport::writeFile(path, bytes);
    EXPECT_NE(RGDisFileReadable(path.c_str()), 0);
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f), 1);
    ZARFcloseFile(f);
}

TEST_F(RgdTest, LeadingDigitsPointingElsewhereAreRejectedWithoutAScan) {
    const std::string path = oneFieldFile(1);
    std::string bytes = testsupport::readFile(path);
    const auto s = testsupport::locateRgdSections(bytes);
    const std::string wrong = std::to_string(s.magicOffset + 1);
    bytes.replace(0, wrong.size(), wrong);
    testsupport::writeFile(path, bytes);
    EXPECT_EQ(RGDisFileReadable(path.c_str()), 0);
}

TEST_F(RgdTest, AtPrefixNameIsRecognised) {
    const std::string path = oneFieldFile(1);
    EXPECT_NE(RGDisFileReadable(("@" + path).c_str()), 0);
}

// ---- Writing ----------------------------------------------------------------------------------------

class RgdWriterTest : public RgdTest {
protected:
    int write(ZARFFILE* w, int record) {
        std::vector<float> data = testsupport::rgdPatternRecord(spec, std::abs(record));
        return ZARFwriteCompleteRecord(w, record, nullptr, nullptr, 0, nullptr, 0, nullptr, data.data(),
                                       static_cast<int>(data.size()));
    }
    RgdSpec spec;
};

TEST_F(RgdWriterTest, RefusesRecordBeyondEndAndReplacesExistingOnes) {
    ZARFFILE* w = testsupport::openRgdWriter(file("w.rgd"), spec);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(write(w, 1), 1);
    EXPECT_EQ(write(w, 3), 0);
    EXPECT_EQ(lastError(w), "intermediate record(s) missing - records may not be written beyond the end of the file");
    EXPECT_EQ(ZARFreadRecordCount(w), 1);
    EXPECT_EQ(write(w, 2), 1);
    EXPECT_EQ(write(w, 1), 1);
    EXPECT_EQ(ZARFreadRecordCount(w), 2);
    EXPECT_EQ(write(w, 0), 0);
    EXPECT_EQ(lastError(w), "record requested is unavailable");
    ZARFcloseFile(w);
}

TEST_F(RgdWriterTest, NegativeRecordNumberWritesItsMagnitude) {
    ZARFFILE* w = testsupport::openRgdWriter(file("n.rgd"), spec);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(write(w, 1), 1);
    ASSERT_EQ(write(w, -2), 1);
    EXPECT_EQ(ZARFreadRecordCount(w), 2);
    std::vector<float> got(8);
    ASSERT_EQ(ZARFreadDepValues(w, 2, got.data(), 8), 8);
    EXPECT_EQ(got, testsupport::rgdPatternRecord(spec, 2));
    ZARFcloseFile(w);
}

TEST_F(RgdWriterTest, DataCountZeroGivesAllNaNAndHalfTheAreaIsRefused) {
    ZARFFILE* w = testsupport::openRgdWriter(file("z.rgd"), spec);
    ASSERT_NE(w, nullptr);
    std::vector<float> data(8, 1.0f);
    EXPECT_EQ(ZARFwriteCompleteRecord(w, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, data.data(), 4), 0);
    EXPECT_EQ(lastError(w), "improper number of data were provided in the outgoing array");
    EXPECT_EQ(ZARFwriteCompleteRecord(w, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr, 8), 0);
    EXPECT_EQ(ZARFreadRecordCount(w), 0) << "a refused record writes nothing";
    ASSERT_EQ(ZARFwriteCompleteRecord(w, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr, 0), 1);
    std::vector<float> got(8);
    ASSERT_EQ(ZARFreadDepValues(w, 1, got.data(), 8), 8);
    for (float v : got) EXPECT_EQ(bitsOf(v), 0x7FC00000u);
    int req[1] = {FIELD_missingDataFlag};
    float flag[1] = {};
    ASSERT_EQ(ZARFreadRealMetadata(w, 1, req, 1, flag), 1);
    EXPECT_EQ(bitsOf(flag[0]), 0x7FC00000u) << "a field without a value reads back as NaN";
    ZARFcloseFile(w);
}

// Found by fuzzing: a missing record was built whole in memory, so a file of 2 GiB records
// took 2 GiB for each. The NaN fill is now written from a block of at most 1 MiB.
TEST_F(RgdWriterTest, MissingRecordOfALargeDataAreaIsWrittenWithoutHoldingIt) {
    constexpr int points = 6 * 1024 * 1024;  // a 24 MiB data area
    spec.columns[0].points = points;
    ZARFFILE* w = testsupport::openRgdWriter(file("large.rgd"), spec);
    ASSERT_NE(w, nullptr);
    const std::size_t before = testsupport::largestAllocation();
    ASSERT_EQ(ZARFwriteCompleteRecord(w, 1, nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr, 0), 1);
    ASSERT_EQ(ZARFwriteCompleteRecord(w, 2, nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr, 0), 1);
    EXPECT_LE(testsupport::largestAllocation(), std::max<std::size_t>(before, 2 << 20));
    EXPECT_EQ(ZARFreadRecordCount(w), 2);
    std::vector<float> got(points);
    ASSERT_EQ(ZARFreadDepValues(w, 2, got.data(), points), points);
    for (const std::size_t i : {std::size_t{0}, std::size_t{262143}, std::size_t{262144}, got.size() - 1})
        EXPECT_EQ(bitsOf(got[i]), 0x7FC00000u) << i;
    ZARFcloseFile(w);
}

TEST_F(RgdWriterTest, ReopenWithTheSameShapeKeepsTheRecords) {
    const std::string path = file("re.rgd");
    ASSERT_TRUE(testsupport::writeRgdFile(path, spec, 2));
    const std::string before = testsupport::readFile(path);
    RgdSpec again = spec;
    again.program = "other";
    again.columns[0].label = "ignored on reopen";
    ZARFFILE* w = testsupport::openRgdWriter(path, again);
    ASSERT_NE(w, nullptr) << lastError(nullptr);
    EXPECT_EQ(ZARFreadRecordCount(w), 2);
    EXPECT_EQ(testsupport::readFile(path), before);
    ASSERT_EQ(write(w, 3), 1);
    ZARFcloseFile(w);
}

TEST_F(RgdWriterTest, ReopenWithAnotherShapeFails) {
    const std::string path = file("shape.rgd");
    ASSERT_TRUE(testsupport::writeRgdFile(path, spec, 1));
    const std::string text = "parameters for reopen do not match file anatomy";
    RgdSpec otherSubheaders = spec;
    otherSubheaders.subheaders = {kCalibrationSubheader};
    EXPECT_EQ(testsupport::openRgdWriter(path, otherSubheaders), nullptr);
    EXPECT_EQ(lastError(nullptr), text);
    RgdSpec otherColumns = spec;
    RgdColumn half;
    half.points = 4;
    otherColumns.columns = {half, half};
    EXPECT_EQ(testsupport::openRgdWriter(path, otherColumns), nullptr);
    EXPECT_EQ(lastError(nullptr), text);
    RgdSpec otherSize = spec;
    otherSize.columns[0].points = 9;
    EXPECT_EQ(testsupport::openRgdWriter(path, otherSize), nullptr);
    EXPECT_EQ(lastError(nullptr), text);
}

TEST_F(RgdWriterTest, ReopenOfAFileThatIsNotRgdFailsWithoutTouchingIt) {
    const std::string path = file("text.rgd");
    testsupport::writeFile(path, "just some text\n");
    EXPECT_EQ(testsupport::openRgdWriter(path, spec), nullptr);
    EXPECT_EQ(lastError(nullptr), "bad magic number in RGD file");
    EXPECT_EQ(testsupport::readFile(path), "just some text\n");
}

// A creation cut short (here by a file-size limit in a child process, as a full disk or a
// process killed during it would) leaves nothing under the name, so that the next open
// creates the file instead of failing on a half-written preamble for ever.
TEST_F(RgdWriterTest, CreationCutShortLeavesNoFileBehind) {
    const std::string path = file("cut.rgd");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(testsupport::openRgdWriter(path, spec) == nullptr ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a preamble does not fit in 64 bytes: the open must fail";
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "neither the file nor a temporary one is left";

    ZARFFILE* w = testsupport::openRgdWriter(path, spec);
    ASSERT_NE(w, nullptr) << lastError(nullptr);
    EXPECT_EQ(write(w, 1), 1);
    ZARFcloseFile(w);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(RgdWriterTest, HistoryBlockCarriesMagicOffsetLinesAndParentHistory) {
    const std::string parentPath = file("parent.rgd");
    RgdSpec parentSpec;
    parentSpec.history = "parent addition";
    ASSERT_TRUE(testsupport::writeRgdFile(parentPath, parentSpec, 1));
    ZARFFILE* parent = ZARFopenFileReadable(parentPath.c_str());
    ASSERT_NE(parent, nullptr);
    const std::string childPath = file("child.rgd");
    RgdSpec childSpec;
    childSpec.references = {parent};
    childSpec.program = "PROG";
    childSpec.version = "V1";
    childSpec.history = "child addition";
    ZARFFILE* child = testsupport::openRgdWriter(childPath, childSpec);
    ASSERT_NE(child, nullptr);
    ZARFcloseFile(child);
    ZARFcloseFile(parent);

    const std::string bytes = testsupport::readFile(childPath);
    const std::string parentBytes = testsupport::readFile(parentPath);
    const auto s = testsupport::locateRgdSections(bytes);
    const std::string digits = std::to_string(s.magicOffset);
    EXPECT_EQ(bytes.substr(0, 81), digits + std::string(79 - digits.size(), ' ') + "\r\n");
    EXPECT_EQ(bytes.substr(81, 81), std::string(79, ' ') + "\r\n");
    EXPECT_EQ(bytes.substr(s.magicOffset - 3, 15), std::string("\0\x1A\x04ZARFRGD\0\x04\x03\x02\x01", 15));
    const std::string history = bytes.substr(0, static_cast<size_t>(s.magicOffset - 3));
    EXPECT_NE(history.find("\r\n##### begin File " + childPath + " created by PROG (V1)\r\n# time of creation "),
              std::string::npos);
    const size_t time = history.find("# time of creation ");
    EXPECT_EQ(history.substr(time + 19 + 24, 4), "\n\r\nc");
    EXPECT_NE(history.find("\nchild addition\r\n# RAVLIO Version : " + std::string(RAVLIO_Version) + "\r\n"),
              std::string::npos);
    EXPECT_NE(history.find(std::string("# RGD data object version : ") + RGDdictionaryRevision + "\r\n"),
              std::string::npos);
    const std::string parentHistory = parentBytes.substr(0, parentBytes.find('\0'));
    EXPECT_NE(history.find("## begin History of parent 1/1 of " + childPath + "\r\n" + parentHistory +
                           "## end History of parent 1 of " + childPath + "\r\n"),
              std::string::npos);
}

// Little-endian bytes of a value, for files laid out by hand.
std::string le32(int32_t v) {
    std::string b(4, '\0');
    testsupport::putLe32(b, 0, v);
    return b;
}
std::string leFloat(float v) {
    int32_t i = 0;
    std::memcpy(&i, &v, sizeof i);
    return le32(i);
}
std::string leDouble(double v) {
    uint64_t u = 0;
    std::memcpy(&u, &v, sizeof u);
    std::string b(8, '\0');
    for (int k = 0; k < 8; ++k) b[static_cast<size_t>(k)] = static_cast<char>((u >> (8 * k)) & 0xFF);
    return b;
}
std::string lengthPrefixed(const std::string& text) { return le32(static_cast<int32_t>(text.size())) + text; }

// Everything after the magic word, byte for byte: the table of contents (entry size, each
// 48-byte entry field at its offset, the four length-prefixed strings), the anatomy list
// (requested subheader, then the base one), and records of header then data area, the
// fields and values without a value holding 00 00 C0 7F.
TEST_F(RgdWriterTest, PreambleAndRecordsHaveTheirByteLayout) {
    const RgdSpec twoColumns = twoColumnSpec();
    const std::string path = file("layout.rgd");
    ZARFFILE* w = testsupport::openRgdWriter(path, twoColumns);
    ASSERT_NE(w, nullptr) << lastError(nullptr);
    RgdMetadata md = calibrationMetadata(1);
    std::vector<float> data = testsupport::rgdPatternRecord(twoColumns, 1);
    ASSERT_EQ(ZARFwriteCompleteRecord(w, 1, nullptr, nullptr, 0, md.ids.data(), static_cast<int>(md.ids.size()),
                                      md.values.data(), data.data(), static_cast<int>(data.size())),
              1);
    ASSERT_EQ(ZARFwriteCompleteRecord(w, 2, nullptr, nullptr, 0, nullptr, 0, nullptr, nullptr, 0), 1);
    ZARFcloseFile(w);

    std::string expected = le32(48);
    const int32_t continuation[2] = {1, 0};
    for (size_t c = 0; c < 2; ++c) {
        const RgdColumn& col = twoColumns.columns[c];
        expected += le32(4 * col.points) + le32(0) + le32(0) + le32(col.dependentPrecision) +
                    leDouble(col.minimum) + leDouble(col.maximum) + le32(col.independentPrecision) +
                    le32(static_cast<int32_t>(c + 1)) + le32(continuation[c]) + le32(4);
        expected += lengthPrefixed(col.shortname) + lengthPrefixed(col.label) + lengthPrefixed(col.longname) +
                    lengthPrefixed(col.units);
    }
    expected += le32(2) + le32(kCalibrationSubheader) + le32(94020101);
    for (float v : md.values) expected += leFloat(v);  // the 14 calibration fields, then missingDataFlag
    for (float v : data) expected += leFloat(v);
    for (int k = 0; k < 15 + 11; ++k) expected += std::string("\x00\x00\xC0\x7F", 4);

    const std::string bytes = testsupport::readFile(path);
    const int64_t magic = std::stoll(bytes);
    ASSERT_EQ(bytes.substr(static_cast<size_t>(magic), 12), std::string("ZARFRGD\0\x04\x03\x02\x01", 12));
    EXPECT_EQ(bytes.substr(static_cast<size_t>(magic + 12)), expected);
}

TEST_F(RgdWriterTest, OneRgdReferenceFillsTheStartOfTheHeaderAndIsProtected) {
    const std::string refPath = file("ref.rgd");
    RgdSpec refSpec;
    refSpec.subheaders = {kCalibrationSubheader};
    ASSERT_TRUE(testsupport::writeRgdFile(refPath, refSpec, 2, calibrationMetadata));
    ZARFFILE* ref = ZARFopenFileReadable(refPath.c_str());
    ASSERT_NE(ref, nullptr);
    RgdSpec outSpec;
    outSpec.references = {ref};
    // calibrationAmbientTemp to calibrationHBBemissivity again, after the inherited block
    outSpec.subheaders = {94020301};
    ZARFFILE* out = testsupport::openRgdWriter(file("out.rgd"), outSpec);
    ASSERT_NE(out, nullptr);
    ZARFFILE* sources[1] = {ref};
    int records[1] = {2};
    int ids[3] = {FIELD_calibrationCBBtemp, FIELD_missingDataFlag, FIELD_ABBtopTempWeight};
    float values[3] = {77.0f, 1.0f, 88.0f};
    std::vector<float> data = testsupport::rgdPatternRecord(outSpec, 1);
    ASSERT_EQ(ZARFwriteCompleteRecord(out, 1, sources, records, 1, ids, 3, values, data.data(), 8), 1);
    // calibrationCBBtemp resolves to the requested subheader's slot (writable); ABBtopTempWeight
    // only exists in the inherited block (protected): not written, comes back negated.
    EXPECT_EQ(ids[0], FIELD_calibrationCBBtemp);
    EXPECT_EQ(ids[1], FIELD_missingDataFlag);
    EXPECT_EQ(ids[2], -FIELD_ABBtopTempWeight);
    EXPECT_EQ(ZARFqueryMaxMetadataCount(out, 1), 15 + 5);
    std::vector<int> req(20, kWildcard);
    std::vector<float> got(20);
    ASSERT_EQ(ZARFreadRealMetadata(out, 1, req.data(), 20, got.data()), 20);
    const RgdMetadata refValues = calibrationMetadata(2);
    for (size_t k = 0; k < 14; ++k) {
        EXPECT_EQ(req[k], kCalibrationFields[k]);
        EXPECT_EQ(got[k], refValues.values[k]);
    }
    EXPECT_EQ(req[14], FIELD_missingDataFlag);
    EXPECT_EQ(got[14], 1.0f) << "missingDataFlag is always written";
    EXPECT_EQ(req[16], FIELD_calibrationCBBtemp);
    EXPECT_EQ(got[16], 77.0f);
    ZARFcloseFile(out);
    ZARFcloseFile(ref);
}

TEST_F(RgdWriterTest, FiveReferencesToOneFileGiveFiveHeaderCopies) {
    const std::string refPath = file("five.rgd");
    RgdSpec refSpec;
    refSpec.subheaders = {kCalibrationSubheader};
    ASSERT_TRUE(testsupport::writeRgdFile(refPath, refSpec, 5, calibrationMetadata));
    ZARFFILE* ref = ZARFopenFileReadable(refPath.c_str());
    ASSERT_NE(ref, nullptr);
    RgdSpec outSpec;
    outSpec.references = {ref, ref, ref, ref, ref};
    outSpec.subheaders = {kCalibrationSubheader};
    ZARFFILE* out = testsupport::openRgdWriter(file("o5.rgd"), outSpec);
    ASSERT_NE(out, nullptr);
    // Five blocks of 15 fields, the requested subheader, and no further base subheader.
    ASSERT_EQ(ZARFqueryMaxMetadataCount(out, 0), 5 * 15 + 14);
    ZARFFILE* sources[5] = {ref, ref, ref, ref, ref};
    int records[5] = {5, 4, 3, 2, 1};
    int flagId[1] = {FIELD_missingDataFlag};
    float flag[1] = {1.0f};
    ASSERT_EQ(ZARFwriteCompleteRecord(out, 1, sources, records, 5, flagId, 1, flag, nullptr, 0), 1);
    ASSERT_EQ(ZARFwriteCompleteRecord(out, 2, sources, records, 0, nullptr, 0, nullptr, nullptr, 0), 1);
    std::vector<int> req(89, kWildcard);
    std::vector<float> got(89);
    ASSERT_EQ(ZARFreadRealMetadata(out, 1, req.data(), 89, got.data()), 89);
    for (int k = 0; k < 5; ++k) {
        const RgdMetadata md = calibrationMetadata(records[k]);
        EXPECT_EQ(got[static_cast<size_t>(15 * k)], md.values[0]) << "block " << k;
        const float f = got[static_cast<size_t>(15 * k + 14)];
        if (k < 4) EXPECT_EQ(f, 0.0f) << "copied flag of block " << k;
        else EXPECT_EQ(f, 1.0f) << "caller's missingDataFlag lands in the last copy";
    }
    std::fill(req.begin(), req.end(), kWildcard);
    ASSERT_EQ(ZARFreadRealMetadata(out, 2, req.data(), 89, got.data()), 89);
    for (size_t k = 0; k < 75; ++k) EXPECT_EQ(bitsOf(got[k]), 0x7FC00000u) << "field " << k;
    ZARFcloseFile(out);
    ZARFcloseFile(ref);
}

TEST_F(RgdWriterTest, SourceWithAnotherLayoutThanItsReferenceLeavesTheBlockNaN) {
    RgdSpec refSpec;
    refSpec.subheaders = {kCalibrationSubheader};
    ASSERT_TRUE(testsupport::writeRgdFile(file("r1.rgd"), refSpec, 1, calibrationMetadata));
    RgdSpec smallSpec;  // base subheader only: a 4-byte header
    ASSERT_TRUE(testsupport::writeRgdFile(file("r2.rgd"), smallSpec, 1, [](int) {
        return RgdMetadata{{FIELD_missingDataFlag}, {3.0f}};
    }));
    ZARFFILE* ref = ZARFopenFileReadable(file("r1.rgd").c_str());
    ZARFFILE* other = ZARFopenFileReadable(file("r2.rgd").c_str());
    ASSERT_NE(ref, nullptr);
    ASSERT_NE(other, nullptr);
    RgdSpec outSpec;
    outSpec.references = {ref};
    ZARFFILE* out = testsupport::openRgdWriter(file("mix.rgd"), outSpec);
    ASSERT_NE(out, nullptr);
    ZARFFILE* sources[3] = {other, ref, ref};
    int records[3] = {1, 1, 1};
    ASSERT_EQ(ZARFwriteCompleteRecord(out, 1, sources, records, 3, nullptr, 0, nullptr, nullptr, 0), 1);
    std::vector<int> req(15, kWildcard);
    std::vector<float> got(15);
    ASSERT_EQ(ZARFreadRealMetadata(out, 1, req.data(), 15, got.data()), 15);
    for (float v : got) EXPECT_EQ(bitsOf(v), 0x7FC00000u);
    ZARFcloseFile(out);
    ZARFcloseFile(other);
    ZARFcloseFile(ref);
}

TEST_F(RgdWriterTest, CallerMetadataListReportsTheOutcomeOfEachCall) {
    const std::string refPath = file("p.rgd");
    RgdSpec refSpec;
    refSpec.subheaders = {kCalibrationSubheader};
    ASSERT_TRUE(testsupport::writeRgdFile(refPath, refSpec, 1));
    ZARFFILE* ref = ZARFopenFileReadable(refPath.c_str());
    ASSERT_NE(ref, nullptr);
    RgdSpec protectedSpec;
    protectedSpec.references = {ref};
    ZARFFILE* a = testsupport::openRgdWriter(file("a.rgd"), protectedSpec);
    RgdSpec openSpec;
    openSpec.subheaders = {kCalibrationSubheader};
    ZARFFILE* b = testsupport::openRgdWriter(file("b.rgd"), openSpec);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    int ids[2] = {FIELD_calibrationAmbientTemp, 999};
    float values[2] = {4.0f, 5.0f};
    ASSERT_EQ(ZARFwriteCompleteRecord(a, 1, nullptr, nullptr, 0, ids, 2, values, nullptr, 0), 1);
    EXPECT_EQ(ids[0], -FIELD_calibrationAmbientTemp);
    EXPECT_EQ(ids[1], -999);
    ASSERT_EQ(ZARFwriteCompleteRecord(a, 2, nullptr, nullptr, 0, ids, 2, values, nullptr, 0), 1);
    EXPECT_EQ(ids[0], -FIELD_calibrationAmbientTemp) << "passing the list again does not flip it back";
    // The same list on a file where the field is writable: written, reported positive.
    ASSERT_EQ(ZARFwriteCompleteRecord(b, 1, nullptr, nullptr, 0, ids, 2, values, nullptr, 0), 1);
    EXPECT_EQ(ids[0], FIELD_calibrationAmbientTemp);
    EXPECT_EQ(ids[1], -999);
    int req[1] = {FIELD_calibrationAmbientTemp};
    float got[1] = {};
    ASSERT_EQ(ZARFreadRealMetadata(b, 1, req, 1, got), 1);
    EXPECT_EQ(got[0], 4.0f);
    ZARFcloseFile(a);
    ZARFcloseFile(b);
    ZARFcloseFile(ref);
}

TEST_F(RgdWriterTest, PatchRewritesFieldsOfAnExistingRecord) {
    const std::string path = file("patch.rgd");
    ASSERT_TRUE(testsupport::writeRgdFile(path, spec, 2));
    ZARFFILE* f = ZARFopenFileReadable(("@" + path).c_str());
    ASSERT_NE(f, nullptr);
    int ids[2] = {FIELD_missingDataFlag, FIELD_calibrationAmbientTemp};
    float values[2] = {1.0f, 2.0f};
    EXPECT_EQ(ZARFRGDpatchRealMetadata(f, 2, ids, 2, values), 1);
    EXPECT_EQ(ids[1], -FIELD_calibrationAmbientTemp);
    EXPECT_EQ(ZARFRGDpatchRealMetadata(f, 3, ids, 2, values), -1);
    EXPECT_EQ(lastError(f), "record requested is unavailable");
    ZARFcloseFile(f);
    ZARFFILE* r = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(r, nullptr);
    int req[1] = {FIELD_missingDataFlag};
    float got[1] = {};
    ASSERT_EQ(ZARFreadRealMetadata(r, 2, req, 1, got), 1);
    EXPECT_EQ(got[0], 1.0f);
    std::vector<float> data(8);
    ASSERT_EQ(ZARFreadDepValues(r, 2, data.data(), 8), 8);
    EXPECT_EQ(data, testsupport::rgdPatternRecord(spec, 2)) << "the data area is untouched";
    EXPECT_EQ(ZARFRGDpatchRealMetadata(r, 1, req, 1, got), 0) << "a read-only handle cannot be patched";
    ZARFcloseFile(r);
}

// The cut keeps the first records byte for byte and drops the rest, a torn record included;
// it refuses counts beyond the whole records and handles that cannot write.
TEST_F(RgdWriterTest, CutKeepsTheFirstRecordsAndDropsATornOne) {
    const std::string path = file("cut.rgd");
    ASSERT_TRUE(testsupport::writeRgdFile(path, spec, 3));
    const std::string whole = testsupport::readFile(path);
    ZARFFILE* f = ZARFopenFileReadable(("@" + path).c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFRGDcutRecords(f, 4), -1);
    EXPECT_EQ(lastError(f), "record requested is unavailable");
    EXPECT_EQ(ZARFRGDcutRecords(f, -1), -1);
    ASSERT_EQ(ZARFRGDcutRecords(f, 2), 0);
    EXPECT_EQ(ZARFreadRecordCount(f), 2);
    ZARFcloseFile(f);
    const std::string two = testsupport::readFile(path);
    const std::size_t recordBytes = whole.size() - two.size();
    EXPECT_EQ(two, whole.substr(0, two.size()));
    // A torn third record (half of it) goes with a cut after the two whole ones.
    {
        std::ofstream torn(path, std::ios::binary | std::ios::app);
        torn << whole.substr(two.size(), recordBytes / 2);
    }
    f = ZARFopenFileReadable(("@" + path).c_str());
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ZARFRGDcutRecords(f, 2), 0);
    ASSERT_EQ(ZARFRGDcutRecords(f, 0), 0);
    EXPECT_EQ(ZARFreadRecordCount(f), 0);
    ZARFcloseFile(f);
    EXPECT_EQ(testsupport::readFile(path), whole.substr(0, two.size() - 2 * recordBytes)) << "the preamble stays";
    ZARFFILE* r = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(ZARFRGDcutRecords(r, 0), -2) << "a read-only handle cannot be cut";
    EXPECT_EQ(lastError(r), "write to file failed");
    ZARFcloseFile(r);
}

// ---- A reference file of another format: metadata collated field by field -----------------

int fakeCount(ZARFFILE*, int) { return 2; }
int fakeRead(ZARFFILE*, int record, int* req, int n, float* resp) {
    const int fields[2] = {FIELD_missingDataFlag, FIELD_calibrationHBBtemp};
    int next = 0, found = 0;
    for (int i = 0; i < n; ++i) {
        if (req[i] == kWildcard && next < 2) {
            req[i] = fields[next++];
            resp[i] = static_cast<float>(record) + 0.5f;
            ++found;
        } else {
            req[i] = -kWildcard;
        }
    }
    return found;
}

TEST_F(RgdWriterTest, ReferenceOfAnotherFormatIsCollatedByIdentifier) {
    Methods fake = RGD_Methods;
    fake.queryMaxMetadataCount = fakeCount;
    fake.readRealMetadata = fakeRead;
    static int handle = 0;
    ZARFFILE* src = newZARFFILE(&fake, "fake.dat", &handle);
    ASSERT_NE(src, nullptr);
    RgdSpec outSpec;
    outSpec.references = {src};
    outSpec.subheaders = {kCalibrationSubheader};
    ZARFFILE* out = testsupport::openRgdWriter(file("col.rgd"), outSpec);
    ASSERT_NE(out, nullptr) << lastError(nullptr);
    ZARFFILE* sources[1] = {src};
    int records[1] = {3};
    ASSERT_EQ(ZARFwriteCompleteRecord(out, 1, sources, records, 1, nullptr, 0, nullptr, nullptr, 0), 1);
    int req[2] = {FIELD_calibrationHBBtemp, FIELD_missingDataFlag};
    float got[2] = {};
    ASSERT_EQ(ZARFreadRealMetadata(out, 1, req, 2, got), 2);
    EXPECT_EQ(got[0], 3.5f);
    EXPECT_EQ(got[1], 3.5f);
    ZARFcloseFile(out);
    const std::string bytes = testsupport::readFile(file("col.rgd"));
    EXPECT_NE(bytes.find("## no History available for parent 1/1 of " + file("col.rgd") +
                         "\r\n## filename is fake.dat\r\n"),
              std::string::npos);
    deleteZARFFILE(src);
}

}  // namespace
