// The SPC reader behind the library's handle API: real files from other software, values,
// file kinds, fields and texts, refusals, corrupted input, and rgddump on SPC files.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dumplib/dumpcli.h"
#include "driver.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"
#include "support/jsonvalue.h"
#include "support/spcbuilder.h"
#include "support/tempdir.h"

namespace {

using testsupport::JsonValue;
using testsupport::readFile;
using testsupport::SpcSpec;
using testsupport::writeFile;
using testsupport::writeSpcFile;

constexpr int kNextField = 2000000000;
constexpr int kFieldCount = 94;
constexpr int kKindZeroCount = 48;
constexpr int kKindOneCount = 46;

const char* const kFlagged = "unsupported SPC variant: multifile or flagged file (flags byte is not 0)";
const char* const kNewFormat = "unsupported SPC variant: new-format file (version byte K or L)";
const char* const kShortHeader = "SPC header is incomplete (the file is shorter than 256 bytes)";
const char* const kBadPointCount = "bad point count in SPC header";
const char* const kUnknown = "filetype is unknown";
const char* const kRecord = "record requested is unavailable";
const char* const kField = "field provided is bad or unavailable";
const char* const kDescType = "description type requested is bad or unavailable";

struct Closer {
    void operator()(ZARFFILE* f) const { ZARFcloseFile(f); }
};
using Handle = std::unique_ptr<ZARFFILE, Closer>;

std::string lastGeneric() {
    const char* t = ZARFlastError(nullptr);
    return t != nullptr ? t : "<none>";
}

// Values of record 1, read into an array one larger than the record so that a read past the
// promised count would show.
std::vector<float> values(ZARFFILE* f, int arraysize) {
    std::vector<float> v(static_cast<size_t>(arraysize) + 1, -12345.0f);
    const int got = ZARFreadDepValues(f, 1, v.data(), arraysize);
    EXPECT_EQ(v[static_cast<size_t>(arraysize)], -12345.0f) << "written past the array size";
    v.resize(static_cast<size_t>(std::max(got, 0)));
    return v;
}

struct Domain {
    float minimum = -1.0f, maximum = -1.0f, interval = -1.0f;
};

Domain domain(ZARFFILE* f) {
    Domain d;
    EXPECT_EQ(ZARFreadIndDomain(f, 1, &d.minimum, &d.maximum, &d.interval), 1);
    return d;
}

// Text of a field description, or "<result>" with the library's message when it fails.
std::string desc(ZARFFILE* f, int id, int type, int size = 200) {
    std::vector<char> text(static_cast<size_t>(size) + 1, '\0');
    const int r = ZARFreadMetadataStringDesc(f, 1, id, type, text.data(), size);
    if (r != 1) return "<" + std::to_string(r) + ": " + ZARFlastError(f) + ">";
    return text.data();
}

// Result of n next-available-field requests: the count, the request list after the call
// and the responses.
struct Enumeration {
    int count = 0;
    std::vector<int> ids;
    std::vector<float> values;
};

Enumeration enumerate(ZARFFILE* f, int n = kFieldCount) {
    Enumeration e;
    e.ids.assign(static_cast<size_t>(n), kNextField);
    e.values.assign(static_cast<size_t>(n), -1.0f);
    e.count = ZARFreadRealMetadata(f, 1, e.ids.data(), n, e.values.data());
    return e;
}

// The field identifiers of kind-0 and kind-1 headers in enumeration order, written out
// from the layout of the instrument block.
std::vector<int> kindZeroIds() {
    std::vector<int> ids = {FIELD_instrumentUnitNumber, FIELD_rawDateYYMMDD,         FIELD_rawTimeHHMMSS,
                            FIELD_rawLatitude,          FIELD_rawLongitude,          FIELD_rawAltitude,
                            FIELD_rawCoadditionsCount,  FIELD_rawSceneMirrorPosition};
    for (int n = 0; n < 24; ++n) ids.push_back(FIELD_thermistor0 + n);
    for (int id : {FIELD_rawAtmosphericPressure, FIELD_rawAtmosphericRelativeHumidity, FIELD_parFileDateYYMMDD})
        ids.push_back(id);
    for (int n = 0; n < 13; ++n) ids.push_back(FIELD_avgCountsThermistor0 + n);
    return ids;
}

std::vector<int> kindOneIds() {
    std::vector<int> ids;
    for (int id = FIELD_avgCountsThermistor13; id <= FIELD_countsStdDevRelativeHumidity; ++id) ids.push_back(id);
    ids.push_back(FIELD_rawMirrorPositionEncoder);
    for (int id = FIELD_engineeringChannel0data; id <= FIELD_engineeringChannel2counts; ++id) ids.push_back(id);
    return ids;
}

class SpcReader : public ::testing::Test {
protected:
    Handle write(const std::string& name, const SpcSpec& spec) {
        writeSpcFile(dir.file(name), spec);
        return open(name);
    }

    Handle open(const std::string& name) { return Handle(ZARFopenFileReadable(dir.file(name).c_str())); }

    // The library's text for the refused open of these bytes under name; "<opened>" when
    // the file opens.
    std::string refusal(const std::string& name, const std::string& bytes) {
        writeFile(dir.file(name), bytes);
        Handle f = open(name);
        return f != nullptr ? "<opened>" : lastGeneric();
    }

    testsupport::TempDir dir;
};

SpcSpec fourPoints() {
    SpcSpec spec;
    spec.data = {1, 2, 3, 4};
    return spec;
}

// A kind-0 header with known instrument values.
SpcSpec kindZeroSpec() {
    SpcSpec spec = fourPoints();
    spec.instrumentName = "VORN0042";
    spec.words = {{72, 261209},  {76, 123456},  {80, 451234},   {84, -751234}, {88, 1000000},
                  {116, 2931500}, {192, 10132500}, {196, 456789}, {200, 260101}, {252, 123}};
    return spec;
}

// Writes the kind-0 spec and pokes the 16-bit and 8-bit fields at 92 and 94.
void writeKindZero(const std::string& path) {
    std::string bytes = testsupport::spcFileBytes(kindZeroSpec());
    bytes[92] = static_cast<char>(0xFD);  // -3
    bytes[93] = static_cast<char>(0xFF);
    bytes[94] = static_cast<char>(0xC8);  // -56
    writeFile(path, bytes);
}

SpcSpec kindOneSpec() {
    SpcSpec spec = fourPoints();
    spec.words = {{64, 130000}, {104, 230000}, {108, 5}, {208, 777}, {220, -4096}, {244, 2440000}};
    return spec;
}

// ---- Real files written by other software --------------------------------------------------

const std::string kFixtureDir = std::string(EXTERNAL_FIXTURES_DIR) + "/spc";

bool fixturesPresent() { return std::filesystem::is_regular_file(kFixtureDir + "/expected.json"); }

const JsonValue& expectedFiles() {
    static const JsonValue doc = JsonValue::parse(readFile(kFixtureDir + "/expected.json"), nullptr);
    return doc["files"];
}

#define SKIP_WITHOUT_FIXTURES()                                                                        \
    if (!fixturesPresent()) GTEST_SKIP() << "external SPC fixtures not found in " << kFixtureDir << \
                                         " (expected.json absent); the fixture tests are skipped"

float f32(const JsonValue& v) { return static_cast<float>(v.number()); }

// Opens the fixture and checks everything expected.json says about a readable file.
void expectReadsAsExpected(const std::string& name) {
    const JsonValue& e = expectedFiles()[name];
    const std::string path = kFixtureDir + "/" + name;
    ASSERT_EQ(std::filesystem::file_size(path), static_cast<uintmax_t>(e["size_bytes"].number()));
    ASSERT_TRUE(e["accepted_as_single_old_format_file"].boolean());
    Handle f(ZARFopenFileReadable(path.c_str()));
    ASSERT_NE(f, nullptr) << lastGeneric();
    EXPECT_EQ(f->method, &SPC_Methods);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 1);
    const int n = static_cast<int>(e["n_points_int"].number());
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), e["holds_256_plus_4n_bytes"].boolean() ? n : -n);

    const Domain d = domain(f.get());
    EXPECT_EQ(d.minimum, f32(e["xmin"]));
    EXPECT_EQ(d.maximum, f32(e["xmax"]));
    EXPECT_EQ(d.interval, f32(e["x_interval"]));

    const std::vector<float> v = values(f.get(), n);
    ASSERT_EQ(v.size(), static_cast<size_t>(e["words_available_from_256"].number()));
    const auto& first = e["first5"].items();
    for (size_t i = 0; i < first.size(); ++i) EXPECT_EQ(v[i], f32(first[i]["value_f32"])) << "value " << i;
    EXPECT_EQ(v[static_cast<size_t>(e["last_index_0based"].number())], f32(e["last"]["value_f32"]));
    EXPECT_EQ(*std::min_element(v.begin(), v.end()), f32(e["min_value"]));
    EXPECT_EQ(*std::max_element(v.begin(), v.end()), f32(e["max_value"]));

    std::vector<double> x(static_cast<size_t>(n));
    ASSERT_EQ(ZARFreadIndValuesDouble(f.get(), 1, x.data(), n), n);
    EXPECT_EQ(x.front(), e["xmin"].number());
    EXPECT_NEAR(x.back(), e["xmax"].number(), 1e-5 * std::abs(e["xmax"].number() - e["xmin"].number()));

    // The acquisition software's instrument values are tied to names like m3.spc; these
    // files have none, so no field is offered.
    EXPECT_EQ(ZARFqueryMaxMetadataCount(f.get(), 1), kFieldCount);
    const Enumeration fields = enumerate(f.get());
    EXPECT_EQ(fields.count, 0);
    EXPECT_EQ(fields.ids, std::vector<int>(kFieldCount, -kNextField));
}

// Checks that the fixture is refused with the text naming its variant.
void expectRefused(const std::string& name) {
    const JsonValue& e = expectedFiles()[name];
    ASSERT_FALSE(e["accepted_as_single_old_format_file"].boolean());
    const std::string path = kFixtureDir + "/" + name;
    Handle f(ZARFopenFileReadable(path.c_str()));
    ASSERT_EQ(f, nullptr);
    EXPECT_EQ(lastGeneric(), e["ichk_char"].text() == "M" ? kFlagged : kNewFormat);
}

TEST(SpcFixtures, DOERNER_spc) {
    SKIP_WITHOUT_FIXTURES();
    expectReadsAsExpected("DOERNER.spc");
}

TEST(SpcFixtures, cts0416a_spc) {
    SKIP_WITHOUT_FIXTURES();
    expectReadsAsExpected("cts0416a.spc");
}

TEST(SpcFixtures, m_ordz_spc_MultifileIsRefused) {
    SKIP_WITHOUT_FIXTURES();
    expectRefused("m_ordz.spc");
}

TEST(SpcFixtures, CONTOUR_SPC_MultifileIsRefused) {
    SKIP_WITHOUT_FIXTURES();
    expectRefused("CONTOUR.SPC");
}

TEST(SpcFixtures, s_evenx_spc_NewFormatIsRefused) {
    SKIP_WITHOUT_FIXTURES();
    expectRefused("s_evenx.spc");
}

TEST(SpcFixtures, EveryListedFileHasItsTest) {
    SKIP_WITHOUT_FIXTURES();
    std::vector<std::string> names;
    for (const auto& [name, entry] : expectedFiles().members()) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"CONTOUR.SPC", "DOERNER.spc", "cts0416a.spc", "m_ordz.spc",
                                               "s_evenx.spc"}));
}

// ---- Values, domain, record size ------------------------------------------------------------

TEST_F(SpcReader, DataWordsHaveTheirHalvesExchanged) {
    std::string bytes = testsupport::spcFileBytes(SpcSpec{});
    bytes[4] = 0, bytes[5] = 0, bytes[6] = 0, bytes[7] = 0x40;  // 2.0 points
    bytes += std::string("\x01\x00\x02\x00", 4);  // the integer 0x00010002
    bytes += std::string("\xff\xff\x00\x80", 4);  // the integer 0xFFFF8000
    writeFile(dir.file("w.spc"), bytes);
    Handle f = open("w.spc");
    ASSERT_NE(f, nullptr) << lastGeneric();
    EXPECT_EQ(values(f.get(), 2), (std::vector<float>{65538.0f, -32768.0f}));
}

TEST_F(SpcReader, ValuesAreScaledByTwoToTheExponentMinus32) {
    struct Case {
        int16_t iyexp;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {32, {1.0f, -2.0f, 3.0f, 2147483647.0f}},
        {31, {0.5f, -1.0f, 1.5f, 1073741823.5f}},
        {40, {256.0f, -512.0f, 768.0f, 549755813632.0f}},
        {0, {std::ldexp(1.0f, -32), std::ldexp(-2.0f, -32), std::ldexp(3.0f, -32), 0.5f}},
    };
    for (const Case& c : cases) {
        SpcSpec spec;
        spec.iyexp = c.iyexp;
        spec.data = {1, -2, 3, 2147483647};
        Handle f = write("s.spc", spec);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(values(f.get(), 4), c.expected) << "iyexp " << c.iyexp;
    }
}

TEST_F(SpcReader, DomainIsTheHeaderRangeOverPointsMinusOne) {
    SpcSpec spec = fourPoints();
    spec.xmin = 700.0f;
    spec.xmax = 1000.0f;
    Handle f = write("d.spc", spec);
    ASSERT_NE(f, nullptr);
    const Domain d = domain(f.get());
    EXPECT_EQ(d.minimum, 700.0f);
    EXPECT_EQ(d.maximum, 1000.0f);
    EXPECT_EQ(d.interval, 100.0f);
    float x[5] = {0, 0, 0, 0, -1};
    EXPECT_EQ(ZARFreadIndValues(f.get(), 1, x, 4), 4);
    EXPECT_EQ(std::vector<float>(x, x + 5), (std::vector<float>{700, 800, 900, 1000, -1}));
}

// Header domains of subnormal numbers (which fuzzed headers make often) give the axis the
// sums give, bit for bit, across the boundary to the normal numbers.
TEST_F(SpcReader, SubnormalDomainGivesExactAxis) {
    constexpr float unit = std::numeric_limits<float>::denorm_min();
    constexpr float smallest = std::numeric_limits<float>::min();
    struct Case {
        float xmin, xmax;
        std::vector<float> axis;
    };
    const Case cases[] = {
        {3 * unit, 9 * unit, {3 * unit, 5 * unit, 7 * unit, 9 * unit}},
        {-3 * unit, 3 * unit, {-3 * unit, -unit, unit, 3 * unit}},
        {smallest - 4 * unit, smallest + 2 * unit,
         {smallest - 4 * unit, smallest - 2 * unit, smallest, smallest + 2 * unit}},
    };
    for (const Case& c : cases) {
        SpcSpec spec = fourPoints();
        spec.xmin = c.xmin;
        spec.xmax = c.xmax;
        Handle f = write("sub.spc", spec);
        ASSERT_NE(f, nullptr);
        std::vector<float> x(4, 1.0f);
        EXPECT_EQ(ZARFreadIndValues(f.get(), 1, x.data(), 4), 4);
        std::vector<uint32_t> bits, expected;
        for (size_t i = 0; i < 4; ++i) {
            bits.push_back(std::bit_cast<uint32_t>(x[i]));
            expected.push_back(std::bit_cast<uint32_t>(c.axis[i]));
        }
        EXPECT_EQ(bits, expected) << "domain " << c.xmin << " to " << c.xmax;
    }
}

TEST_F(SpcReader, OnePointOrNoneHasIntervalZero) {
    for (const int n : {0, 1}) {
        SpcSpec spec;
        spec.data.assign(static_cast<size_t>(n), 7);
        spec.xmin = 900.0f;
        spec.xmax = 900.0f;
        Handle f = write("one.spc", spec);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), n);
        EXPECT_EQ(domain(f.get()).interval, 0.0f) << n << " points";
        double x[2] = {-1, -1};
        EXPECT_EQ(ZARFreadIndValuesDouble(f.get(), 1, x, 2), n);
        EXPECT_EQ(x[0], n == 1 ? 900.0 : -1.0);
        EXPECT_EQ(values(f.get(), 2).size(), static_cast<size_t>(n));
    }
}

TEST_F(SpcReader, FractionalPointCountIsCutToAnInteger) {
    SpcSpec spec = fourPoints();
    spec.xnpts = 3.9f;
    Handle f = write("frac.spc", spec);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 3);
    EXPECT_EQ(values(f.get(), 10), (std::vector<float>{1, 2, 3}));
}

TEST_F(SpcReader, IncompleteSpectrumHasNegativeSizeAndIsReadAsFarAsItGoes) {
    SpcSpec spec;
    spec.xnpts = 1000.0f;
    spec.data.assign(686, 5);
    std::string bytes = testsupport::spcFileBytes(spec);
    ASSERT_EQ(bytes.size(), 3000u);
    writeFile(dir.file("grow.spc"), bytes);
    Handle f = open("grow.spc");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), -1000);
    EXPECT_EQ(values(f.get(), 1000).size(), 686u);
    EXPECT_EQ(values(f.get(), 10).size(), 10u);

    // The acquisition software finishes the file: the same handle sees the whole record.
    for (int i = 686; i < 1000; ++i) bytes += testsupport::spcDataWord(i);
    writeFile(dir.file("grow.spc"), bytes);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 1000);
    const std::vector<float> v = values(f.get(), 1000);
    ASSERT_EQ(v.size(), 1000u);
    EXPECT_EQ(v[685], 5.0f);
    EXPECT_EQ(v[999], 999.0f);
}

TEST_F(SpcReader, ExtraBytesAfterTheSpectrumAreNotRead) {
    std::string bytes = testsupport::spcFileBytes(fourPoints()) + testsupport::spcDataWord(99);
    writeFile(dir.file("x.spc"), bytes);
    Handle f = open("x.spc");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 4);
    EXPECT_EQ(values(f.get(), 10), (std::vector<float>{1, 2, 3, 4}));
}

TEST_F(SpcReader, OnlyRecordOneExists) {
    Handle f = write("m4.spc", kindZeroSpec());
    ASSERT_NE(f, nullptr);
    for (const int record : {0, 2, -1}) {
        float v[4] = {};
        float a = 0, b = 0, c = 0;
        int ids[1] = {kNextField};
        char text[8] = {};
        EXPECT_EQ(ZARFreadRecordSize(f.get(), record), 0);
        EXPECT_EQ(ZARFreadDepValues(f.get(), record, v, 4), 0);
        EXPECT_EQ(ZARFreadIndDomain(f.get(), record, &a, &b, &c), 0);
        EXPECT_EQ(ZARFqueryMaxMetadataCount(f.get(), record), 0);
        EXPECT_EQ(ZARFreadRealMetadata(f.get(), record, ids, 1, v), 0);
        EXPECT_EQ(ZARFreadMetadataStringDesc(f.get(), record, FIELD_instrumentUnitNumber, 1, text, 8), 0);
        EXPECT_STREQ(ZARFlastError(f.get()), kRecord) << "record " << record;
    }
    EXPECT_EQ(ZARFreadRecordCount(f.get()), 1);
}

TEST_F(SpcReader, IsReadOnlyAndHasOneColumn) {
    Handle f = write("ro.spc", fourPoints());
    ASSERT_NE(f, nullptr);
    const float v[1] = {1.0f};
    EXPECT_EQ(ZARFwriteDepValues(f.get(), 1, v, 1), 0);
    EXPECT_STREQ(ZARFlastError(f.get()), "writing to this file type is unsupported");
    EXPECT_EQ(ZARFqueryMaxDataCount(f.get()), 1);
    EXPECT_EQ(ZARFselectData(f.get(), 2, 0), 1);
    EXPECT_EQ(ZARFselectData(f.get(), 2, 1), 0);
    EXPECT_EQ(ZARFqueryVersion(2, f.get()), nullptr);
}

// ---- File kind and public fields -------------------------------------------------------------

TEST_F(SpcReader, FileKindComesFromTheDigitAfterMBeforeTheSuffix) {
    struct Case {
        const char* name;
        int kind;
    };
    const Case cases[] = {
        {"m3.spc", 1},  {"M4.SPC", 0},  {"scan.spc", -1},       {"m0.spc", 0},     {"M9.spc", 1},
        {"am5.spc", 1}, {"m.spc", -1},  {"mx.spc", -1},         {"x3.spc", -1},    {"m2.Spc", -1},
        {"m3.spc.bak", 1}, {"m3.SPC.m2.spc", 0}, {"m2.bin", -1},
    };
    for (const Case& c : cases) {
        Handle f = write(c.name, fourPoints());
        ASSERT_NE(f, nullptr) << c.name;
        const Enumeration e = enumerate(f.get(), 1);
        const int first = c.kind == 0   ? FIELD_instrumentUnitNumber
                          : c.kind == 1 ? FIELD_avgCountsThermistor13
                                        : -kNextField;
        EXPECT_EQ(e.ids[0], first) << c.name;
        EXPECT_EQ(e.count, c.kind < 0 ? 0 : 1) << c.name;
    }
}

TEST_F(SpcReader, KindZeroFieldsHaveTheirValues) {
    writeKindZero(dir.file("M4.SPC"));
    Handle f = open("M4.SPC");
    ASSERT_NE(f, nullptr);
    std::vector<int> ids = {FIELD_instrumentUnitNumber, FIELD_rawDateYYMMDD, FIELD_rawTimeHHMMSS, FIELD_rawLatitude,
                            FIELD_rawLongitude, FIELD_rawAltitude, FIELD_rawCoadditionsCount,
                            FIELD_rawSceneMirrorPosition, FIELD_thermistor5, FIELD_rawAtmosphericPressure,
                            FIELD_rawAtmosphericRelativeHumidity, FIELD_parFileDateYYMMDD, FIELD_avgCountsThermistor12,
                            FIELD_thermistor0};
    std::vector<float> got(ids.size(), -1.0f);
    EXPECT_EQ(ZARFreadRealMetadata(f.get(), 1, ids.data(), static_cast<int>(ids.size()), got.data()),
              static_cast<int>(ids.size()));
    const std::vector<float> expected = {42.0f,     261209.0f, 123456.0f, 45.1234f, -75.1234f, 100.0f, -3.0f,
                                         -56.0f,    293.15f,   1013.25f,  45.6789f, 260101.0f, 0.0123f, 0.0f};
    EXPECT_EQ(got, expected);
}

TEST_F(SpcReader, InstrumentNumberIsTheNumberInItsFourCharactersMadePositive) {
    struct Case {
        const char* chars;
        float value;
    };
    for (const Case& c : {Case{"0042", 42}, Case{"-17x", 17}, Case{" 9 1", 9}, Case{"abcd", 0}, Case{"7\0\0\0", 7}}) {
        std::string bytes = testsupport::spcFileBytes(fourPoints());
        bytes.replace(68, 4, std::string(c.chars, 4));
        writeFile(dir.file("m0.spc"), bytes);
        Handle f = open("m0.spc");
        ASSERT_NE(f, nullptr);
        int id = FIELD_instrumentUnitNumber;
        float v = -1.0f;
        EXPECT_EQ(ZARFreadRealMetadata(f.get(), 1, &id, 1, &v), 1);
        EXPECT_EQ(v, c.value) << c.chars;
    }
}

TEST_F(SpcReader, KindOneFieldsHaveTheirValues) {
    Handle f = write("m3.spc", kindOneSpec());
    ASSERT_NE(f, nullptr);
    std::vector<int> ids = {FIELD_avgCountsThermistor13,    FIELD_avgCountsThermistor23,
                            FIELD_avgCountsPressure,        FIELD_tempStdDevThermistor23,
                            FIELD_rawMirrorPositionEncoder, FIELD_engineeringChannel2counts,
                            FIELD_engineeringChannel0data};
    std::vector<float> got(ids.size(), -1.0f);
    EXPECT_EQ(ZARFreadRealMetadata(f.get(), 1, ids.data(), static_cast<int>(ids.size()), got.data()), 7);
    EXPECT_EQ(got, (std::vector<float>{13.0f, 23.0f, 0.0005f, 0.0777f, -4096.0f, 244.0f, 0.0f}));
}

TEST_F(SpcReader, EnumerationWalksTheTableInOrderForEachKind) {
    writeKindZero(dir.file("m4.spc"));
    Handle zero = open("m4.spc");
    Handle one = write("m3.spc", kindOneSpec());
    ASSERT_NE(zero, nullptr);
    ASSERT_NE(one, nullptr);
    struct Case {
        ZARFFILE* file;
        std::vector<int> ids;
    };
    for (const Case& c : {Case{zero.get(), kindZeroIds()}, Case{one.get(), kindOneIds()}}) {
        const Enumeration e = enumerate(c.file);
        ASSERT_EQ(e.count, static_cast<int>(c.ids.size()));
        std::vector<int> expected = c.ids;
        // Once the table is used up, every further request comes back negated.
        expected.resize(kFieldCount, -kNextField);
        EXPECT_EQ(e.ids, expected);
    }
    EXPECT_EQ(kindZeroIds().size(), static_cast<size_t>(kKindZeroCount));
    EXPECT_EQ(kindOneIds().size(), static_cast<size_t>(kKindOneCount));
    static_assert(kKindZeroCount + kKindOneCount == kFieldCount);
    const Enumeration e = enumerate(zero.get());
    EXPECT_EQ(e.values[1], 261209.0f);
    EXPECT_EQ(e.values[6], -3.0f);
}

TEST_F(SpcReader, EnumerationStartsAgainWithEachCall) {
    Handle f = write("m3.spc", kindOneSpec());
    ASSERT_NE(f, nullptr);
    for (int call = 0; call < 2; ++call) {
        const Enumeration e = enumerate(f.get(), 2);
        EXPECT_EQ(e.ids, (std::vector<int>{FIELD_avgCountsThermistor13, FIELD_avgCountsThermistor14}))
            << "call " << call;
        EXPECT_EQ(e.values[0], 13.0f);
    }
}

TEST_F(SpcReader, RequestsOfOtherKindsAndUnknownIdsAreTreatedApart) {
    Handle f = write("m3.spc", kindOneSpec());
    ASSERT_NE(f, nullptr);
    std::vector<int> ids = {FIELD_rawAtmosphericPressure, 0x12345, kNextField, -7, FIELD_avgCountsPressure, INT_MIN};
    std::vector<float> got(ids.size(), -1.0f);
    EXPECT_EQ(ZARFreadRealMetadata(f.get(), 1, ids.data(), 6, got.data()), 2);
    // A field of the other kind: nothing delivered, the request stays as it was. An unknown
    // id is negated whatever its sign; INT_MIN, which has no negation, stays.
    EXPECT_EQ(ids, (std::vector<int>{FIELD_rawAtmosphericPressure, -0x12345, FIELD_avgCountsThermistor13, 7,
                                     FIELD_avgCountsPressure, INT_MIN}));
    EXPECT_EQ(got, (std::vector<float>{-1.0f, -1.0f, 13.0f, -1.0f, 0.0005f, -1.0f}));
}

TEST_F(SpcReader, WithoutAKindNoFieldIsDelivered) {
    Handle f = write("scan.spc", kindZeroSpec());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFqueryMaxMetadataCount(f.get(), 1), kFieldCount);
    int ids[2] = {kNextField, FIELD_rawDateYYMMDD};
    float v[2] = {-1, -1};
    EXPECT_EQ(ZARFreadRealMetadata(f.get(), 1, ids, 2, v), 0);
    EXPECT_EQ(ids[0], -kNextField);
    EXPECT_EQ(ids[1], FIELD_rawDateYYMMDD);
    EXPECT_EQ(desc(f.get(), FIELD_rawDateYYMMDD, 1), "rawDateYYMMDD");
}

TEST_F(SpcReader, FieldTextsAreExact) {
    Handle f = write("m4.spc", kindZeroSpec());
    ASSERT_NE(f, nullptr);
    struct Row {
        int id;
        std::vector<std::string> texts;  // types 1 to 5
    };
    const Row rows[] = {
        {FIELD_instrumentUnitNumber,
         {"instrumentUnitNumber", "Instrument Name", "Character string containing instrument name", " ", ""}},
        {FIELD_rawDateYYMMDD,
         {"rawDateYYMMDD", "Date of Data Collection", "Date of data collection (year/month/day)", "YYMMDD", "1E0"}},
        {FIELD_rawTimeHHMMSS,
         {"rawTimeHHMMSS", "End of View Time", "Time at end of interferometer data collection", "HHMMSS", "1E0"}},
        {FIELD_rawLatitude,
         {"rawLatitude", "Latitude", "Location of data collection in degrees north latitude", "N", "1E-2"}},
        {FIELD_rawLongitude,
         {"rawLongitude", "Longitude", "Location of data collection in degrees east longitude", "E", "1E-2"}},
        {FIELD_rawAltitude,
         {"rawAltitude", "Altitude", "Location of data collection in meters above mean sea level", "m", "1E-2"}},
        {FIELD_rawCoadditionsCount,
         {"rawCoadditionsCount", "Number of Coadditions per View",
          "Number of complete interferometer scans (f+b) averaged in this view", " ", "1E0"}},
        {FIELD_rawSceneMirrorPosition,
         {"rawSceneMirrorPosition", "Mirror Position ASCII Character Code",
          "ASCII character code representing the current instrument mirror position", " ", "1E0"}},
        {FIELD_thermistor23,
         {"thermistor23", "thermistor23", "Thermistor input channel number 23 (counting from 0) equivalent temperature",
          "K", "1E-5"}},
        {FIELD_rawAtmosphericPressure,
         {"rawAtmosphericPressure", "Raw VORN Barometric Pressure", "Barometric Pressure at Site in Millibars", "mb",
          "1E-1"}},
        {FIELD_rawAtmosphericRelativeHumidity,
         {"rawAtmosphericRelativeHumidity", "Raw VORN Relative Humidity", "Relative Humidity at Site in Percent", "%",
          "1E-1"}},
        {FIELD_parFileDateYYMMDD,
         {"parFileDateYYMMDD", "Parameter File Date", "Date of the file containing instrument specific parameters",
          "YYMMDD", "1E0"}},
        {FIELD_avgCountsThermistor0,
         {"avgCountsThermistor0", "Average Counts for Thermistor0", "Average counts for thermistor channel 0", "Counts",
          "1E-5"}},
        {FIELD_avgCountsThermistor23,
         {"avgCountsThermistor23", "Average Counts for Thermistor23", "Average counts for thermistor channel 23",
          "Counts", "1E-5"}},
        {FIELD_avgCountsPressure,
         {"avgCountsPressure", "Raw Counts of VORN Pressure ", "Average raw counts of VORN pressure sensor", "Counts",
          "1E-5"}},
        {FIELD_avgCountsRelativeHumidity,
         {"avgCountsRelativeHumidity", "Raw Counts of VORN Relative Humidity ",
          "Average raw counts of VORN relative humidity sensor (near BBs)", "Counts", "1E-5"}},
        {FIELD_tempStdDevThermistor0,
         {"tempStdDevThermistor0", "Standard Deviation for Thermistor0",
          "Temperature standard deviation for thermistor channel 0", "K", "1E-5"}},
        {FIELD_countsStdDevPressure,
         {"countsStdDevPressure", "Standard Deviation of VORN pressure",
          "Standard deviation of VORN pressure in counts", "Counts", "1E-5"}},
        {FIELD_countsStdDevRelativeHumidity,
         {"countsStdDevRelativeHumidity", "Standard Deviation of VORN Relative Humidity",
          "Standard deviation of VORN relative humidity in counts", "Counts", "1E-5"}},
        {FIELD_rawMirrorPositionEncoder,
         {"rawMirrorPositionEncoder", "Raw Mirror Position Encoder", "Mirror position encoder value", "steps", "1E0"}},
        {FIELD_engineeringChannel2data,
         {"engineeringChannel2data", "Engineering Channel 2", "Engineering channel 2 data", " ", "1E-5"}},
        {FIELD_engineeringChannel0counts,
         {"engineeringChannel0counts", "Engineering Channel 0 Raw Counts", "Engineering channel 0 raw counts", "counts",
          "1E-5"}},
    };
    for (const Row& row : rows)
        for (int type = 1; type <= 5; ++type)
            EXPECT_EQ(desc(f.get(), row.id, type), row.texts[static_cast<size_t>(type) - 1])
                << std::hex << row.id << " type " << type;
}

TEST_F(SpcReader, EveryFieldHasItsOwnName) {
    Handle f = write("m4.spc", kindZeroSpec());
    ASSERT_NE(f, nullptr);
    std::vector<int> all = kindZeroIds();
    for (int id : kindOneIds()) all.push_back(id);
    std::vector<std::string> names;
    for (int id : all) names.push_back(desc(f.get(), id, 1));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    EXPECT_EQ(names.front().find('<'), std::string::npos);
}

TEST_F(SpcReader, InstrumentNameIsATextValueOfKindZeroOnly) {
    Handle zero = write("m4.spc", kindZeroSpec());
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(desc(zero.get(), FIELD_instrumentUnitNumber, 6), "VORN0042");
    EXPECT_EQ(desc(zero.get(), FIELD_rawDateYYMMDD, 6), std::string("<0: ") + kDescType + ">");
    char four[6] = "-----";
    EXPECT_EQ(ZARFreadMetadataStringDesc(zero.get(), 1, FIELD_instrumentUnitNumber, 6, four, 4), 1);
    EXPECT_EQ(std::string(four, 5), "VORN-");
    Handle one = write("m3.spc", kindZeroSpec());
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(desc(one.get(), FIELD_instrumentUnitNumber, 6), std::string("<0: ") + kDescType + ">");
}

TEST_F(SpcReader, BadDescriptionRequestsAreRefused) {
    Handle f = write("m4.spc", kindZeroSpec());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(desc(f.get(), 0x12345, 1), std::string("<0: ") + kField + ">");
    EXPECT_EQ(desc(f.get(), kNextField, 1), std::string("<0: ") + kField + ">");
    EXPECT_EQ(desc(f.get(), FIELD_rawDateYYMMDD, 0), std::string("<0: ") + kDescType + ">");
    EXPECT_EQ(desc(f.get(), FIELD_rawDateYYMMDD, 7), std::string("<0: ") + kDescType + ">");
    char five[7] = "######";
    EXPECT_EQ(ZARFreadMetadataStringDesc(f.get(), 1, FIELD_instrumentUnitNumber, 2, five, 5), 1);
    EXPECT_EQ(std::string(five, 6), "Instr#");
}

// ---- Recognition and refusals -----------------------------------------------------------------

TEST_F(SpcReader, SignatureBytesAloneClaimTheFileWhateverItsName) {
    // .dat would make the MLT driver claim the file, but SPC is asked first.
    for (const char* name : {"spectrum.bin", "spectrum.dat", "noname"}) {
        testsupport::writeMinimalSpcFile(dir.file(name));
        Handle f = open(name);
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(f->method, &SPC_Methods) << name;
    }
}

TEST_F(SpcReader, OtherSpcVariantsAreRefusedByName) {
    struct Case {
        uint8_t flags;
        uint8_t version;
        const char* message;
    };
    for (const Case& c : {Case{0x01, 'M', kFlagged}, Case{0x04, 'M', kFlagged}, Case{0x80, 'M', kFlagged},
                          Case{0x00, 'K', kNewFormat}, Case{0x04, 'L', kNewFormat}}) {
        SpcSpec spec = fourPoints();
        spec.flags = c.flags;
        spec.version = c.version;
        std::string bytes = testsupport::spcFileBytes(spec);
        bytes.resize(600, '\0');  // a new-format header is 512 bytes
        if (c.version != 'M') bytes[4] = 4, bytes[5] = 0, bytes[6] = 0, bytes[7] = 0;
        if (c.version == 'L') bytes[4] = 0, bytes[7] = 4;
        const std::string what = std::to_string(c.flags) + "/" + static_cast<char>(c.version);
        EXPECT_EQ(refusal("v.spc", bytes), c.message) << what;
        EXPECT_EQ(refusal("V.SPC", bytes), c.message) << what;
        // Under another name such bytes are no SPC file for the library.
        EXPECT_EQ(refusal("v.bin", bytes), kUnknown) << what;
    }
}

TEST_F(SpcReader, TextNamedLikeAnSpcFileIsLeftToTheOtherDrivers) {
    std::string text = "#MLT table\n";
    while (text.size() < 600) text += "1 2\n";
    writeFile(dir.file("table.spc"), text);
    Handle f = open("table.spc");
    ASSERT_NE(f, nullptr) << lastGeneric();
    EXPECT_EQ(f->method, &MLT_Methods);
}

TEST_F(SpcReader, ShortOrImplausibleVariantsAreNotClaimed) {
    SpcSpec spec = fourPoints();
    spec.flags = 0x04;
    std::string bytes = testsupport::spcFileBytes(spec);
    EXPECT_EQ(refusal("short.spc", bytes.substr(0, 255)), kUnknown);
    bytes[4] = 0, bytes[5] = 0, bytes[6] = static_cast<char>(0xC0), bytes[7] = 0x7F;  // NaN points
    EXPECT_EQ(refusal("nan.spc", bytes), kUnknown);
    spec.version = 'K';
    EXPECT_EQ(refusal("k.spc", testsupport::spcFileBytes(spec)), kUnknown);  // shorter than 512 bytes
}

TEST_F(SpcReader, ShortHeaderAndBadPointCountsAreRefused) {
    const std::string full = testsupport::spcFileBytes(fourPoints());
    EXPECT_EQ(refusal("s.spc", full.substr(0, 255)), kShortHeader);
    EXPECT_EQ(refusal("s.spc", full.substr(0, 8)), kShortHeader);
    EXPECT_EQ(refusal("s.spc", full.substr(0, 7)), kUnknown);
    for (const float n : {-1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(), 1e30f, 536870848.0f}) {
        SpcSpec spec = fourPoints();
        spec.xnpts = n;
        EXPECT_EQ(refusal("n.spc", testsupport::spcFileBytes(spec)), kBadPointCount) << n;
    }
}

// ---- Corrupted input --------------------------------------------------------------------------

// Exercises every read operation of an open file; the values themselves are not checked.
void readEverything(ZARFFILE* f) {
    std::vector<float> v(64, 0.0f);
    std::vector<double> x(64, 0.0);
    float a = 0, b = 0, c = 0;
    ZARFreadRecordCount(f);
    ZARFreadRecordSize(f, 1);
    ZARFreadDepValues(f, 1, v.data(), 64);
    ZARFreadIndDomain(f, 1, &a, &b, &c);
    ZARFreadIndValues(f, 1, v.data(), 64);
    ZARFreadIndValuesDouble(f, 1, x.data(), 64);
    const Enumeration e = enumerate(f);
    for (int id : e.ids)
        for (int type = 1; type <= 6; ++type) desc(f, id, type, 3);
}

TEST_F(SpcReader, EveryTruncationIsReadWithinItsLength) {
    std::string bytes = testsupport::spcFileBytes(kindZeroSpec());
    for (size_t length = 0; length <= bytes.size(); ++length) {
        writeFile(dir.file("m4.spc"), bytes.substr(0, length));
        Handle f = open("m4.spc");
        if (length < 8) {
            EXPECT_EQ(f, nullptr);
            EXPECT_EQ(lastGeneric(), kUnknown) << length;
        } else if (length < 256) {
            EXPECT_EQ(f, nullptr);
            EXPECT_EQ(lastGeneric(), kShortHeader) << length;
        } else {
            ASSERT_NE(f, nullptr) << length;
            EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), length == bytes.size() ? 4 : -4);
            EXPECT_EQ(values(f.get(), 4).size(), (length - 256) / 4) << length;
            EXPECT_EQ(enumerate(f.get()).count, kKindZeroCount);
            readEverything(f.get());
        }
    }
}

TEST_F(SpcReader, HugePointCountsReadOnlyWhatTheFileHolds) {
    // The first count is the largest 32-bit real accepted.
    for (const float n : {536870784.0f, 1e8f, 2e6f}) {
        SpcSpec spec = fourPoints();
        spec.xnpts = n;
        Handle f = write("huge.spc", spec);
        ASSERT_NE(f, nullptr) << n;
        EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), -static_cast<int>(n));
        EXPECT_EQ(values(f.get(), 1000), (std::vector<float>{1, 2, 3, 4}));
        readEverything(f.get());
    }
}

TEST_F(SpcReader, ExtremeExponentsGiveInfinitiesOrZeros) {
    for (const int iyexp : {INT16_MAX, INT16_MIN, 200, -200}) {
        SpcSpec spec;
        spec.iyexp = static_cast<int16_t>(iyexp);
        spec.data = {-3, 0, 5};
        Handle f = write("e.spc", spec);
        ASSERT_NE(f, nullptr);
        const std::vector<float> v = values(f.get(), 3);
        ASSERT_EQ(v.size(), 3u);
        const float inf = std::numeric_limits<float>::infinity();
        EXPECT_EQ(v, iyexp > 0 ? (std::vector<float>{-inf, 0, inf}) : (std::vector<float>{-0.0f, 0, 0})) << iyexp;
    }
}

TEST_F(SpcReader, FileCutShortWhileOpenIsReadWithinItsNewLength) {
    writeKindZero(dir.file("m4.spc"));
    Handle f = open("m4.spc");
    ASSERT_NE(f, nullptr);
    std::filesystem::resize_file(dir.file("m4.spc"), 100);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), -4);
    EXPECT_EQ(values(f.get(), 4).size(), 0u);
    // The header was read at open.
    EXPECT_EQ(enumerate(f.get()).count, kKindZeroCount);
    readEverything(f.get());
}

TEST_F(SpcReader, MutatedHeadersAreReadWithinBoundsOrRefused) {
    const std::string base = testsupport::spcFileBytes(kindZeroSpec());
    uint32_t state = 12345u;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    int opened = 0;
    for (int round = 0; round < 400; ++round) {
        std::string bytes = base;
        const int edits = 1 + static_cast<int>(next() % 6);
        for (int k = 0; k < edits; ++k) bytes[next() % 16] = static_cast<char>(next() & 0xFF);
        bytes[0] = 0;
        bytes[1] = 'M';
        writeFile(dir.file("m4.spc"), bytes);
        Handle f = open("m4.spc");
        if (f == nullptr) {
            EXPECT_EQ(lastGeneric(), kBadPointCount) << round;
            continue;
        }
        ++opened;
        readEverything(f.get());
    }
    EXPECT_GT(opened, 100);
}

// ---- rgddump -------------------------------------------------------------------------------------

struct DumpRun {
    int status = -1;
    std::string out, err;
};

DumpRun rgddump(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    DumpRun r;
    r.status = dump::runRgddump(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

TEST(SpcRgddump, ShowsARealFileAsSummaryCsvAndPlot) {
    SKIP_WITHOUT_FIXTURES();
    const std::string path = kFixtureDir + "/DOERNER.spc";
    const DumpRun summary = rgddump({path});
    EXPECT_EQ(summary.status, 0);
    EXPECT_EQ(summary.err, "");
    EXPECT_EQ(summary.out, "File:     " + path +
                               "\n"
                               "Format:   SPC\n"
                               "Records:  1\n"
                               "Columns:  1\n"
                               "\n"
                               "Column 1 (data type 0)\n"
                               "  short name:\n"
                               "  label:\n"
                               "  long name:\n"
                               "  units:\n"
                               "  points:      1602 in record 1\n"
                               "  abscissa:    minimum 100, maximum 1800, interval 1.0618363618850708 (cm-1)\n"
                               "\n"
                               "Header of record 1: no fields\n");

    const DumpRun csv = rgddump({path, "--csv", "1"});
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.err, "");
    std::istringstream lines(csv.out);
    std::vector<std::string> rows;
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    ASSERT_EQ(rows.size(), 1603u);
    EXPECT_EQ(rows[0], "wavenumber,column1");
    EXPECT_EQ(rows[1], "100,0");
    EXPECT_EQ(rows[2], "101.06183636188507,-295.1068");
    // The abscissa is xmin + i * interval with the interval as a 32-bit real.
    EXPECT_EQ(rows[1602], "1800.0000153779984,0");

    testsupport::TempDir dir;
    const std::string svg = dir.file("doerner.svg");
    const DumpRun plot = rgddump({path, "--svg", svg});
    EXPECT_EQ(plot.status, 0);
    EXPECT_EQ(plot.err, "");
    const std::string doc = readFile(svg);
    EXPECT_EQ(doc.rfind("<?xml", 0), 0u);
    EXPECT_NE(doc.find("<polyline"), std::string::npos);
    EXPECT_EQ(doc.substr(doc.size() - 7), "</svg>\n");
}

TEST(SpcRgddump, SummaryAndHeaderTableShowTheInstrumentValues) {
    testsupport::TempDir dir;
    const std::string path = dir.file("m4.spc");
    writeKindZero(path);
    const DumpRun summary = rgddump({path});
    EXPECT_EQ(summary.status, 0);
    EXPECT_EQ(summary.err, "");
    const size_t header = summary.out.find("\nHeader of record 1: ");
    ASSERT_NE(header, std::string::npos) << summary.out;
    const std::string fields = summary.out.substr(header + 1);
    EXPECT_EQ(fields.rfind("Header of record 1: 48 fields\n"
                           "  identifier  field name                      units   label\n"
                           "  32779       instrumentUnitNumber                    Instrument Name\n"
                           "  524355      rawDateYYMMDD                   YYMMDD  Date of Data Collection\n",
                           0),
              0u)
        << fields;
    EXPECT_EQ(std::count(fields.begin(), fields.end(), '\n'), 50);
    const std::string last = "\n  524302      avgCountsThermistor12           Counts  Average Counts for Thermistor12\n";
    EXPECT_EQ(fields.substr(fields.size() - last.size()), last);

    const DumpRun meta = rgddump({path, "--meta"});
    EXPECT_EQ(meta.status, 0);
    EXPECT_EQ(meta.err, "");
    std::istringstream lines(meta.out);
    std::string names, row, rest;
    std::getline(lines, names);
    std::getline(lines, row);
    EXPECT_FALSE(std::getline(lines, rest));
    EXPECT_EQ(names.rfind("record  instrumentUnitNumber  rawDateYYMMDD  rawTimeHHMMSS  rawLatitude  rawLongitude", 0),
              0u)
        << names;
    EXPECT_EQ(row.rfind("1       42                    261209         123456         45.1234      -75.1234      100"
                        "          -3                   -56                     0",
                        0),
              0u)
        << row;
}

}  // namespace
