// A power cut at every call that writes, syncs or renames during a small real-time day, and
// at a seeded set of random tears: what the disk keeps (testsupport::PowerCut) must let the
// restarted run, given the same answers, end with the uninterrupted run's products. So must
// the states that only a disk lying about its cache, or a hand, can leave: a product short
// of what the status file counts, or a status file empty, torn or garbled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/stop.h"
#include "support/iofaults.h"
#include "support/powercut.h"
#include "support/runprogram.h"
#include "support/sleeprecorder.h"
#include "support/syntheticday.h"
#include "support/tempdir.h"
#include "vorncalv/runstate.h"
#include "vorncalv/vorncalv.h"

namespace {

const std::string END = "*** END VORNCALV.EXE ***";
const std::string POWER_CUT = "POWER CUT";
const std::string STILL_WAITING = "STILL WAITING";
const std::string STATUS = "abc.STC";
const std::vector<std::string> PRODUCTS = {"abc     .RLC", "abc     .IMC", "abc     .RES"};
constexpr std::size_t STATUS_RECORD = 80;
constexpr std::size_t STATUS_KEY = 75;
// Waits a restart may make before it counts as waiting for ever: the day's input is all
// there, so a run that resumes where it should never waits.
constexpr int WAITS_ALLOWED = 8;

// The stop text of one in-process run of the program in dir with the given console answers;
// sceneDone is called after each scene.
std::string runVorncalv(const testsupport::TempDir& dir, const std::string& answers,
                        std::function<void(const vorncalv::RunState&)> sceneDone = {}) {
    testsupport::InDirectory cwd(dir.path());
    util::logmsgReset();
    std::istringstream in(answers);
    std::ostringstream out;
    std::string stop;
    {
        util::ConsoleRedirect console(in, out);
        auto s = std::make_unique<vorncalv::RunState>();
        s->sceneDone = std::move(sceneDone);
        try {
            vorncalv::run(*s);
        } catch (const util::Stop& end) {
            stop = end.text();
        }
    }
    util::logmsgReset();
    return stop;
}

// The bytes of a file with its history's creation times blanked.
std::string withoutCreationTime(std::string bytes) {
    const std::string mark = "# time of creation ";
    for (std::size_t at = bytes.find(mark); at != std::string::npos; at = bytes.find(mark, at + 1)) {
        const std::size_t end = bytes.find("\r\n", at);
        for (std::size_t i = at + mark.size(); i < end && i < bytes.size(); ++i) bytes[i] = 'x';
    }
    return bytes;
}

// The files of dir but the log, creation times blanked.
std::map<std::string, std::string> runFiles(const testsupport::TempDir& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".LOG")) files[name] = withoutCreationTime(testsupport::readFile(entry.path().string()));
    }
    return files;
}

// The same files with the same bytes; says which differ (their bytes are too long to show).
void expectSameFiles(const std::map<std::string, std::string>& got, const std::map<std::string, std::string>& want) {
    for (const auto& [name, bytes] : want) {
        const auto it = got.find(name);
        if (it == got.end()) {
            ADD_FAILURE() << name << " missing";
        } else {
            EXPECT_TRUE(it->second == bytes) << name << " differs";
        }
    }
    for (const auto& [name, bytes] : got) EXPECT_EQ(want.count(name), 1U) << name << " left behind";
}

// Ends a run once the power has gone, or once it has waited too long.
struct WaitGuard {
    const testsupport::PowerCut* cut = nullptr;
    int waits = 0;
};

void endTheWait(int /*ms*/, void* context) {
    auto* guard = static_cast<WaitGuard*>(context);
    if (guard->cut != nullptr && guard->cut->cut()) throw util::Stop(POWER_CUT);
    if (++guard->waits > WAITS_ALLOWED) throw util::Stop(STILL_WAITING);
}

// How a product of the uninterrupted run is laid out: the preamble, then records of one size.
struct Layout {
    std::size_t preamble = 0;
    std::size_t stride = 0;
};

class PowerCut : public ::testing::Test {
protected:
    // The uninterrupted run, once for the suite: its files, its products' layout and the
    // number of calls it makes through the seam.
    static void SetUpTestSuite() {
        testsupport::DayConfig config;
        config.cycle = "HASSSHAZZZ";  // three scenes per set
        config.points = 8;
        config.sets = 3;
        config.lastSceneNumber = 2;  // six scenes
        day = new testsupport::SyntheticDay(testsupport::planDay(config));
        // In memory where the machine has it: the program syncs for real, hundreds of times.
        const std::filesystem::path memory = "/dev/shm";
        dir = std::filesystem::is_directory(memory) ? new testsupport::TempDir(memory) : new testsupport::TempDir();
        freshDay();
        std::map<std::string, std::uintmax_t> first;
        int scenes = 0;
        {
            testsupport::PowerCut counting(dir->path(), SIZE_MAX);
            testsupport::SleepRecorder sleeps;
            WaitGuard guard;
            sleeps.onWait(endTheWait, &guard);
            ASSERT_EQ(run([&](const vorncalv::RunState&) {
                          if (++scenes > 1) return;
                          for (const std::string& name : PRODUCTS)
                              first[name] = std::filesystem::file_size(dir->file(name));
                      }),
                      END);
            calls = counting.calls();
            for (std::size_t at = 0; at < calls; ++at)
                if (counting.pendingAfter()[at] > 0) tearPoints.push_back(at);
        }
        ASSERT_EQ(scenes, 6);
        expected = new std::map<std::string, std::string>(runFiles(*dir));
        layouts = new std::map<std::string, Layout>();
        for (const std::string& name : PRODUCTS) {
            const std::size_t stride = (expected->at(name).size() - first.at(name)) / (scenes - 1);
            (*layouts)[name] = {first.at(name) - stride, stride};
        }
    }
    static void TearDownTestSuite() {
        delete layouts;
        delete expected;
        delete dir;
        delete day;
    }

    // Every run uses the same directory, emptied first: file names with their path are part
    // of the history blocks.
    static void freshDay() {
        for (const auto& entry : std::filesystem::directory_iterator(dir->path())) std::filesystem::remove(entry);
        testsupport::writeDay(dir->path().string(), *day, day->config.sets * day->recordsPerSet());
    }
    static std::string run(std::function<void(const vorncalv::RunState&)> sceneDone = {}) {
        return runVorncalv(*dir, day->answers("abc", false), std::move(sceneDone));
    }

    // The power goes at the end of call `at`; what the disk keeps (pending writes dropped,
    // seed 0, or torn as the seed chooses) is checked, then the program is started again.
    // Returns the number of pending writes the cut found.
    std::size_t cutAndRestart(std::size_t at, std::uint32_t seed) {
        freshDay();
        std::size_t pending = 0;
        {
            testsupport::PowerCut cut(dir->path(), at);
            testsupport::SleepRecorder sleeps;
            WaitGuard guard{&cut};
            sleeps.onWait(endTheWait, &guard);
            // Once the power is gone every write fails: the run stops at its next wait, or
            // at a failure it stops for, whichever comes first.
            run();
            EXPECT_TRUE(cut.cut());
            pending = cut.restore(seed);
        }
        expectCountedRecordsWhole();
        testsupport::SleepRecorder sleeps;
        WaitGuard guard;
        sleeps.onWait(endTheWait, &guard);
        EXPECT_EQ(run(), END);
        expectUninterruptedFiles();
        return pending;
    }

    // Each record the status file counts is in its product as the uninterrupted run wrote it.
    static void expectCountedRecordsWhole() {
        const std::string status = testsupport::readFile(dir->file(STATUS));
        ASSERT_EQ(status.size() % STATUS_RECORD, 0U) << "a torn status file of " << status.size() << " bytes";
        for (std::size_t at = 0; at < status.size(); at += STATUS_RECORD) {
            const std::string key(util::trim(status.substr(at, STATUS_KEY)));
            const auto layout = layouts->find(key);
            if (layout == layouts->end()) continue;
            const std::size_t counted = std::stoul(status.substr(at + STATUS_KEY, STATUS_RECORD - STATUS_KEY));
            if (counted == 0) continue;
            SCOPED_TRACE(key + " counted " + std::to_string(counted));
            const std::size_t whole = layout->second.preamble + counted * layout->second.stride;
            const std::string product = withoutCreationTime(testsupport::readFile(dir->file(key)));
            ASSERT_GE(product.size(), whole);
            EXPECT_EQ(product.substr(0, whole), expected->at(key).substr(0, whole));
        }
    }

    // The directory holds exactly the uninterrupted run's files, byte for byte.
    static void expectUninterruptedFiles() { expectSameFiles(runFiles(*dir), *expected); }

    static testsupport::SyntheticDay* day;
    static testsupport::TempDir* dir;
    static std::map<std::string, std::string>* expected;
    static std::map<std::string, Layout>* layouts;
    static std::size_t calls;
    static std::vector<std::size_t> tearPoints;  // calls after which writes are pending
};

testsupport::SyntheticDay* PowerCut::day = nullptr;
testsupport::TempDir* PowerCut::dir = nullptr;
std::map<std::string, std::string>* PowerCut::expected = nullptr;
std::map<std::string, Layout>* PowerCut::layouts = nullptr;
std::size_t PowerCut::calls = 0;
std::vector<std::size_t> PowerCut::tearPoints;

TEST_F(PowerCut, AtEveryCallTheRestartEndsWithTheUninterruptedProducts) {
    ASSERT_GT(calls, 0U);
    std::size_t pending = 0;
    for (std::size_t at = 0; at < calls; ++at) {
        SCOPED_TRACE("power cut after call " + std::to_string(at) + " of " + std::to_string(calls));
        pending += cutAndRestart(at, 0);
        if (HasFailure()) break;
    }
    std::cout << "[ POWER CUT ] " << calls << " cut points, " << pending << " pending writes dropped\n";
}

TEST_F(PowerCut, AfterRandomTearsTheRestartEndsWithTheUninterruptedProducts) {
    constexpr int TEARS = 60;
    ASSERT_FALSE(tearPoints.empty());
    std::mt19937 random(20261209);
    std::size_t pending = 0;
    for (int n = 1; n <= TEARS; ++n) {
        const std::size_t at = tearPoints[random() % tearPoints.size()];
        const auto seed = static_cast<std::uint32_t>(random() | 1U);
        SCOPED_TRACE("tear " + std::to_string(n) + ": power cut after call " + std::to_string(at) + ", seed " +
                     std::to_string(seed));
        pending += cutAndRestart(at, seed);
        if (HasFailure()) break;
    }
    std::cout << "[ POWER CUT ] " << TEARS << " random tears at " << tearPoints.size() << " points with writes pending, "
              << pending << " pending writes torn\n";
}

// ---- Damaged states ---------------------------------------------------------------------------

// A vornsim day of three sets (four scenes each, two blackbody views before them) in
// real-time mode, with a variance product, whose records follow the input's numbering.
class DamagedRestart : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new testsupport::TempDir();
        const std::vector<std::string> options{"--dir", ".", "--sets", "3", "--points", "40"};
        const testsupport::ProgramResult sim =
            testsupport::runProgram(std::string(TOOLS_BINARY_DIR) + "/vornsim", "", dir->path(), options);
        ASSERT_EQ(sim.exitStatus, 0) << sim.err;
        answers = new std::string(testsupport::readFile(dir->file("ANSWERS.TXT")));
        const std::size_t mode = nthLine(*answers, 3);
        ASSERT_EQ(answers->substr(mode, 2), "Y\n");
        (*answers)[mode] = 'N';  // real-time mode
        for (const auto& entry : std::filesystem::directory_iterator(dir->path()))
            inputs.push_back(entry.path().filename().string());
        std::map<std::string, std::uintmax_t> first;
        int scenes = 0;
        testsupport::SleepRecorder sleeps;
        ASSERT_EQ(run([&](const vorncalv::RunState&) {
                      if (++scenes > 1) return;
                      for (const char* suffix : {".RLC", ".IMC", ".RES", ".CVS"})
                          first[suffix] = std::filesystem::file_size(dir->file(ROOT + suffix));
                  }),
                  END);
        ASSERT_EQ(scenes, 12);
        ASSERT_TRUE(sleeps.waits().empty());
        expected = new std::map<std::string, std::string>(outputs());
        // Scene 1 leaves one record in each spectral product, three (two blackbody views and
        // the scene) in the variance product; the day ends with 12 and 18.
        for (const char* suffix : {".RLC", ".IMC", ".RES", ".CVS"}) {
            const int more = std::string(suffix) == ".CVS" ? 15 : 11;
            strides[suffix] = (expected->at(ROOT + suffix).size() - first.at(suffix)) / more;
        }
    }
    static void TearDownTestSuite() {
        delete expected;
        delete answers;
        delete dir;
    }

    static std::size_t nthLine(const std::string& text, int n) {
        std::size_t at = 0;
        for (int i = 0; i < n; ++i) at = text.find('\n', at) + 1;
        return at;
    }
    static std::string run(std::function<void(const vorncalv::RunState&)> sceneDone = {}) {
        return runVorncalv(*dir, *answers, std::move(sceneDone));
    }
    // The files the runs made (the log aside), creation times blanked.
    static std::map<std::string, std::string> outputs() {
        std::map<std::string, std::string> files = runFiles(*dir);
        for (const std::string& name : inputs) files.erase(name);
        return files;
    }
    // The day's inputs alone, as before any run.
    static void freshDay() {
        for (const auto& entry : std::filesystem::directory_iterator(dir->path())) {
            const std::string name = entry.path().filename().string();
            if (std::find(inputs.begin(), inputs.end(), name) == inputs.end()) std::filesystem::remove(entry);
        }
    }
    // Runs the day up to scene `scenes` (a stop the test makes there), or whole (12).
    static void runUpTo(int scenes) {
        int done = 0;
        const std::string stop = run([&](const vorncalv::RunState&) {
            if (++done == scenes) throw util::Stop(POWER_CUT);
        });
        ASSERT_EQ(stop, POWER_CUT);
    }

    static inline const std::string ROOT = "150417C1";
    static testsupport::TempDir* dir;
    static std::string* answers;
    static std::vector<std::string> inputs;
    static std::map<std::string, std::string>* expected;
    static std::map<std::string, std::size_t> strides;
};

testsupport::TempDir* DamagedRestart::dir = nullptr;
std::string* DamagedRestart::answers = nullptr;
std::vector<std::string> DamagedRestart::inputs;
std::map<std::string, std::string>* DamagedRestart::expected = nullptr;
std::map<std::string, std::size_t> DamagedRestart::strides;

struct Damage {
    const char* what;
    std::function<void(const std::string& dir, const std::map<std::string, std::size_t>& strides)> apply;
};

void cutBy(const std::string& file, std::size_t bytes) {
    std::filesystem::resize_file(file, std::filesystem::file_size(file) - bytes);
}

// Each damaged state, left after scene 5 (the first scene of the second set) or after the
// day's last scene, restarts without a wait and ends with the uninterrupted run's files.
TEST_F(DamagedRestart, EachDamagedStateRestartsToTheUninterruptedFiles) {
    const std::string rlc = ROOT + ".RLC", imc = ROOT + ".IMC", res = ROOT + ".RES", cvs = ROOT + ".CVS";
    const std::string stc = ROOT + ".STC";
    const std::vector<Damage> damages = {
        {"real part one record short", [&](const std::string& d, auto& st) { cutBy(d + "/" + rlc, st.at(".RLC")); }},
        {"imaginary part half a record short",
         [&](const std::string& d, auto& st) { cutBy(d + "/" + imc, st.at(".IMC") / 2); }},
        {"variance product one record short",
         [&](const std::string& d, auto& st) { cutBy(d + "/" + cvs, st.at(".CVS")); }},
        {"responsivity removed", [&](const std::string& d, auto&) { std::filesystem::remove(d + "/" + res); }},
        {"status file empty", [&](const std::string& d, auto&) { std::filesystem::resize_file(d + "/" + stc, 0); }},
        {"status file torn after 50 bytes",
         [&](const std::string& d, auto&) { std::filesystem::resize_file(d + "/" + stc, 50); }},
        {"status file's last scene beyond what the products hold",
         [&](const std::string& d, auto&) {
             std::string bytes = testsupport::readFile(d + "/" + stc);
             const int last = std::stoi(bytes.substr(STATUS_KEY, STATUS_RECORD - STATUS_KEY));
             bytes.replace(STATUS_KEY, STATUS_RECORD - STATUS_KEY, util::fmt("(I5)", {last + 2}));
             testsupport::writeFile(d + "/" + stc, bytes);
         }},
        {"status file record 2 zeroed",
         [&](const std::string& d, auto&) {
             std::string bytes = testsupport::readFile(d + "/" + stc);
             bytes.replace(80, 80, std::string(80, '\0'));
             testsupport::writeFile(d + "/" + stc, bytes);
         }},
    };
    for (const int scenes : {5, 12}) {
        for (const Damage& damage : damages) {
            SCOPED_TRACE(std::string(damage.what) + " after scene " + std::to_string(scenes));
            freshDay();
            runUpTo(scenes);
            damage.apply(dir->path().string(), strides);
            testsupport::SleepRecorder sleeps;
            WaitGuard guard;
            sleeps.onWait(endTheWait, &guard);
            EXPECT_EQ(run(), END);
            EXPECT_TRUE(sleeps.waits().empty()) << "the restart waited";
            expectSameFiles(outputs(), *expected);
            if (HasFailure()) return;
        }
    }
}

// What the restart found and where it resumes, on the console and in the log: the day ran
// whole, its real part lost its last record.
TEST_F(DamagedRestart, TheRestartSaysWhatItFoundAndWhereItResumes) {
    freshDay();
    runUpTo(12);
    cutBy(dir->file(ROOT + ".RLC"), strides.at(".RLC") / 3);
    testsupport::SleepRecorder sleeps;
    WaitGuard guard;
    sleeps.onWait(endTheWait, &guard);
    ASSERT_EQ(run(), END);
    const std::string log = testsupport::readFile(dir->file(ROOT + ".LOG"));
    const std::string said =
        "VORNCALV -- \"150417C1.RLC\" HOLDS 11 RECORDS, \"150417C1.STC\" COUNTS 12\n"
        "VORNCALV -- RESUMING AFTER SCENE 11, THE LAST ONE EVERY PRODUCT HOLDS WHOLE\n"
        "VORNCALV -- \"150417C1.RLC\" CUT AFTER RECORD 11\n"
        "VORNCALV -- \"150417C1.CVS\" CUT AFTER RECORD 17\n"
        "VORNCALV -- \"150417C1.IMC\" CUT AFTER RECORD 11\n"
        "VORNCALV -- \"150417C1.RES\" CUT AFTER RECORD 11\n"
        " SCENES 1 TO    11 HANDLED AGAIN WITHOUT OUTPUT\n";
    EXPECT_NE(log.find(said), std::string::npos) << log.substr(log.size() > 3000 ? log.size() - 3000 : 0);
}

// A product that is there but no readable data file (another program's, or its preamble torn)
// stops the restart before it cuts anything: the other products keep every scene, and the
// run does not wait for a file no wait can mend.
TEST_F(DamagedRestart, AProductThatIsNoReadableDataFileStopsTheRunBeforeAnythingIsCut) {
    struct Case {
        const char* what;
        std::string product;
        std::function<void(const std::string& file)> apply;
    };
    const std::vector<Case> cases = {
        {"imaginary part another program's text", ROOT + ".IMC",
         [](const std::string& file) { testsupport::writeFile(file, "not a data file\n"); }},
        {"real part's preamble torn", ROOT + ".RLC",
         [](const std::string& file) { std::filesystem::resize_file(file, 100); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        freshDay();
        runUpTo(12);
        c.apply(dir->file(c.product));
        const std::map<std::string, std::string> before = outputs();
        testsupport::SleepRecorder sleeps;
        WaitGuard guard;
        sleeps.onWait(endTheWait, &guard);
        EXPECT_EQ(run(), "OUTPUT FILE?");
        expectSameFiles(outputs(), before);
        const std::string log = testsupport::readFile(dir->file(ROOT + ".LOG"));
        const std::string said = "VORNCALV -- \"" + c.product + "\" IS NOT A READABLE DATA FILE\n"
                                 "REASON: filetype is unknown\n"
                                 "VORNCALV -- MOVE IT AWAY, THEN START THE RUN AGAIN\n";
        EXPECT_NE(log.find(said), std::string::npos) << log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
        if (HasFailure()) return;
    }
}

// A cut that the disk refuses stops the restart with WRITE ERROR!, saying which product and
// why: the library's text and the system's reason.
TEST_F(DamagedRestart, ACutThatFailsStopsTheRunWithItsReason) {
    freshDay();
    runUpTo(12);
    cutBy(dir->file(ROOT + ".RLC"), strides.at(".RLC"));
    testsupport::SleepRecorder sleeps;
    WaitGuard guard;
    sleeps.onWait(endTheWait, &guard);
    {
        const testsupport::Faults syncs(RAVLIO_IO_FSYNC, {-EIO});
        EXPECT_EQ(run(), "WRITE ERROR!");
    }
    const std::string log = testsupport::readFile(dir->file(ROOT + ".LOG"));
    const std::string said = "VORNCALV -- UNABLE TO CUT \"150417C1.RLC\" AFTER RECORD 11\n"
                             "REASON: write to file failed: Input/output error\n";
    EXPECT_NE(log.find(said), std::string::npos) << log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
}

// A product that another run wrote (holding more records than the status file counts and the
// one more an interrupted update leaves) is not cut when another product is short: the run
// stops as it would before appending to it, and every file stays as it was.
TEST_F(DamagedRestart, AProductOfAnotherRunIsNotCutWhenAnotherIsShort) {
    freshDay();
    runUpTo(5);
    testsupport::writeFile(dir->file(ROOT + ".IMC"), expected->at(ROOT + ".IMC"));  // 12 records
    cutBy(dir->file(ROOT + ".RLC"), strides.at(".RLC"));
    const std::map<std::string, std::string> before = outputs();
    testsupport::SleepRecorder sleeps;
    WaitGuard guard;
    sleeps.onWait(endTheWait, &guard);
    EXPECT_EQ(run(), "OUTPUT FILE OF ANOTHER RUN");
    expectSameFiles(outputs(), before);
    const std::string log = testsupport::readFile(dir->file(ROOT + ".LOG"));
    const std::string said = "VORNCALV -- \"150417C1.IMC\" HOLDS 12 RECORDS, \"150417C1.STC\" COUNTS 5\n"
                             "VORNCALV -- IT WAS WRITTEN BY ANOTHER RUN: MOVE IT AWAY OR CHOOSE ANOTHER ROOT\n";
    EXPECT_NE(log.find(said), std::string::npos) << log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
}

// A run killed in its first scene and killed again, started afresh, while it counted its own
// records again from the first: the status file completes no scene and counts one variance
// record, the variance product holds the three of the first scene. That is a run of ours, not
// another's: the restart goes on and ends with the uninterrupted run's files.
TEST_F(DamagedRestart, AFreshRunStoppedWhileCountingItsRecordsAgainIsResumed) {
    freshDay();
    runUpTo(1);
    std::string status = testsupport::readFile(dir->file(ROOT + ".STC"));
    ASSERT_EQ(status.size(), 5 * STATUS_RECORD);
    ASSERT_EQ(status.substr(2 * STATUS_RECORD, 12), ROOT + ".CVS");
    status.replace(STATUS_KEY, STATUS_RECORD - STATUS_KEY, "    0");
    status.replace(2 * STATUS_RECORD + STATUS_KEY, STATUS_RECORD - STATUS_KEY, "    1");
    testsupport::writeFile(dir->file(ROOT + ".STC"), status);
    testsupport::SleepRecorder sleeps;
    WaitGuard guard;
    sleeps.onWait(endTheWait, &guard);
    EXPECT_EQ(run(), END);
    expectSameFiles(outputs(), *expected);
}

}  // namespace
