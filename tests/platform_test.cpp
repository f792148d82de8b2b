// The platform hooks: replaceable sleep, events and file length.
#include "ravlio/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
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
