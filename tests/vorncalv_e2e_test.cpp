// End-to-end runs of the built program in a fresh directory: console, log, stop text and
// exit status as an operator sees them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "libutil/fixedtext.h"
#include "support/runprogram.h"
#include "support/tempdir.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/runstate.h"

namespace {

using testsupport::readFile;

const std::string HYPHENS(52, '-');

std::string stamp() {
    vorncalv::RunState s;
    vorncalv::setUp(s);
    return std::string(util::trim(s.STAMP));
}

std::string consoleBanner() {
    return " " + HYPHENS + "\n               ***** VORNCALV  *****\n " + stamp() + "\n " + HYPHENS + "\n";
}

std::string logBanner() {
    return HYPHENS + "\n                ***** VORNCALV *****\n" + stamp() + "\n" + HYPHENS + "\n";
}

const std::string FOUR_PROMPTS_ECHO =
    " ENTER Input File Name: "
    " ENTER path\\file of orig. complex sp.: \n"
    " (used for variance comp., \"forward\" cases)\n"
    " ENTER FIRST 8 CHARS. FOR OUTPUT FILE NAMES: ";

class VorncalvRun : public ::testing::Test {
protected:
    testsupport::ProgramResult run(const std::string& input) {
        return testsupport::runProgram(VORNCALV_BINARY, input, dir.path());
    }

    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    testsupport::TempDir dir;
};

TEST_F(VorncalvRun, InputNameWithoutDotStopsWithTryAgain) {
    const testsupport::ProgramResult r = run("abc\n");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "STOP TRY AGAIN!\n");
    EXPECT_EQ(r.out, consoleBanner() +
                         " ENTER Input File Name:  INPUT FILE NAME IS TOO SHORT\n"
                         "    CXFILE= abc\n"
                         " Opening NEW log file VORNCALV.LOG\n");
    EXPECT_EQ(readFile(dir.file("VORNCALV.LOG")), "NAME MUST HAVE AT LEAST 1 CHAR & \".\"\n");
}

TEST_F(VorncalvRun, EmptyInputStopsAtTheFirstPrompt) {
    const testsupport::ProgramResult r = run("");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "STOP READ ERROR;FILE NAME\n");
    EXPECT_EQ(readFile(dir.file("VORNCALV.LOG")), "READ ERROR AT PROMPT FOR INPUT FILE NAME\n");
}

TEST_F(VorncalvRun, EndOfInputAtPathPromptLogsIntoVorncalvLog) {
    const testsupport::ProgramResult r = run("a.b\n");
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "STOP READ ERROR; PATH?\n");
    EXPECT_EQ(readFile(dir.file("VORNCALV.LOG")), "READ ERROR AT PROMPT FOR PATH NAME OF COMPLEX SP.\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"VORNCALV.LOG"}));
}

TEST_F(VorncalvRun, MissingInputFileInBatchModeStopsWithFirstRecordIsBad) {
    const testsupport::ProgramResult r = run("D:\\data\\150417C1.UVS\norig.uvs\nabc\nY\n");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "STOP FIRST RECORD IS BAD\n");
    EXPECT_EQ(r.out, consoleBanner() + FOUR_PROMPTS_ECHO +
                         " Opening NEW log file abc.LOG\n"
                         " DISABLE REAL-TIME MODE? [Y/N]  RDDMVF -- Open error, file D:\\data\\150417C1.UVS\n"
                         " ZARFLastError Message:\n"
                         " filetype is unknown\n");
    EXPECT_EQ(readFile(dir.file("abc.LOG")), logBanner() +
                                                  "filetype is unknown\n"
                                                  "INPUT FILE: D:\\data\\150417C1.UVS\n"
                                                  "IRDST = 1\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"abc.LOG"}));
}

TEST_F(VorncalvRun, SecondRunAppendsToTheSameLog) {
    const std::string answers = "a.b\norig.uvs\nabc\ny\n";
    run(answers);
    const testsupport::ProgramResult r = run(answers);
    EXPECT_EQ(r.err, "STOP FIRST RECORD IS BAD\n");
    const std::string oneRun = logBanner() + "filetype is unknown\nINPUT FILE: a.b\nIRDST = 1\n";
    EXPECT_EQ(readFile(dir.file("abc.LOG")), oneRun + oneRun);
}

}  // namespace
