// I/O failures injected through the platform layer: short transfers, failed writes, a full
// disk and failed fsync or rename while the RGD writer writes a record or creates a file and
// while a status file is created or updated. The library reports its texts, leaves nothing
// partial that a reader would count, and a retry afterwards completes the file exactly.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/rdsta.h"
#include "libutil/stop.h"
#include "libutil/wrtsta.h"
#include "ravlio/platform.h"
#include "ravlio/ravlio.h"
#include "support/iofaults.h"
#include "support/rgdbuilder.h"
#include "support/sleeprecorder.h"
#include "support/tempdir.h"

namespace {

using testsupport::Faults;

// Every read and write moves at most one byte.
long oneByteAtATime(RAVLIOIoCall call, size_t bytes) {
    return (call == RAVLIO_IO_READ || call == RAVLIO_IO_WRITE) && bytes > 1 ? 1 : 0;
}

std::string text(const char* s) { return s != nullptr ? s : "(null)"; }

int recordsOnDisk(const std::string& path) {
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    if (f == nullptr) return -1;
    const int n = ZARFreadRecordCount(f);
    ZARFcloseFile(f);
    return n;
}

std::vector<float> valuesOf(const std::string& path, int record) {
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    if (f == nullptr) return {};
    std::vector<float> v(64);
    v.resize(static_cast<size_t>(std::max(ZARFreadDepValues(f, record, v.data(), 64), 0)));
    ZARFcloseFile(f);
    return v;
}

class RgdWriterFaults : public ::testing::Test {
protected:
    RgdWriterFaults() { testsupport::installRgdDriver(); }

    ZARFFILE* openWriter() { return testsupport::openRgdWriter(path, spec); }
    int write(ZARFFILE* f, int record) {
        const std::vector<float> data = testsupport::rgdPatternRecord(spec, record);
        return ZARFwriteCompleteRecord(f, record, nullptr, nullptr, 0, nullptr, 0, nullptr, data.data(),
                                       static_cast<int>(data.size()));
    }
    std::vector<std::string> namesInDir() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
        return names;
    }

    testsupport::TempDir dir;
    std::string path = dir.file("out.RGD");
    testsupport::RgdSpec spec;
};

// A record whose write fails part-way (at once, after a short write, on a full disk) is
// refused with the writer's text and leaves the record count as it was; the same record
// written again afterwards lands exactly, and a reader then sees both records whole.
TEST_F(RgdWriterFaults, FailedRecordWriteLeavesNoRecordAndARetryCompletesTheFile) {
    struct Case {
        const char* what;
        std::vector<long> fates;
    };
    for (const Case& c : {Case{"full disk at once", {-ENOSPC}}, Case{"I/O error at once", {-EIO}},
                          Case{"short write, then full disk", {10, -ENOSPC}}}) {
        std::filesystem::remove(path);
        ZARFFILE* f = openWriter();
        ASSERT_NE(f, nullptr) << c.what;
        ASSERT_EQ(write(f, 1), 1) << c.what;
        const auto lengthAfterOne = std::filesystem::file_size(path);
        {
            Faults fault(RAVLIO_IO_WRITE, c.fates);
            EXPECT_EQ(write(f, 2), 0) << c.what;
        }
        EXPECT_EQ(text(ZARFlastError(f)), "write to file failed") << c.what;
        EXPECT_EQ(std::filesystem::file_size(path), lengthAfterOne) << c.what;
        EXPECT_EQ(recordsOnDisk(path), 1) << c.what;
        EXPECT_EQ(write(f, 2), 1) << c.what;
        ZARFcloseFile(f);
        EXPECT_EQ(recordsOnDisk(path), 2) << c.what;
        EXPECT_EQ(valuesOf(path, 2), testsupport::rgdPatternRecord(spec, 2)) << c.what;
    }
}

// Short transfers are carried on to the end: a file written and read one byte per call is
// the same file.
TEST_F(RgdWriterFaults, ShortTransfersAreCarriedOnToTheEnd) {
    ZARFFILE* f = openWriter();
    ASSERT_NE(f, nullptr);
    {
        Faults shortTransfers(oneByteAtATime);
        EXPECT_EQ(write(f, 1), 1);
        EXPECT_EQ(write(f, 2), 1);
        ZARFcloseFile(f);
        EXPECT_EQ(recordsOnDisk(path), 2);
        EXPECT_EQ(valuesOf(path, 2), testsupport::rgdPatternRecord(spec, 2));
    }
}

// A creation that fails while its preamble is written, flushed to the disk or renamed into
// place is refused with the writer's text and leaves nothing behind, neither under the name
// nor under a temporary one; the next open creates the file.
TEST_F(RgdWriterFaults, FailedCreationLeavesNoFileAndTheNextOpenCreatesIt) {
    struct Case {
        const char* what;
        RAVLIOIoCall call;
        long fate;
    };
    for (const Case& c : {Case{"preamble write on a full disk", RAVLIO_IO_WRITE, -ENOSPC},
                          Case{"fsync fails", RAVLIO_IO_FSYNC, -EIO},
                          Case{"rename fails", RAVLIO_IO_RENAME, -EACCES}}) {
        {
            Faults fault(c.call, {c.fate});
            EXPECT_EQ(openWriter(), nullptr) << c.what;
        }
        EXPECT_EQ(text(ZARFlastError(nullptr)), "filename did not correspond to a writable file") << c.what;
        EXPECT_EQ(namesInDir(), std::vector<std::string>{}) << c.what;
    }
    ZARFFILE* f = openWriter();
    ASSERT_NE(f, nullptr) << text(ZARFlastError(nullptr));
    EXPECT_EQ(write(f, 1), 1);
    ZARFcloseFile(f);
    EXPECT_EQ(recordsOnDisk(path), 1);
}

class StatusFileFaults : public ::testing::Test {
protected:
    StatusFileFaults() : redirect_(in_, out_) {}
    std::string name80(const std::string& name) const { return util::pad(dir.file(name), 80); }

    testsupport::TempDir dir;
    testsupport::SleepRecorder sleeps;
    std::istringstream in_;
    std::ostringstream out_;
    util::ConsoleRedirect redirect_;
};

// A new status file whose first record cannot be written (full disk, I/O error) stops the program with its stop text and leaves no file for a later run to wait
// on; the next run creates it.
TEST_F(StatusFileFaults, FailedCreationStopsAndLeavesNoFile) {
    for (long fate : {long{-ENOSPC}, long{-EIO}}) {
        std::string CINFO = util::pad("VORNCALV -- LAST SCENE CALIBRATED:", 80);
        int NUMBR = -1;
        std::string stopped = "(no stop)";
        {
            Faults fault(RAVLIO_IO_WRITE, {}, fate);
            try {
                util::rdsta(15, name80("X.STC"), CINFO, NUMBR);
            } catch (const util::Stop& stop) {
                stopped = stop.text();
            }
        }
        EXPECT_EQ(stopped, "OPEN ERROR, STATUS FILE") << fate;
        EXPECT_FALSE(std::filesystem::exists(dir.file("X.STC"))) << fate;
    }
    std::string CINFO = util::pad("VORNCALV -- LAST SCENE CALIBRATED:", 80);
    int NUMBR = -1;
    util::rdsta(15, name80("X.STC"), CINFO, NUMBR);
    EXPECT_EQ(NUMBR, 0);
}

// An update of a status file that fails on a full disk is waited out and written again; one
// written and read back one byte per call holds its count all the same.
TEST_F(StatusFileFaults, FailedUpdateIsWrittenAgainAfterAWait) {
    std::string CINFO = util::pad("VORNCALV -- LAST SCENE CALIBRATED:", 80);
    int NUMBR = -1;
    util::rdsta(15, name80("X.STC"), CINFO, NUMBR);
    int JSTAT = -1;
    {
        Faults fault(RAVLIO_IO_WRITE, {-ENOSPC});
        util::wrtsta(7, util::pad("T.RLC", 80), name80("X.STC"), 15, JSTAT);
    }
    EXPECT_EQ(JSTAT, 0);
    EXPECT_EQ(sleeps.waits(), std::vector<int>{1024});
    Faults shortTransfers(oneByteAtATime);
    util::wrtsta(8, util::pad("T.RLC", 80), name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(JSTAT, 0);
    std::string again = util::pad("VORNCALV -- LAST SCENE CALIBRATED:", 80);
    util::rdsta(15, name80("X.STC"), again, NUMBR);
    EXPECT_EQ(NUMBR, 0);
    EXPECT_EQ(testsupport::readFile(dir.file("X.STC")).substr(80, 80), util::pad("T.RLC", 75) + "    8");
}

// A status record whose update gets only part of the way before the write fails is never
// seen half old and half new: while the update waits to be written again the directory
// holds the old file alone (a count of 9, not the 19 that the first 79 bytes of "   10"
// over "    9" would make), and afterwards the new count.
TEST_F(StatusFileFaults, UpdateCutShortLeavesTheOldRecordWholeUntilWrittenAgain) {
    const std::string key = util::pad("VORNCALV -- LAST SCENE CALIBRATED:", 75);
    testsupport::writeFile(dir.file("X.STC"), key + "    9");
    struct DuringTheWait {
        const testsupport::TempDir* dir;
        std::vector<std::string> names;
        std::string status;
    } seen{&dir, {}, {}};
    sleeps.onWait(
        [](int, void* context) {
            auto* s = static_cast<DuringTheWait*>(context);
            for (const auto& e : std::filesystem::directory_iterator(s->dir->path())) {
                s->names.push_back(e.path().filename());
            }
            s->status = testsupport::readFile(s->dir->file("X.STC"));
        },
        &seen);
    int JSTAT = -1;
    {
        Faults fault(RAVLIO_IO_WRITE, {79, -EIO});
        util::wrtsta(10, key, name80("X.STC"), 15, JSTAT);
    }
    EXPECT_EQ(JSTAT, 0);
    EXPECT_EQ(sleeps.waits(), std::vector<int>{1024});
    EXPECT_EQ(seen.names, std::vector<std::string>{"X.STC"});
    EXPECT_EQ(seen.status, key + "    9");
    EXPECT_EQ(testsupport::readFile(dir.file("X.STC")), key + "   10");
}

}  // namespace
