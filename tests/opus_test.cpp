// The OPUS reader: real files written by the OPUS software (values from their expected.json),
// files written by the tests (recognition, block pairing, record rules, growth, dates, metadata,
// refusals and the diagnostic trace), damaged files, and rgddump showing a real file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver.h"
#include "dumplib/dumpcli.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"
#include "support/jsonvalue.h"
#include "support/opusbuilder.h"
#include "support/tempdir.h"

using testsupport::JsonValue;
using testsupport::OpusBlock;
using testsupport::OpusImage;
using testsupport::OpusParameter;
using testsupport::opusFloatBlock;
using testsupport::opusStatusBlock;

namespace {

constexpr int NextField = 2000000000;
constexpr int DateField = FIELD_dateYYMMDD;
constexpr int TimeField = FIELD_timeHHMMSS;
constexpr int MirrorField = FIELD_sceneMirrorPosition;

const std::string kFixtureDir = std::string(EXTERNAL_FIXTURES_DIR) + "/opus";

// The reader prints a diagnostic trace on standard output; tests keep it out of their
// report and may look at it. GoogleTest reports failures on standard output too: what was
// captured goes to standard error when the test has failed.
class CapturedStdout {
public:
    CapturedStdout() { testing::internal::CaptureStdout(); }
    ~CapturedStdout() {
        if (taken_) return;
        const std::string text = testing::internal::GetCapturedStdout();
        if (testing::Test::HasFailure()) std::fputs(text.c_str(), stderr);
    }
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;
    std::string take() {
        taken_ = true;
        return testing::internal::GetCapturedStdout();
    }

private:
    bool taken_ = false;
};

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void appendBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// An OPUS file opened through the library, closed at the end of the test.
class Opened {
public:
    explicit Opened(const std::string& path) { file_ = ZARFopenFileReadable(path.c_str()); }
    ~Opened() {
        if (file_ != nullptr) ZARFcloseFile(file_);
    }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;
    ZARFFILE* get() const { return file_; }

private:
    ZARFFILE* file_ = nullptr;
};

std::vector<float> values(ZARFFILE* f, int record, int arraysize = 64) {
    std::vector<float> v(static_cast<size_t>(arraysize), -1.0f);
    const int got = ZARFreadDepValues(f, record, v.data(), arraysize);
    v.resize(static_cast<size_t>(got > 0 ? got : 0));
    return v;
}

struct Domain {
    float minimum = 0.0f;
    float maximum = 0.0f;
    float interval = 0.0f;
    bool operator==(const Domain&) const = default;
};

Domain domain(ZARFFILE* f, int record) {
    Domain d;
    EXPECT_EQ(ZARFreadIndDomain(f, record, &d.minimum, &d.maximum, &d.interval), 1);
    return d;
}

// The record sizes of every record of an open file.
std::vector<int> recordSizes(ZARFFILE* f) {
    std::vector<int> sizes;
    const int n = ZARFreadRecordCount(f);
    for (int r = 1; r <= n; ++r) sizes.push_back(ZARFreadRecordSize(f, r));
    return sizes;
}

// The record sizes of a file made of these blocks.
std::vector<int> recordSizesOf(const std::vector<OpusBlock>& blocks) {
    testsupport::TempDir dir;
    const std::string path = dir.file("blocks.0");
    writeBytes(path, testsupport::buildOpusFile(blocks).bytes);
    CapturedStdout quiet;
    Opened f(path);
    if (f.get() == nullptr) return {-1};
    return recordSizes(f.get());
}

// The date of a record whose status holds none that can be read: the quiet NaN.
const float MissingDate = [] {
    const uint32_t pattern = 0x7FC00000u;
    float v = 0.0f;
    std::memcpy(&v, &pattern, sizeof v);
    return v;
}();

uint32_t bitsOf(float v) {
    uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// dateYYMMDD and timeHHMMSS of record 1 of an open file.
std::pair<float, float> dateAndTime(ZARFFILE* f) {
    int ids[] = {DateField, TimeField};
    float got[2] = {};
    EXPECT_EQ(ZARFreadRealMetadata(f, 1, ids, 2, got), 2);
    return {got[0], got[1]};
}

OpusBlock data(uint32_t type, std::vector<float> v) { return OpusBlock{type, opusFloatBlock(v)}; }
OpusBlock status(uint32_t type, int points, double first = 1000.0, double last = 400.0, int format = 1) {
    return OpusBlock{type, opusStatusBlock(points, first, last, format)};
}

// ---- Real files written by the OPUS software ----------------------------------------------

const JsonValue& expectedValues() {
    static const JsonValue doc = [] {
        std::ifstream in(kFixtureDir + "/expected.json");
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        JsonValue v = JsonValue::parse(text.str(), &error);
        EXPECT_EQ(error, "") << "expected.json is malformed";
        return v;
    }();
    return doc;
}

// The data blocks that are records: every data block, those without a status of their own
// type (the peak tables and structures after the spectra) with the last status before them.
std::vector<const JsonValue*> expectedRecords(const JsonValue& file) {
    std::vector<const JsonValue*> kept;
    for (const JsonValue& r : file["records"].items()) kept.push_back(&r);
    return kept;
}

// "DD/MM/YYYY" and "HH:MM:SS..." as dateYYMMDD and timeHHMMSS.
float expectedDate(const std::string& dat) {
    return static_cast<float>(std::stoi(dat.substr(8, 2)) * 10000 + std::stoi(dat.substr(3, 2)) * 100 +
                              std::stoi(dat.substr(0, 2)));
}
float expectedTime(const std::string& tim) {
    return static_cast<float>(std::stoi(tim.substr(0, 2)) * 10000 + std::stoi(tim.substr(3, 2)) * 100 +
                              std::stoi(tim.substr(6, 2)));
}

void checkRecord(ZARFFILE* f, int record, const JsonValue& expected) {
    SCOPED_TRACE("record " + std::to_string(record) + " (block " + expected["type_hex"].text() + ")");
    const bool own = !expected["status_by_type"].isNull();
    const JsonValue& st = own ? expected["status_by_type"] : expected["status_last_before"];
    ASSERT_FALSE(st.isNull());
    const auto words = static_cast<int>(expected["nWords"].number());
    const auto points = std::min(static_cast<int>(st["NPT"].number()), words);
    EXPECT_EQ(ZARFreadRecordSize(f, record), points);
    if (own) {
        const double first = st["FXV"].number();
        const double last = st["LXV"].number();
        const Domain d = domain(f, record);
        EXPECT_EQ(d.minimum, static_cast<float>(first));
        EXPECT_EQ(d.maximum, static_cast<float>(last));
        EXPECT_FLOAT_EQ(d.interval, static_cast<float>((last - first) / (points - 1)));
    }

    const std::vector<float> v = values(f, record, words + 8);
    ASSERT_EQ(static_cast<int>(v.size()), words);
    const std::vector<JsonValue>& first3 = expected["first3_float32"].items();
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(v[i], static_cast<float>(first3[i].number())) << "value " << i;
    if (own) {
        EXPECT_EQ(v[static_cast<size_t>(points) - 1], static_cast<float>(expected["value_at_NPT_minus_1_float32"].number()));
    }
    EXPECT_EQ(v.back(), static_cast<float>(expected["last_word_float32"].number()));

    int ids[] = {NextField, NextField, MirrorField};
    float got[3] = {};
    EXPECT_EQ(ZARFreadRealMetadata(f, record, ids, 3, got), 3);
    EXPECT_EQ(std::vector<int>(ids, ids + 3), (std::vector<int>{DateField, TimeField, MirrorField}));
    EXPECT_EQ(got[0], expectedDate(st["DAT"].text()));
    EXPECT_EQ(got[1], expectedTime(st["TIM"].text()));
    EXPECT_EQ(got[2], 32.0f);
}

class OpusFixture : public testing::TestWithParam<const char*> {};

TEST_P(OpusFixture, ReadsTheValuesOfExpectedJson) {
    const std::string path = kFixtureDir + "/" + GetParam();
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "external OPUS fixtures are absent (" << path << " not found)";
    const JsonValue& file = expectedValues()["files"][GetParam()];
    ASSERT_FALSE(file.isNull()) << "expected.json has no entry for " << GetParam();
    const std::vector<const JsonValue*> records = expectedRecords(file);
    // Every file holds spectra; a header read with the directory pointer at byte 16 finds none.
    ASSERT_FALSE(records.empty());

    CapturedStdout quiet;
    Opened f(path);
    ASSERT_NE(f.get(), nullptr) << ZARFlastError(nullptr);
    EXPECT_EQ(f.get()->method, &OPUS_Methods);
    ASSERT_EQ(ZARFreadRecordCount(f.get()), static_cast<int>(records.size()));
    for (size_t i = 0; i < records.size(); ++i) checkRecord(f.get(), static_cast<int>(i) + 1, *records[i]);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), static_cast<int>(records.size()) + 1), 0);
}

INSTANTIATE_TEST_SUITE_P(External, OpusFixture,
                         testing::Values("test_spectra.0", "BF_lo_01_soil_cal.1", "MMP_2107_Test1.001", "file.0"),
                         [](const testing::TestParamInfo<const char*>& param) {
                             std::string name = param.param;
                             for (char& c : name)
                                 if (std::isalnum(static_cast<unsigned char>(c)) == 0) c = '_';
                             return name;
                         });

// ---- Recognition and opening --------------------------------------------------------------

TEST(OpusRecognition, TheFirstFourBytesDecide) {
    const struct {
        std::string bytes;
        int readable;
    } cases[] = {
        {std::string("\x0a\x0a\xfe\xfe", 4), 1},
        {std::string("\x0a\x0a\xfe\xfe", 4) + "anything at all", 1},
        {std::string("\x0a\x0a\xfe", 3), 0},
        {std::string("\xfe\xfe\x0a\x0a", 4), 0},
        {"", 0},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        writeBytes(dir.file("x.0"), c.bytes);
        EXPECT_EQ(OPUS_Methods.isFileReadable(dir.file("x.0").c_str()), c.readable) << c.bytes.size() << " bytes";
    }
    EXPECT_EQ(OPUS_Methods.isFileReadable(dir.file("missing.0").c_str()), 0);
}

TEST(OpusRecognition, MinimalFileOpensThroughTheLibraryWithItsOneSpectrum) {
    testsupport::TempDir dir;
    const std::string path = dir.file("minimal.0");
    ASSERT_TRUE(testsupport::writeMinimalOpusFile(path));
    CapturedStdout quiet;
    Opened f(path);
    ASSERT_NE(f.get(), nullptr);
    EXPECT_EQ(f.get()->method, &OPUS_Methods);
    EXPECT_EQ(recordSizes(f.get()), (std::vector<int>{4}));
    EXPECT_EQ(values(f.get(), 1), (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(domain(f.get(), 1), (Domain{1000.0f, 400.0f, -200.0f}));
    std::vector<double> x(8);
    EXPECT_EQ(ZARFreadIndValuesDouble(f.get(), 1, x.data(), 8), 4);
    x.resize(4);
    EXPECT_EQ(x, (std::vector<double>{1000, 800, 600, 400}));
}

TEST(OpusRecognition, ShortHeaderAndWrongMagicAreRefusedWithTheirReasons) {
    testsupport::TempDir dir;
    const std::string path = dir.file("short.0");
    writeBytes(path, std::string("\x0a\x0a\xfe\xfe", 4) + std::string(19, '\0'));
    CapturedStdout quiet;
    EXPECT_EQ(ZARFopenFileReadable(path.c_str()), nullptr);
    EXPECT_STREQ(ZARFlastError(nullptr), "OPUS file header is incomplete");
    writeBytes(path, std::string(24, '\x0a'));
    EXPECT_EQ(OPUS_Methods.openFileReadable(path.c_str()), nullptr);
    EXPECT_STREQ(ZARFlastError(nullptr), "bad magic number in OPUS file");
    EXPECT_EQ(OPUS_Methods.openFileReadable(dir.file("missing.0").c_str()), nullptr);
}

fileHANDLE openWritable(const char* name, ...) {
    va_list args;
    va_start(args, name);
    fileHANDLE h = OPUS_Methods.openFileWritable(name, 0, nullptr, 0, "p", "v", "h", 48, args);
    va_end(args);
    return h;
}

TEST(OpusRecognition, WritingIsRefused) {
    EXPECT_EQ(openWritable("out.0"), nullptr);
    EXPECT_STREQ(ZARFlastError(nullptr), "writing to this file type is unsupported");
}

// ---- Which blocks are records and which status describes them -------------------------------

TEST(OpusRecords, EachDataBlockTakesTheStatusOfItsOwnTypeWhereverItLies) {
    // As the OPUS software writes them: status blocks after the data, in another order.
    EXPECT_EQ(recordSizesOf({data(0x807, {1, 2}), data(0x407, {1, 2, 3}), data(0x100F, {1, 2, 3, 4}),
                             status(0x101F, 4), status(0x417, 3), status(0x817, 2)}),
              (std::vector<int>{2, 3, 4}));
    // Bit 30, which the software sets on many blocks, is part of the type that is matched.
    EXPECT_EQ(recordSizesOf({data(0x40000407, {1, 2, 3}), data(0x407, {1, 2}), status(0x417, 2),
                             status(0x40000417, 3)}),
              (std::vector<int>{3, 2}));
}

TEST(OpusRecords, BlocksOfOneTypeTakeTheStatusesOfTheirTypeInOrder) {
    EXPECT_EQ(recordSizesOf({data(0x407, {1, 2}), data(0x407, {1, 2, 3}), status(0x417, 2), status(0x417, 3)}),
              (std::vector<int>{2, 3}));
}

TEST(OpusRecords, WithoutAStatusOfItsTypeTheLastStatusBeforeItThenTheBlankOneServes) {
    // A status of another type before the block, as older writers placed them.
    EXPECT_EQ(recordSizesOf({status(0x13, 5), data(0x407, {1, 2, 3, 4, 5})}), (std::vector<int>{5}));
    // None at all: the blank status (no points, abscissa 0, float data).
    testsupport::TempDir dir;
    const std::string path = dir.file("bare.0");
    writeBytes(path, testsupport::buildOpusFile({data(0x407, {7, 8})}).bytes);
    CapturedStdout quiet;
    Opened f(path);
    ASSERT_NE(f.get(), nullptr);
    EXPECT_EQ(recordSizes(f.get()), (std::vector<int>{0}));
    EXPECT_EQ(domain(f.get(), 1), (Domain{0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(values(f.get(), 1), (std::vector<float>{7, 8}));
    EXPECT_EQ(bitsOf(dateAndTime(f.get()).first), bitsOf(MissingDate));
    EXPECT_EQ(dateAndTime(f.get()).second, 0.0f);
}

TEST(OpusRecords, OnlySpectralDataTypesWithAComplexPartAreRecords) {
    // Each block has its own status with a distinct point count, which names the records.
    const struct {
        uint32_t type;
        bool record;
    } cases[] = {
        {0x407, true},    // spectrum
        {0x807, true},    // interferogram
        {0xC07, true},    // phase
        {0x1C07, false},  // trace (data type 7)
        {0x2807, true},   // Raman (10)
        {0x3007, true},   // reflectance (12)
        {0x3407, false},  // directory (13)
        {0x4407, true},   // photoacoustic (17)
        {0x4807, false},  // 18
        {0x5807, false},  // 22
        {0x0400, false},  // no complex part
    };
    std::vector<OpusBlock> blocks;
    std::vector<int> expected;
    int points = 1;
    for (const auto& c : cases) {
        blocks.push_back(data(c.type, std::vector<float>(static_cast<size_t>(points), 1.0f)));
        blocks.push_back(status((c.type & ~0x3F0u) | 0x10u, points));
        if (c.record) expected.push_back(points);
        ++points;
    }
    EXPECT_EQ(recordSizesOf(blocks), expected);
}

TEST(OpusRecords, BlocksWithoutTheirOwnStatusBorrowTheLastStatusCutToTheirLength) {
    // Like the peak and structure blocks of real files: spectral type bits plus bits above
    // 16, no status of their own type; the spectrum's status counts 5 points, they hold 3.
    EXPECT_EQ(recordSizesOf({data(0x100F, {1, 2, 3, 4, 5}), status(0x101F, 5), data(0x0070100F, {12, 2000, 1}),
                             data(0x0168100F, {12, 2000, 1})}),
              (std::vector<int>{5, 3, 3}));
    // With a status of its own such a block is a spectrum like any other.
    EXPECT_EQ(recordSizesOf({data(0x0002100F, {1, 2, 3}), status(0x0002101F, 3)}), (std::vector<int>{3}));
}

TEST(OpusRecords, EntriesOfTypeZeroNeitherEndTheDirectoryNorBecomeRecords) {
    EXPECT_EQ(recordSizesOf({data(0x407, {1}), OpusBlock{0, std::string(8, 'x')}, status(0x417, 1),
                             data(0x40B, {1, 2}), status(0x41B, 2)}),
              (std::vector<int>{1, 2}));
}

TEST(OpusRecords, TheDirectoryEndsAtTheHeadersMostEntries) {
    testsupport::TempDir dir;
    const std::string path = dir.file("most.0");
    // Two slots announced, three entries present: the third lies outside the directory.
    writeBytes(path, testsupport::buildOpusFile({data(0x407, {1}), status(0x417, 1), data(0x807, {1})}, 2).bytes);
    CapturedStdout quiet;
    Opened f(path);
    ASSERT_NE(f.get(), nullptr);
    EXPECT_EQ(recordSizes(f.get()), (std::vector<int>{1}));
}

// ---- Record arguments, data formats, metadata ----------------------------------------------

class OpusTwoRecords : public testing::Test {
protected:
    void SetUp() override {
        writeBytes(path, testsupport::buildOpusFile({data(0x407, {1, 2, 3}), status(0x417, 3, 900.0, 700.0),
                                                     data(0x807, {1, 2}), status(0x817, 2, 0.0, 1.0, 2)})
                             .bytes);
        file = ZARFopenFileReadable(path.c_str());
        ASSERT_NE(file, nullptr);
    }
    void TearDown() override {
        if (file != nullptr) ZARFcloseFile(file);
    }
    testsupport::TempDir dir;
    std::string path = dir.file("two.0");
    CapturedStdout quiet;
    ZARFFILE* file = nullptr;
};

TEST_F(OpusTwoRecords, RecordSizeTakesRecordZeroAsOneAndAnswersZeroOutOfRange) {
    EXPECT_EQ(ZARFreadRecordSize(file, 0), 3);
    EXPECT_EQ(ZARFreadRecordSize(file, -4), 3);
    EXPECT_EQ(ZARFreadRecordSize(file, 2), 2);
    EXPECT_EQ(ZARFreadRecordSize(file, 3), 0);
    EXPECT_STREQ(ZARFlastError(file), "- Mystery Error : go smack Tam around -");
}

TEST_F(OpusTwoRecords, OtherOperationsRefuseRecordsOutOfRange) {
    float v[4];
    float a = 0;
    float b = 0;
    float c = 0;
    int ids[] = {NextField};
    for (const int record : {0, 3}) {
        SCOPED_TRACE(record);
        file->lastError = nullptr;
        EXPECT_EQ(ZARFreadDepValues(file, record, v, 4), 0);
        EXPECT_STREQ(ZARFlastError(file), "record requested is unavailable");
        file->lastError = nullptr;
        EXPECT_EQ(ZARFreadIndDomain(file, record, &a, &b, &c), 0);
        EXPECT_STREQ(ZARFlastError(file), "record requested is unavailable");
        file->lastError = nullptr;
        EXPECT_EQ(ZARFqueryMaxMetadataCount(file, record), 0);
        EXPECT_STREQ(ZARFlastError(file), "record requested is unavailable");
        file->lastError = nullptr;
        EXPECT_EQ(ZARFreadRealMetadata(file, record, ids, 1, v), 0);
        EXPECT_STREQ(ZARFlastError(file), "record requested is unavailable");
    }
    EXPECT_EQ(ZARFqueryMaxMetadataCount(file, 2), 15);
}

TEST_F(OpusTwoRecords, OnlyFloatDataAreDeliveredAndNeverMoreThanTheArrayHolds) {
    EXPECT_EQ(values(file, 1), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(values(file, 1, 2), (std::vector<float>{1, 2}));
    EXPECT_EQ(values(file, 2), std::vector<float>{});  // DPF 2: integers
    EXPECT_EQ(domain(file, 1), (Domain{900.0f, 700.0f, -100.0f}));
}

TEST_F(OpusTwoRecords, NextAvailableFieldsAreTheDateThenTheTime) {
    int ids[] = {NextField, NextField, NextField, MirrorField, 7};
    float got[5] = {-1, -1, -1, -1, -1};
    EXPECT_EQ(ZARFreadRealMetadata(file, 1, ids, 5, got), 3);
    EXPECT_EQ(std::vector<int>(ids, ids + 5), (std::vector<int>{DateField, TimeField, -NextField, MirrorField, -7}));
    EXPECT_EQ(std::vector<float>(got, got + 5), (std::vector<float>{200511, 85944, 0, 32, 0}));
}

TEST(OpusStatus, DatesAndTimesAreReadInTheFormsRealFilesCarryAndImpossibleDatesAreMissing) {
    const float missing = MissingDate;
    const struct {
        std::string dat;
        std::string tim;
        float date;
        float time;
    } cases[] = {
        // Day first, as the OPUS software writes it, with each separator.
        {"11/05/2020", "08:59:44.322 (GMT+12)", 200511, 85944},
        {"12/05/2000", "14:03:22", 512, 140322},
        {"01.12.99", "7:5:3", 991201, 70503},
        {"28-10-2020", "", 201028, 0},
        {"29/02/2024", "", 240229, 0},
        // Year first, as other instrument software writes it.
        {"2012/11/09", "", 121109, 0},
        {"2019.3.5", "", 190305, 0},
        {"2021-12-31T23:59:59", "", 211231, 0},
        // Compact digits.
        {"120501", "140322", 120501, 140322},
        {"120500", "", missing, 0},
        {"20121109", "", 121109, 0},
        // No date, or an impossible one: missing, never a wrong number.
        {"12", "14", missing, 140000},
        {"", "", missing, 0},
        {"n/a", "noon", missing, 0},
        {"13/13/2020", "", missing, 0},
        {"2012/13/09", "", missing, 0},
        {"31/04/2020", "", missing, 0},
        {"29/02/2023", "", missing, 0},
        {"00/05/2020", "", missing, 0},
        {"2012/11-09", "", missing, 0},
        {"1/2/345", "", missing, 0},
        {"2012119", "", missing, 0},
    };
    testsupport::TempDir dir;
    const std::string path = dir.file("dates.0");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dat + " " + c.tim);
        writeBytes(path, testsupport::buildOpusFile({data(0x407, {1}), OpusBlock{0x417, opusStatusBlock(1, 1, 1, 1, c.dat, c.tim)}}).bytes);
        CapturedStdout quiet;
        Opened f(path);
        ASSERT_NE(f.get(), nullptr);
        EXPECT_EQ(bitsOf(dateAndTime(f.get()).first), bitsOf(c.date));
        EXPECT_EQ(dateAndTime(f.get()).second, c.time);
    }
}

TEST(OpusStatus, ParametersTooShortForTheirValueAreIgnored) {
    // NPT with one halfword, FXV with two: neither is read beyond its own value.
    std::string block;
    const auto head = [&block](const char* name, int halfwords) {
        block.append(name, 3);
        block.push_back('\0');
        block.push_back('\0');
        block.push_back('\0');
        block.push_back(static_cast<char>(halfwords));
        block.push_back('\0');
    };
    head("NPT", 1);
    block += "\x05\x00";
    head("FXV", 2);
    block += std::string("\x09\x00\x00\x00", 4);
    block += opusStatusBlock({OpusParameter::Real("LXV", 3.0)});
    EXPECT_EQ(recordSizesOf({data(0x407, {1}), OpusBlock{0x417, block}}), (std::vector<int>{0}));
}

// ---- A file that grows -----------------------------------------------------------------

TEST(OpusGrowth, BlocksAppearWhenTheyLieWhollyInTheFileAndStatusesFollowThem) {
    const OpusImage image = testsupport::buildOpusFile(
        {status(0x817, 2), data(0x407, {1, 2, 3}), status(0x417, 3), data(0x40B, {4, 5})});
    testsupport::TempDir dir;
    const std::string path = dir.file("growing.0");
    // Cut inside the spectrum's own status: only the interferogram status before it is there.
    const size_t cut = image.locations[2] + 8;
    writeBytes(path, image.bytes.substr(0, cut));
    CapturedStdout quiet;
    Opened f(path);
    ASSERT_NE(f.get(), nullptr);
    EXPECT_EQ(recordSizes(f.get()), (std::vector<int>{2}));
    appendBytes(path, image.bytes.substr(cut, image.locations[3] + 4 - cut));
    EXPECT_EQ(recordSizes(f.get()), (std::vector<int>{3}));  // its own status now
    appendBytes(path, image.bytes.substr(image.locations[3] + 4));
    // The last block has no status of its own: the status before it, cut to its 2 words.
    EXPECT_EQ(recordSizes(f.get()), (std::vector<int>{3, 2}));
    EXPECT_EQ(values(f.get(), 2), (std::vector<float>{4, 5}));
}

TEST(OpusTrace, OpeningAndCountingPrintTheirTraceOnStandardOutput) {
    testsupport::TempDir dir;
    const std::string path = dir.file("trace.0");
    const OpusImage image = testsupport::buildOpusFile({data(0x407, {1, 2, 3, 4}), status(0x417, 4)});
    writeBytes(path, image.bytes.substr(0, image.locations[1]));
    CapturedStdout captured;
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    ASSERT_NE(f, nullptr);
    const std::string opening = captured.take();
    const std::string directory =
        "updateDirectory\n"
        " directory block type 00000407 -  00000010 bytes located at 000001f8\n"
        "1 directory entries\n"
        " RECORD at 000001f8 length 00000010\n"
        "1 records\n";
    ASSERT_EQ(opening.substr(0, directory.size()), directory);
    const std::string names = opening.substr(directory.size());
    EXPECT_EQ(std::count(names.begin(), names.end(), '\n'), 46);
    EXPECT_EQ(names.substr(0, 19), "         1 DBBREAL\n");
    EXPECT_EQ(names.substr(names.size() - 18), "     a0000 DBBLOG\n");

    appendBytes(path, image.bytes.substr(image.locations[1]));
    testing::internal::CaptureStdout();
    EXPECT_EQ(ZARFreadRecordCount(f), 1);
    EXPECT_EQ(ZARFreadRecordSize(f, 1), 4);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " readrecordcount\n"
              "opusupdatedirectory\n"
              "updateDirectory\n"
              " directory block type 00000407 -  00000010 bytes located at 000001f8\n"
              " directory block type 00000417 -  00000074 bytes located at 00000208\n"
              "2 directory entries\n"
              " RECORD at 000001f8 length 00000010\n"
              "STATUS found\n"
              " DATA STATUS at 00000208 length 00000074\n"
              "1 records\n"
              " returning record count of 1\n"
              "0054504e comparison\n"
              "NPT 2 halfwords\n"
              "00000004 value\n"
              "NPT (num Points)=4\n"
              "00565846 comparison\n"
              "FXV 4 halfwords\n"
              "00000000 value\n"
              "FXV (first X)=1000.000000\n"
              "0056584c comparison\n"
              "LXV 4 halfwords\n"
              "00000000 value\n"
              "LXV (last X) =400.000000\n"
              "00465044 comparison\n"
              "DPF 2 halfwords\n"
              "00000001 value\n"
              "DPF=1\n"
              "00544144 comparison\n"
              "DAT 6 halfwords\n"
              "302f3131 value\n"
              "004d4954 comparison\n"
              "TIM 12 halfwords\n"
              "353a3830 value\n"
              "00444e45 comparison\n"
              "END found..\n"
              "- done reading ODS record -\n"
              "DPF2=1\n");
    ZARFcloseFile(f);
}

// ---- Damaged files -----------------------------------------------------------------------

OpusImage smallFile() {
    return testsupport::buildOpusFile(
        {data(0x407, {1, 2, 3}), status(0x417, 3, 900.0, 700.0), data(0x807, {4, 5}), status(0x817, 2)}, 6);
}

// Calls every operation on every record and around them. The small file has four blocks,
// so at most four records; a cut file delivers the values of the intact one.
void exerciseAll(ZARFFILE* f, bool cutOnly) {
    const int count = ZARFreadRecordCount(f);
    ASSERT_GE(count, 0);
    ASSERT_LE(count, cutOnly ? 2 : 4);
    const std::vector<std::vector<float>> intact = {{1, 2, 3}, {4, 5}};
    for (int r = -1; r <= count + 1; ++r) {
        ZARFreadRecordSize(f, r);
        std::vector<float> v = values(f, r, 16);
        if (cutOnly && r >= 1 && r <= count && !v.empty()) {
            EXPECT_EQ(v, intact[static_cast<size_t>(r) - 1]);
        }
        float a = 0;
        float b = 0;
        float c = 0;
        ZARFreadIndDomain(f, r, &a, &b, &c);
        std::vector<double> x(16);
        ZARFreadIndValuesDouble(f, r, x.data(), 16);
        ZARFqueryMaxMetadataCount(f, r);
        int ids[] = {NextField, NextField, NextField, MirrorField};
        float got[4];
        ZARFreadRealMetadata(f, r, ids, 4, got);
    }
}

TEST(OpusDamaged, EveryTruncationIsReadWithinItsBytesOrRefused) {
    const OpusImage image = smallFile();
    testsupport::TempDir dir;
    const std::string path = dir.file("cut.0");
    CapturedStdout quiet;
    for (size_t n = 0; n < image.bytes.size(); ++n) {
        SCOPED_TRACE(std::to_string(n) + " bytes");
        writeBytes(path, image.bytes.substr(0, n));
        Opened f(path);
        if (n < 4) {
            EXPECT_EQ(f.get(), nullptr);
            EXPECT_STREQ(ZARFlastError(nullptr), "filetype is unknown");
        } else if (n < 24) {
            EXPECT_EQ(f.get(), nullptr);
            EXPECT_STREQ(ZARFlastError(nullptr), "OPUS file header is incomplete");
        } else {
            ASSERT_NE(f.get(), nullptr);
            exerciseAll(f.get(), true);
            // A spectrum is a record once its block is wholly there, with its own status once
            // that is complete.
            const int expected = n < image.locations[0] + 12 ? 0 : n < image.locations[2] + 8 ? 1 : 2;
            EXPECT_EQ(ZARFreadRecordCount(f.get()), expected);
            if (n >= image.locations[2]) {
                EXPECT_EQ(values(f.get(), 1), (std::vector<float>{1, 2, 3}));
            }
        }
    }
}

TEST(OpusDamaged, EveryCorruptedByteIsReadWithinTheFile) {
    const OpusImage image = smallFile();
    testsupport::TempDir dir;
    const std::string path = dir.file("bad.0");
    CapturedStdout quiet;
    for (size_t at = 4; at < image.bytes.size(); ++at) {
        for (const char bad : {'\xff', '\x80'}) {
            std::string bytes = image.bytes;
            bytes[at] = bad;
            writeBytes(path, bytes);
            Opened f(path);
            ASSERT_NE(f.get(), nullptr) << "byte " << at;
            exerciseAll(f.get(), false);
        }
    }
}

TEST(OpusDamaged, AbsurdCountsAndOffsetsEndTheDirectoryWithoutReadingOutside) {
    const OpusImage image = smallFile();
    const size_t dir0 = image.directoryOffset;
    const auto size = static_cast<int32_t>(image.bytes.size());
    const struct {
        const char* what;
        size_t at;
        int32_t value;
        int records;
    } cases[] = {
        {"directory pointer negative", 12, -12, 0},
        {"directory pointer past the end", 12, size, 0},
        {"directory pointer at the last bytes", 12, size - 8, 0},
        {"most entries absurd", 16, INT_MAX, 2},
        {"most entries negative", 16, -1, 2},
        {"first block longer than the file", dir0 + 4, INT_MAX, 0},
        {"first block of negative length", dir0 + 4, -1, 0},
        {"first block one word past the end", dir0 + 4, (size - static_cast<int32_t>(image.locations[0])) / 4 + 1, 0},
        {"first block located past the end", dir0 + 8, size, 0},
        {"first block located before the file", dir0 + 8, -4, 0},
        {"third block located past the end", dir0 + 32, INT_MAX, 1},
        {"status of the first block longer than the file", dir0 + 16, INT_MAX, 1},
    };
    testsupport::TempDir dir;
    const std::string path = dir.file("absurd.0");
    CapturedStdout quiet;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = image.bytes;
        testsupport::putInt32(bytes, c.at, c.value);
        writeBytes(path, bytes);
        Opened f(path);
        ASSERT_NE(f.get(), nullptr);
        EXPECT_EQ(ZARFreadRecordCount(f.get()), c.records);
        exerciseAll(f.get(), false);
    }
}

TEST(OpusDamaged, AHugeDirectoryIsWalkedOnceWithoutLimitOfItsOwn) {
    // No most-entries count, and 60000 entries that all name one spectrum and its status.
    OpusImage image = testsupport::buildOpusFile({data(0x407, {1, 2}), status(0x417, 2)}, 0);
    constexpr int entries = 60000;
    std::string bytes = image.bytes.substr(0, 24);
    for (int i = 0; i < entries; ++i) bytes += image.bytes.substr(24 + 12 * static_cast<size_t>(i % 2), 12);
    const auto shift = static_cast<int32_t>(bytes.size() - 24 - 24);
    bytes += image.bytes.substr(48);
    for (int i = 0; i < entries; ++i) {
        const size_t at = 24 + 12 * static_cast<size_t>(i) + 8;
        testsupport::putInt32(bytes, at, static_cast<int32_t>(image.locations[static_cast<size_t>(i % 2)]) + shift);
    }
    testsupport::TempDir dir;
    const std::string path = dir.file("huge.0");
    writeBytes(path, bytes);
    CapturedStdout quiet;
    Opened f(path);
    ASSERT_NE(f.get(), nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f.get()), entries / 2);
    EXPECT_EQ(ZARFreadRecordSize(f.get(), entries / 2), 2);
    EXPECT_EQ(values(f.get(), entries / 2), (std::vector<float>{1, 2}));
}

TEST(OpusDamaged, AbsurdStatusValuesAreReadWithoutHarm) {
    // A point count far beyond the block, a parameter running past its block, no END.
    std::string noEnd = opusStatusBlock({OpusParameter::Int("NPT", 3)});
    noEnd.resize(noEnd.size() - 8);
    std::string overlong = opusStatusBlock({OpusParameter::Int("NPT", 3), OpusParameter::Real("FXV", 5.0)});
    overlong[12 + 6] = '\xff';
    overlong[12 + 7] = '\xff';
    EXPECT_EQ(recordSizesOf({data(0x407, {1, 2, 3}), OpusBlock{0x417, noEnd}}), (std::vector<int>{3}));
    EXPECT_EQ(recordSizesOf({data(0x407, {1, 2, 3}), OpusBlock{0x417, overlong}}), (std::vector<int>{3}));

    testsupport::TempDir dir;
    const std::string path = dir.file("huge.0");
    writeBytes(path, testsupport::buildOpusFile({data(0x407, {1, 2, 3}), status(0x417, INT_MAX, 1.0, 2.0)}).bytes);
    CapturedStdout quiet;
    Opened f(path);
    ASSERT_NE(f.get(), nullptr);
    // No record counts more points than its block holds.
    EXPECT_EQ(ZARFreadRecordSize(f.get(), 1), 3);
    EXPECT_EQ(values(f.get(), 1), (std::vector<float>{1, 2, 3}));
    std::vector<double> x(4);
    EXPECT_EQ(ZARFreadIndValuesDouble(f.get(), 1, x.data(), 4), 3);
}

// ---- rgddump ------------------------------------------------------------------------------

// Runs rgddump in-process; its view on out (the reader's trace goes to standard output).
int rgddump(const std::vector<std::string>& args, std::string& out, std::string& err) {
    CapturedStdout quiet;
    std::ostringstream o;
    std::ostringstream e;
    const int status = dump::runRgddump(args, o, e);
    out = o.str();
    err = e.str();
    return status;
}

TEST(OpusRgddump, ShowsARealFileAsSummaryMetadataCsvAndPlot) {
    const std::string path = kFixtureDir + "/file.0";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "external OPUS fixtures are absent (" << path << " not found)";
    std::string out;
    std::string err;
    ASSERT_EQ(rgddump({path}, out, err), 0) << err;
    EXPECT_EQ(out,
              "File:     " + path + "\n"
              "Format:   OPUS\n"
              "Records:  6\n"
              "Columns:  1\n"
              "\n"
              "Column 1 (data type 0)\n"
              "  short name:\n"
              "  label:\n"
              "  long name:\n"
              "  units:\n"
              "  points:      29456 in record 1\n"
              "  abscissa:    minimum 0, maximum 29455, interval 1 (cm-1)\n"
              "\n"
              "Header of record 1: 2 fields\n"
              "  identifier  field name  units  label\n"
              "  32769\n"
              "  32770\n");

    // Dates DD/MM/YYYY and times of the status blocks that belong to each record.
    ASSERT_EQ(rgddump({path, "--meta", "1-6"}, out, err), 0) << err;
    EXPECT_EQ(out,
              "record  field32769  field32770\n"
              "1       190503      133444\n"
              "2       190503      133444\n"
              "3       190503      133444\n"
              "4       190503      133444\n"
              "5       190503      133122\n"
              "6       190503      133122\n");

    // The phase record: 512 points from 15764.97 down to 0.
    ASSERT_EQ(rgddump({path, "--csv", "2"}, out, err), 0) << err;
    const std::string head =
        "wavenumber,column1\n"
        "15764.9697265625,-0.0010518527\n"
        "15734.118515014648,0.00044968954\n";
    EXPECT_EQ(out.substr(0, head.size()), head);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 513);

    testsupport::TempDir dir;
    const std::string svg = dir.file("spectrum.svg");
    ASSERT_EQ(rgddump({path, "--svg", svg, "--records", "3,6"}, out, err), 0) << err;
    EXPECT_EQ(out, "");
    const std::string plot = testsupport::readFile(svg);
    EXPECT_EQ(plot.rfind("<?xml", 0), 0u);
    EXPECT_EQ(plot.substr(plot.size() - 7), "</svg>\n");
    EXPECT_NE(plot.find("<title>file.0: column 1</title>"), std::string::npos);
    EXPECT_NE(plot.find(">Record 3, 190503 13:34:44</text>"), std::string::npos);
    EXPECT_NE(plot.find(">Record 6, 190503 13:31:22</text>"), std::string::npos);
}

}  // namespace
