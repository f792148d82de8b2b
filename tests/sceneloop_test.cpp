// Scene sequencing, run in-process over synthetic instrument days: the whole program from
// the dialogue to the end-of-run summary, with its console, log and products inspected.
#include "vorncalv/sceneloop.h"

#include <gtest/gtest.h>

#include <bit>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <complex>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/stop.h"
#include "ravlio/fields.h"
#include "ravlio/fortjkt.h"
#include "ravlio/platform.h"
#include "ravlio/ravlio.h"
#include "simlib/compare.h"
#include "simlib/dayplan.h"
#include "simlib/daywriter.h"
#include "support/iofaults.h"
#include "support/runprogram.h"
#include "support/heldconsole.h"
#include "support/sleeprecorder.h"
#include "support/syntheticday.h"
#include "support/tempdir.h"
#include "support/vornfiles.h"
#include "vorncalv/inputrecord.h"
#include "vorncalv/runstate.h"
#include "vorncalv/vorncalv.h"

namespace {

using testsupport::Product;
using testsupport::SyntheticDay;
using testsupport::calibrationError;
using testsupport::isMissingPattern;
using testsupport::readProduct;

// The closing log lines of the three products of root abc, each with written records and
// how many of them are missing.
std::string productLines(int written, int missing) {
    std::string lines;
    for (const char* ext : {"RLC", "IMC", "RES"}) {
        lines += util::fmt("(' PRODUCT abc     .',A,':',I6,' RECORDS WRITTEN BY THIS RUN,',I6,' OF THEM MISSING')",
                           {ext, written, missing}) +
                 "\n";
    }
    return lines;
}

const std::string END = "*** END VORNCALV.EXE ***";

struct RunResult {
    std::string stop;
    std::string console;
    std::string log;
    int exitStatus = -1;  // the exit status the stop gives the program
    int NSV = 0;
    int MISSES = 0;
    int NRO1 = 0;
};

// One program run in-process in dir with the given console answers.
// The console goes to consoleBuffer when one is given (RunResult::console stays empty).
RunResult runVorncalv(const testsupport::TempDir& dir, const std::string& answers, const std::string& root = "abc",
                      std::function<void(const vorncalv::RunState&)> sceneDone = {},
                      std::streambuf* consoleBuffer = nullptr, bool quiet = false) {
    testsupport::InDirectory cwd(dir.path());
    util::logmsgReset();
    const std::string logBefore = testsupport::readFile(dir.file(root + ".LOG"));
    std::istringstream in(answers);
    std::ostringstream captured;
    std::ostream out(consoleBuffer != nullptr ? consoleBuffer : captured.rdbuf());
    RunResult r;
    {
        util::ConsoleRedirect console(in, out);
        auto s = std::make_unique<vorncalv::RunState>();
        s->sceneDone = std::move(sceneDone);
        s->QUIET = quiet;
        try {
            vorncalv::run(*s);
        } catch (const util::Stop& stop) {
            r.stop = stop.text();
            r.exitStatus = stop.exitStatus();
        }
        r.NSV = s->NSV;
        r.MISSES = s->MISSES;
        r.NRO1 = s->NRO1;
    }
    util::logmsgReset();
    r.console = captured.str();
    r.log = testsupport::readFile(dir.file(root + ".LOG")).substr(logBefore.size());
    return r;
}

// Every output record k is the calibrated scene record records[k-1], or missing when that
// entry is 0.
void expectScenes(const SyntheticDay& day, const Product& p, const std::vector<int>& records) {
    ASSERT_EQ(p.count, static_cast<int>(records.size()));
    for (std::size_t k = 0; k < records.size(); ++k) {
        SCOPED_TRACE("output record " + std::to_string(k + 1));
        if (records[k] == 0) {
            EXPECT_EQ(p.missing[k], 1.0F);
            for (float v : p.data[k]) EXPECT_TRUE(isMissingPattern(v));
        } else {
            EXPECT_EQ(p.missing[k], 0.0F);
            EXPECT_LT(calibrationError(day, p.data[k], records[k]), 2e-5);
        }
    }
}

std::size_t countOf(const std::string& text, const std::string& line) {
    std::size_t n = 0;
    for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
    return n;
}

class SceneLoop : public ::testing::Test {
protected:
    void write(int count) { testsupport::writeDay(dir.path().string(), day, count); }
    RunResult batch() { return runVorncalv(dir, day.answers("abc", true)); }
    RunResult realTime() { return runVorncalv(dir, day.answers("abc", false)); }
    // Output names carry the root blank-padded to 8 characters.
    Product product(const std::string& ext) { return readProduct(dir.file("abc     ." + ext)); }

    testsupport::TempDir dir;
    SyntheticDay day = testsupport::planDay();
};

TEST_F(SceneLoop, SyntheticDayCalibratesToTheTruth) {
    day.config.lastSceneNumber = 3;
    write(16);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(r.MISSES, 0);
    const Product rlc = product("RLC");
    expectScenes(day, rlc, {3, 4, 7, 8, 11, 12});
    const Product imc = product("IMC");
    const Product res = product("RES");
    ASSERT_EQ(imc.count, 6);
    ASSERT_EQ(res.count, 6);
    for (int k = 0; k < 6; ++k) {
        for (std::size_t i = 0; i < day.grid.size(); ++i) {
            EXPECT_LT(std::abs(imc.data[static_cast<std::size_t>(k)][i]), 2e-5 * day.hotRadiance[i]);
            const double g = std::abs(std::complex<double>(day.responsivity[i]));
            EXPECT_NEAR(res.data[static_cast<std::size_t>(k)][i], g, 2e-5 * g);
        }
    }
    const std::string tail = r.log.substr(r.log.find(" NUMBER OF RECORDS OUTPUT:"));
    EXPECT_EQ(tail,
              " NUMBER OF RECORDS OUTPUT:     6\n"
              " NUMBER OF MISSING (NULL) RECORDS:     0\n" +
                  productLines(6, 0) +
              "*** END VORNCALV ***\n"
              "*** END VORNCALV.EXE ***\n");
}

// An operator following the console or the log sees every scene whole as soon as it is
// done; an abrupt end loses at most the lines of the scene in progress.
TEST_F(SceneLoop, EveryCompletedSceneIsOnTheConsoleAndInTheLogOnDisk) {
    day.config.lastSceneNumber = 3;
    write(16);
    testsupport::HeldConsole console;
    std::vector<std::string> lastLogLines;
    std::vector<std::string> heldConsole;
    const auto sceneDone = [&](const vorncalv::RunState&) {
        const std::string log = testsupport::readFile(dir.file("abc.LOG"));
        lastLogLines.push_back(log.substr(log.rfind('\n', log.size() - 2) + 1));
        heldConsole.push_back(console.held);
    };
    const RunResult r = runVorncalv(dir, day.answers("abc", true), "abc", sceneDone, &console);
    EXPECT_EQ(r.stop, END);
    ASSERT_EQ(lastLogLines.size(), 6U);
    for (std::size_t k = 0; k < lastLogLines.size(); ++k) {
        EXPECT_EQ(lastLogLines[k].substr(0, 21), util::fmt("(' OUTPUT REC.NO.',I6)", {static_cast<int>(k) + 1}));
        EXPECT_EQ(heldConsole[k], "") << "console lines of scene " << k + 1 << " not shown";
    }
    EXPECT_NE(console.shown.find(" OUTPUT REC.NO. 6  AT"), std::string::npos);
}

TEST_F(SceneLoop, BatchRunBeyondTheFileEndsThroughTheReaderStatus) {
    write(16);  // lastSceneNumber 999: set 4 needs the views of a fifth set
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    const std::string tail = r.log.substr(r.log.rfind(" OUTPUT REC.NO.     6"));
    EXPECT_EQ(tail.substr(tail.find('\n') + 1),
              "END-OF-FILE\n"
              "BAD STATUS FROM RDDMVF, CXFILE=150417C1.UVS\n"
              "IRDST= 6\n"
              "VORNCALV -- END OF INPUT AFTER RECORD     16;     6 SCENES CALIBRATED\n" +
                  productLines(6, 0) +
              "*** END VORNCALV.EXE ***\n");
    EXPECT_EQ(product("RLC").count, 6);
}

TEST_F(SceneLoop, ReaderFailureOnASceneRecordUsesItsOwnStatusLine) {
    day.config.lastSceneNumber = 2;
    write(6);  // scene record 7 is missing
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(r.log.substr(r.log.rfind("END-OF-FILE")),
              "END-OF-FILE\n"
              "BAD STATUS FROM RDDMVF, CXFILE=150417C1.UVS\n"
              " IRDST = 6\n"
              "VORNCALV -- END OF INPUT AFTER RECORD      6;     2 SCENES CALIBRATED\n" +
                  productLines(2, 0) +
              "*** END VORNCALV.EXE ***\n");
}

TEST_F(SceneLoop, MissingSceneIsWrittenAsMissingAndCounted) {
    day.config.lastSceneNumber = 2;
    day.records[3].missing = 1.0F;  // record 4, the second scene of set 1
    write(12);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(r.MISSES, 1);
    EXPECT_EQ(countOf(r.log, " NULL spectrum found in SCENE record number      4\n"), 1U);
    expectScenes(day, product("RLC"), {3, 0, 7, 8});
    EXPECT_EQ(r.log.substr(r.log.find(" NUMBER OF")),
              " NUMBER OF RECORDS OUTPUT:     4\n"
              " NUMBER OF MISSING (NULL) RECORDS:     1\n" +
                  productLines(4, 1) +
              "*** END VORNCALV ***\n"
              "*** END VORNCALV.EXE ***\n");
}

TEST_F(SceneLoop, SceneWithBadTimesIsWrittenAsMissing) {
    day.config.lastSceneNumber = 1;
    day.records[2].hours = 24.5F;
    write(8);
    const RunResult r = batch();
    EXPECT_EQ(r.MISSES, 1);
    EXPECT_EQ(countOf(r.log, "Bad times found in input record number      3\n"), 1U);
    expectScenes(day, product("RLC"), {0, 4});
}

TEST_F(SceneLoop, WrongSceneIdentifierRejectsOnlyThatScene) {
    day.config.lastSceneNumber = 3;
    day.records[2].view = 'X';  // record 3 should be "S"
    write(16);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(r.MISSES, 1);
    EXPECT_EQ(countOf(r.log, "NO SCENE VIEW"), 1U);
    EXPECT_EQ(countOf(r.log, "NO SCENE VIEW; NFSR,NLSR=    3    4\n"), 1U);
    EXPECT_EQ(countOf(r.console, "NO SCENE VIEW; NFSR,NLSR=    3    4\n"), 1U);
    expectScenes(day, product("RLC"), {0, 4, 7, 8, 11, 12});
    EXPECT_EQ(r.NSV, 7);
}

TEST_F(SceneLoop, OnlyHotViewsBeforeTheSceneAbortsItWithoutCounting) {
    day.config.lastSceneNumber = 2;
    day.records[1].view = 'H';  // set 1: H H S S
    write(12);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(r.MISSES, 0);
    EXPECT_EQ(countOf(r.log, " ABORT SCENE -- NHB,NCB =    1    0\n"), 2U);
    EXPECT_EQ(countOf(r.console, " ABORT SCENE -- NHB,NCB =    1    0\n"), 2U);
    // The scene counter advanced once per scene: set 2 is expected to show "Z" and does.
    EXPECT_EQ(countOf(r.log, "NO SCENE VIEW"), 0U);
    expectScenes(day, product("RLC"), {0, 0, 7, 8});
    EXPECT_EQ(r.NSV, 5);
}

TEST_F(SceneLoop, NoColdViewAfterTheSceneAbortsIt) {
    day.config.lastSceneNumber = 1;
    day.records[5].view = 'H';  // set 2: H H Z Z
    write(8);
    const RunResult r = batch();
    EXPECT_EQ(countOf(r.log, " ABORT SCENE -- NHF,NCF =    1    0\n"), 2U);
    expectScenes(day, product("RLC"), {0, 0});
}

TEST_F(SceneLoop, MissingBlackbodyRecordMakesTheSceneMissingThoughCalibrated) {
    day.config.cycle = "HAHSHAHZ";  // sets of three blackbody views and one scene
    day = testsupport::planDay(day.config);
    day.config.lastSceneNumber = 2;
    day.records[0].missing = 1.0F;  // the first hot view of set 1
    write(12);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(r.MISSES, 1);
    EXPECT_EQ(countOf(r.log, " NULL spectrum found in BB record number      1\n"), 1U);
    EXPECT_EQ(countOf(r.log, " CALIBRATING SCENE, REC.NO.     4\n"), 1U);
    EXPECT_EQ(countOf(r.log, "      TC   =  290.50000\n"), 2U);
    expectScenes(day, product("RLC"), {0, 8});
}

TEST_F(SceneLoop, BlackbodyRecordWithBadTimesIsCountedAndSkipped) {
    day.config.cycle = "HAHSHAHZ";
    day = testsupport::planDay(day.config);
    day.config.lastSceneNumber = 1;
    day.records[4].hhmmss = -5.0F;  // the first hot view after the scene
    write(8);
    const RunResult r = batch();
    EXPECT_EQ(r.MISSES, 1);
    EXPECT_EQ(countOf(r.log, "Bad times found in input record number      5\n"), 1U);
    expectScenes(day, product("RLC"), {0});
}

TEST_F(SceneLoop, FirstSceneOfASetKeepsItsOwnDrift) {
    day.config.lastSceneNumber = 1;
    day.records[2].drift = -950.0F;
    write(8);
    const RunResult r = batch();
    EXPECT_EQ(countOf(r.log, "MIRROR SAFED DURING SEQUENCE\n"), 1U);
    const Product rlc = product("RLC");
    ASSERT_EQ(rlc.count, 2);
    EXPECT_EQ(rlc.maxDrift[0], 950.0F);
    EXPECT_EQ(rlc.maxDrift[1], 3.0F);  // the second scene replaces point 1 with its own drift
}

TEST_F(SceneLoop, MissingDriftReportsTheSafedMirror) {
    day.config.lastSceneNumber = 1;
    day.records[3].drift = std::bit_cast<float>(std::uint32_t{0x7FC00000U});
    write(8);
    const RunResult r = batch();
    EXPECT_EQ(countOf(r.log, "MIRROR SAFED AT 100300\n"), 1U);
    EXPECT_EQ(countOf(r.console, "MIRROR SAFED AT 100300\n"), 1U);
    EXPECT_EQ(product("RLC").count, 2);
}

TEST_F(SceneLoop, SameTimeBeforeAndAfterWritesTheSceneAsMissing) {
    day.config.lastSceneNumber = 1;
    day.records[4].hhmmss = day.records[0].hhmmss;  // following hot view at the preceding one's time
    write(8);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    expectScenes(day, product("RLC"), {0, 0});
}

TEST_F(SceneLoop, OneScenePerSetSearchesForEveryScene) {
    day.config.cycle = "HASHAZ";
    day = testsupport::planDay(day.config);
    day.config.lastSceneNumber = 3;
    write(12);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    expectScenes(day, product("RLC"), {3, 6, 9});
}

TEST_F(SceneLoop, FirstSetBeyondTheLastProcessesNothing) {
    day.config.lastSceneNumber = 0;
    write(8);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(r.log.substr(r.log.find(" NUMBER OF")),
              " NUMBER OF RECORDS OUTPUT:     0\n"
              " NUMBER OF MISSING (NULL) RECORDS:     0\n" +
                  productLines(0, 0) +
              "*** END VORNCALV ***\n"
              "*** END VORNCALV.EXE ***\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("abc.RLC")));
}

TEST_F(SceneLoop, SceneAfterAMissingFirstSceneSearchesTheViewsOfItsOwnSet) {
    day.config.lastSceneNumber = 3;
    day.records[10].missing = 1.0F;  // record 11, the first scene of set 3
    write(12);                       // the views after set 3 are not in the file
    const RunResult r = batch();
    // Record 12 is not calibrated with the views of set 2 (which lie before it): its own
    // search reaches for the views of set 4 and meets the end of the file.
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(r.log.substr(r.log.rfind(" NULL spectrum found in SCENE record number     11\n")),
              " NULL spectrum found in SCENE record number     11\n"
              " OUTPUT REC.NO.     5 AT  10.11667\n"  // the time of the last scene read
              "END-OF-FILE\n"
              "BAD STATUS FROM RDDMVF, CXFILE=150417C1.UVS\n"
              "IRDST= 6\n"
              "VORNCALV -- END OF INPUT AFTER RECORD     12;     4 SCENES CALIBRATED\n" +
                  productLines(5, 1) +
              "*** END VORNCALV.EXE ***\n");
    expectScenes(day, product("RLC"), {3, 4, 7, 8, 0});
}

TEST_F(SceneLoop, SetsWithoutSceneViewsStop) {
    day.config.cycle = "HAS";  // one scene view per cycle: no scene record in a set
    day = testsupport::planDay(day.config);
    write(4);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, "NUMBER OF MIR.POS.?");
    EXPECT_EQ(r.log.substr(r.log.rfind("VORNCALV --")), "VORNCALV -- NO SCENE VIEWS IN A SET; NSVIDS=  1\n");
}

TEST_F(SceneLoop, LastSceneNumberBeyondTheRecordNumbersStops) {
    day.config.lastSceneNumber = 2000000000;
    write(8);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, "LAST SCENE NUMBER?");
    EXPECT_EQ(r.log.substr(r.log.rfind("VORNCALV --")), "VORNCALV -- LAST SCENE NUMBER TOO LARGE: 2000000000\n");
}

TEST_F(SceneLoop, TimePointsBeyondTheTableAreLeftOutOfTheFit) {
    // Twelve blackbody views per set, ten of them "C" views that only add time points:
    // the search offers more than the 20 points the table holds.
    day.config.cycle = "CCCCCCCCCCHASCCCCCCCCCCHAZ";
    day = testsupport::planDay(day.config);
    day.config.lastSceneNumber = 1;
    write(26);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    std::string expected;
    for (int n = 21; n <= 25; ++n) expected += "TIME-POINT TABLE FULL; NOT FITTED: RECORD     " + std::to_string(n) + "\n";
    EXPECT_EQ(countOf(r.log, expected), 1U);
    expectScenes(day, product("RLC"), {13});
}

// ---- Real-time mode -----------------------------------------------------------------------

struct Appender {
    const testsupport::TempDir* dir;
    const SyntheticDay* day;
    int written;
    int perWait;
    int total;
    int waits = 0;
    int stopAfter = -1;  // throw a stop at this wait (simulates an interrupted run)
};

void appendOnWait(int /*ms*/, void* context) {
    auto* a = static_cast<Appender*>(context);
    ++a->waits;
    if (a->waits == a->stopAfter) throw util::Stop("INTERRUPTED");
    if (a->written >= a->total) return;
    const int last = std::min(a->total, a->written + a->perWait);
    testsupport::appendDayRecords(a->dir->path().string(), *a->day, a->written + 1, last);
    a->written = last;
}

TEST_F(SceneLoop, RealTimeRunWaitsForRecordsAppendedMeanwhile) {
    day.config.lastSceneNumber = 3;
    write(6);
    testsupport::SleepRecorder sleeps;
    Appender a{&dir, &day, 6, 3, 16};
    sleeps.onWait(appendOnWait, &a);
    const RunResult r = realTime();
    EXPECT_EQ(r.stop, END);
    expectScenes(day, product("RLC"), {3, 4, 7, 8, 11, 12});
    EXPECT_EQ(sleeps.waits(), (std::vector<int>{1024, 1024, 1024}));
    EXPECT_EQ(countOf(r.console, " Waiting for scene-view record: 7\n Input file: 150417C1.UVS\n ntries: 1\n"),
              1U);
    EXPECT_EQ(countOf(r.console, " Waiting for input record 13\n Input file: 150417C1.UVS\n ntries: 1\n"), 1U);
    EXPECT_EQ(testsupport::readFile(dir.file("abc.STC")).substr(0, 80),
              util::pad("VORNCALV -- LAST SCENE CALIBRATED:", 75) + "    6");
}

TEST_F(SceneLoop, RealTimeWaitGrowsWhileNothingArrives) {
    day.config.lastSceneNumber = 1;
    write(5);
    testsupport::SleepRecorder sleeps;
    Appender a{&dir, &day, 5, 0, 5, 0, 7};  // nothing more arrives; stop at the 7th wait
    sleeps.onWait(appendOnWait, &a);
    const RunResult r = realTime();
    EXPECT_EQ(r.stop, "INTERRUPTED");
    EXPECT_EQ(sleeps.waits(), (std::vector<int>{1024, 2048, 4096, 8192, 16384, 16384, 16384}));
}

TEST_F(SceneLoop, RestartBeginsAtTheSceneAfterTheLastCompleted) {
    day.config.lastSceneNumber = 4;
    write(20);
    // An earlier run completed seven scenes (its products are not needed here).
    char count[8];
    std::snprintf(count, sizeof count, "%5d", 7);
    testsupport::writeFile(dir.file("abc.STC"), util::pad("VORNCALV -- LAST SCENE CALIBRATED:", 75) + count);
    const RunResult r = realTime();
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(countOf(r.console, " CALIBRATING SCENE, REC.NO."), 1U);
    EXPECT_EQ(countOf(r.console, " CALIBRATING SCENE, REC.NO.    16\n      SCENE IDENTIFIER   : Z\n"), 1U);
    EXPECT_EQ(countOf(r.log, "=>=>=>=>=>=>=>  RESTART!!  <=<=<=<=<=<=<=\n LAST SCENE COMPLETED:    7\n"), 1U);
    EXPECT_EQ(r.NRO1, 1);  // the status file records no real-part records
    EXPECT_EQ(testsupport::readFile(dir.file("abc.STC")).substr(0, 80),
              util::pad("VORNCALV -- LAST SCENE CALIBRATED:", 75) + "    8");
}

TEST_F(SceneLoop, InterruptedRealTimeRunResumesWithoutGapOrDuplicate) {
    day.config.lastSceneNumber = 4;
    write(8);
    {
        testsupport::SleepRecorder sleeps;
        Appender a{&dir, &day, 8, 0, 8, 0, 1};  // the first wait ends the run
        sleeps.onWait(appendOnWait, &a);
        EXPECT_EQ(realTime().stop, "INTERRUPTED");
    }
    expectScenes(day, product("RLC"), {3, 4});
    testsupport::appendDayRecords(dir.path().string(), day, 9, 20);
    const RunResult second = realTime();
    EXPECT_EQ(second.stop, END);
    const std::vector<int> all = {3, 4, 7, 8, 11, 12, 15, 16};
    expectScenes(day, product("RLC"), all);
    EXPECT_EQ(product("IMC").count, 8);
    EXPECT_EQ(product("RES").count, 8);
}

// Interrupts a run inside the outputs of a scene: at the first wait for input it appends
// the rest of the day and takes the status file away, so that the status update after the
// next real-part record waits; at that wait it puts the status file back as it was and
// ends the run. The real-part file then holds one record more than the status file says.
struct MidOutputInterrupt {
    const testsupport::TempDir* dir;
    const SyntheticDay* day;
    std::string saved;
    int waits = 0;
};

void interruptInOutputs(int /*ms*/, void* context) {
    auto* m = static_cast<MidOutputInterrupt*>(context);
    const std::string status = m->dir->file("abc.STC");
    if (++m->waits == 1) {
        testsupport::appendDayRecords(m->dir->path().string(), *m->day, 9, 20);
        m->saved = testsupport::readFile(status);
        std::filesystem::remove(status);
        return;
    }
    testsupport::writeFile(status, m->saved);
    throw util::Stop("INTERRUPTED");
}

class SceneLoopInterrupted : public SceneLoop {
protected:
    // Runs the interrupted first run: scenes 3 and 4 completed, scene 7 written to the
    // real-part file only.
    void interruptedRun() {
        day.config.lastSceneNumber = 4;
        write(8);
        testsupport::SleepRecorder sleeps;
        MidOutputInterrupt m{&dir, &day, "", 0};
        sleeps.onWait(interruptInOutputs, &m);
        ASSERT_EQ(realTime().stop, "INTERRUPTED");
        ASSERT_EQ(product("RLC").count, 3);
        ASSERT_EQ(product("IMC").count, 2);
    }
};

TEST_F(SceneLoopInterrupted, RecordWrittenButNotRecordedIsWrittenAgain) {
    interruptedRun();
    const RunResult second = realTime();
    EXPECT_EQ(second.stop, END);
    const std::vector<int> all = {3, 4, 7, 8, 11, 12, 15, 16};
    expectScenes(day, product("RLC"), all);
    EXPECT_EQ(product("IMC").count, 8);
    EXPECT_EQ(product("RES").count, 8);
}

TEST_F(SceneLoopInterrupted, RecordRecordedButSceneNotCompletedIsWrittenAgain) {
    interruptedRun();
    // As if the status update of the real-part file had been made before the end.
    std::string status = testsupport::readFile(dir.file("abc.STC"));
    const std::size_t at = status.find("abc     .RLC");
    ASSERT_NE(at, std::string::npos);
    status.replace(at + 75, 5, "    3");
    testsupport::writeFile(dir.file("abc.STC"), status);
    const RunResult second = realTime();
    EXPECT_EQ(second.stop, END);
    expectScenes(day, product("RLC"), {3, 4, 7, 8, 11, 12, 15, 16});
    EXPECT_EQ(product("IMC").count, 8);
}

// ---- An input replaced or cut short under a real-time run ---------------------------------

// The products of root abc in dir, byte for byte but for the creation times of their histories.
std::map<std::string, std::string> productBytes(const testsupport::TempDir& dir) {
    std::map<std::string, std::string> products;
    for (const char* ext : {"RLC", "IMC", "RES"}) {
        std::string bytes = testsupport::readFile(dir.file(std::string("abc     .") + ext));
        const std::string mark = "# time of creation ";
        for (std::size_t at = bytes.find(mark); at != std::string::npos; at = bytes.find(mark, at + 1)) {
            const std::size_t end = bytes.find("\r\n", at);
            for (std::size_t i = at + mark.size(); i < end && i < bytes.size(); ++i) bytes[i] = 'x';
        }
        products[ext] = bytes;
    }
    return products;
}

void expectSameProducts(const std::map<std::string, std::string>& got,
                        const std::map<std::string, std::string>& expected) {
    for (const auto& [ext, bytes] : expected) EXPECT_TRUE(got.at(ext) == bytes) << ext << " differs";
}

// A console that does something once, as soon as a given text has been written to it.
class ConsoleTrigger : public std::streambuf {
public:
    ConsoleTrigger(std::string text, std::function<void()> action)
        : text_(std::move(text)), action_(std::move(action)) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        written_ += traits_type::to_char_type(c);
        if (action_ && written_.ends_with(text_)) std::exchange(action_, nullptr)();
        return c;
    }

private:
    std::string text_;
    std::function<void()> action_;
    std::string written_;
};

// Calls an action at the first wait of the run; a run that waits on ends at the fifth.
struct FirstWait {
    std::function<void()> action;
    int waits = 0;
    static void hook(int, void* context) {
        auto* w = static_cast<FirstWait*>(context);
        if (++w->waits == 1) w->action();
        if (w->waits == 5) throw util::Stop("STILL WAITING");
    }
};

class SceneLoopInputChanged : public SceneLoop {
protected:
    // The uninterrupted run over the whole day (its products and its input file), in the
    // directory of the test, which it leaves empty: the input's history names its path.
    void SetUp() override {
        day.config.lastSceneNumber = 3;
        write(RECORDS);
        wholeInput = testsupport::readFile(dir.file(day.inputName));
        ASSERT_EQ(realTime().stop, END);
        expected = productBytes(dir);
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove(entry);
    }

    static constexpr int RECORDS = 16;
    std::string wholeInput;
    std::map<std::string, std::string> expected;
};

// The upstream program writes its file again while the run waits for record 9, which its
// status file already counts: the run reopens the file under the name and ends with the
// products of the uninterrupted run.
TEST_F(SceneLoopInputChanged, RunFollowsAnInputReplacedWhileItWaits) {
    write(8);
    testsupport::writeUpstreamStatus(dir.path().string(), day, RECORDS);
    testsupport::SleepRecorder sleeps;
    FirstWait replace{[&] {
        testsupport::writeFile(dir.file("new.UVS"), wholeInput);
        std::filesystem::rename(dir.file("new.UVS"), dir.file(day.inputName));
    }};
    sleeps.onWait(FirstWait::hook, &replace);
    const RunResult r = realTime();
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(sleeps.waits(), (std::vector<int>{1024}));
    EXPECT_EQ(countOf(r.log, "RDDMVF -- FILE REPLACED WHILE WAITING FOR RECORD      9; REOPENING\n150417C1.UVS\n"),
              1U);
    expectSameProducts(productBytes(dir), expected);
}

// The input is cut short (half of record 5 on) once scene record 4 has been calibrated,
// before its products are written, and written whole again during the wait that follows,
// in place or anew under another name renamed over it: the products wait for the blackbody
// records they copy their lineage from and end as the uninterrupted run's, not with a
// lineage of NaN. A file renamed over the input is reopened for the input's handle by that
// wait (the old file would never grow again), and the reader reads on from it.
class SceneLoopInputCut : public SceneLoopInputChanged, public ::testing::WithParamInterface<bool> {};

TEST_P(SceneLoopInputCut, SceneIsWrittenOnlyFromSourceRecordsWholeInTheInput) {
    const bool renamedOver = GetParam();
    write(4);
    const std::uintmax_t cut = std::filesystem::file_size(dir.file(day.inputName)) + 100;
    write(RECORDS);
    testsupport::SleepRecorder sleeps;
    FirstWait restore{[&] {
        const std::string written = dir.file(renamedOver ? "new.UVS" : day.inputName);
        testsupport::writeFile(written, wholeInput);
        if (renamedOver) std::filesystem::rename(written, dir.file(day.inputName));
    }};
    sleeps.onWait(FirstWait::hook, &restore);
    ConsoleTrigger console(" OUTPUT REC.NO. 2 ", [&] { std::filesystem::resize_file(dir.file(day.inputName), cut); });
    const RunResult r = runVorncalv(dir, day.answers("abc", false), "abc", {}, &console);
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(sleeps.waits(), (std::vector<int>{1024}));
    EXPECT_EQ(countOf(r.log, " OUTPUT REC.NO.     2 AT  10.05000\nWTDMVF -- SOURCE RECORD      5 NOT IN 150417C1.UVS\n"),
              1U);
    EXPECT_EQ(countOf(r.log, "WTDMVF -- SOURCE FILE REPLACED WHILE WAITING FOR RECORD      5; REOPENING\n150417C1.UVS\n"),
              renamedOver ? 1U : 0U);
    EXPECT_EQ(countOf(r.log, "RDDMVF -- FILE REPLACED"), 0U);
    expectSameProducts(productBytes(dir), expected);
}

INSTANTIATE_TEST_SUITE_P(InPlaceAndRenamedOver, SceneLoopInputCut, ::testing::Bool());

// The source list of the next output record follows the reader to the replaced input, so
// that no record is written from the handle of the file closed.
TEST(InputRecord, ReopenedInputBecomesTheSourceOfTheNextOutputRecord) {
    const SyntheticDay day = testsupport::planDay();
    testsupport::TempDir dir;
    testsupport::TempDir other;
    testsupport::writeDay(dir.path().string(), day, 4);
    testsupport::writeDay(other.path().string(), day, 8);
    std::istringstream in;
    std::ostringstream out;
    util::ConsoleRedirect console(in, out);
    auto s = std::make_unique<vorncalv::RunState>();
    s->CXFILE = util::pad(dir.file(day.inputName), 80);
    s->IWAIT = 1;
    ASSERT_EQ(vorncalv::readInputColumn(*s, 1, 1), 0) << s->MSG;
    const int old = s->IHNDL;
    s->LIST.fill(old);
    testsupport::SleepRecorder sleeps;
    FirstWait replace{[&] { std::filesystem::rename(other.file(day.inputName), dir.file(day.inputName)); }};
    sleeps.onWait(FirstWait::hook, &replace);
    ASSERT_EQ(vorncalv::readInputColumn(*s, 5, 1), 0) << s->MSG;
    EXPECT_NE(s->IHNDL, old);
    EXPECT_EQ(s->LIST, (std::array<int, 5>{s->IHNDL, s->IHNDL, s->IHNDL, s->IHNDL, s->IHNDL}));
    int closed = 0;
    sclose_(&s->IHNDL, &closed);
}

// ---- Odd records, missing records, midnight -----------------------------------------------

TEST_F(SceneLoop, RecordOfAnotherSizeIsWrittenAsMissingAndTheRunGoesOn) {
    day.config.imaginaryPoints = 63;  // every record's imaginary part is one point short
    day = testsupport::planDay(day.config);
    day.config.lastSceneNumber = 1;
    write(8);
    const RunResult r = batch();
    EXPECT_EQ(r.stop, END);
    EXPECT_EQ(r.MISSES, 2);
    EXPECT_EQ(countOf(r.log, "INPUT RECORD      3 HAS     63 POINTS; THE GRID HAS    64\n"
                             " OUTPUT REC.NO.     1 AT"), 1U);
    EXPECT_EQ(countOf(r.log, "INPUT RECORD      4 HAS     63 POINTS; THE GRID HAS    64\n"), 1U);
    expectScenes(day, product("RLC"), {0, 0});
    EXPECT_EQ(product("IMC").count, 2);
}

// A missing record carries its scene's date and time (the first timeHHMMSS and
// dateYYMMDD a reader finds), whatever made it missing.
TEST_F(SceneLoop, MissingRecordsCarryTheSceneDateAndTime) {
    day.config.lastSceneNumber = 3;
    day.records[3].missing = 1.0F;  // record 4: a missing scene
    day.records[4].missing = 1.0F;  // record 5: the hot view before set 2 (and after set 1)
    day.records[10].view = 'X';     // record 11: the wrong scene identifier
    write(16);
    EXPECT_EQ(batch().stop, END);
    const testsupport::ProductContent p =
        testsupport::readProduct(dir.file("abc     .RLC"), {FIELD_timeHHMMSS, FIELD_dateYYMMDD, FIELD_missingDataFlag});
    ASSERT_EQ(p.records, 6);
    const std::vector<int> scenes = {3, 4, 7, 8, 11, 12};
    for (std::size_t k : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4}}) {
        SCOPED_TRACE("output record " + std::to_string(k + 1));
        const testsupport::DayRecord& scene = day.records[static_cast<std::size_t>(scenes[k] - 1)];
        EXPECT_EQ(p.metadata[k][2], 1.0F);
        EXPECT_EQ(p.metadata[k][0], scene.hhmmss);
        EXPECT_EQ(p.metadata[k][1], scene.date);
    }
}

// A day that crosses midnight in the middle of a set: the later scenes of that set reuse
// views taken before midnight and must be interpolated between them, not extrapolated.
TEST(SceneLoopMidnight, ScenesAfterMidnightThatReuseTheirViewsMatchTheTruth) {
    testsupport::TempDir dir;
    vornsim::DayOptions options;
    options.sets = 3;
    options.points = 64;
    options.missing = std::vector<int>{};
    options.driftPerHour = 2.0;
    options.startSeconds = 23 * 3600 + 42 * 60;  // set 3 runs from 23:54 to 00:06
    const vornsim::DayPlan plan = vornsim::planDay(options);
    vornsim::writeDay(plan, dir.path().string());
    const RunResult r = runVorncalv(dir, plan.answers(), plan.files.root);
    EXPECT_EQ(r.stop, END);
    const vornsim::Comparison c = vornsim::compareDay(dir.path().string());
    std::string problems;
    for (const std::string& line : c.problems) problems += line + "\n";
    EXPECT_TRUE(c.matches()) << problems;
    EXPECT_EQ(c.compared, 12);
    EXPECT_LT(c.radianceError, vornsim::RadianceLimit);
}

// ---- Restart equivalence ------------------------------------------------------------------

// Every file of a run's directory but its log, by name, with the creation time in the
// history block of each RGD file replaced by x's (the one part that differs between runs).
std::map<std::string, std::string> runFiles(const testsupport::TempDir& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".LOG")) continue;
        std::string bytes = testsupport::readFile(entry.path().string());
        const std::string mark = "# time of creation ";
        for (std::size_t at = bytes.find(mark); at != std::string::npos; at = bytes.find(mark, at + 1)) {
            const std::size_t end = bytes.find("\r\n", at);
            for (std::size_t i = at + mark.size(); i < end && i < bytes.size(); ++i) bytes[i] = 'x';
        }
        files[name] = bytes;
    }
    return files;
}

// Byte offset of the first difference, or -1.
long firstDifference(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<long>(i);
    return a.size() == b.size() ? -1 : static_cast<long>(n);
}

// The files of the directory are exactly the expected ones, byte for byte.
void expectSameFiles(const std::map<std::string, std::string>& expected, const testsupport::TempDir& dir) {
    const std::map<std::string, std::string> got = runFiles(dir);
    for (const auto& [name, bytes] : expected) {
        const auto it = got.find(name);
        ASSERT_NE(it, got.end()) << name << " missing";
        EXPECT_EQ(firstDifference(bytes, it->second), -1) << name << " differs";
    }
    EXPECT_EQ(got.size(), expected.size());
}

struct DayShape {
    std::string name;
    std::string cycle;
    int firstTime = 100000;
    std::vector<int> missing;  // input records flagged missing
    int wrongView = 0;         // input record showing an identifier no scene expects
    bool warming = false;      // thermistor readings rise from record to record
};

void PrintTo(const DayShape& shape, std::ostream* out) { *out << shape.name; }

const std::vector<DayShape> SHAPES = {
    {"demo layout", "HASSHAZZ", 100000, {}, 0},
    {"three blackbody views, one missing", "HAHSSHAHZZ", 100000, {6}, 0},
    {"crossing midnight", "HASSHAZZ", 235730, {}, 0, true},
    {"missing scene and blackbody records", "HASSHAZZ", 100000, {4, 9}, 0},
    {"wrong scene identifier", "HASSHAZZ", 100000, {}, 7},
};

class RestartEquivalence : public ::testing::TestWithParam<DayShape> {
protected:
    RestartEquivalence() {
        const DayShape& shape = GetParam();
        testsupport::DayConfig config;
        config.cycle = shape.cycle;
        config.firstTime = shape.firstTime;
        config.points = 16;
        config.sets = 4;
        config.lastSceneNumber = 3;
        day = testsupport::planDay(config);
        for (int r : shape.missing) day.records[static_cast<std::size_t>(r - 1)].missing = 1.0F;
        if (shape.wrongView > 0) day.records[static_cast<std::size_t>(shape.wrongView - 1)].view = 'X';
        if (shape.warming) {
            for (std::size_t r = 0; r < day.records.size(); ++r)
                for (float& t : day.records[r].temps) t += 0.037F * static_cast<float>(r);
        }
    }

    // A real-time run over the whole day in dir; with stopAfter > 0 it is ended after that
    // many scenes, as by a stop.
    RunResult run(const testsupport::TempDir& dir, int stopAfter = 0) {
        int done = 0;
        auto stop = [&done, stopAfter](const vorncalv::RunState&) {
            if (++done == stopAfter) throw util::Stop("TEST STOP");
        };
        return runVorncalv(dir, day.answers("abc", false), "abc",
                           stopAfter > 0 ? std::function<void(const vorncalv::RunState&)>(stop) : nullptr);
    }

    SyntheticDay day;
};

TEST_P(RestartEquivalence, RestartAfterAnySceneWritesWhatAnUninterruptedRunWrites) {
    // Every run uses the same directory, emptied first: file names with their path are
    // part of the history blocks.
    testsupport::TempDir dir;
    const int records = day.config.sets * day.recordsPerSet();
    const auto freshDay = [&] {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove(entry);
        testsupport::writeDay(dir.path().string(), day, records);
    };
    freshDay();
    ASSERT_EQ(run(dir).stop, END);
    const std::map<std::string, std::string> expected = runFiles(dir);
    const int scenes = day.config.lastSceneNumber * day.scenesPerSet;
    for (int n = 1; n < scenes; ++n) {
        SCOPED_TRACE("stopped after scene " + std::to_string(n));
        freshDay();
        ASSERT_EQ(run(dir, n).stop, "TEST STOP");
        ASSERT_EQ(run(dir).stop, END);
        expectSameFiles(expected, dir);
    }
}

INSTANTIATE_TEST_SUITE_P(DayShapes, RestartEquivalence, ::testing::ValuesIn(SHAPES),
                         [](const ::testing::TestParamInfo<DayShape>& param) {
                             std::string name;
                             for (char c : param.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

// ---- Restart equivalence after an I/O fault -----------------------------------------------

// An I/O fault in the middle of a run. The plan (see testsupport::Faults) is installed once
// scene armedAfter is complete (0: from the start), so its calls are counted from there.
struct FaultPoint {
    std::string name;
    bool batch = false;
    int armedAfter = 0;
    RAVLIOIoCall call = RAVLIO_IO_WRITE;
    std::vector<long> fates;
    bool lasts = true;        // every later call fails like the last fate until the run ends
                              // (a disk that stays full); false: the fault passes
    std::string lastLogLine;  // batch mode: the log line before the stop
    std::string waiting;      // real-time mode: the console line before each wait
    std::vector<int> status;  // real-time mode: the counts the status file holds after the
                              // faulted run (last scene, real part, imaginary part, responsivity)
};

void PrintTo(const FaultPoint& point, std::ostream* out) { *out << point.name; }

// The calls of the day below. Write calls of a scene after the first, in real-time mode: the
// real part's record (header and data in one call), the status file's four records written
// anew (the last-scene count first), the same for the imaginary part and the responsivity,
// then the four status records again for the last scene; in batch mode the three records
// only. Renames from the start of a run: each product's creation, in real-time mode each
// followed by the status update of its first record. Fsyncs (of files and directories), from
// the start of a real-time run: the new status file's first record and its directory; then
// for each product its creation and its directory, its first record before it is counted,
// and the status update (the new file and its directory); in batch mode each product's
// creation and its directory.
constexpr std::size_t RT_RLC_DATA = 0;
constexpr std::size_t RT_RLC_STATUS = 1;
constexpr std::size_t RT_IMC_DATA = 5;
constexpr std::size_t RT_LAST_SCENE = 15;
constexpr std::size_t RT_IMC_CREATION = 2;
constexpr std::size_t BATCH_RLC_DATA = 0;
constexpr std::size_t BATCH_IMC_DATA = 1;
constexpr std::size_t BATCH_IMC_CREATION = 1;
constexpr std::size_t RT_RES_CREATION = 12;
constexpr std::size_t BATCH_RES_CREATION = 4;

// Calls before call k run; fates from call k on.
std::vector<long> from(std::size_t k, std::vector<long> fates) {
    fates.insert(fates.begin(), k, 0);
    return fates;
}

const std::string WRITE_FAILED = "write to file failed";
const std::string NOT_WRITABLE = "filename did not correspond to a writable file";

const std::vector<FaultPoint> FAULT_POINTS = {
    {"RealTimeRealPartRecordOnAFullDisk", false, 4, RAVLIO_IO_WRITE, from(RT_RLC_DATA, {-ENOSPC}), true, "",
     " WTDMVF -- waiting to write record 5", {4, 4, 4, 4}},
    {"RealTimeImaginaryRecordShortWriteThenFullDisk", false, 4, RAVLIO_IO_WRITE, from(RT_IMC_DATA, {10, -ENOSPC}),
     true, "", " WTDMVF -- waiting to write record 5", {4, 5, 4, 4}},
    {"RealTimeResponsivityCreationFsyncFails", false, 0, RAVLIO_IO_FSYNC, from(RT_RES_CREATION, {-EIO}), true, "",
     " WTDMVF -- waiting to open file abc     .RES", {0, 1, 1}},
    {"RealTimeImaginaryCreationRenameFails", false, 0, RAVLIO_IO_RENAME, from(RT_IMC_CREATION, {-EACCES}), true, "",
     " WTDMVF -- waiting to open file abc     .IMC", {0, 1}},
    {"RealTimeStatusUpdateOnAFullDisk", false, 4, RAVLIO_IO_WRITE, from(RT_RLC_STATUS + 1, {-ENOSPC}), true, "",
     " WRTSTA -- waiting to write file abc.STC", {4, 4, 4, 4}},
    {"RealTimeStatusUpdateFsyncFails", false, 4, RAVLIO_IO_FSYNC, from(1, {-EIO}), true, "",
     " WRTSTA -- waiting to write file abc.STC", {4, 4, 4, 4}},
    // A record the disk will not take is not counted: the run waits before the status update.
    {"RealTimeRealPartRecordSyncFails", false, 4, RAVLIO_IO_FSYNC, from(0, {-EIO}), true, "",
     " DURABLE -- waiting to put on the disk: abc     .RLC", {4, 4, 4, 4}},
    {"RealTimeStatusUpdateRenameFails", false, 4, RAVLIO_IO_RENAME, from(0, {-EIO}), true, "",
     " WRTSTA -- waiting to write file abc.STC", {4, 4, 4, 4}},
    // The last-scene count goes from 9 to 10: all but the last byte of its record get through.
    {"RealTimeLastSceneUpdateShortWriteThenFailure", false, 9, RAVLIO_IO_WRITE, from(RT_LAST_SCENE, {79, -EIO}),
     true, "", " WRTSTA -- waiting to write file abc.STC", {9, 10, 10, 10}},
    {"RealTimeRealPartRecordShortWriteThenFullDiskOnce", false, 4, RAVLIO_IO_WRITE, from(RT_RLC_DATA, {10, -ENOSPC}),
     false, "", " WTDMVF -- waiting to write record 5", {12, 12, 12, 12}},
    {"RealTimeLastSceneUpdateFailsOnce", false, 4, RAVLIO_IO_WRITE, from(RT_LAST_SCENE, {-EIO}), false, "",
     " WRTSTA -- waiting to write file abc.STC", {12, 12, 12, 12}},
    {"BatchRealPartRecordOnAFullDisk", true, 4, RAVLIO_IO_WRITE, from(BATCH_RLC_DATA, {-ENOSPC}), true, WRITE_FAILED,
     "", {}},
    {"BatchImaginaryRecordShortWriteThenFullDisk", true, 4, RAVLIO_IO_WRITE, from(BATCH_IMC_DATA, {10, -ENOSPC}), true,
     WRITE_FAILED, "", {}},
    {"BatchResponsivityCreationFsyncFails", true, 0, RAVLIO_IO_FSYNC, from(BATCH_RES_CREATION, {-EIO}), true,
     NOT_WRITABLE, "", {}},
    {"BatchImaginaryCreationRenameFails", true, 0, RAVLIO_IO_RENAME, from(BATCH_IMC_CREATION, {-EACCES}), true,
     NOT_WRITABLE, "", {}},
};

const std::vector<std::string> PRODUCTS = {"abc     .RLC", "abc     .IMC", "abc     .RES"};
const std::string OPERATOR_STOP = "ENDED BY THE OPERATOR";

// Ends the run at its second wait, as an operator ends a run that waits for a full disk.
void endAtSecondWait(int /*ms*/, void* waits) {
    if (++*static_cast<int*>(waits) == 2) throw util::Stop(OPERATOR_STOP);
}

// A status file of root abc with the given counts: the last scene, then those of the real
// part, the imaginary part and the responsivity as far as given.
std::string statusFile(const std::vector<int>& counts) {
    const std::vector<std::string> keys = {"VORNCALV -- LAST SCENE CALIBRATED:", PRODUCTS[0], PRODUCTS[1], PRODUCTS[2]};
    std::string bytes;
    for (std::size_t k = 0; k < counts.size(); ++k) bytes += util::pad(keys[k], 75) + util::fmt("(I5)", {counts[k]});
    return bytes;
}

class FaultRestart : public ::testing::TestWithParam<FaultPoint> {
protected:
    FaultRestart() {
        testsupport::DayConfig config;
        config.cycle = "HASSSHAZZZ";  // three scenes per set
        config.points = 16;
        config.sets = 5;
        config.lastSceneNumber = 4;  // twelve scenes
        day = testsupport::planDay(config);
    }

    // Every run uses the same directory, emptied first: file names with their path are part
    // of the history blocks.
    void freshDay() {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove(entry);
        testsupport::writeDay(dir.path().string(), day, day.config.sets * day.recordsPerSet());
    }
    RunResult run(std::function<void(const vorncalv::RunState&)> sceneDone = {}) {
        return runVorncalv(dir, day.answers("abc", GetParam().batch), "abc", std::move(sceneDone));
    }

    // Each product file of the faulted run is the uninterrupted run's file cut after a whole
    // record (or not there at all): what a reader counts is all there is.
    void expectWholeRecordsOnly(const std::map<std::string, std::string>& expected,
                                const std::map<std::string, std::uintmax_t>& oneRecord, int records) {
        const std::map<std::string, std::string> got = runFiles(dir);
        for (const auto& [name, bytes] : got) EXPECT_EQ(expected.count(name), 1U) << name << " left behind";
        for (const std::string& name : PRODUCTS) {
            const auto it = got.find(name);
            if (it == got.end()) continue;
            SCOPED_TRACE(name);
            const std::string& whole = expected.at(name);
            const std::size_t stride = (whole.size() - oneRecord.at(name)) / static_cast<std::size_t>(records - 1);
            const std::size_t preamble = oneRecord.at(name) - stride;
            const std::string& part = it->second;
            ASSERT_GE(part.size(), preamble);
            EXPECT_EQ((part.size() - preamble) % stride, 0U);
            EXPECT_EQ(firstDifference(part, whole.substr(0, part.size())), -1);
            EXPECT_EQ(static_cast<std::size_t>(readProduct(dir.file(name)).count),
                      (part.size() - preamble) / stride);
        }
    }

    testsupport::TempDir dir;
    SyntheticDay day;
};

TEST_P(FaultRestart, RunStoppedByTheFaultRestartsToWhatAnUninterruptedRunWrites) {
    const FaultPoint& point = GetParam();
    freshDay();
    std::map<std::string, std::uintmax_t> oneRecord;  // product sizes after the first scene
    int scenes = 0;
    const RunResult whole = run([&](const vorncalv::RunState&) {
        if (++scenes > 1) return;
        for (const std::string& name : PRODUCTS) oneRecord[name] = std::filesystem::file_size(dir.file(name));
    });
    ASSERT_EQ(whole.stop, END);
    ASSERT_EQ(scenes, 12);
    const std::map<std::string, std::string> expected = runFiles(dir);

    freshDay();
    RunResult faulted;
    {
        testsupport::SleepRecorder sleeps;
        int waits = 0;
        if (point.lasts) sleeps.onWait(endAtSecondWait, &waits);
        const long after = point.lasts ? point.fates.back() : 0;
        std::optional<testsupport::Faults> faults;
        if (point.armedAfter == 0) faults.emplace(point.call, point.fates, after);
        int done = 0;
        faulted = run([&](const vorncalv::RunState&) {
            if (++done == point.armedAfter) faults.emplace(point.call, point.fates, after);
        });
        ASSERT_TRUE(faults.has_value());
        ASSERT_GE(faults->seen(), point.fates.size()) << "the fault was not met";
        if (point.batch) {
            EXPECT_EQ(sleeps.waits(), std::vector<int>{});
        } else {
            EXPECT_EQ(sleeps.waits(), (point.lasts ? std::vector<int>{1024, 2048} : std::vector<int>{1024}));
            EXPECT_EQ(countOf(faulted.console, point.waiting + "\n"), point.lasts ? 2U : 1U) << faulted.console;
        }
    }
    if (point.batch) {
        EXPECT_EQ(faulted.stop, "WRITE ERROR!");
        EXPECT_EQ(faulted.exitStatus, util::EXIT_RUN_STOPPED);
        EXPECT_EQ(faulted.log.substr(faulted.log.rfind('\n', faulted.log.size() - 2) + 1), point.lastLogLine + "\n");
    } else {
        EXPECT_EQ(faulted.stop, point.lasts ? OPERATOR_STOP : END);
        EXPECT_EQ(testsupport::readFile(dir.file("abc.STC")), statusFile(point.status));
    }
    expectWholeRecordsOnly(expected, oneRecord, scenes);

    // The restart, with the same answers, once the disk has room again.
    if (faulted.stop != END) {
        const RunResult restarted = run();
        EXPECT_EQ(restarted.stop, END);
        EXPECT_EQ(restarted.exitStatus, util::EXIT_RUN_ENDED);
    }
    expectSameFiles(expected, dir);
}

INSTANTIATE_TEST_SUITE_P(FaultPoints, FaultRestart, ::testing::ValuesIn(FAULT_POINTS),
                         [](const ::testing::TestParamInfo<FaultPoint>& param) { return param.param.name; });

}  // namespace

// Every wait is seen: under --quiet, whose scene loop drops the console's ordinary lines, a
// wait still shows when it began and when it ended; one that outlasts its first sleep is in
// the log with its wall-clock times. Without --quiet the loop's own lines stay.
TEST_F(SceneLoop, EveryWaitIsShownAndAWaitBeyondItsFirstSleepIsLogged) {
    struct Case {
        bool quiet;
        int sleepsBeforeTheFileAppears;
    };
    const std::string stamp = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} UTC";
    const std::string what = "STATUS FILE QUINT.STA";
    for (const Case c : {Case{true, 3}, Case{false, 3}, Case{true, 1}}) {
        SCOPED_TRACE(std::string(c.quiet ? "quiet, " : "") + std::to_string(c.sleepsBeforeTheFileAppears) + " sleeps");
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) std::filesystem::remove_all(entry);
        day.config.lastSceneNumber = 1;
        write(8);
        const std::string status = testsupport::readFile(dir.file(day.upstreamStatusName));
        std::filesystem::remove(dir.file(day.upstreamStatusName));
        struct Upstream {
            std::string path, text;
            int after, seen = 0;
        } upstream{dir.file(day.upstreamStatusName), status, c.sleepsBeforeTheFileAppears};
        testsupport::SleepRecorder sleeps;
        sleeps.onWait([](int, void* context) {
            auto* u = static_cast<Upstream*>(context);
            if (++u->seen == u->after) testsupport::writeFile(u->path, u->text);
        }, &upstream);
        const RunResult r = runVorncalv(dir, day.answers("abc", false), "abc", {}, nullptr, c.quiet);
        EXPECT_EQ(r.stop, END);
        ASSERT_EQ(sleeps.waits().size(), static_cast<std::size_t>(c.sleepsBeforeTheFileAppears));
        const bool shown = std::regex_search(r.console, std::regex(" WAITING SINCE " + stamp + " FOR " + what + "\n")) &&
                           std::regex_search(r.console, std::regex(" WAIT ENDED " + stamp + " AFTER 0:00:0[0-9] FOR " + what + "\n"));
        EXPECT_EQ(shown, c.quiet) << r.console;
        EXPECT_EQ(countOf(r.console, "NROUT -- Waiting to open status file"), c.quiet ? 0U : 3U);
        const bool logged = std::regex_search(r.log, std::regex("\nWAIT BEGAN " + stamp + ": " + what + "\n")) &&
                            std::regex_search(r.log, std::regex("\nWAIT ENDED " + stamp + " AFTER 0:00:0[0-9]: " + what + "\n"));
        EXPECT_EQ(logged, c.sleepsBeforeTheFileAppears > 1) << r.log;
    }
}
