// The record headers an RGD handle keeps: when a kept header serves, and when the file is
// read again.
#include "formats/rgd/rgdheaders.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ravlio/fields.h"
#include "ravlio/ravlio.h"
#include "support/iofaults.h"
#include "support/rgdbuilder.h"
#include "support/tempdir.h"

namespace {

using rgd::FileLook;
using rgd::HeaderCache;

constexpr size_t H = 4;

FileLook lookOf(int64_t length, time_t modified, time_t taken) {
    FileLook look;
    look.length = length;
    look.modified.tv_sec = modified;
    look.taken.tv_sec = taken;
    return look;
}

std::vector<unsigned char> headerOf(int record) { return std::vector<unsigned char>(H, static_cast<unsigned char>(record)); }

HeaderCache cacheAt(const FileLook& look) {
    HeaderCache c;
    c.resize(H);
    c.look(look);
    return c;
}

}  // namespace

TEST(HeaderCache, KeptHeaderServesWhileLooksShowTheFileUnchanged) {
    HeaderCache c = cacheAt(lookOf(1000, 100, 200));
    c.keep(3, headerOf(3).data());
    c.look(lookOf(1000, 100, 260));
    ASSERT_NE(c.find(3), nullptr);
    EXPECT_EQ(std::vector<unsigned char>(c.find(3), c.find(3) + H), headerOf(3));
    EXPECT_EQ(c.find(4), nullptr);
}

TEST(HeaderCache, ChangedFileOrFileNotAtRestIsReadAgain) {
    struct Case {
        const char* what;
        FileLook atKeep;
        FileLook next;
    };
    const Case cases[] = {
        {"length changed", lookOf(1000, 100, 200), lookOf(1200, 100, 201)},
        {"modified again, same length", lookOf(1000, 100, 200), lookOf(1000, 150, 201)},
        {"modified one second before the look", lookOf(1000, 199, 200), lookOf(1000, 199, 201)},
        {"the look failed", lookOf(-1, 0, 200), lookOf(-1, 0, 201)},
    };
    for (const Case& k : cases) {
        HeaderCache c = cacheAt(k.atKeep);
        c.keep(3, headerOf(3).data());
        c.look(k.next);
        EXPECT_EQ(c.find(3), nullptr) << k.what;
    }
}

TEST(HeaderCache, HeaderUsedLongestAgoMakesRoom) {
    HeaderCache c = cacheAt(lookOf(1000, 100, 200));
    for (int r = 1; r <= static_cast<int>(HeaderCache::SLOTS); ++r) c.keep(r, headerOf(r).data());
    ASSERT_NE(c.find(1), nullptr);  // record 1 used again: record 2 is now the oldest use
    c.keep(99, headerOf(99).data());
    EXPECT_NE(c.find(1), nullptr);
    EXPECT_EQ(c.find(2), nullptr);
    EXPECT_NE(c.find(99), nullptr);
    c.forget();
    EXPECT_EQ(c.find(99), nullptr);
}

// Through the writer: every record written copies the five source headers. A source file at
// rest is read once for them; a source record rewritten meanwhile is copied as it is now.
TEST(HeaderCache, WriterReadsSourceHeadersOnceAndCopiesARewrittenOneAsItIsNow) {
    testsupport::installRgdDriver();
    testsupport::TempDir dir;
    const std::string refPath = dir.file("ref.rgd");
    const testsupport::RgdSpec refSpec;
    int flagId[1] = {FIELD_missingDataFlag};
    ASSERT_TRUE(testsupport::writeRgdFile(refPath, refSpec, 2, [](int r) {
        return testsupport::RgdMetadata{{FIELD_missingDataFlag}, {static_cast<float>(r)}};
    }));
    std::filesystem::last_write_time(refPath, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    ZARFFILE* ref = ZARFopenFileReadable(refPath.c_str());
    ASSERT_NE(ref, nullptr);
    testsupport::RgdSpec outSpec;
    outSpec.references = {ref, ref, ref, ref, ref};
    ZARFFILE* out = testsupport::openRgdWriter(dir.file("out.rgd"), outSpec);
    ASSERT_NE(out, nullptr);
    ZARFFILE* sources[5] = {ref, ref, ref, ref, ref};
    int records[5] = {1, 2, 1, 2, 1};
    const auto write = [&](int record) {
        return ZARFwriteCompleteRecord(out, record, sources, records, 5, nullptr, 0, nullptr, nullptr, 0);
    };
    // The flag of the first header copied into an output record.
    const auto firstCopy = [&](int record) {
        float got[1] = {};
        int wildcard[1] = {2000000000};
        EXPECT_EQ(ZARFreadRealMetadata(out, record, wildcard, 1, got), 1);
        EXPECT_EQ(wildcard[0], FIELD_missingDataFlag);
        return got[0];
    };
    {
        testsupport::Faults reads(RAVLIO_IO_READ, {});
        for (int r = 1; r <= 3; ++r) ASSERT_EQ(write(r), 1);
        EXPECT_EQ(reads.seen(), 2U) << "the two source headers, once each";
    }
    ZARFFILE* rewriter = testsupport::openRgdWriter(refPath, refSpec);
    ASSERT_NE(rewriter, nullptr);
    float seven[1] = {7.0F};
    ASSERT_EQ(ZARFwriteCompleteRecord(rewriter, 1, nullptr, nullptr, 0, flagId, 1, seven, nullptr, 0), 1);
    ZARFcloseFile(rewriter);
    ASSERT_EQ(write(4), 1);
    EXPECT_EQ(firstCopy(3), 1.0F);
    EXPECT_EQ(firstCopy(4), 7.0F);
    ZARFcloseFile(out);
    ZARFcloseFile(ref);
}
