// Real-time operation of the built program across processes: the program follows an input
// file that this test (standing in for the upstream program) is still writing, and after a
// SIGKILL a new run continues exactly after the last scene it completed, every product
// holding each scene's record once.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "libutil/fixedtext.h"
#include "ravlio/fields.h"
#include "ravlio/platform.h"
#include "ravlio/ravlio.h"
#include "support/runprogram.h"
#include "support/syntheticday.h"
#include "support/tempdir.h"

namespace {

using testsupport::BackgroundProgram;
using testsupport::Product;
using testsupport::SyntheticDay;
using testsupport::readFile;

const std::string END_STOP = "STOP *** END VORNCALV.EXE ***\n";
const std::string RESTART_LINES = "=>=>=>=>=>=>=>  RESTART!!  <=<=<=<=<=<=<=\n LAST SCENE COMPLETED:";
const std::string ROOT = "abc";
const std::string PADDED_ROOT = "abc     ";  // output names carry the root blank-padded to 8

// How long the test waits for the program to show something or to end. The program's own
// waits are 1 s and 2 s; this only ends a test whose program never gets there.
constexpr auto DEADLINE = std::chrono::seconds(60);
constexpr int POLL_MS = 10;
constexpr unsigned PROGRAM_TIMEOUT_S = 120;  // the program's own alarm, beyond the deadline

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

std::string tail(const std::string& text) { return text.size() > 600 ? text.substr(text.size() - 600) : text; }

// Polls the program's standard output until it holds text. Fails when the program ends
// first or the deadline passes.
::testing::AssertionResult showsOnConsole(BackgroundProgram& p, const std::string& text) {
    const auto until = std::chrono::steady_clock::now() + DEADLINE;
    for (;;) {
        if (p.out().find(text) != std::string::npos) return ::testing::AssertionSuccess();
        if (p.finished()) {
            return ::testing::AssertionFailure() << "the program ended before printing \"" << text
                                                 << "\"; its output ends with:\n" << tail(p.out()) << "\nstderr: "
                                                 << p.err();
        }
        if (std::chrono::steady_clock::now() > until) {
            return ::testing::AssertionFailure() << "no \"" << text << "\" within 60 s; the output ends with:\n"
                                                 << tail(p.out());
        }
        RAVLIOsleepMilliseconds(POLL_MS);
    }
}

// Polls until the program has ended. Fails (leaving it to be killed) after the deadline.
::testing::AssertionResult ends(BackgroundProgram& p) {
    const auto until = std::chrono::steady_clock::now() + DEADLINE;
    while (!p.finished()) {
        if (std::chrono::steady_clock::now() > until) {
            return ::testing::AssertionFailure() << "the program did not end within 60 s; its output ends with:\n"
                                                 << tail(p.out());
        }
        RAVLIOsleepMilliseconds(POLL_MS);
    }
    return ::testing::AssertionSuccess();
}

// One record of a status file: key blank-padded to 75 characters, count in 5 columns.
std::string statusRecord(const std::string& key, int count) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%5d", count);
    return util::pad(key, 75) + digits;
}

// timeHHMMSS of every record of an output file: the writer copies it from the scene record,
// so it names the scene each output record belongs to.
std::vector<float> recordTimes(const std::string& path) {
    std::vector<float> times;
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    if (f == nullptr) return times;
    const int count = ZARFreadRecordCount(f);
    for (int r = 1; r <= count; ++r) {
        int id = FIELD_timeHHMMSS;
        float value = NAN;
        ZARFreadRealMetadata(f, r, &id, 1, &value);
        times.push_back(value);
    }
    ZARFcloseFile(f);
    return times;
}

class RealTimeE2E : public ::testing::Test {
protected:
    void TearDown() override { program.reset(); }  // kills a program still running

    void write(int count) { testsupport::writeDay(dir.path().string(), day, count); }
    void append(int first, int last) { testsupport::appendDayRecords(dir.path().string(), day, first, last); }

    // Starts the program in real-time mode with the day's answers.
    BackgroundProgram& start() {
        program.reset();
        program = std::make_unique<BackgroundProgram>(VORNCALV_BINARY, day.answers(ROOT, false), dir.path(),
                                                      std::vector<std::string>{}, PROGRAM_TIMEOUT_S);
        return *program;
    }

    // Removes everything the last run left, for a new run in the same directory.
    void emptyDirectory() {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            std::filesystem::remove_all(entry.path());
        }
    }

    // Kills the running program with SIGKILL and checks that the kill ended it.
    void killHard() {
        program->kill(SIGKILL);
        const testsupport::ProgramResult r = program->wait();
        EXPECT_FALSE(r.exited);
        EXPECT_EQ(r.signal, SIGKILL);
    }

    // Waits for the run to end and checks that it ended with the end-of-run stop.
    void expectNormalEnd() {
        ASSERT_TRUE(ends(*program));
        const testsupport::ProgramResult r = program->wait();
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.err, END_STOP);
        char summary[64];
        std::snprintf(summary, sizeof summary, " NUMBER OF RECORDS OUTPUT:%6zu\n", scenes().size());
        EXPECT_EQ(countOf(testsupport::readLog(dir.file(ROOT + ".LOG")), summary), 1U);
    }

    std::string productPath(const std::string& ext) const { return dir.file(PADDED_ROOT + "." + ext); }

    // The scene records up to lastSceneNumber, in output order.
    std::vector<int> scenes() const {
        std::vector<int> records;
        for (int set = 1; set <= day.config.lastSceneNumber; ++set) {
            for (int p = 1; p <= day.scenesPerSet; ++p) records.push_back(day.sceneRecord(set, p));
        }
        return records;
    }

    // Every product holds one record per scene, in order, each the calibration of its own
    // scene: the real part its truth radiance, the imaginary part zero, the responsivity |G|.
    void expectEveryProductHoldsEachSceneOnce() {
        const std::vector<int> expected = scenes();
        const auto n = static_cast<int>(expected.size());
        for (const std::string ext : {"RLC", "IMC", "RES"}) {
            SCOPED_TRACE(ext);
            const Product p = testsupport::readProduct(productPath(ext));
            ASSERT_EQ(p.count, n);
            const std::vector<float> times = recordTimes(productPath(ext));
            ASSERT_EQ(times.size(), expected.size());
            for (std::size_t k = 0; k < expected.size(); ++k) {
                SCOPED_TRACE("output record " + std::to_string(k + 1));
                EXPECT_EQ(times[k], day.records.at(static_cast<std::size_t>(expected[k] - 1)).hhmmss);
                EXPECT_EQ(p.missing[k], 0.0F);
                ASSERT_EQ(p.data[k].size(), day.grid.size());
                if (ext == "RLC") {
                    EXPECT_LT(testsupport::calibrationError(day, p.data[k], expected[k]), 2e-5);
                }
                for (std::size_t i = 0; i < day.grid.size(); ++i) {
                    const float v = p.data[k][i];
                    if (ext == "IMC") {
                        EXPECT_LT(std::abs(v), 2e-5 * day.hotRadiance[i]);
                    } else if (ext == "RES") {
                        const double g = std::abs(std::complex<double>(day.responsivity[i]));
                        EXPECT_NEAR(v, g, 2e-5 * g);
                    }
                }
            }
        }
        EXPECT_EQ(readFile(dir.file(ROOT + ".STC")),
                  statusRecord("VORNCALV -- LAST SCENE CALIBRATED:", n) + statusRecord(PADDED_ROOT + ".RLC", n) +
                      statusRecord(PADDED_ROOT + ".IMC", n) + statusRecord(PADDED_ROOT + ".RES", n));
    }

    testsupport::TempDir dir;
    SyntheticDay day = testsupport::planDay();
    std::unique_ptr<BackgroundProgram> program;
};

TEST_F(RealTimeE2E, FollowsAFileThatIsStillBeingWritten) {
    day.config.lastSceneNumber = 3;  // scenes of sets 1-3, which need the views of set 4
    write(6);                        // set 1 and the views of set 2
    BackgroundProgram& p = start();

    ASSERT_TRUE(showsOnConsole(p, " Waiting for scene-view record: 7\n Input file: 150417C1.UVS\n ntries: 1\n"));
    EXPECT_FALSE(p.finished());
    EXPECT_EQ(testsupport::readProduct(productPath("RLC")).count, 2);
    append(7, 10);

    ASSERT_TRUE(showsOnConsole(p, " Waiting for scene-view record: 11\n Input file: 150417C1.UVS\n ntries: 1\n"));
    EXPECT_EQ(testsupport::readProduct(productPath("RLC")).count, 4);
    append(11, 14);

    expectNormalEnd();
    EXPECT_EQ(countOf(testsupport::readLog(dir.file(ROOT + ".LOG")), "RESTART!!"), 0U);
    expectEveryProductHoldsEachSceneOnce();
}

TEST_F(RealTimeE2E, KilledRunRestartsWithoutGapOrDuplicate) {
    day.config.lastSceneNumber = 4;
    write(8);  // sets 1 and 2: scene 7 is read, then the views after it are waited for
    start();
    ASSERT_TRUE(showsOnConsole(*program, " Waiting for input record 9\n Input file: 150417C1.UVS\n ntries: 1\n"));
    killHard();
    EXPECT_EQ(testsupport::readProduct(productPath("RLC")).count, 2);
    EXPECT_EQ(readFile(dir.file(ROOT + ".STC")).substr(0, 80), statusRecord("VORNCALV -- LAST SCENE CALIBRATED:", 2));

    append(9, 20);
    start();
    expectNormalEnd();
    EXPECT_EQ(countOf(testsupport::readLog(dir.file(ROOT + ".LOG")), RESTART_LINES + "    2\n"), 1U);
    expectEveryProductHoldsEachSceneOnce();
}

TEST_F(RealTimeE2E, KilledBetweenProductsOfOneSceneRestartsWithoutGapOrDuplicate) {
    day.config.lastSceneNumber = 4;
    write(6);
    start();
    ASSERT_TRUE(showsOnConsole(*program, " Waiting for scene-view record: 7\n"));
    // Take the program's status file away while it waits, so that after the real-part record
    // of scene 7 its status update waits for the file; kill it there.
    const std::string status = readFile(dir.file(ROOT + ".STC"));
    std::filesystem::remove(dir.file(ROOT + ".STC"));
    append(7, 20);
    ASSERT_TRUE(showsOnConsole(*program, " WRTSTA -- waiting to open status file abc.STC\n"));
    killHard();
    EXPECT_EQ(testsupport::readProduct(productPath("RLC")).count, 3);
    EXPECT_EQ(testsupport::readProduct(productPath("IMC")).count, 2);
    testsupport::writeFile(dir.file(ROOT + ".STC"), status);

    start();
    expectNormalEnd();
    EXPECT_EQ(countOf(testsupport::readLog(dir.file(ROOT + ".LOG")), RESTART_LINES + "    2\n"), 1U);
    expectEveryProductHoldsEachSceneOnce();
}

TEST_F(RealTimeE2E, KilledAtAnArbitraryMomentRestartsWithoutGapOrDuplicate) {
    day.config.lastSceneNumber = 4;
    write(8);  // the run cannot go past scene 7 without more records
    start();
    // Killed as soon as the first output record is announced: before, during or after its
    // products, or already waiting for input.
    const auto until = std::chrono::steady_clock::now() + DEADLINE;
    while (program->out().find(" OUTPUT REC.NO.") == std::string::npos) {
        ASSERT_FALSE(program->finished()) << tail(program->out());
        ASSERT_LT(std::chrono::steady_clock::now(), until) << tail(program->out());
        RAVLIOsleepMilliseconds(1);
    }
    killHard();

    append(9, 20);
    start();
    expectNormalEnd();
    expectEveryProductHoldsEachSceneOnce();
}

// Kills runs at moments spread evenly from the start of the program to its first wait for
// input (dialogue, status file creation, first products, status updates); after each kill a
// new run over the completed day must still end with every record exactly once.
TEST_F(RealTimeE2E, KilledAtAnyMomentBeforeTheFirstWaitRestartsWithoutGapOrDuplicate) {
    day.config.lastSceneNumber = 4;
    write(8);
    const auto begin = std::chrono::steady_clock::now();
    start();
    ASSERT_TRUE(showsOnConsole(*program, " Waiting for input record 9\n"));
    const auto span = std::chrono::steady_clock::now() - begin;
    killHard();

    constexpr int MOMENTS = 24;
    for (int i = 0; i < MOMENTS; ++i) {
        SCOPED_TRACE("killed after " + std::to_string(i) + "/" + std::to_string(MOMENTS) + " of the way");
        emptyDirectory();
        write(8);
        start();
        std::this_thread::sleep_for(span * i / MOMENTS);
        program->kill(SIGKILL);
        program->wait();
        append(9, 20);
        start();
        expectNormalEnd();
        expectEveryProductHoldsEachSceneOnce();
        if (HasFailure()) break;
    }
}

}  // namespace
