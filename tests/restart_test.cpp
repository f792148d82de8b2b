// Restart point, first good input record and restart record counts, run in-process on
// synthetic input files.
#include "vorncalv/restart.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "libutil/fixedtext.h"
#include "libutil/stop.h"
#include "ravlio/fortjkt.h"
#include "support/logcapture.h"
#include "support/runprogram.h"
#include "support/syntheticday.h"
#include "support/tempdir.h"
#include "vorncalv/runstate.h"

namespace {

using testsupport::SyntheticDay;

const float QUIET_NAN = std::bit_cast<float>(std::uint32_t{0x7FC00000U});

std::string statusRecord(const std::string& key, int count) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%5d", count);
    return util::pad(key, 75) + digits;
}

class Restart : public ::testing::Test {
protected:
    Restart() {
        s.LOGFIL = capture.name();
        s.BASE = util::pad("abc", 8);
        s.CXFILE = util::pad(day.inputName, 80);
        s.IWAIT = 0;
    }
    ~Restart() override {
        int result = 0;
        if (s.IHNDL != 0) sclose_(&s.IHNDL, &result);
    }

    // Writes the input file with `count` records of the (possibly edited) day.
    void writeInput(int count) { testsupport::writeDay(dir.path().string(), day, count); }

    // Runs steps 1-4; returns the stop text ("" when it did not stop).
    std::string firstRecord() {
        try {
            vorncalv::restartAndFirstRecord(s);
        } catch (const util::Stop& stop) {
            return stop.text();
        }
        return "";
    }

    testsupport::LogCapture capture;
    testsupport::TempDir dir;
    testsupport::InDirectory cwd{dir.path()};
    SyntheticDay day = testsupport::planDay();
    vorncalv::RunState s;
};

TEST_F(Restart, GoodFirstRecordFixesGridHandleAndNames) {
    writeInput(4);
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(s.LSN, 0);
    EXPECT_EQ(s.NRI, 1);
    EXPECT_EQ(s.NOK, 1);
    EXPECT_EQ(s.MISSES, 0);
    EXPECT_EQ(s.NPTS, 64);
    ASSERT_EQ(s.XIN.size(), 64U);
    EXPECT_EQ(s.XMIN, 500.0);
    EXPECT_EQ(s.XMAX, 1800.0);
    EXPECT_EQ(s.WNA, 500.0);
    EXPECT_DOUBLE_EQ(s.DWN, 1300.0 / 63.0);
    EXPECT_NE(s.IHNDL, 0);
    EXPECT_EQ(s.LIST, (std::array<int, 5>{s.IHNDL, s.IHNDL, s.IHNDL, s.IHNDL, s.IHNDL}));
    EXPECT_EQ(s.LRNS, (std::array<int, 5>{1, 1, 1, 1, 1}));
    EXPECT_EQ(s.OFILE1, util::pad("abc     .RLC", 80));
    EXPECT_EQ(s.HWDS[1], 100000.0F);
    EXPECT_EQ(s.HWDS[2], 72.0F);  // "H"
    EXPECT_EQ(s.HWDS[10], 1.0F);
    EXPECT_EQ(capture.log(), " INPUT FILE IS 150417C1.UVS\n");
    EXPECT_EQ(capture.console(),
              " NRCXF, NHWDS: 1 15\n"
              " HWDS: 150417.0 100000.0 72.0 290.5 290.5 290.5 330.25 330.25 330.25 291.0 1.0 0.0 45.0 10.0 3.0\n");
}

TEST_F(Restart, ThreeBadTimeRecordsThenAGoodOneGiveRecordFour) {
    day.records[0].hhmmss = -1.0F;
    day.records[1].hours = 24.5F;
    day.records[2].hhmmss = 240000.5F;
    writeInput(5);
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(s.NRI, 4);
    EXPECT_EQ(s.MISSES, 3);
    EXPECT_EQ(capture.log(),
              "Bad times found in input record number      1\n"
              "Bad times found in input record number      2\n"
              "Bad times found in input record number      3\n"
              " INPUT FILE IS 150417C1.UVS\n");
}

TEST_F(Restart, TimeLimitsThemselvesAreValid) {
    day.records[0].hhmmss = 240000.0F;
    day.records[0].hours = 24.0F;
    writeInput(2);
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(s.NRI, 1);
}

TEST_F(Restart, SlightlyNegativeHoursAreBad) {
    day.records[0].hours = -0.0001F;
    writeInput(2);
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(s.NRI, 2);
}

TEST_F(Restart, QuietNaNTimeBecomesMissingAndIsBad) {
    day.records[0].hhmmss = QUIET_NAN;
    day.records[1].drift = QUIET_NAN;
    writeInput(2);
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(s.NRI, 2);
    EXPECT_EQ(s.HWDS[14], -999.0F);
    EXPECT_EQ(capture.console().substr(0, 38), " NRCXF, NHWDS: 1 15\n HWDS: 150417.0 -9");
}

TEST_F(Restart, OtherNaNPatternCountsAsValidTime) {
    day.records[0].hhmmss = std::bit_cast<float>(std::uint32_t{0x7FC00001U});
    writeInput(2);
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(s.NRI, 1);
}

TEST_F(Restart, NoGoodRecordInTheFirst99StopsWithBadInput) {
    for (int i = 0; i < 100; ++i) day.records.push_back(day.records[0]), day.truth.push_back(day.truth[0]);
    for (auto& r : day.records) r.hours = 25.0F;
    writeInput(100);
    EXPECT_EQ(firstRecord(), "BAD INPUT?");
    EXPECT_EQ(s.MISSES, 99);
    std::string expected;
    for (int n = 1; n <= 99; ++n) {
        char line[64];
        std::snprintf(line, sizeof line, "Bad times found in input record number %6d\n", n);
        expected += line;
    }
    EXPECT_EQ(capture.log(), expected + "UNABLE TO FIND GOOD RECORD IN FIRST 99 RECORDS!\n");
}

TEST_F(Restart, ReaderFailureOnRecordOneStopsAtOnce) {
    s.CXFILE = util::pad("MISSING.UVS", 80);
    EXPECT_EQ(firstRecord(), "FIRST RECORD IS BAD");
    EXPECT_EQ(s.NRI, 1);
    EXPECT_EQ(capture.log(), "filetype is unknown\nREASON: No such file or directory\nINPUT FILE: MISSING.UVS\nIRDST = 1\n");
}

TEST_F(Restart, ReaderFailureAfterBadTimesStopsWithoutMovingOn) {
    day.records[0].hours = 25.0F;
    writeInput(1);  // record 2 does not exist yet: end of file in batch mode
    EXPECT_EQ(firstRecord(), "FIRST RECORD IS BAD");
    EXPECT_EQ(capture.log(),
              "Bad times found in input record number      1\n"
              "END-OF-FILE\n"
              "INPUT FILE: 150417C1.UVS\n"
              "IRDST = 6\n");
}

TEST_F(Restart, RecordOfMoreThan9000PointsIsRefused) {
    day.config.points = 9001;
    day = testsupport::planDay(day.config);
    writeInput(1);
    EXPECT_EQ(firstRecord(), "INPUT RECORD SIZE?");
    EXPECT_EQ(s.NPTS, 0);
    EXPECT_EQ(capture.log(), "INPUT RECORD      1 HAS   9001 POINTS; AT MOST  9000 CAN BE HANDLED\n");
}

TEST_F(Restart, RecordOf9000PointsIsTaken) {
    day.config.points = 9000;
    day = testsupport::planDay(day.config);
    writeInput(1);
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(s.NPTS, 9000);
}

TEST_F(Restart, OnePointGridHasStepZero) {
    day.config.points = 1;
    day.config.wnMax = day.config.wnMin;
    day = testsupport::planDay(day.config);
    writeInput(1);
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(s.NPTS, 1);
    EXPECT_EQ(s.DWN, 0.0);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(s.XMIN), std::bit_cast<std::uint64_t>(s.XMAX));
}

TEST_F(Restart, LongInputNameIsShownWithFortyCharacters) {
    const std::string longName = "a_rather_long_directory_name_for_input/" + day.inputName;
    std::filesystem::create_directory(dir.path() / "a_rather_long_directory_name_for_input");
    day.inputName = longName;
    s.CXFILE = util::pad(longName, 80);
    writeInput(1);
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(capture.log(), " INPUT FILE IS " + longName.substr(0, 40) + "\n");
}

TEST_F(Restart, BatchModeIgnoresAnExistingStatusFile) {
    writeInput(1);
    s.STFILE = util::pad("abc.STC", 80);
    testsupport::writeFile(dir.file("abc.STC"), statusRecord("VORNCALV -- LAST SCENE CALIBRATED:", 7));
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(s.LSN, 0);
    EXPECT_EQ(capture.log(), " INPUT FILE IS 150417C1.UVS\n");
}

TEST_F(Restart, RealTimeFreshRunCreatesTheStatusFileWithoutRestartLine) {
    writeInput(1);
    s.IWAIT = 1;
    s.STFILE = util::pad("abc.STC", 80);
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(s.LSN, 0);
    EXPECT_EQ(testsupport::readFile(dir.file("abc.STC")), statusRecord("VORNCALV -- LAST SCENE CALIBRATED:", 0));
    EXPECT_EQ(capture.log(), " INPUT FILE IS 150417C1.UVS\n");
}

TEST_F(Restart, RealTimeRestartLogsTheLastSceneCompleted) {
    writeInput(1);
    s.IWAIT = 1;
    s.STFILE = util::pad("abc.STC", 80);
    testsupport::writeFile(dir.file("abc.STC"), statusRecord("VORNCALV -- LAST SCENE CALIBRATED:", 7));
    EXPECT_EQ(firstRecord(), "");
    EXPECT_EQ(s.LSN, 7);
    EXPECT_EQ(capture.log(),
              "=>=>=>=>=>=>=>  RESTART!!  <=<=<=<=<=<=<=\n"
              " LAST SCENE COMPLETED:    7\n"
              " INPUT FILE IS 150417C1.UVS\n");
}

// ---- Restart record counts ----------------------------------------------------------------

class RestartCounts : public ::testing::Test {
protected:
    RestartCounts() {
        s.LOGFIL = capture.name();
        s.IWAIT = 1;
        s.STFILE = util::pad("abc.STC", 80);
        s.OFILE1 = util::pad("abc     .RLC", 80);
        s.OFILE2 = util::pad("abc     .IMC", 80);
        s.OFILE3 = util::pad("abc     .RES", 80);
    }

    std::string counts() {
        try {
            vorncalv::restartRecordCounts(s);
        } catch (const util::Stop& stop) {
            return stop.text();
        }
        return "";
    }

    testsupport::LogCapture capture;
    testsupport::TempDir dir;
    testsupport::InDirectory cwd{dir.path()};
    vorncalv::RunState s;
};

TEST_F(RestartCounts, CountsAreCappedAtTheLastSceneCompleted) {
    testsupport::writeFile(dir.file("abc.STC"), statusRecord("VORNCALV -- LAST SCENE CALIBRATED:", 100) +
                                                    statusRecord("abc     .RLC", 120) +
                                                    statusRecord("abc     .IMC", 99) +
                                                    statusRecord("abc     .RES", 100));
    s.LSN = 100;
    s.OUTOP2 = 'Y';
    s.OUTOP3 = 'Y';
    EXPECT_EQ(counts(), "");
    EXPECT_EQ(s.MAXREC, 100);
    EXPECT_EQ(s.NRO1, 100);
    EXPECT_EQ(s.NRO2, 99);
    EXPECT_EQ(s.NRO3, 100);
    EXPECT_EQ(capture.log(), "");
}

TEST_F(RestartCounts, DisabledProductsKeepZero) {
    testsupport::writeFile(dir.file("abc.STC"), statusRecord("VORNCALV -- LAST SCENE CALIBRATED:", 5) +
                                                    statusRecord("abc     .RLC", 5) +
                                                    statusRecord("abc     .IMC", 5));
    s.LSN = 5;
    s.OUTOP2 = 'N';
    s.OUTOP3 = 'Y';
    EXPECT_EQ(counts(), "");
    EXPECT_EQ(s.NRO1, 5);
    EXPECT_EQ(s.NRO2, 0);
    EXPECT_EQ(s.NRO3, 0);  // no record of the responsivity file
}

TEST_F(RestartCounts, FreshStartHasNoRecords) {
    s.LSN = 0;
    s.NRO1 = 3;
    s.NRO2 = 3;
    s.NRO3 = 3;
    EXPECT_EQ(counts(), "");
    EXPECT_EQ(s.NRO1, 0);
    EXPECT_EQ(s.NRO2, 0);
    EXPECT_EQ(s.NRO3, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("abc.STC")));
}

// The id of a process that has ended (a child that exited at once, reaped).
long endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return static_cast<long>(child);
}

TEST_F(RestartCounts, CreationLeftoversOfEndedProcessesAreRemoved) {
    const std::string dead = std::to_string(endedProcess());
    const std::string alive = std::to_string(static_cast<long>(::getpid()));
    const std::vector<std::string> gone = {"abc     .RLC.new" + dead, "abc     .RES.new" + dead, "abc.STC.new" + dead};
    const std::vector<std::string> kept = {"abc     .RLC.new" + alive,  // a living process's
                                           "abc     .RLC.new" + dead + "x", "abc     .RLC.old" + dead,
                                           "xyz     .RLC.new" + dead, "abc     .RLC"};
    for (const std::string& name : gone) testsupport::writeFile(dir.file(name), "half made");
    for (const std::string& name : kept) testsupport::writeFile(dir.file(name), "keep");
    vorncalv::removeCreationLeftovers(s);
    for (const std::string& name : gone) EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    for (const std::string& name : kept) EXPECT_TRUE(std::filesystem::exists(dir.file(name))) << name;
    EXPECT_EQ(capture.log(), "REMOVED LEFTOVER FILE abc     .RLC.new" + dead + "\n" +
                                 "REMOVED LEFTOVER FILE abc     .RES.new" + dead + "\n" +
                                 "REMOVED LEFTOVER FILE abc.STC.new" + dead + "\n");
}

// A batch run forms no status-file name of its own, but removes an earlier real-time run's
// status file and so what that run left half made beside it.
TEST_F(RestartCounts, BatchRunRemovesTheStatusFileLeftoversOfAnEarlierRealTimeRun) {
    const std::string dead = std::to_string(endedProcess());
    s.IWAIT = 0;
    s.STFILE = std::string(80, ' ');
    s.BASE = "abc     ";
    testsupport::writeFile(dir.file("abc.STC.new" + dead), "half made");
    vorncalv::removeCreationLeftovers(s);
    EXPECT_FALSE(std::filesystem::exists(dir.file("abc.STC.new" + dead)));
    EXPECT_EQ(capture.log(), "REMOVED LEFTOVER FILE abc.STC.new" + dead + "\n");
}

}  // namespace
