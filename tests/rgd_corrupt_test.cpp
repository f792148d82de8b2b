// Hostile, truncated and corrupted RGD files: every one is refused with the driver's message
// or read as far as it is complete; none may crash, overrun, allocate without bound or hang.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "driver.h"
#include "ravlio/ravlio.h"
#include "formats/rgd/ravlrgd.h"
#include "support/rgdbuilder.h"
#include "support/tempdir.h"

using testsupport::RgdColumn;
using testsupport::RgdSpec;

namespace {

const std::string kBadToc = "bad table of contents in RGD file - may be newer version file than this loader can handle";
const std::string kBadAnatomy = "bad header anatomy in RGD file - look for newer RAVLIO?";
const std::string kUnknown = "filetype is unknown";

std::string genericError() {
    const char* e = ZARFlastError(nullptr);
    return e != nullptr ? e : "(null)";
}

RgdSpec sampleSpec() {
    RgdSpec spec;
    RgdColumn a{0, 500.0, 600.0, 6, 6, 4, "a", "A label", "A long", "K"};
    RgdColumn b{0, 700.0, 800.0, 3, 6, 4, "b", "", "B long", "K"};
    spec.columns = {a, b};
    spec.subheaders = {97122201};
    return spec;
}

// Reads everything an open file offers, checking that nothing exceeds what was asked for.
void exerciseEveryRead(ZARFFILE* f) {
    const int records = ZARFreadRecordCount(f);
    ASSERT_GE(records, 0);
    const int columns = ZARFqueryMaxDataCount(f);
    std::vector<int> types(static_cast<size_t>(std::max(columns, 0)) + 1);
    EXPECT_LE(ZARFqueryDataTypes(f, types.data(), static_cast<int>(types.size())), columns);
    const int fields = ZARFqueryMaxMetadataCount(f, 0);
    for (int r = 0; r <= std::min(records, 3) + 1; ++r) {
        for (int c = 0; c <= std::min(columns, 4); ++c) {
            ZARFselectData(f, 2, c);
            std::vector<float> values(16);
            EXPECT_LE(ZARFreadDepValues(f, r, values.data(), 16), 16);
            std::vector<double> x(16);
            EXPECT_LE(ZARFreadIndValuesDouble(f, r, x.data(), 16), 16);
            char text[32];
            for (int t = 1; t <= 6; ++t) {
                ZARFreadDataStringDesc(f, c, t, text, sizeof text);
                ZARFreadDataStringDesc(f, -c, t, text, sizeof text);
            }
        }
        std::vector<int> req(static_cast<size_t>(std::min(std::max(fields, 0), 200)) + 2, 2000000000);
        std::vector<float> val(req.size());
        EXPECT_LE(ZARFreadRealMetadata(f, r, req.data(), static_cast<int>(req.size()), val.data()),
                  static_cast<int>(req.size()));
    }
    ZARFqueryVersion(2, f);
    ZARFqueryVersion(3, f);
}

class RgdCorruptTest : public ::testing::Test {
protected:
    void TearDown() override { testsupport::restoreDriverTable(); }
    void SetUp() override {
        testsupport::probeOnlyRgd();
        const std::string path = dir.file("sample.rgd");
        ASSERT_TRUE(testsupport::writeRgdFile(path, sampleSpec(), 2));
        sample = testsupport::readFile(path);
        s = testsupport::locateRgdSections(sample);
        stride = s.headerSize + s.dataAreaSize;
        ASSERT_EQ(static_cast<int64_t>(sample.size()), s.baseOffset + 2 * stride);
    }

    // Writes bytes to a file and opens it for reading (null on failure).
    ZARFFILE* openBytes(const std::string& bytes) {
        const std::string path = dir.file("case.rgd");
        testsupport::writeFile(path, bytes);
        return ZARFopenFileReadable(path.c_str());
    }

    // Opening must fail with exactly this library-wide message.
    void expectRefused(const std::string& bytes, const std::string& message) {
        ZARFFILE* f = openBytes(bytes);
        EXPECT_EQ(f, nullptr);
        if (f != nullptr) ZARFcloseFile(f);
        EXPECT_EQ(genericError(), message);
    }

    int64_t firstEntry() const { return s.tocOffset + 4; }

    testsupport::TempDir dir;
    std::string sample;
    testsupport::RgdSections s;
    int64_t stride = 0;
};

TEST_F(RgdCorruptTest, TruncationAtEveryByteIsRefusedOrReadAsFarAsComplete) {
    for (int64_t len = 0; len <= static_cast<int64_t>(sample.size()); ++len) {
        SCOPED_TRACE("length " + std::to_string(len));
        ZARFFILE* f = openBytes(sample.substr(0, static_cast<size_t>(len)));
        if (len < s.magicOffset + 12) {
            EXPECT_EQ(f, nullptr);
            EXPECT_EQ(genericError(), kUnknown);
        } else if (len < s.anatomyOffset) {
            EXPECT_EQ(f, nullptr);
            EXPECT_EQ(genericError(), kBadToc);
        } else if (len < s.baseOffset) {
            EXPECT_EQ(f, nullptr);
            EXPECT_EQ(genericError(), kBadAnatomy);
        } else {
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(ZARFreadRecordCount(f), static_cast<int>((len - s.baseOffset) / stride));
            exerciseEveryRead(f);
        }
        if (f != nullptr) ZARFcloseFile(f);
    }
}

TEST_F(RgdCorruptTest, RecordCutShortIsNotCounted) {
    ZARFFILE* f = openBytes(sample.substr(0, sample.size() - 1));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f), 1);
    std::vector<float> v(6);
    EXPECT_EQ(ZARFreadDepValues(f, 2, v.data(), 6), 0);
    EXPECT_EQ(std::string(ZARFlastError(f)), "record requested is unavailable");
    EXPECT_EQ(ZARFreadDepValues(f, 1, v.data(), 6), 6);
    ZARFcloseFile(f);
}

TEST_F(RgdCorruptTest, TableOfContentsEntrySizeAbove48IsRefused) {
    std::string bytes = sample;
    testsupport::putLe32(bytes, s.tocOffset, 49);
    expectRefused(bytes, kBadToc);
    testsupport::putLe32(bytes, s.tocOffset, 0x30000000);  // 48 in the other byte order
    expectRefused(bytes, kBadToc);
    testsupport::putLe32(bytes, s.tocOffset, -1);
    expectRefused(bytes, kBadToc);
}

TEST_F(RgdCorruptTest, TableOfContentsEntrySize40ReadsLaterFieldsAsZero) {
    const std::string path = dir.file("one.rgd");
    RgdSpec spec;
    spec.columns[0].identifier = 7;
    spec.columns[0].shortname = "gone";
    ASSERT_TRUE(testsupport::writeRgdFile(path, spec, 2));
    const std::string full = testsupport::readFile(path);
    const auto t = testsupport::locateRgdSections(full);
    std::string old = full.substr(0, static_cast<size_t>(t.tocOffset));
    std::string entry40(4, '\0');
    testsupport::putLe32(entry40, 0, 40);
    old += entry40 + full.substr(static_cast<size_t>(t.tocOffset + 4), 40);
    old += full.substr(static_cast<size_t>(t.anatomyOffset));
    ZARFFILE* f = openBytes(old);
    ASSERT_NE(f, nullptr) << genericError();
    EXPECT_EQ(ZARFqueryMaxDataCount(f), 1);
    int id = 0;
    ASSERT_EQ(ZARFqueryDataTypes(f, &id, 1), 1);
    EXPECT_EQ(id, -7);
    EXPECT_EQ(ZARFreadRecordCount(f), 2);
    std::vector<float> v(8);
    ASSERT_EQ(ZARFreadDepValues(f, 2, v.data(), 8), 8);
    EXPECT_EQ(v, testsupport::rgdPatternRecord(spec, 2));
    char text[8] = "xxxxxxx";
    EXPECT_EQ(ZARFreadDataStringDesc(f, 1, 1, text, sizeof text), 1) << "no descriptor strings";
    EXPECT_STREQ(text, "");
    ZARFcloseFile(f);
}

TEST_F(RgdCorruptTest, NegativeOrOversizedColumnSizesAreRefused) {
    std::string bytes = sample;
    testsupport::putLe32(bytes, firstEntry(), -24);
    expectRefused(bytes, kBadToc);
    bytes = sample;
    testsupport::putLe32(bytes, firstEntry(), 0x7FFFFFFC);
    expectRefused(bytes, kBadToc);  // with the second column the data area passes 2^31 - 1
}

TEST_F(RgdCorruptTest, HugeColumnOpensWithNoRecordsAndAllocatesNothing) {
    const std::string path = dir.file("single.rgd");
    ASSERT_TRUE(testsupport::writeRgdFile(path, RgdSpec{}, 1));
    std::string bytes = testsupport::readFile(path);
    const auto t = testsupport::locateRgdSections(bytes);
    testsupport::putLe32(bytes, t.tocOffset + 4, 0x7FFFFFFC);
    ZARFFILE* f = openBytes(bytes);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFreadRecordCount(f), 0);
    std::vector<float> v(8);
    EXPECT_EQ(ZARFreadDepValues(f, 1, v.data(), 8), 0);
    ZARFcloseFile(f);
}

TEST_F(RgdCorruptTest, DescriptorStringLengthsBeyondTheFileAreRefused) {
    const int64_t firstString = firstEntry() + 48;
    std::string bytes = sample;
    testsupport::putLe32(bytes, firstString, 0x7FFFFFFF);
    expectRefused(bytes, kBadToc);
    testsupport::putLe32(bytes, firstString, -5);
    expectRefused(bytes, kBadToc);
}

TEST_F(RgdCorruptTest, ContinuationPastTheEndIsReadSafelyOrRefused) {
    // The second (last) entry claims another entry follows: the anatomy list and records are
    // read as entries until one says no more follow, the file ends or a column size is
    // impossible. Nothing marks such a table as wrong, so the file may open (this sample
    // does); it must then read safely. Cut before its records it is refused.
    std::string bytes = sample;
    const int64_t second = firstEntry() + 48 + 4 * 4 + 1 + 7 + 6 + 1;  // after "a","A label","A long","K"
    ASSERT_EQ(testsupport::getLe32(bytes, second), 12);
    testsupport::putLe32(bytes, second + 40, 1);
    ZARFFILE* f = openBytes(bytes);
    if (f != nullptr) {
        exerciseEveryRead(f);
        ZARFcloseFile(f);
    } else {
        EXPECT_TRUE(genericError() == kBadToc || genericError() == kBadAnatomy) << genericError();
    }
    expectRefused(bytes.substr(0, static_cast<size_t>(s.anatomyOffset)), kBadToc);
}

TEST_F(RgdCorruptTest, UnknownSubheaderInTheAnatomyIsRefused) {
    std::string bytes = sample;
    testsupport::putLe32(bytes, s.anatomyOffset + 4, 12345678);
    expectRefused(bytes, kBadAnatomy);
}

TEST_F(RgdCorruptTest, HugeOrNegativeSubheaderCountsAreRefused) {
    std::string bytes = sample;
    testsupport::putLe32(bytes, s.anatomyOffset, 0x7FFFFFFF);
    expectRefused(bytes, kBadAnatomy);
    testsupport::putLe32(bytes, s.anatomyOffset, -1);
    expectRefused(bytes, kBadAnatomy);
}

TEST_F(RgdCorruptTest, AnatomyBeyondTheHeaderSizeLimitIsRefused) {
    // 12000 subheaders of 94 fields: a 4.5 MB header from a 48 kB list.
    std::string bytes = sample.substr(0, static_cast<size_t>(s.anatomyOffset));
    std::string list(4 * 12001, '\0');
    testsupport::putLe32(list, 0, 12000);
    for (int k = 1; k <= 12000; ++k) testsupport::putLe32(list, 4 * k, 94011901);
    expectRefused(bytes + list, kBadAnatomy);
    testsupport::putLe32(list, 0, 11200);  // 4.21 MB: just above the 4 MiB limit
    expectRefused(bytes + list.substr(0, 4 * 11201), kBadAnatomy);
    testsupport::putLe32(list, 0, 100);  // 37.6 kB: fine
    ZARFFILE* f = openBytes(bytes + list.substr(0, 4 * 101));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ZARFqueryMaxMetadataCount(f, 0), 9400);
    ZARFcloseFile(f);
}

TEST_F(RgdCorruptTest, WrongMagicWordIsNotRecognised) {
    std::string bytes = sample;
    bytes[static_cast<size_t>(s.magicOffset)] = 'Y';
    expectRefused(bytes, kUnknown);
    EXPECT_EQ(RGDisFileReadable(dir.file("case.rgd").c_str()), 0);
}

TEST_F(RgdCorruptTest, DigitRunsThatCannotBeTheMagicOffsetAreRejected) {
    expectRefused(std::string(40, '9') + "\r\n" + sample, kUnknown);
    std::string beyond = sample;
    const std::string far = std::to_string(sample.size() + 100);
    beyond.replace(0, far.size(), far);
    expectRefused(beyond, kUnknown);
}

TEST_F(RgdCorruptTest, HistoryScanStopsAtANonTextByte) {
    std::string bytes = sample;
    for (size_t i = 0; bytes[i] >= '0' && bytes[i] <= '9'; ++i) bytes[i] = ' ';
    ZARFFILE* f = openBytes(bytes);
    ASSERT_NE(f, nullptr) << "the scan finds the marker";
    ZARFcloseFile(f);
    bytes[100] = '\x01';
    expectRefused(bytes, kUnknown);
}

TEST_F(RgdCorruptTest, FilesWithoutMarkerAreNotRecognised) {
    expectRefused("", kUnknown);
    expectRefused(std::string(100000, 'a'), kUnknown);
    std::string binary(70000, '\0');
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7 + 3);
    expectRefused(binary, kUnknown);
    expectRefused("0\r\nZARFRGD", kUnknown);
}

TEST_F(RgdCorruptTest, RandomDamageToThePreambleNeverBreaksTheReader) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int64_t> where(0, s.baseOffset + stride - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    int opened = 0;
    for (int round = 0; round < 400; ++round) {
        std::string bytes = sample;
        for (int k = 0; k < 1 + round % 4; ++k)
            bytes[static_cast<size_t>(where(random))] = static_cast<char>(byte(random));
        ZARFFILE* f = openBytes(bytes);
        if (f == nullptr) continue;
        ++opened;
        EXPECT_LE(ZARFreadRecordCount(f), static_cast<int>(bytes.size()));
        exerciseEveryRead(f);
        ZARFcloseFile(f);
    }
    EXPECT_GT(opened, 0) << "damage to record data or text leaves files readable";
}

}  // namespace
