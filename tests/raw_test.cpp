// The raw instrument file reader: header forms, layouts, records of a growing file, metadata
// by field id and descriptions, hostile and truncated files, and rgddump's views of such a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "driver.h"
#include "dumplib/dumpcli.h"
#include "formats/raw/vornform.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"
#include "support/rawbuilder.h"
#include "support/tempdir.h"

using testsupport::RawForm;
using testsupport::RawRecord;

namespace {

constexpr int kNext = 2000000000;
constexpr int kDate = FIELD_dateYYMMDD;
constexpr int kThermistor0 = FIELD_thermistor0;

std::string text(const char* s) { return s != nullptr ? s : "(null)"; }

uint32_t bitsOf(float f) {
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

uint32_t asciiBits(const char* four) {
    uint32_t bits = 0;
    std::memcpy(&bits, four, sizeof bits);
    return bits;
}

class RawReader : public ::testing::Test {
protected:
    void TearDown() override {
        for (ZARFFILE* f : open_) ZARFcloseFile(f);
    }

    // Writes records to a file of the temporary directory and opens it through the library.
    ZARFFILE* openRecords(const std::vector<RawRecord>& records, const std::string& name = "day.raw") {
        path = dir.file(name);
        EXPECT_TRUE(testsupport::writeRawFile(path, records));
        ZARFFILE* f = ZARFopenFileReadable(path.c_str());
        EXPECT_NE(f, nullptr) << text(ZARFlastError(nullptr));
        if (f != nullptr) {
            EXPECT_EQ(f->method, &VORNFORM_Methods);
            open_.push_back(f);
        }
        return f;
    }

    // The driver's own refusal of the records: the library then finds no driver for them.
    std::string refusal(const std::vector<RawRecord>& records) {
        path = dir.file("refused.raw");
        EXPECT_TRUE(testsupport::writeRawFile(path, records));
        lastGenericError = nullptr;
        EXPECT_EQ(ZARFopenFileReadable(path.c_str()), nullptr);
        EXPECT_EQ(text(ZARFlastError(nullptr)), "filetype is unknown");
        EXPECT_EQ(VORNFORM_Methods.openFileReadable(path.c_str()), nullptr);
        return text(ZARFlastError(nullptr));
    }

    static std::vector<float> values(ZARFFILE* f, int record) {
        std::vector<float> v(64, -1.0F);
        const int n = ZARFreadDepValues(f, record, v.data(), static_cast<int>(v.size()));
        v.resize(static_cast<size_t>(std::max(n, 0)));
        return v;
    }

    // Values of the given field ids of a record; ids not delivered come back as NaN.
    static std::vector<float> fields(ZARFFILE* f, int record, std::vector<int> ids, int* count = nullptr) {
        std::vector<float> out(ids.size(), std::nanf(""));
        const int n = ZARFreadRealMetadata(f, record, ids.data(), static_cast<int>(ids.size()), out.data());
        for (size_t i = 0; i < ids.size(); ++i)
            if (ids[i] < 0) out[i] = std::nanf("");
        if (count != nullptr) *count = n;
        return out;
    }

    testsupport::TempDir dir;
    std::string path;

private:
    std::vector<ZARFFILE*> open_;
};

// A record with thermistor, blackbody, emissivity, laser, pressure and site words set to the
// stored form of the same physical values in every form.
RawRecord instrumentRecord(RawForm form) {
    RawRecord r(form, 4);
    const bool integer = form != RawForm::Floating;
    r.set(1, 1).set(3, integer ? 2550 : 25.5).set(11, integer ? 33015 : 330.15).set(14, integer ? 9950 : 0.995);
    r.set(31, integer ? 157980000 : 15798.0).set(73, integer ? 10132 : 1013.2).set(77, integer ? 43250 : 43.25);
    r.set(16, 98).set(17, 12).set(18, 9).set(21, 111111).set(0, 7).set(99, 42);
    r.setData(integer ? std::vector<double>{10, -20, 30, 2147483647} : std::vector<double>{10, -20, 30, 2.5});
    return r;
}

// ---- Header forms ------------------------------------------------------------------------

TEST_F(RawReader, IntegerPlainSwappedAndFloatingHeadersGiveTheSameValues) {
    const std::vector<int> ids = {FIELD_channelNumber,       kThermistor0,  0x88007, 0x8800A, 0x88005,
                                  FIELD_atmosphericPressure, FIELD_Latitude};
    const std::vector<float> expected = {1.0F, 25.5F, 330.15F, 0.995F, 15798.0F, 1013.2F, 43.25F};
    for (RawForm form : {RawForm::Integer, RawForm::Swapped, RawForm::Floating}) {
        SCOPED_TRACE(static_cast<int>(form));
        ZARFFILE* f = openRecords({instrumentRecord(form)}, "form" + std::to_string(static_cast<int>(form)));
        ASSERT_NE(f, nullptr);
        int count = 0;
        EXPECT_EQ(fields(f, 1, ids, &count), expected);
        EXPECT_EQ(count, 7);
        float minimum = 0, maximum = 0, interval = 0;
        ASSERT_EQ(ZARFreadIndDomain(f, 1, &minimum, &maximum, &interval), 1);
        EXPECT_EQ(minimum, 500.0F);
        EXPECT_EQ(maximum, 501.5F);
        EXPECT_EQ(interval, 0.5F);
        const float last = form == RawForm::Floating ? 2.5F : 2147483647.0F;
        EXPECT_EQ(values(f, 1), (std::vector<float>{10, -20, 30, last}));
    }
}

TEST_F(RawReader, AsciiWordsAreCarriedAsTheirFileBytes) {
    for (RawForm form : {RawForm::Integer, RawForm::Swapped, RawForm::Floating}) {
        SCOPED_TRACE(static_cast<int>(form));
        ZARFFILE* f = openRecords({instrumentRecord(form)}, "ascii" + std::to_string(static_cast<int>(form)));
        ASSERT_NE(f, nullptr);
        const std::vector<float> v = fields(f, 1, {65537 + 19, 65537 + 37, 65537 + 38});
        EXPECT_EQ(bitsOf(v[0]), asciiBits(form == RawForm::Swapped ? "FRAZ" : "ZARF"));
        EXPECT_EQ(bitsOf(v[1]), asciiBits("VORN"));
        EXPECT_EQ(bitsOf(v[2]), asciiBits("0001"));
    }
}

TEST_F(RawReader, FloatingHeaderIsNeitherScaledNorVersionChecked) {
    RawRecord r(RawForm::Floating, 4);
    r.set(20, 7.0).set(3, 2550).set(27, 0);
    ZARFFILE* f = openRecords({r});
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fields(f, 1, {kThermistor0, 65537 + 20}), (std::vector<float>{2550.0F, 7.0F}));
    EXPECT_EQ(values(f, 1).size(), 4u);  // a floating-form scale factor is not used
}

TEST_F(RawReader, IntegerVersionAbove100IsRefusedAndExactly100Accepted) {
    RawRecord r(RawForm::Integer, 4);
    r.set(20, 101);
    EXPECT_EQ(refusal({r}), "could not read header");
    r.set(20, 100);
    EXPECT_NE(openRecords({r}), nullptr);
}

TEST_F(RawReader, ReversedWordCountWithoutTheReversedStampIsReadUnswapped) {
    RawRecord r(RawForm::Swapped, 4);
    r.setText(19, "ZARF").setBits(20, 100);  // version 1.00 readable only unswapped
    EXPECT_EQ(refusal({r}), "could not determine stats");  // word 36 reads 0x64000000
}

// ---- Layouts -----------------------------------------------------------------------------

TEST_F(RawReader, RecordOfTwiceThePointCountPlus100WordsHoldsTwoValuesPerPoint) {
    RawRecord r(RawForm::Integer, 3);
    r.set(35, 2 * 3 + 100).setData({1, 2, 3, 4, 5, 6});
    ZARFFILE* f = openRecords({r});
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordSize(f, 1), 6);
    EXPECT_EQ(values(f, 1), (std::vector<float>{1, 2, 3, 4, 5, 6}));
}

TEST_F(RawReader, FloatingRecordTooSmallForFourBytePointsHoldsSixteenBitPoints) {
    RawRecord r(RawForm::Floating, 1000, 600.0, 1.0);  // xmax = 1599
    r.set(35, 700).set(32, 123.0);
    std::vector<int16_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<int16_t>(static_cast<int>(i) * 37 - 20000);
    r.setData16(data);
    ZARFFILE* f = openRecords({r});
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordSize(f, 1), 1000);
    std::vector<float> v(1000);
    ASSERT_EQ(ZARFreadDepValues(f, 1, v.data(), 1000), 1000);
    EXPECT_EQ(v[0], -20000.0F);
    EXPECT_EQ(v[999], static_cast<float>(999 * 37 - 20000));
    float minimum = 0, maximum = 0, interval = 0;
    ASSERT_EQ(ZARFreadIndDomain(f, 1, &minimum, &maximum, &interval), 1);
    EXPECT_EQ(interval, (1599.0F - 600.0F) / 999.0F);  // not word 32
}

TEST_F(RawReader, IntegerDataAreDividedByTheScaleFactor) {
    RawRecord r(RawForm::Integer, 2);
    r.set(27, 100).setData({12345, -7});
    ZARFFILE* f = openRecords({r});
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(values(f, 1), (std::vector<float>{12345.0F / 100.0F, -7.0F / 100.0F}));
}

TEST_F(RawReader, ScaleFactorZeroRefusesTheValuesButNotTheHeader) {
    RawRecord good(RawForm::Integer, 2);
    good.setData({5, 6});
    RawRecord zero = good;
    zero.set(27, 0).set(3, 2000);
    ZARFFILE* f = openRecords({good, zero});
    ASSERT_NE(f, nullptr);
    float v[2] = {-1.0F, -1.0F};
    EXPECT_EQ(ZARFreadDepValues(f, 2, v, 2), 0);
    EXPECT_EQ(text(ZARFlastError(f)), "could not read points");
    EXPECT_EQ(v[0], -1.0F);
    EXPECT_EQ(fields(f, 2, {kThermistor0}), (std::vector<float>{20.0F}));
    EXPECT_EQ(values(f, 1), (std::vector<float>{5, 6}));
}

TEST_F(RawReader, DataWordsBeyondTheirRecordAreRefused) {
    RawRecord r(RawForm::Integer, 200);
    r.set(35, 150);  // 200 four-byte points in a record of 50 data words
    EXPECT_EQ(refusal({r, r, r, r, r}), "could not determine stats");
}

// ---- Records -----------------------------------------------------------------------------

TEST_F(RawReader, RecordZeroAndRecordsPastTheEndAreUnavailable) {
    RawRecord first(RawForm::Integer, 2);
    first.setData({1, 2}).set(3, 100);
    RawRecord second(RawForm::Integer, 2, 700.0, 1.0);
    second.setData({3, 4}).set(3, 200);
    ZARFFILE* f = openRecords({first, second});
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f), 2);
    for (int record : {0, 3, -1, INT_MAX}) {
        SCOPED_TRACE(record);
        EXPECT_EQ(ZARFreadRecordSize(f, record), 0);
        float v[2];
        f->lastError = nullptr;
        EXPECT_EQ(ZARFreadDepValues(f, record, v, 2), 0);
        EXPECT_EQ(text(ZARFlastError(f)), "record requested is unavailable");
        f->lastError = nullptr;
        int id = kThermistor0;
        EXPECT_EQ(ZARFreadRealMetadata(f, record, &id, 1, v), 0);
        EXPECT_EQ(text(ZARFlastError(f)), "record requested is unavailable");
    }
    // The domain answers for the nearest record instead.
    float minimum = 0, maximum = 0, interval = 0;
    ASSERT_EQ(ZARFreadIndDomain(f, 9, &minimum, &maximum, &interval), 1);
    EXPECT_EQ(minimum, 700.0F);
    ASSERT_EQ(ZARFreadIndDomain(f, 0, &minimum, &maximum, &interval), 1);
    EXPECT_EQ(minimum, 500.0F);
    EXPECT_EQ(values(f, 2), (std::vector<float>{3, 4}));
    EXPECT_EQ(fields(f, 2, {kThermistor0}), (std::vector<float>{2.0F}));
}

TEST_F(RawReader, FileGrowingThroughOneOpenHandleGainsRecords) {
    RawRecord r(RawForm::Integer, 2);
    r.setData({1, 2});
    ZARFFILE* f = openRecords({r});
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f), 1);
    RawRecord next = r;
    next.setData({3, 4});
    const std::string bytes = next.bytes();
    ASSERT_TRUE(testsupport::appendRawBytes(path, bytes.substr(0, 401)));
    EXPECT_EQ(ZARFreadRecordCount(f), 1);  // a partial record does not count
    EXPECT_EQ(values(f, 2), std::vector<float>{});
    ASSERT_TRUE(testsupport::appendRawBytes(path, bytes.substr(401)));
    next.setData({5, 6});
    ASSERT_TRUE(testsupport::appendRawBytes(path, next.bytes()));
    EXPECT_EQ(ZARFreadRecordCount(f), 3);
    EXPECT_EQ(ZARFreadRecordSize(f, 3), 2);
    EXPECT_EQ(values(f, 3), (std::vector<float>{5, 6}));
    EXPECT_EQ(values(f, 2), (std::vector<float>{3, 4}));
}

TEST_F(RawReader, FileShorterThanOneRecordOpensOnceTheRecordIsComplete) {
    RawRecord r(RawForm::Integer, 2);
    const std::string bytes = r.bytes();
    path = dir.file("new.raw");
    ASSERT_TRUE(testsupport::appendRawBytes(path, bytes.substr(0, bytes.size() - 1)));
    EXPECT_EQ(VORNFORM_Methods.openFileReadable(path.c_str()), nullptr);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "could not determine stats");
    ASSERT_TRUE(testsupport::appendRawBytes(path, bytes.substr(bytes.size() - 1)));
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f), 1);
    ZARFcloseFile(f);
}

TEST_F(RawReader, RecordOutgrowingTheBuffersOfRecordOneIsRefusedAndTheFileStaysUsable) {
    RawRecord first(RawForm::Floating, 100);
    first.set(35, 200).setData(std::vector<double>(100, 1.5));
    RawRecord longer(RawForm::Floating, 160);  // 16-bit points: more than record 1 holds
    longer.set(35, 200).setData16(std::vector<int16_t>(160, 3));
    RawRecord resized(RawForm::Floating, 50);  // a record size of 796 bytes, stored in 800
    resized.set(35, 199).setData(std::vector<double>(50, 1.0));
    RawRecord fewer(RawForm::Floating, 60);  // fewer points fit
    fewer.set(35, 200).setData(std::vector<double>(60, 2.5));
    path = dir.file("mixed.raw");
    testsupport::writeFile(path, first.bytes() + longer.bytes() + resized.bytes() + std::string(4, '\0') + fewer.bytes());
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr);
    std::vector<float> v(200);
    for (int record : {2, 3}) {
        EXPECT_EQ(ZARFreadDepValues(f, record, v.data(), 200), 0);
        EXPECT_EQ(text(ZARFlastError(f)), "record layout differs from that of record 1");
        EXPECT_EQ(ZARFreadRecordSize(f, record), 100);  // the last good layout
    }
    EXPECT_EQ(ZARFreadDepValues(f, 4, v.data(), 200), 60);
    EXPECT_EQ(v[59], 2.5F);
    EXPECT_EQ(ZARFreadDepValues(f, 1, v.data(), 200), 100);
    EXPECT_EQ(v[99], 1.5F);
    EXPECT_EQ(ZARFreadRecordCount(f), 4);
    ZARFcloseFile(f);
}

TEST_F(RawReader, ShrunkenFileFailsReadsWithoutLosingTheHandle) {
    RawRecord r(RawForm::Integer, 2);
    r.setData({1, 2});
    ZARFFILE* f = openRecords({r, r});
    ASSERT_NE(f, nullptr);
    const auto recordSize = r.bytes().size();
    std::filesystem::resize_file(path, recordSize + 100);
    float v[2];
    EXPECT_EQ(ZARFreadDepValues(f, 2, v, 2), 0);
    EXPECT_EQ(text(ZARFlastError(f)), "record requested is unavailable");
    std::filesystem::resize_file(path, recordSize - 1);
    EXPECT_EQ(ZARFreadRecordCount(f), 0);
    EXPECT_EQ(ZARFreadDepValues(f, 1, v, 2), 0);
    EXPECT_EQ(text(ZARFlastError(f)), "could not check header information");
    std::filesystem::resize_file(path, 100);
    EXPECT_EQ(ZARFreadDepValues(f, 1, v, 2), 0);
    EXPECT_EQ(text(ZARFlastError(f)), "could not read in the header");
    ASSERT_TRUE(testsupport::writeRawFile(path, {r}));
    EXPECT_EQ(values(f, 1), (std::vector<float>{1, 2}));
}

// The reader keeps the header it decoded last and reuses it for bytes equal to it: a header
// rewritten in place under the open handle must be read as it stands now, refused when its
// new form is refused, and read again once it is restored.
TEST_F(RawReader, HeaderRewrittenInPlaceIsReadAsItStandsNow) {
    RawRecord r(RawForm::Integer, 2);
    r.set(3, 2550).setData({1, 2});
    ZARFFILE* f = openRecords({r, r});
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fields(f, 2, {kThermistor0})[0], 25.5F);
    RawRecord warmer = r;
    warmer.set(3, 3075);
    RawRecord refused = r;
    refused.set(20, 101);  // format version 1.01
    for (const auto& [second, thermistor] : {std::pair{warmer, 30.75F}, std::pair{refused, NAN}, std::pair{r, 25.5F}}) {
        ASSERT_TRUE(testsupport::writeRawFile(path, {r, second}));
        int count = 0;
        const float got = fields(f, 2, {kThermistor0}, &count)[0];
        if (std::isnan(thermistor)) {
            EXPECT_EQ(count, 0);
            EXPECT_EQ(text(ZARFlastError(f)), "could not read in the header");
        } else {
            EXPECT_EQ(got, thermistor);
        }
        EXPECT_EQ(fields(f, 1, {kThermistor0})[0], 25.5F);
    }
}

TEST_F(RawReader, NameLongerThan127CharactersIsKeptWhole) {
    const std::filesystem::path deep = dir.path() / std::string(100, 'd') / std::string(100, 'e');
    std::filesystem::create_directories(deep);
    ASSERT_TRUE(testsupport::writeMinimalRawFile((deep / "x.raw").string()));
    ZARFFILE* f = ZARFopenFileReadable((deep / "x.raw").c_str());
    ASSERT_NE(f, nullptr) << text(ZARFlastError(nullptr));
    EXPECT_EQ(values(f, 1), (std::vector<float>{10, 20, 30, 40}));
    ZARFcloseFile(f);
}

// ---- Metadata by field id ----------------------------------------------------------------

TEST_F(RawReader, DateIsComputedAndDirectWordsReachEveryWord) {
    ZARFFILE* f = openRecords({instrumentRecord(RawForm::Integer)});
    ASSERT_NE(f, nullptr);
    std::vector<int> ids = {kDate, 65537, 65636, 65537 + 3, 65536, 65637, 0x88888, INT_MIN};
    std::vector<float> v(ids.size(), -1.0F);
    EXPECT_EQ(ZARFreadRealMetadata(f, 1, ids.data(), static_cast<int>(ids.size()), v.data()), 4);
    EXPECT_EQ(ids, (std::vector<int>{kDate, 65537, 65636, 65537 + 3, -65536, -65637, -0x88888, INT_MIN}));
    EXPECT_EQ(std::vector<float>(v.begin(), v.begin() + 4), (std::vector<float>{981209.0F, 7.0F, 42.0F, 25.5F}));
    EXPECT_EQ(v[4], -1.0F);  // nothing written for a field not delivered
}

TEST_F(RawReader, RepeatedNextFieldRequestsWalkTheVornMapInWordOrder) {
    ZARFFILE* f = openRecords({instrumentRecord(RawForm::Integer)});
    ASSERT_NE(f, nullptr);
    const std::vector<int> vornIds = {
        FIELD_channelNumber, FIELD_sceneMirrorPosition, FIELD_thermistor0, FIELD_thermistor1, FIELD_thermistor2,
        FIELD_thermistor3, FIELD_thermistor4, FIELD_thermistor5, FIELD_thermistor6, FIELD_thermistor7, 0x88007, 0x88008,
        0x88009, 0x8800A, 0x8800B, FIELD_dateYYMMDD, FIELD_timeHHMMSS, FIELD_missingDataFlag, 0x88001,
        FIELD_coadditionsCount, 0x88005, FIELD_FFOVhalfAngle, FIELD_QUINTwgt, FIELD_QUINTeff, FIELD_QUINTfback,
        FIELD_QUINThzpd0, FIELD_QUINTczpd0, FIELD_QUINTnmax, FIELD_QUINTan1, FIELD_QUINTan2, 0x8009, FIELD_thermistor8,
        FIELD_thermistor9, FIELD_thermistor10, FIELD_thermistor11, FIELD_atmosphericPressure,
        FIELD_atmosphericRelativeHumidity, FIELD_thermistor12, FIELD_thermistor13, FIELD_Latitude, FIELD_Longitude,
        FIELD_Altitude};
    EXPECT_EQ(ZARFqueryMaxMetadataCount(f, 1), 100);
    std::vector<int> ids(100, kNext);
    std::vector<float> v(100, -1.0F);
    EXPECT_EQ(ZARFreadRealMetadata(f, 1, ids.data(), 100, v.data()), 42);
    std::vector<int> expected = vornIds;
    expected.resize(100, -kNext);
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(v[2], 25.5F);
    EXPECT_EQ(v[15], 981209.0F);  // the date, computed

    // Other requests between them neither use nor advance the walk.
    std::vector<int> mixed = {kNext, kThermistor0, kNext};
    EXPECT_EQ(ZARFreadRealMetadata(f, 1, mixed.data(), 3, v.data()), 3);
    EXPECT_EQ(mixed, (std::vector<int>{FIELD_channelNumber, kThermistor0, FIELD_sceneMirrorPosition}));
}

TEST_F(RawReader, OtherInstrumentStampSelectsTheZephMap) {
    RawRecord zeph = instrumentRecord(RawForm::Integer);
    zeph.setText(37, "ZEPH").set(50, 4321).set(77, 5).set(76, 6);
    RawRecord nrov = instrumentRecord(RawForm::Integer);
    nrov.setText(37, "NROV");
    ZARFFILE* f = openRecords({zeph, nrov});
    ASSERT_NE(f, nullptr);
    int count = 0;
    const std::vector<float> v =
        fields(f, 1, {FIELD_scanDirection, kThermistor0, FIELD_Latitude, 0x180032, kDate}, &count);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(v[0], 25.5F);
    EXPECT_TRUE(std::isnan(v[1]));  // a VORN-only id
    EXPECT_EQ(v[2], 4321.0F);       // word 50 under the ZEPH map
    EXPECT_FLOAT_EQ(v[3], 0.005F);  // the shared id reaches the later word, 77
    EXPECT_EQ(v[4], 981209.0F);
    std::vector<int> walk(60, kNext);
    std::vector<float> values60(60);
    EXPECT_EQ(ZARFreadRealMetadata(f, 1, walk.data(), 60, values60.data()), 60);
    EXPECT_EQ(std::vector<int>(walk.begin(), walk.begin() + 4),
              (std::vector<int>{FIELD_channelNumber, FIELD_sceneMirrorPosition, FIELD_scanDirection, 0x180002}));
    EXPECT_EQ(walk[37], FIELD_Heading);  // word 53
    EXPECT_EQ(walk[38], 0x18001D);  // word 54
    EXPECT_EQ(fields(f, 2, {kThermistor0}), (std::vector<float>{25.5F}));  // "NROV" is a VORN file
}

TEST_F(RawReader, DescriptionsOfTheFourTypes) {
    ZARFFILE* f = openRecords({instrumentRecord(RawForm::Integer)});
    ASSERT_NE(f, nullptr);
    struct Case {
        int id;
        int type;
        const char* expected;
    };
    for (const Case& c : {Case{kThermistor0, 1, "thermistor0"}, Case{kThermistor0, 3, "Ambient Air near BBs"},
                          Case{kThermistor0, 4, "Celsius"}, Case{kThermistor0, 5, "1e-2"},
                          Case{FIELD_Latitude, 3, "Site Latitude  (Positive North)"}, Case{FIELD_Latitude, 5, "1e-5"},
                          Case{kDate, 1, "dateYYMMDD"}, Case{kDate, 5, "1e0"}, Case{FIELD_channelNumber, 4, ""}}) {
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(ZARFreadMetadataStringDesc(f, 1, c.id, c.type, buffer, 63), 1);
        buffer[63] = '\0';
        EXPECT_EQ(std::string(buffer), c.expected) << c.id << " type " << c.type;
    }
    char cut[8];
    std::memset(cut, 'x', sizeof cut);
    EXPECT_EQ(ZARFreadMetadataStringDesc(f, 1, kThermistor0, 3, cut, 5), 1);
    EXPECT_EQ(std::string(cut, 8), "Ambiexxx");  // at most the buffer size, nothing beyond

    char buffer[64] = {};
    EXPECT_EQ(ZARFreadMetadataStringDesc(f, 1, kThermistor0, 2, buffer, 64), 0);
    EXPECT_EQ(text(ZARFlastError(f)), "description type requested is bad or unavailable");
    for (int id : std::initializer_list<int>{65537, FIELD_scanDirection, 0}) {
        f->lastError = nullptr;
        EXPECT_EQ(ZARFreadMetadataStringDesc(f, 1, id, 1, buffer, 64), 0);
        EXPECT_EQ(text(ZARFlastError(f)), "field provided is bad or unavailable");
    }
}

TEST_F(RawReader, WritingIsUnsupported) {
    ZARFFILE* f = openRecords({instrumentRecord(RawForm::Integer)});
    ASSERT_NE(f, nullptr);
    const float data[4] = {};
    EXPECT_EQ(ZARFwriteCompleteRecord(f, 2, nullptr, nullptr, 0, nullptr, 0, nullptr, data, 4), 0);
    EXPECT_EQ(text(ZARFlastError(f)), "writing to this file type is unsupported");
}

TEST(RawScaleFactors, TableForVersionOneOnlyAndLargeEnough) {
    std::vector<double> table(101, -1.0);
    int count = -1;
    const int version = 1;
    const int size = 100;
    vornform::VOGHSF(&version, &size, &count, table.data());
    ASSERT_EQ(count, 100);
    EXPECT_EQ(table[3], 100.0);    // thermistor0
    EXPECT_EQ(table[32], 1e8);     // interval
    EXPECT_EQ(table[47], 1e14);    // QUINT_an2
    EXPECT_EQ(table[0], 1.0);      // named, no divisor
    EXPECT_EQ(table[19], 1.0);     // ASCII stamp
    EXPECT_EQ(table[48], 0.0);     // unnamed
    EXPECT_EQ(table[100], -1.0);   // nothing beyond the 100 words
    for (auto [v, s] : {std::pair{2, 100}, std::pair{1, 99}}) {
        std::vector<double> untouched(100, -1.0);
        count = -1;
        vornform::VOGHSF(&v, &s, &count, untouched.data());
        EXPECT_EQ(count, 0);
        EXPECT_EQ(untouched[3], -1.0);
    }
}

TEST_F(RawReader, RawFileNamedLikeAnMltTableGoesToTheEarlierMltDriver) {
    path = dir.file("spectra.dat");
    ASSERT_TRUE(testsupport::writeMinimalRawFile(path));
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->method, &MLT_Methods);
    ZARFcloseFile(f);
}

// ---- Corrupted input ---------------------------------------------------------------------

TEST_F(RawReader, TruncationAtEveryByteOpensOnlyCompleteRecords) {
    RawRecord r(RawForm::Integer, 4);
    r.setData({10, 20, 30, 40});
    RawRecord s = r;
    s.setData({50, 60, 70, 80});
    const std::string whole = r.bytes() + s.bytes();
    const size_t recordSize = r.bytes().size();
    const std::string cut = dir.file("cut.raw");
    testsupport::writeFile(cut, whole);
    // From the whole file down to nothing, cutting in place (rewriting a file each time is slow).
    for (size_t length = whole.size() + 1; length-- > 0;) {
        std::filesystem::resize_file(cut, length);
        ZARFFILE* f = ZARFopenFileReadable(cut.c_str());
        if (length < recordSize) {
            ASSERT_EQ(f, nullptr) << length;
            continue;
        }
        ASSERT_NE(f, nullptr) << length;
        const int records = static_cast<int>(length / recordSize);
        EXPECT_EQ(ZARFreadRecordCount(f), records);
        EXPECT_EQ(values(f, 1), (std::vector<float>{10, 20, 30, 40}));
        EXPECT_EQ(values(f, 2), records == 2 ? (std::vector<float>{50, 60, 70, 80}) : std::vector<float>{});
        ZARFcloseFile(f);
    }
}

TEST_F(RawReader, AbsurdCountsAndSizesAreRefused) {
    struct Case {
        const char* what;
        RawForm form;
        int word;
        double value;
    };
    const Case cases[] = {
        {"no points", RawForm::Integer, 30, 0},
        {"negative points", RawForm::Integer, 30, -5},
        {"points beyond the record", RawForm::Integer, 30, INT_MAX},
        {"record beyond the file", RawForm::Integer, 35, INT_MAX},
        {"record size overflowing 32 bits", RawForm::Integer, 35, 0x40000001},
        {"negative record size", RawForm::Integer, 35, -1},
        {"record of the header alone", RawForm::Integer, 35, 100},
        {"header of 99 words", RawForm::Integer, 36, 99},
        {"minimum above maximum", RawForm::Integer, 33, 600 * 1e5},
        {"real point count beyond 32 bits", RawForm::Floating, 30, 1e30},
        {"real record size beyond 32 bits", RawForm::Floating, 35, -1e30},
        {"infinite maximum", RawForm::Floating, 34, std::numeric_limits<double>::infinity()},
        {"not a number of points", RawForm::Floating, 30, std::nan("")},
        {"not a number as minimum", RawForm::Floating, 33, std::nan("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RawRecord r(c.form, 4);
        r.set(c.word, c.value).setData({1, 2, 3, 4});
        EXPECT_EQ(refusal({r, r}), "could not determine stats");
    }
}

TEST_F(RawReader, WrongStampsAndRandomBytesAreNotTakenForRawFiles) {
    RawRecord notSwapped(RawForm::Integer, 4);
    notSwapped.setText(19, "FRAZ");  // a reversed stamp on a file that is not swapped
    EXPECT_EQ(refusal({notSwapped}), "could not read header");  // its version, reversed, is far above 1.00
    RawRecord noCount(RawForm::Integer, 4);
    noCount.setText(36, "ZARF");  // neither form's header word count
    EXPECT_EQ(refusal({noCount}), "could not determine stats");
    std::string noise(4096, '\0');
    uint32_t seed = 12345;
    for (char& ch : noise) {
        seed = seed * 1103515245u + 12345u;
        ch = static_cast<char>(seed >> 24);
    }
    path = dir.file("noise.bin");
    testsupport::writeFile(path, noise);
    lastGenericError = nullptr;
    EXPECT_EQ(ZARFopenFileReadable(path.c_str()), nullptr);
    EXPECT_EQ(text(ZARFlastError(nullptr)), "filetype is unknown");
}

TEST_F(RawReader, EveryHeaderByteMutatedIsReadWithinBoundsOrRefused) {
    RawRecord r = instrumentRecord(RawForm::Integer);
    const std::string good = r.bytes();
    const std::string mutated = dir.file("mutated.raw");
    testsupport::writeFile(mutated, good + good);
    std::fstream patch(mutated, std::ios::in | std::ios::out | std::ios::binary);
    // Each header byte of record 1 (what the open sees) and of record 2 (what a read sees),
    // changed in place and restored afterwards.
    const auto put = [&patch](size_t at, char byte) {
        patch.seekp(static_cast<std::streamoff>(at));
        patch.put(byte);
        patch.flush();
    };
    for (size_t offset = 0; offset < 400; ++offset) {
        for (int value : {0x00, 0x7F, 0x80, 0xFF}) {
            const size_t at = offset + ((value & 1) != 0 ? good.size() : 0);
            put(at, static_cast<char>(value));
            if (ZARFFILE* f = ZARFopenFileReadable(mutated.c_str())) {
                const int records = ZARFreadRecordCount(f);
                EXPECT_LE(records, 2);
                for (int record = 1; record <= records; ++record) {
                    std::vector<float> v(64);
                    EXPECT_LE(ZARFreadDepValues(f, record, v.data(), 64), 64);
                    std::vector<int> ids(100, kNext);
                    std::vector<float> m(100);
                    EXPECT_LE(ZARFreadRealMetadata(f, record, ids.data(), 100, m.data()), 100);
                    float lo = 0, hi = 0, step = 0;
                    ZARFreadIndDomain(f, record, &lo, &hi, &step);
                }
                ZARFcloseFile(f);
            }
            put(at, good[offset]);
        }
    }
}

// ---- rgddump on a raw file ---------------------------------------------------------------

class RawDump : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testsupport::writeMinimalRawFile(file));
    }

    int run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return dump::runRgddump(args, out, err);
    }

    testsupport::TempDir dir;
    std::string file = dir.file("day.raw");
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(RawDump, SummaryValuesCsvAndPlotOfARawFile) {
    ASSERT_EQ(run({file}), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    const std::string fieldRows =
        "  32778       channelNumber\n"
        "  557062      mirrorPositionASCIIChar\n"
        "  557120      thermistor0              Celsius\n"
        "  557121      thermistor1              Celsius\n"
        "  557122      thermistor2              Celsius\n"
        "  557123      thermistor3              Celsius\n"
        "  557124      thermistor4              Celsius\n"
        "  557125      thermistor5              Celsius\n"
        "  557126      thermistor6              Celsius\n"
        "  557127      thermistor7              Celsius\n"
        "  557063      hotBBTemp                Kelvin\n"
        "  557064      coldBBTemp               Kelvin\n"
        "  557065      reflectedTemp            Kelvin\n"
        "  557066      warmBBEmissivity\n"
        "  557067      coldBBEmissivity\n"
        "  32769       dateYYMMDD               YYMMDD\n"
        "  32770       timeHHMMSS               HHMMSS\n"
        "  32780       missingDataFlag\n"
        "  557057      apodization\n"
        "  557060      coadditionsCount         Scans\n"
        "  557061      effLaserWavenumber       cm-1\n"
        "  557059      FFOVHalfAngle            Radians\n"
        "  557088      QUINT_wgt\n"
        "  557089      QUINT_eff\n"
        "  557090      QUINT_fback\n"
        "  557091      QUINT_hzpd0\n"
        "  557092      QUINT_czpd0\n"
        "  557093      QUINT_nmax\n"
        "  557094      QUINT_an1\n"
        "  557095      QUINT_an2\n"
        "  32777       ViewAngle                Degrees\n"
        "  557128      thermistor8              Celsius\n"
        "  557129      thermistor9              Celsius\n"
        "  557130      thermistor10             Celsius\n"
        "  557131      thermistor11             Celsius\n"
        "  32775       pressure                 hPa\n"
        "  32776       relativeHumidity         Percent\n"
        "  557132      thermistor12\n"
        "  557133      thermistor13\n"
        "  32771       siteLatitude             Degrees\n"
        "  32772       siteLongitude            Degrees\n"
        "  32773       siteAltitude             Meters\n";
    EXPECT_EQ(out.str(), "File:     " + file +
                             "\n"
                             "Format:   raw instrument\n"
                             "Records:  1\n"
                             "Columns:  1\n"
                             "\n"
                             "Column 1 (data type 0)\n"
                             "  short name:\n"
                             "  label:\n"
                             "  long name:\n"
                             "  units:\n"
                             "  points:      4 in record 1\n"
                             "  abscissa:    minimum 500, maximum 501.5, interval 0.5 (cm-1)\n"
                             "\n"
                             "Header of record 1: 42 fields\n"
                             "  identifier  field name               units    label\n" +
                             fieldRows);

    ASSERT_EQ(run({file, "--csv", "1"}), 0) << err.str();
    EXPECT_EQ(out.str(), "wavenumber,column1\n500,10\n500.5,20\n501,30\n501.5,40\n");

    ASSERT_EQ(run({file, "--svg", "-"}), 0) << err.str();
    const std::string svg = out.str();
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find(">day.raw: column 1<"), std::string::npos);
    EXPECT_NE(svg.find(">Wavenumber (cm-1)<"), std::string::npos);
    EXPECT_NE(svg.find(">Record 1<"), std::string::npos);

    EXPECT_EQ(run({file, "--csv", "2"}), 2);
    EXPECT_EQ(err.str(), "rgddump: record 2 is out of range (the file has 1 record)\n"
                         "Try 'rgddump --help' for more information.\n");
}

}  // namespace
