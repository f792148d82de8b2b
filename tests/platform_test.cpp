// The platform hooks: replaceable sleep, events and file length.
#include "ravlio/platform.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "support/sleeprecorder.h"
#include "support/tempdir.h"

TEST(PlatformSleep, RecorderReceivesEveryRequestedWait) {
    testsupport::SleepRecorder recorder;
    RAVLIOsleepMilliseconds(1024);
    RAVLIOsleepMilliseconds(0);
    RAVLIOsleepMilliseconds(-5);
    RAVLIOsleepMilliseconds(3);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{1024, 3}));
}

TEST(PlatformSleep, SyssleepReturnsTheTimeItWaited) {
    testsupport::SleepRecorder recorder;
    EXPECT_EQ(syssleep("RAVRWRIT", 20000), 20000);
    EXPECT_EQ(syssleep("RAVRWRIT", 0), 0);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{20000}));
}

TEST(PlatformFileLength, ReportsTheCurrentLengthOfAnOpenFile) {
    testsupport::TempDir dir;
    std::FILE* f = std::fopen(dir.file("len.bin").c_str(), "wb+");
    ASSERT_NE(f, nullptr);
    std::fwrite("0123456789", 1, 10, f);
    std::fflush(f);
    EXPECT_EQ(_FileLength(fileno(f)), 10);
    std::fclose(f);
    EXPECT_EQ(_FileLength(-1), -1);
}

namespace {

// What an observer was told, one line per call.
std::vector<std::string> observed;

void recordEvent(const RAVLIOIoEvent* e) {
    std::string line = std::to_string(e->call) + " result " + std::to_string(e->result);
    if (e->call == RAVLIO_IO_WRITE) {
        line += " at " + std::to_string(e->offset) + " ";
        for (int k = 0; k < e->count; ++k) line.append(static_cast<const char*>(e->blocks[k].iov_base), e->blocks[k].iov_len);
    }
    if (e->call == RAVLIO_IO_RENAME) line += std::string(" ") + e->from + " -> " + e->to;
    observed.push_back(line);
}

// Six-byte writes move two bytes; renames fail.
long shortWritevFailedRename(RAVLIOIoCall call, size_t bytes) {
    if (call == RAVLIO_IO_RENAME) return -EIO;
    return call == RAVLIO_IO_WRITE && bytes == 6 ? 2 : 0;
}

}  // namespace

// The observer hears of each write with the bytes that got through (a short one cut as it
// was), of each sync, and of each rename made; a call the fault function failed is not made
// and not reported.
TEST(PlatformIoObserver, IsToldOfEveryCallMadeWithWhatItMoved) {
    testsupport::TempDir dir;
    const std::string a = dir.file("a");
    const std::string b = dir.file("b");
    const int fd = ::open(a.c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    observed.clear();
    RAVLIOsetIoObserverFunction(recordEvent);
    RAVLIOIoFaultFunction previous = RAVLIOsetIoFaultFunction(shortWritevFailedRename);
    const char two[] = "xyz";
    const iovec blocks[2] = {{const_cast<char*>("abc"), 3}, {const_cast<char*>(two), 3}};
    EXPECT_EQ(RAVLIOpwrite(fd, "hello", 5, 4), 5);
    EXPECT_EQ(RAVLIOpwritev(fd, blocks, 2, 0), 2);
    EXPECT_EQ(RAVLIOfdatasync(fd), 0);
    EXPECT_EQ(RAVLIOrename(a.c_str(), b.c_str()), -1);
    RAVLIOsetIoFaultFunction(previous);
    EXPECT_EQ(RAVLIOrename(a.c_str(), b.c_str()), 0);
    EXPECT_EQ(RAVLIOsyncParentDirectory(b.c_str()), 0);
    RAVLIOsetIoObserverFunction(nullptr);
    ::close(fd);
    const std::string W = std::to_string(RAVLIO_IO_WRITE), F = std::to_string(RAVLIO_IO_FSYNC),
                      R = std::to_string(RAVLIO_IO_RENAME);
    EXPECT_EQ(observed, (std::vector<std::string>{W + " result 5 at 4 hello", W + " result 2 at 0 ab",
                                                  F + " result 0", R + " result 0 " + a + " -> " + b,
                                                  F + " result 0"}));
}
