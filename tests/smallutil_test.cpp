// lentrim, uprcas, sleeper, dossleep, getsec and wnplan.
#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "libutil/console.h"
#include "libutil/dossleep.h"
#include "libutil/getsec.h"
#include "libutil/lentrim.h"
#include "libutil/logmsg.h"
#include "libutil/sleeper.h"
#include "libutil/uprcas.h"
#include "libutil/wnplan.h"
#include "support/heldconsole.h"
#include "support/sleeprecorder.h"
#include "support/tempdir.h"

using namespace std::string_literals;

TEST(Lentrim, BlanksOrNulsOnlyGiveZero) {
    EXPECT_EQ(util::lentrim(std::string(256, ' ')), 0);
    EXPECT_EQ(util::lentrim(std::string(256, '\0')), 0);
    EXPECT_EQ(util::lentrim(""), 0);
}

TEST(Lentrim, TrailingNulAndBlanksAreNotCounted) {
    EXPECT_EQ(util::lentrim("ABC\0  "s), 3);
    EXPECT_EQ(util::lentrim(" A B "), 4);
}

TEST(Lentrim, OnlyTheFirst256CharactersCount) {
    EXPECT_EQ(util::lentrim(std::string(300, 'x')), 256);
    EXPECT_EQ(util::lentrim(std::string(256, ' ') + "tail"), 0);
}

TEST(Uprcas, LowerCaseLettersBecomeCapitals) {
    EXPECT_EQ(util::uprcas('q'), 'Q');
    EXPECT_EQ(util::uprcas('a'), 'A');
    EXPECT_EQ(util::uprcas('z'), 'Z');
}

TEST(Uprcas, OtherCharactersStayUnchanged) {
    for (char c : {'1', '|', 'Z', '{', '`', ' ', '\0'}) EXPECT_EQ(util::uprcas(c), c);
    EXPECT_EQ(util::uprcas(static_cast<char>(0xE4)), static_cast<char>(0xE4));
}

TEST(Sleeper, WaitsGrowFrom1024To16384AndStay) {
    testsupport::SleepRecorder recorder;
    int ARG = 1024;
    for (int i = 0; i < 6; ++i) util::sleeper(ARG);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{1024, 2048, 4096, 8192, 16384, 16384}));
    EXPECT_EQ(ARG, 16384);
}

TEST(Sleeper, LongWaitIsSleptWholeAndTheNextCapped) {
    testsupport::SleepRecorder recorder;
    int ARG = 10000;
    util::sleeper(ARG);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{10000}));
    EXPECT_EQ(ARG, util::MAXARG);
}

TEST(Sleeper, NonPositiveWaitResumesAt1024) {
    testsupport::SleepRecorder recorder;
    int ARG = 0;
    util::sleeper(ARG);
    EXPECT_EQ(ARG, 1024);
    ARG = 2147483647;
    util::sleeper(ARG);
    EXPECT_EQ(ARG, util::MAXARG);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{2147483647}));
}

namespace {

struct SeenAtWait {
    const testsupport::HeldConsole* console;
    std::vector<std::string> shown;
};

void recordShown(int /*ms*/, void* context) {
    auto* seen = static_cast<SeenAtWait*>(context);
    seen->shown.push_back(seen->console->shown);
}

}  // namespace

TEST(Sleeper, WhatTheWaitLoopPrintedIsShownBeforeTheWait) {
    testsupport::HeldConsole console;
    std::ostream out(&console);
    std::istringstream in;
    util::ConsoleRedirect redirect(in, out);
    testsupport::SleepRecorder recorder;
    SeenAtWait seen{&console, {}};
    recorder.onWait(recordShown, &seen);
    int ARG = 1024;
    util::conout() << " Waiting for input record 9\n";
    util::sleeper(ARG);
    util::conout() << " Waiting for input record 9\n";
    util::sleeper(ARG);
    EXPECT_EQ(seen.shown, (std::vector<std::string>{" Waiting for input record 9\n",
                                                    " Waiting for input record 9\n Waiting for input record 9\n"}));
}

namespace {

struct LogAtWait {
    std::string path;
    std::vector<std::string> onDisk;
};

void recordLog(int /*ms*/, void* context) {
    auto* seen = static_cast<LogAtWait*>(context);
    seen->onDisk.push_back(testsupport::readFile(seen->path));
}

}  // namespace

// An operator following the log sees why the program waits while it waits.
TEST(Sleeper, LoggedLinesAreOnDiskDuringTheWait) {
    testsupport::TempDir dir;
    LogAtWait seen{dir.file("w.LOG"), {}};
    std::ofstream(seen.path).close();  // an existing log: opening it prints nothing
    util::logmsgReset();
    util::logmsg(13, seen.path, "RDDMVF -- waiting for record number 9");
    testsupport::SleepRecorder recorder;
    recorder.onWait(recordLog, &seen);
    int ARG = 1024;
    util::sleeper(ARG);
    util::logmsgReset();
    EXPECT_EQ(seen.onDisk, std::vector<std::string>{"RDDMVF -- waiting for record number 9\n"});
}

TEST(Dossleep, SleepsThroughTheReplaceableSleepAndReturnsZero) {
    testsupport::SleepRecorder recorder;
    EXPECT_EQ(util::dossleep(250), 0);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{250}));
}

TEST(Getsec, ConvertsHhmmssTruncatingFractions) {
    int n = -1;
    util::getsec(123456.9f, n);
    EXPECT_EQ(n, 45296);
    util::getsec(235959.0f, n);
    EXPECT_EQ(n, 86399);
    util::getsec(0.0f, n);
    EXPECT_EQ(n, 0);
}

TEST(Getsec, DigitGroupsAreNotChecked) {
    int n = -1;
    util::getsec(9999.0f, n);  // 99 minutes 99 seconds
    EXPECT_EQ(n, 99 * 60 + 99);
}

TEST(Getsec, MissingTimeStaysNegativeAndNaNGivesZero) {
    int n = 1;
    util::getsec(-999.0f, n);
    EXPECT_EQ(n, -9 * 60 - 99);
    util::getsec(std::numeric_limits<float>::quiet_NaN(), n);
    EXPECT_EQ(n, 0);
    util::getsec(1e30f, n);  // saturates instead of overflowing
    EXPECT_EQ(n, 214748 * 3600 + 36 * 60 + 47);
}

TEST(Wnplan, PlanckRadianceAt1000WavenumbersAnd300Kelvin) {
    EXPECT_NEAR(util::wnplan(1000.0, 300.0f), 99.24f, 0.01f);
}

TEST(Wnplan, RadianceGrowsWithTemperature) {
    EXPECT_LT(util::wnplan(700.0, 250.0f), util::wnplan(700.0, 251.0f));
}

TEST(Wnplan, ApproachesRayleighJeansAtLowWavenumber) {
    // C1 / C2 * VN^2 * TEM when C2 * VN / TEM is small.
    const double expected = 1.1910439340652298e-05 / 1.4387686603333911 * 300.0;
    EXPECT_NEAR(util::wnplan(1.0, 300.0f), expected, expected * 0.003);
}
