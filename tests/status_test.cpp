// Status files: rdsta, wrtsta and nrout.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/nrout.h"
#include "libutil/rdsta.h"
#include "libutil/stop.h"
#include "libutil/wrtsta.h"
#include "support/sleeprecorder.h"
#include "support/tempdir.h"

namespace {

const std::string CINFO_TEXT = "VORNCALV -- LAST SCENE CALIBRATED:";

// One 80-byte record: key padded to 75, then a 5-character count field.
std::string rec(const std::string& key, const std::string& count5) {
    return util::pad(key, 75) + util::pad(count5, 5);
}

class Status : public ::testing::Test {
protected:
    Status() : redirect_(in_, out_) {}

    // An 80-character blank-padded name, as the driver passes it.
    std::string name80(const std::string& file) const { return util::pad(dir_.file(file), 80); }
    std::string path(const std::string& file) const { return dir_.file(file); }
    std::string content(const std::string& file) const {
        return testsupport::readFile(dir_.file(file));
    }
    void put(const std::string& file, const std::string& bytes) const {
        testsupport::writeFile(dir_.file(file), bytes);
    }
    std::string console() const { return out_.str(); }

    testsupport::TempDir dir_;
    std::istringstream in_;
    std::ostringstream out_;
    util::ConsoleRedirect redirect_;
};

// After a given number of waits, writes a file (a simulated upstream process).
struct DelayedWrite {
    std::string path;
    std::string bytes;
    int after = 1;
    int seen = 0;
    static void hook(int, void* context) {
        auto* self = static_cast<DelayedWrite*>(context);
        if (++self->seen == self->after) testsupport::writeFile(self->path, self->bytes);
    }
};

std::string stopText(const std::function<void()>& call) {
    try {
        call();
    } catch (const util::Stop& s) {
        return s.text();
    }
    return "(no stop)";
}

}  // namespace

// ---- rdsta -----------------------------------------------------------------------------

TEST_F(Status, RdstaOnMissingFileCreatesOneRecordWithCountZero) {
    std::string CINFO = util::pad(CINFO_TEXT, 80);
    int NUMBR = -1;
    util::rdsta(15, name80("X.STC"), CINFO, NUMBR);
    EXPECT_EQ(NUMBR, 0);
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    0"));
    EXPECT_EQ(content("X.STC").size(), 80U);
    EXPECT_EQ(console(), "");
}

TEST_F(Status, RdstaReadsKeyAndCountOfTheFirstRecord) {
    put("X.STC", rec("VORNCALV -- LAST SCENE CALIBRATED: OLD", "   42") + rec("A.RLC", "   40"));
    std::string CINFO = CINFO_TEXT;  // shorter than 80: padded first
    int NUMBR = -1;
    util::rdsta(15, name80("X.STC"), CINFO, NUMBR);
    EXPECT_EQ(NUMBR, 42);
    EXPECT_EQ(CINFO, util::pad("VORNCALV -- LAST SCENE CALIBRATED: OLD", 80));
    EXPECT_EQ(console(), " RDSTA, CINFO: " + util::pad("VORNCALV -- LAST SCENE CALIBRATED: OLD", 75) +
                             "\n        NUMBR: 42\n");
}

TEST_F(Status, RdstaKeepsCharactersBeyond75OfCinfo) {
    put("X.STC", rec("KEY", "    7"));
    std::string CINFO = util::pad("", 75) + "TAIL!";
    int NUMBR = 0;
    util::rdsta(15, name80("X.STC"), CINFO, NUMBR);
    EXPECT_EQ(CINFO, util::pad("KEY", 75) + "TAIL!");
}

TEST_F(Status, RdstaWaitsWhileTheFirstRecordIsIncomplete) {
    put("X.STC", "VORNCALV");  // another process is still writing it
    testsupport::SleepRecorder recorder;
    DelayedWrite writer{path("X.STC"), rec(CINFO_TEXT, "    3"), 3};
    recorder.onWait(DelayedWrite::hook, &writer);
    std::string CINFO = util::pad(CINFO_TEXT, 80);
    int NUMBR = -1;
    util::rdsta(15, name80("X.STC"), CINFO, NUMBR);
    EXPECT_EQ(NUMBR, 3);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{1024, 2048, 4096}));
    const std::string waiting = " RDSTA -- Waiting to READ status file " + name80("X.STC") + "\n";
    EXPECT_EQ(console(), waiting + waiting + waiting + " RDSTA, CINFO: " + util::pad(CINFO_TEXT, 75) +
                             "\n        NUMBR: 3\n");
}

TEST_F(Status, RdstaBlankCountIsZero) {
    put("X.STC", rec(CINFO_TEXT, "     "));
    std::string CINFO;
    int NUMBR = -1;
    util::rdsta(15, name80("X.STC"), CINFO, NUMBR);
    EXPECT_EQ(NUMBR, 0);
}

TEST_F(Status, RdstaCountThatIsNotANumberStopsClearly) {
    put("X.STC", rec(CINFO_TEXT, " 1x3 "));
    std::string CINFO;
    int NUMBR = -1;
    EXPECT_EQ(stopText([&] { util::rdsta(15, name80("X.STC"), CINFO, NUMBR); }),
              "BAD COUNT IN STATUS FILE");
    EXPECT_EQ(console(), " RDSTA -- COUNT IN STATUS FILE IS NOT A NUMBER: \" 1x3 \"\n"
                         "        -- FILE: " + path("X.STC") + "\n"
                         "        -- record number 1\n");
}

TEST_F(Status, RdstaFileThatCannotBeCreatedStops) {
    std::string CINFO;
    int NUMBR = -1;
    EXPECT_EQ(stopText([&] { util::rdsta(15, name80("no/dir/X.STC"), CINFO, NUMBR); }),
              "OPEN ERROR, STATUS FILE");
    EXPECT_EQ(console(), " RDSTA -- ERROR OPENING STATUS FILE\n        -- FILE: " +
                             path("no/dir/X.STC") + "\n");
}

// ---- wrtsta ----------------------------------------------------------------------------

TEST_F(Status, WrtstaAppendsThenRewritesInPlace) {
    put("X.STC", rec(CINFO_TEXT, "    0"));
    int JSTAT = -1;
    util::wrtsta(12, util::pad("OUT.RLC", 80), name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(JSTAT, 0);
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    0") + rec("OUT.RLC", "   12"));
    util::wrtsta(13, util::pad("OUT.RLC", 80), name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(JSTAT, 0);
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    0") + rec("OUT.RLC", "   13"));
    EXPECT_EQ(console(), "");
}

TEST_F(Status, WrtstaWithInformationTextUpdatesTheFirstRecord) {
    put("X.STC", rec(CINFO_TEXT, "    4") + rec("OUT.RLC", "   12"));
    int JSTAT = -1;
    util::wrtsta(5, util::pad(CINFO_TEXT, 80), name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    5") + rec("OUT.RLC", "   12"));
}

TEST_F(Status, WrtstaFindsTheRecordByTheWholeName) {
    put("P.STA", rec("150417C1.UVS", "   10"));
    int JSTAT = -1;
    util::wrtsta(11, "C:\\data\\150417C1.UVS", path("P.STA"), 15, JSTAT);
    EXPECT_EQ(content("P.STA"), rec("150417C1.UVS", "   10") + rec("C:\\data\\150417C1.UVS", "   11"));
    util::wrtsta(12, "150417C1.UVS", path("P.STA"), 15, JSTAT);  // matches the first record
    EXPECT_EQ(content("P.STA"), rec("150417C1.UVS", "   12") + rec("C:\\data\\150417C1.UVS", "   11"));
}

TEST_F(Status, WrtstaWaitsForTheStatusFileToAppear) {
    testsupport::SleepRecorder recorder;
    DelayedWrite creator{path("X.STC"), rec(CINFO_TEXT, "    0"), 2};
    recorder.onWait(DelayedWrite::hook, &creator);
    int JSTAT = -1;
    util::wrtsta(1, "A.RLC", name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(JSTAT, 0);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{1024, 2048}));
    const std::string waiting = " WRTSTA -- waiting to open status file " + path("X.STC") + "\n";
    EXPECT_EQ(console(), waiting + waiting);
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    0") + rec("A.RLC", "    1"));
}

TEST_F(Status, WrtstaEveryCallStartsWaitingAt1024) {
    testsupport::SleepRecorder recorder;
    DelayedWrite creator{path("X.STC"), "", 3};
    recorder.onWait(DelayedWrite::hook, &creator);
    int JSTAT = -1;
    util::wrtsta(1, "A.RLC", name80("X.STC"), 15, JSTAT);
    std::filesystem::remove(path("X.STC"));
    creator.seen = 0;
    util::wrtsta(2, "A.RLC", name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{1024, 2048, 4096, 1024, 2048, 4096}));
}

TEST_F(Status, WrtstaNameOf75CharactersFitsTheKey) {
    put("X.STC", "");
    const std::string name(75, 'N');
    int JSTAT = -1;
    util::wrtsta(99999, name, name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(JSTAT, 0);
    EXPECT_EQ(content("X.STC"), name + "99999");
}

TEST_F(Status, WrtstaNameLongerThan75CharactersStops) {
    put("X.STC", rec(CINFO_TEXT, "    0"));
    const std::string name(76, 'N');
    int JSTAT = -1;
    EXPECT_EQ(stopText([&] { util::wrtsta(1, name + "    ", name80("X.STC"), 15, JSTAT); }),
              "Increase maximum string length!");
    EXPECT_EQ(console(), " WRTSTA -- output file name is longer than 75 characters\n"
                         " Name length: 76\n"
                         " OFILE: " + name + "\n");
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    0"));
}

TEST_F(Status, WrtstaRefusesACountThatDoesNotFitFiveCharacters) {
    put("X.STC", rec(CINFO_TEXT, "    0") + rec("A.RLC", "99999"));
    int JSTAT = 0;
    util::wrtsta(100000, "A.RLC", name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(JSTAT, 1);
    EXPECT_EQ(console(), " WRTSTA -- count does not fit the 5-character field: 100000\n");
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    0") + rec("A.RLC", "99999"));
    util::wrtsta(-10000, "A.RLC", name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(JSTAT, 1);
    util::wrtsta(-9999, "A.RLC", name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(JSTAT, 0);
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    0") + rec("A.RLC", "-9999"));
}

TEST_F(Status, WrtstaRefusesABlankName) {
    put("X.STC", rec(CINFO_TEXT, "    7"));
    int JSTAT = 0;
    util::wrtsta(1, util::pad("", 80), name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(JSTAT, 1);
    EXPECT_EQ(console(), " WRTSTA -- no output file name given; status file not updated\n");
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    7"));
    util::wrtsta(1, "A.RLC", util::pad("", 80), 15, JSTAT);
    EXPECT_EQ(JSTAT, 1);
}

// A status file reached through a symbolic link stays the link's target: its record is
// rewritten in place there.
TEST_F(Status, WrtstaRewritesTheRecordOfALinkedFileInPlace) {
    put("REAL.STC", rec(CINFO_TEXT, "    0") + rec("A.RLC", "    1"));
    std::filesystem::create_symlink(path("REAL.STC"), path("X.STC"));
    int JSTAT = -1;
    util::wrtsta(2, "A.RLC", name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(JSTAT, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(path("X.STC")));
    EXPECT_EQ(content("REAL.STC"), rec(CINFO_TEXT, "    0") + rec("A.RLC", "    2"));
}

TEST_F(Status, WrtstaOverwritesAnIncompleteLastRecord) {
    put("X.STC", rec(CINFO_TEXT, "    0") + "HALF");
    int JSTAT = -1;
    util::wrtsta(2, "B.RLC", name80("X.STC"), 15, JSTAT);
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    0") + rec("B.RLC", "    2"));
}

namespace {
// Lets writes beyond a file size fail (as on a full disk) until the first wait.
struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    void lift() const { setrlimit(RLIMIT_FSIZE, &old); }
    ~FileSizeLimit() {
        lift();
        std::signal(SIGXFSZ, oldHandler);
    }
    static void liftOnWait(int, void* context) { static_cast<FileSizeLimit*>(context)->lift(); }
};
}  // namespace

TEST_F(Status, WrtstaWaitsAndWritesAgainWhenAppendingFails) {
    put("X.STC", rec(CINFO_TEXT, "    0"));
    testsupport::SleepRecorder recorder;
    int JSTAT = -1;
    {
        FileSizeLimit limit(80);
        recorder.onWait(FileSizeLimit::liftOnWait, &limit);
        util::wrtsta(3, "C.RLC", name80("X.STC"), 15, JSTAT);
    }
    EXPECT_EQ(JSTAT, 0);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{1024}));
    EXPECT_EQ(console(), " WRTSTA -- waiting to write file " + path("X.STC") +
                             "\n        -- record number 2\n");
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    0") + rec("C.RLC", "    3"));
}

TEST_F(Status, RdstaThatCannotWriteTheFileItCreatedRemovesItAndStops) {
    std::string CINFO = util::pad(CINFO_TEXT, 80);
    int NUMBR = -1;
    std::string text;
    {
        FileSizeLimit limit(0);  // the file can be created, but nothing written into it
        text = stopText([&] { util::rdsta(15, name80("X.STC"), CINFO, NUMBR); });
    }
    EXPECT_EQ(text, "OPEN ERROR, STATUS FILE");
    EXPECT_EQ(console(), " RDSTA -- ERROR OPENING STATUS FILE\n        -- FILE: " + path("X.STC") + "\n");
    // An empty file left behind would make the next run wait for its first record forever.
    EXPECT_FALSE(std::filesystem::exists(path("X.STC")));
}

// A run killed between creating its status file and writing the first record (here by the
// signal a write beyond the file-size limit sends, in a child process) leaves no empty file
// behind: the next run creates the file instead of waiting for its first record for ever.
namespace {
// In a child: no file may grow beyond 0 bytes, and a write that tries ends the process.
void endProcessAtTheFirstWrite() {
    rlimit noCore{};
    setrlimit(RLIMIT_CORE, &noCore);
    std::signal(SIGXFSZ, SIG_DFL);
    rlimit size{};
    getrlimit(RLIMIT_FSIZE, &size);
    size.rlim_cur = 0;
    setrlimit(RLIMIT_FSIZE, &size);
}
}  // namespace

TEST_F(Status, RdstaKilledWhileCreatingTheFileLeavesNoneBehind) {
    EXPECT_EXIT(
        {
            endProcessAtTheFirstWrite();
            std::string CINFO = util::pad(CINFO_TEXT, 80);
            int NUMBR = -1;
            util::rdsta(15, name80("X.STC"), CINFO, NUMBR);
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGXFSZ), "");
    ASSERT_FALSE(std::filesystem::exists(path("X.STC")));
    testsupport::SleepRecorder recorder;
    std::string CINFO = util::pad(CINFO_TEXT, 80);
    int NUMBR = -1;
    util::rdsta(15, name80("X.STC"), CINFO, NUMBR);
    EXPECT_EQ(NUMBR, 0);
    EXPECT_EQ(recorder.waits(), std::vector<int>{});
    EXPECT_EQ(content("X.STC"), rec(CINFO_TEXT, "    0"));
}

// A FIFO where a status file should be is refused at once: opening it for reading must not
// wait for a writer. Run in a child process under an alarm, so that a hang fails this test
// instead of stalling the suite.
TEST_F(Status, FifoInPlaceOfTheStatusFileStopsInsteadOfHanging) {
    ASSERT_EQ(::mkfifo(path("F.STA").c_str(), 0600), 0);
    EXPECT_EXIT(
        {
            ::alarm(5);
            std::string CINFO = util::pad(CINFO_TEXT, 80);
            int NUMBR = -1;
            const std::string byRdsta = stopText([&] { util::rdsta(15, name80("F.STA"), CINFO, NUMBR); });
            const std::string byNrout = stopText([&] { util::nrout("A.RLC", name80("F.STA"), 16); });
            const bool stopped = byRdsta == "OPEN ERROR, STATUS FILE" && byNrout == "OPEN ERROR, STATUS FILE";
            std::_Exit(stopped ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(Status, WrtstaOnADirectoryStops) {
    std::filesystem::create_directory(path("D.STC"));
    int JSTAT = -1;
    EXPECT_EQ(stopText([&] { util::wrtsta(1, "A.RLC", name80("D.STC"), 15, JSTAT); }),
              "OPEN ERROR, STATUS FILE");
    EXPECT_EQ(console(), " WRTSTA -- ERROR OPENING STATUS FILE\n        -- FILE: " + path("D.STC") +
                             "\n");
}

// ---- nrout -----------------------------------------------------------------------------

TEST_F(Status, NroutFindsAFullPathByItsLast12Characters) {
    put("P.STA", rec("INFO", "    1") + rec("150417C1.UVS", "  250"));
    EXPECT_EQ(util::nrout(util::pad("C:\\data\\150417C1.UVS", 80), name80("P.STA"), 16), 250);
}

TEST_F(Status, NroutFindsARecordWrittenUnderAnyPathEndingInTheName) {
    put("P.STA", rec("INFO", "    1") + rec("D:\\quint\\out\\150417C1.UVS", "  251"));
    EXPECT_EQ(util::nrout("150417C1.UVS", name80("P.STA"), 16), 251);
}

TEST_F(Status, NroutShortNameMustBeFollowedByBlanks) {
    put("P.STA", rec("AB.RLCX", "    5") + rec("AB.RLC", "    6"));
    EXPECT_EQ(util::nrout("AB.RLC", name80("P.STA"), 16), 6);
}

TEST_F(Status, NroutNameNotInTheFileGivesZero) {
    put("P.STA", rec("INFO", "    1") + rec("A.RLC", "   12"));
    EXPECT_EQ(util::nrout("OTHER.RLC", name80("P.STA"), 16), 0);
    EXPECT_EQ(util::nrout(util::pad("", 80), name80("P.STA"), 16), 0);
    EXPECT_EQ(console(), "");
}

TEST_F(Status, NroutWaitsForTheStatusFileToAppear) {
    testsupport::SleepRecorder recorder;
    DelayedWrite creator{path("P.STA"), rec("150417C1.UVS", "    9"), 6};
    recorder.onWait(DelayedWrite::hook, &creator);
    EXPECT_EQ(util::nrout("150417C1.UVS", name80("P.STA"), 16), 9);
    EXPECT_EQ(recorder.waits(), (std::vector<int>{1024, 2048, 4096, 8192, 16384, 16384}));
    std::string waiting = " NROUT -- Waiting to open status file " + path("P.STA") + "\n";
    EXPECT_EQ(console(), waiting + waiting + waiting + waiting + waiting + waiting);
}

TEST_F(Status, NroutCountThatIsNotANumberStopsClearly) {
    put("P.STA", rec("INFO", "    1") + rec("A.RLC", std::string(5, '\0')));
    EXPECT_EQ(stopText([&] { util::nrout("A.RLC", name80("P.STA"), 16); }),
              "BAD COUNT IN STATUS FILE");
    EXPECT_EQ(console(), " NROUT -- COUNT IN STATUS FILE IS NOT A NUMBER: \"?????\"\n"
                         "        -- FILE: " + path("P.STA") + "\n"
                         "        -- record number 2\n");
}

TEST_F(Status, NroutReadsSignedAndBlankCounts) {
    put("P.STA", rec("A.RLC", "   -3") + rec("B.RLC", "     ") + rec("C.RLC", " + 7 "));
    EXPECT_EQ(util::nrout("A.RLC", name80("P.STA"), 16), -3);
    EXPECT_EQ(util::nrout("B.RLC", name80("P.STA"), 16), 0);
    EXPECT_EQ(util::nrout("C.RLC", name80("P.STA"), 16), 7);
}

TEST_F(Status, NroutWithoutStatusFileNameStops) {
    EXPECT_EQ(stopText([&] { util::nrout("A.RLC", util::pad("", 80), 16); }),
              "OPEN ERROR, STATUS FILE");
}

TEST_F(Status, CountsWrittenByWrtstaAreReadByNroutAndRdsta) {
    std::string CINFO = util::pad(CINFO_TEXT, 80);
    int NUMBR = -1;
    util::rdsta(15, name80("R.STC"), CINFO, NUMBR);
    int JSTAT = -1;
    util::wrtsta(17, "C:\\out\\ABCDEFGH.RLC", name80("R.STC"), 15, JSTAT);
    util::wrtsta(2, CINFO, name80("R.STC"), 15, JSTAT);
    EXPECT_EQ(util::nrout("ABCDEFGH.RLC", name80("R.STC"), 15), 17);
    util::rdsta(15, name80("R.STC"), CINFO, NUMBR);
    EXPECT_EQ(NUMBR, 2);
}
