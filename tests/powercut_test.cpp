// A power cut at every call that writes, syncs or renames during a small real-time day, and
// at a seeded set of random tears: what the disk keeps (testsupport::PowerCut) must let the
// restarted run, given the same answers, end with the uninterrupted run's products.
#include <gtest/gtest.h>

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
#include "libutil/logmsg.h"
#include "libutil/stop.h"
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
    static void expectUninterruptedFiles() {
        const std::map<std::string, std::string> got = runFiles(*dir);
        for (const auto& [name, bytes] : *expected) {
            const auto it = got.find(name);
            ASSERT_NE(it, got.end()) << name << " missing";
            EXPECT_TRUE(it->second == bytes) << name << " differs";
        }
        for (const auto& [name, bytes] : got) EXPECT_EQ(expected->count(name), 1U) << name << " left behind";
    }

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

}  // namespace
