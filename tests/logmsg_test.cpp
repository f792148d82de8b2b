// logmsg: the log file, its lines and its failures.
#include "libutil/logmsg.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "libutil/console.h"
#include "libutil/stop.h"
#include "support/tempdir.h"

using namespace std::string_literals;

namespace {

// Each test starts from a program start: no log open yet, console captured.
class Logmsg : public ::testing::Test {
protected:
    Logmsg() : redirect_(in_, out_) { util::logmsgReset(); }
    ~Logmsg() override { util::logmsgReset(); }

    // An 80-character blank-padded name, as the driver keeps it.
    std::string name80(const std::string& file) const {
        std::string n = dir_.file(file);
        n.resize(80, ' ');
        return n;
    }
    std::string console() const { return out_.str(); }
    // The file as it stands once the lines logged so far are flushed.
    std::string content(const std::string& file) const {
        util::logFlush();
        return testsupport::readFile(dir_.file(file));
    }

    testsupport::TempDir dir_;
    std::istringstream in_;
    std::ostringstream out_;
    util::ConsoleRedirect redirect_;
};

}  // namespace

TEST_F(Logmsg, FirstCallCreatesTheFileAndSaysSo) {
    util::logmsg(13, name80("VORNCALV.LOG"), "FIRST LINE      ");
    EXPECT_EQ(console(), " Opening NEW log file " + dir_.file("VORNCALV.LOG") + "\n");
    EXPECT_EQ(content("VORNCALV.LOG"), "FIRST LINE\n");
}

TEST_F(Logmsg, FlushPutsEveryLineOnDiskWhileTheLogStaysOpen) {
    util::logmsg(13, name80("a.LOG"), "ONE");
    util::logmsg(13, name80("a.LOG"), "TWO");
    util::logFlush();
    EXPECT_EQ(testsupport::readFile(dir_.file("a.LOG")), "ONE\nTWO\n");
    util::logmsg(13, name80("a.LOG"), "THREE");
    util::logFlush();
    EXPECT_EQ(testsupport::readFile(dir_.file("a.LOG")), "ONE\nTWO\nTHREE\n");
}

TEST_F(Logmsg, MessageOf80SignificantCharactersKeepsItsFirst79) {
    const std::string message(80, 'M');
    util::logmsg(13, name80("a.LOG"), message);
    EXPECT_EQ(content("a.LOG"), std::string(79, 'M') + "\n");
}

TEST_F(Logmsg, BlankMessageWritesAnEmptyLine) {
    util::logmsg(13, name80("a.LOG"), std::string(80, ' '));
    util::logmsg(13, name80("a.LOG"), "");
    EXPECT_EQ(content("a.LOG"), "\n\n");
}

TEST_F(Logmsg, TrailingNulsAndBlanksAreRemoved) {
    util::logmsg(13, name80("a.LOG"), "ABC\0  \0"s);
    util::logmsg(13, name80("a.LOG"), "  INDENTED  ");
    EXPECT_EQ(content("a.LOG"), "ABC\n  INDENTED\n");
}

TEST_F(Logmsg, SecondRunAppendsWithoutOpeningLine) {
    util::logmsg(13, name80("r.LOG"), "RUN 1");
    util::logmsgReset();  // a new program start
    out_.str("");
    util::logmsg(13, name80("r.LOG"), "RUN 2");
    EXPECT_EQ(console(), "");
    EXPECT_EQ(content("r.LOG"), "RUN 1\nRUN 2\n");
}

TEST_F(Logmsg, LaterCallsKeepWritingToTheFirstFile) {
    util::logmsg(13, name80("VORNCALV.LOG"), "BEFORE ROOT");
    util::logmsg(13, name80("ROOT.LOG"), "AFTER ROOT");
    EXPECT_EQ(content("VORNCALV.LOG"), "BEFORE ROOT\nAFTER ROOT\n");
    EXPECT_FALSE(std::filesystem::exists(dir_.file("ROOT.LOG")));
}

TEST_F(Logmsg, NewFileThatCannotBeCreatedStops) {
    const std::string name = dir_.file("no/such/dir/x.LOG");
    try {
        util::logmsg(13, name, "X");
        FAIL() << "no stop";
    } catch (const util::Stop& s) {
        EXPECT_STREQ(s.text(), "OPEN ERROR, LOG FILE");
    }
    EXPECT_EQ(console(), " Opening NEW log file " + name +
                             "\n LOGMSG -- ERROR OPENING \"NON-EXISTENT\" LOG FILE"
                             "\n        -- FILE: " + name +
                             "\n        -- REASON: No such file or directory\n");
}

TEST_F(Logmsg, ExistingFileThatCannotBeOpenedStops) {
    // A directory exists but cannot be opened for writing.
    const std::string name = dir_.file("adir");
    std::filesystem::create_directory(name);
    try {
        util::logmsg(13, name + "   ", "X");
        FAIL() << "no stop";
    } catch (const util::Stop& s) {
        EXPECT_STREQ(s.text(), "OPEN ERROR, LOG FILE");
    }
    EXPECT_EQ(console(), " LOGMSG -- ERROR OPENING \"EXISTING\" FILE\n        -- FILE: " + name +
                             "\n        -- REASON: Is a directory\n");
}

TEST_F(Logmsg, FailedOpenLeavesTheFirstCallStateForTheNextTry) {
    EXPECT_THROW(util::logmsg(13, dir_.file("missing/x.LOG"), "X"), util::Stop);
    util::logmsg(13, name80("ok.LOG"), "Y");
    EXPECT_EQ(content("ok.LOG"), "Y\n");
}

// A FIFO without a reader in place of an existing log is an open failure, not an endless
// wait for a reader. Run in a child process under an alarm, so that a hang fails this test
// instead of stalling the suite.
TEST_F(Logmsg, ExistingFifoWithoutReaderStopsInsteadOfHanging) {
    const std::string name = dir_.file("f.LOG");
    ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
    EXPECT_EXIT(
        {
            ::alarm(5);
            bool stopped = false;
            try {
                util::logmsg(13, name, "X");
            } catch (const util::Stop& s) {
                stopped = std::string(s.text()) == "OPEN ERROR, LOG FILE" &&
                          console() == " LOGMSG -- ERROR OPENING \"EXISTING\" FILE\n        -- FILE: " + name +
                                           "\n        -- REASON: No such device or address\n";
            }
            std::_Exit(stopped ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(Logmsg, HeldLinesAreDroppedOrWrittenWhenTheHoldEnds) {
    util::logmsg(13, name80("a.LOG"), "BEFORE");
    {
        util::LogHold hold;
        util::logmsg(13, name80("a.LOG"), "DROPPED");
        hold.drop();
        util::logmsg(13, name80("a.LOG"), "KEPT");
        EXPECT_EQ(content("a.LOG"), "BEFORE\n");
    }
    util::logmsg(13, name80("a.LOG"), "AFTER");
    EXPECT_EQ(content("a.LOG"), "BEFORE\nKEPT\nAFTER\n");
}
