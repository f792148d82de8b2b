// End-to-end runs of the built program in a fresh directory: console, log, stop text and
// exit status as an operator sees them.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "libutil/fixedtext.h"
#include "ravlio/platform.h"
#include "support/rgdbuilder.h"
#include "support/runprogram.h"
#include "support/syntheticday.h"
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
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "STOP TRY AGAIN!\n");
    EXPECT_EQ(r.out, consoleBanner() +
                         " ENTER Input File Name:  INPUT FILE NAME IS TOO SHORT\n"
                         "    CXFILE= abc\n"
                         " Opening NEW log file VORNCALV.LOG\n");
    EXPECT_EQ(testsupport::readLog(dir.file("VORNCALV.LOG")), "NAME MUST HAVE AT LEAST 1 CHAR & \".\"\n");
}

TEST_F(VorncalvRun, EmptyInputStopsAtTheFirstPrompt) {
    const testsupport::ProgramResult r = run("");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "STOP READ ERROR;FILE NAME\n");
    EXPECT_EQ(testsupport::readLog(dir.file("VORNCALV.LOG")), "READ ERROR AT PROMPT FOR INPUT FILE NAME\n");
}

TEST_F(VorncalvRun, EndOfInputAtPathPromptLogsIntoVorncalvLog) {
    const testsupport::ProgramResult r = run("a.b\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "STOP READ ERROR; PATH?\n");
    EXPECT_EQ(testsupport::readLog(dir.file("VORNCALV.LOG")), "READ ERROR AT PROMPT FOR PATH NAME OF COMPLEX SP.\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"VORNCALV.LOG"}));
}

TEST_F(VorncalvRun, MissingInputFileInBatchModeStopsWithFirstRecordIsBad) {
    const testsupport::ProgramResult r = run("D:\\data\\150417C1.UVS\norig.uvs\nabc\nY\n");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "STOP FIRST RECORD IS BAD\n");
    EXPECT_EQ(r.out, consoleBanner() + FOUR_PROMPTS_ECHO +
                         " Opening NEW log file abc.LOG\n"
                         " DISABLE REAL-TIME MODE? [Y/N]  RDDMVF -- Open error, file D:\\data\\150417C1.UVS\n"
                         " ZARFLastError Message:\n"
                         " filetype is unknown\n"
                         " REASON: No such file or directory\n");
    EXPECT_EQ(testsupport::readLog(dir.file("abc.LOG")), logBanner() +
                                                  "filetype is unknown\n"
                                                  "REASON: No such file or directory\n"
                                                  "INPUT FILE: D:\\data\\150417C1.UVS\n"
                                                  "IRDST = 1\n");
    // The root's lock file goes with the run.
    EXPECT_EQ(files(), (std::vector<std::string>{"abc.LOG"}));
}

// The system's reason follows the library's "filetype is unknown" on the console and in the
// log, for each kind of input that is no data file; a file of unknown content has none.
TEST_F(VorncalvRun, InputThatIsNoDataFileIsExplainedWithTheSystemsReason) {
    struct Case {
        const char* what;  // also the root of the run
        void (*make)(const std::string& path);
        const char* text;    // the library's text
        const char* reason;  // "" when no reason line follows
    };
    const char* unknown = "filetype is unknown";
    const Case cases[] = {
        {"missing", [](const std::string&) {}, unknown, "No such file or directory"},
        {"empty", [](const std::string& path) { testsupport::writeFile(path, ""); }, unknown, "empty file"},
        {"dir", [](const std::string& path) { std::filesystem::create_directory(path); },
         "filename did not correspond to a regular file", "Is a directory"},
        {"picture", [](const std::string& path) { testsupport::writeFile(path, "\x89PNG\r\n\x1a\n0000"); }, unknown, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = std::string(c.what) + ".uvs";
        c.make(dir.file(name));
        const testsupport::ProgramResult r = run(name + "\norig.uvs\n" + c.what + "\nY\n");
        EXPECT_EQ(r.exitStatus, 1);
        EXPECT_EQ(r.err, "STOP FIRST RECORD IS BAD\n");
        const std::string reason = *c.reason ? std::string("REASON: ") + c.reason + "\n" : "";
        const std::string shown = reason.empty() ? "" : " " + reason;
        const std::string text = std::string(" ") + c.text + "\n";
        ASSERT_NE(r.out.find(text), std::string::npos) << r.out;
        EXPECT_EQ(r.out.substr(r.out.find(text)), text + shown);
        EXPECT_EQ(testsupport::readLog(dir.file(std::string(c.what) + ".LOG")),
                  logBanner() + c.text + "\n" + reason + "INPUT FILE: " + name + "\nIRDST = 1\n");
    }
}

// A log that cannot be opened is explained by a third console line with the system's reason.
TEST_F(VorncalvRun, LogThatCannotBeOpenedIsExplainedWithTheSystemsReason) {
    std::filesystem::create_directory(dir.file("abc.LOG"));
    const testsupport::ProgramResult r = run("a.b\norig.uvs\nabc\nY\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "STOP OPEN ERROR, LOG FILE\n");
    EXPECT_EQ(r.out, consoleBanner() + FOUR_PROMPTS_ECHO +
                         " LOGMSG -- ERROR OPENING \"EXISTING\" FILE\n"
                         "        -- FILE: abc.LOG\n"
                         "        -- REASON: Is a directory\n");
}

// ---- Names that do not fit --------------------------------------------------------------------

// A name longer than 80 characters is refused at the prompt where it was typed, naming the
// prompt and the limit; a name of exactly 80 characters is taken whole.
TEST_F(VorncalvRun, NameOfEightyOneCharactersIsRefusedAtItsPrompt) {
    const std::string long81 = "d/" + std::string(75, 'x') + ".UVS";
    ASSERT_EQ(long81.size(), 81U);
    const testsupport::ProgramResult r = run(long81 + "\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "STOP NAME TOO LONG\n");
    EXPECT_EQ(r.out, consoleBanner() +
                         " ENTER Input File Name:  NAME TOO LONG AT PROMPT FOR INPUT FILE NAME\n"
                         " Opening NEW log file VORNCALV.LOG\n"
                         " NAMES HAVE AT MOST 80 CHARACTERS; THIS ONE HAS 81\n");
    EXPECT_EQ(testsupport::readLog(dir.file("VORNCALV.LOG")),
              "NAME TOO LONG AT PROMPT FOR INPUT FILE NAME\n"
              "NAMES HAVE AT MOST 80 CHARACTERS; THIS ONE HAS 81\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"VORNCALV.LOG"}));

    // Blanks after the name do not count; 80 characters are taken whole.
    const std::string long80 = long81.substr(1);
    const testsupport::ProgramResult whole = run(long80 + "      \norig.uvs\nabc\nY\n");
    EXPECT_EQ(whole.err, "STOP FIRST RECORD IS BAD\n");
    EXPECT_NE(whole.out.find(" RDDMVF -- Open error, file " + long80 + "\n"), std::string::npos);
}

TEST_F(VorncalvRun, RootLongerThanEightIsCutAndSaidSo) {
    const testsupport::ProgramResult r = run("a.b\norig.uvs\n150417C1_extra\nY\n");
    EXPECT_EQ(r.err, "STOP FIRST RECORD IS BAD\n");
    EXPECT_NE(r.out.find(" ENTER FIRST 8 CHARS. FOR OUTPUT FILE NAMES:  ROOT OF FILE NAMES CUT TO 8 CHARACTERS: "
                         "150417C1\n Opening NEW log file 150417C1.LOG\n"),
              std::string::npos);
    EXPECT_EQ(testsupport::readLog(dir.file("150417C1.LOG")).substr(0, logBanner().size() + 49),
              logBanner() + "ROOT OF FILE NAMES CUT TO 8 CHARACTERS: 150417C1\n");
}

TEST_F(VorncalvRun, EmptyRootIsRefused) {
    const testsupport::ProgramResult r = run("a.b\norig.uvs\n   \nY\n");
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "STOP EMPTY ROOT\n");
    EXPECT_EQ(testsupport::readLog(dir.file("VORNCALV.LOG")), "EMPTY ANSWER AT PROMPT FOR 8-CHAR. ROOT OF FILE NAMES.\n");
    EXPECT_EQ(files(), (std::vector<std::string>{"VORNCALV.LOG"}));
}


TEST_F(VorncalvRun, SecondRunAppendsToTheSameLog) {
    const std::string answers = "a.b\norig.uvs\nabc\ny\n";
    run(answers);
    const testsupport::ProgramResult r = run(answers);
    EXPECT_EQ(r.err, "STOP FIRST RECORD IS BAD\n");
    const std::string oneRun =
        logBanner() + "filetype is unknown\nREASON: No such file or directory\nINPUT FILE: a.b\nIRDST = 1\n";
    EXPECT_EQ(testsupport::readLog(dir.file("abc.LOG")), oneRun + oneRun);
}

// ---- Two runs at once ---------------------------------------------------------------------

// Polls the background program's console until it shows text (false when it ends first or
// a minute passes).
bool showsOnConsole(testsupport::BackgroundProgram& p, const std::string& text) {
    for (int polls = 0; polls < 6000; ++polls) {
        if (p.out().find(text) != std::string::npos) return true;
        if (p.finished()) return false;
        RAVLIOsleepMilliseconds(10);
    }
    return false;
}

// While one run holds a root, a second run with that root in the same directory stops at
// once, saying why on the console and in the log; the lock goes with a killed run.
TEST_F(VorncalvRun, SecondRunOnARootInUseStopsAtOnce) {
    const std::string realTime = "wait.uvs\norig.uvs\nabc\nN\n";  // waits for its input to appear
    testsupport::BackgroundProgram first(VORNCALV_BINARY, realTime, dir.path());
    ASSERT_TRUE(showsOnConsole(first, "RDDMVF -- waiting to open file")) << first.out();

    const testsupport::ProgramResult second = run(realTime);
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_EQ(second.err, "STOP ROOT IN USE\n");
    const std::string refusal = "VORNCALV -- ROOT abc IS IN USE BY ANOTHER RUN (LOCK FILE abc.LCK)\n";
    EXPECT_EQ(second.out, consoleBanner() + FOUR_PROMPTS_ECHO + " " + refusal);
    const std::string log = testsupport::readLog(dir.file("abc.LOG"));
    EXPECT_EQ(log, logBanner() + refusal);  // the refused run wrote no banner of its own

    first.kill(SIGKILL);
    first.wait();
    const testsupport::ProgramResult after = run("wait.uvs\norig.uvs\nabc\nY\n");
    EXPECT_EQ(after.err, "STOP FIRST RECORD IS BAD\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("abc.LCK")));
}

// ---- Runs over a synthetic instrument day --------------------------------------------------

std::string statusRecord(const std::string& key, int count) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%5d", count);
    return util::pad(key, 75) + digits;
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class VorncalvDay : public VorncalvRun {
protected:
    void write(int count) { testsupport::writeDay(dir.path().string(), day, count); }
    testsupport::Product product(const std::string& ext) {
        return testsupport::readProduct(dir.file("abc     ." + ext));
    }
    void expectCalibrated(const testsupport::Product& p, const std::vector<int>& records) {
        ASSERT_EQ(p.count, static_cast<int>(records.size()));
        for (std::size_t k = 0; k < records.size(); ++k) {
            EXPECT_EQ(p.missing[k], 0.0F);
            EXPECT_LT(testsupport::calibrationError(day, p.data[k], records[k]), 2e-5) << "record " << k + 1;
        }
    }

    testsupport::SyntheticDay day = testsupport::planDay();
};

TEST_F(VorncalvDay, BatchRunCalibratesEverySceneToTheTruth) {
    day.config.lastSceneNumber = 3;
    write(16);
    const testsupport::ProgramResult r = run(day.answers("abc", true));
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "STOP *** END VORNCALV.EXE ***\n");
    expectCalibrated(product("RLC"), {3, 4, 7, 8, 11, 12});
    EXPECT_EQ(product("IMC").count, 6);
    EXPECT_EQ(product("RES").count, 6);
    const std::string log = testsupport::readLog(dir.file("abc.LOG"));
    EXPECT_EQ(log.substr(log.find(" NUMBER OF")),
              " NUMBER OF RECORDS OUTPUT:     6\n"
              " NUMBER OF MISSING (NULL) RECORDS:     0\n"
              " PRODUCT abc     .RLC:     6 RECORDS WRITTEN BY THIS RUN,     0 OF THEM MISSING\n"
              " PRODUCT abc     .IMC:     6 RECORDS WRITTEN BY THIS RUN,     0 OF THEM MISSING\n"
              " PRODUCT abc     .RES:     6 RECORDS WRITTEN BY THIS RUN,     0 OF THEM MISSING\n"
              "*** END VORNCALV ***\n"
              "*** END VORNCALV.EXE ***\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("abc.STC")));
}

// Exit status 0 for a run that did its work, 1 for every other stop; the STOP line as ever.
TEST_F(VorncalvDay, EveryKindOfStopHasItsExitStatus) {
    struct Case {
        const char* what;
        int lastScene;         // lastSceneNumber of the parameter file
        std::string answers;   // the console input
        const char* stopText;  // the STOP line
        int status;
    };
    const std::string days = day.answers("abc", true);
    const std::string fourAnswers = days.substr(0, days.find("NOVARIANCE"));
    std::string noParameters = days;
    noParameters.replace(noParameters.find("VORNCALV.SIP"), 12, "MISSING.SIP");
    const Case cases[] = {
        {"normal end after the last scene", 3, days, "*** END VORNCALV.EXE ***", 0},
        {"batch run reaching the end of its input", 999, days, "*** END VORNCALV.EXE ***", 0},
        {"input name without a dot", 3, "abc\n", "TRY AGAIN!", 1},
        {"no answer at all", 3, "", "READ ERROR;FILE NAME", 1},
        {"answers running out", 3, fourAnswers, "READ ERROR", 1},
        {"missing input file", 3, "none.uvs\norig\nabc\nY\n", "FIRST RECORD IS BAD", 1},
        {"missing parameter file (template written)", 3, noParameters, "INPUT-PAR. FILE?", 1},
        {"name too long", 3, std::string(81, 'n') + "\n", "NAME TOO LONG", 1},
        {"empty root", 3, "a.b\norig\n\n", "EMPTY ROOT", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::string& name : files()) std::filesystem::remove_all(dir.file(name));
        day.config.lastSceneNumber = c.lastScene;
        write(16);
        const testsupport::ProgramResult r = run(c.answers);
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitStatus, c.status);
        EXPECT_EQ(r.err, "STOP " + std::string(c.stopText) + "\n");
    }
}

// A batch run that reaches the end of its input says where it ended; an input that ends in a
// record cut short (a file truncated or still being written) has an exit status of its own.
TEST_F(VorncalvDay, EndOfInputIsSaidAndACutInputEndsWithStatusThree) {
    struct Case {
        const char* what;
        std::uintmax_t cutBytes;  // bytes taken off the end of the input
        const char* line;
        int status;
    };
    const Case cases[] = {
        {"whole input", 0, "VORNCALV -- END OF INPUT AFTER RECORD     16;     6 SCENES CALIBRATED", 0},
        {"last record cut short", 100, "VORNCALV -- INPUT INCOMPLETE AFTER RECORD     15;     6 SCENES CALIBRATED", 3},
    };
    day.config.lastSceneNumber = 999;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::string& name : files()) std::filesystem::remove_all(dir.file(name));
        write(16);
        const std::filesystem::path input = dir.file(day.inputName);
        std::filesystem::resize_file(input, std::filesystem::file_size(input) - c.cutBytes);
        const testsupport::ProgramResult r = run(day.answers("abc", true));
        EXPECT_EQ(r.exitStatus, c.status);
        EXPECT_EQ(r.err, "STOP *** END VORNCALV.EXE ***\n");
        EXPECT_EQ(countOf(r.out, " " + std::string(c.line) + "\n"), 1U);
        const std::string log = testsupport::readLog(dir.file("abc.LOG"));
        EXPECT_EQ(countOf(log, "IRDST= 6\n" + std::string(c.line) + "\n PRODUCT abc     .RLC:"), 1U);
        EXPECT_EQ(product("RLC").count, 6);
    }
}

// A paint-emissivity file that cannot be read is explained by the system's reason in the log.
TEST_F(VorncalvDay, PaintFileThatCannotBeReadIsExplainedWithTheSystemsReason) {
    struct Case {
        const char* what;
        void (*make)(const std::string& path);
        const char* logged;  // the log's last lines
        const char* stopText;
    };
    const Case cases[] = {
        {"missing", [](const std::string& path) { std::filesystem::remove(path); },
         "UNABLE TO OPEN EMISSIVITY-SPECTRUM FILE\nREASON: No such file or directory\n", "EMISSIVITY FILE?"},
        {"empty", [](const std::string& path) { testsupport::writeFile(path, ""); },
         "READ ERROR ON REC.1, EMISSIVITY SPECTRUM\nREASON: empty file\n", "CHECK EMISSIVITY FILE"},
        {"directory",
         [](const std::string& path) {
             std::filesystem::remove(path);
             std::filesystem::create_directory(path);
         },
         "READ ERROR ON REC.1, EMISSIVITY SPECTRUM\nREASON: Is a directory\n", "CHECK EMISSIVITY FILE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const std::string& name : files()) std::filesystem::remove_all(dir.file(name));
        write(16);
        c.make(dir.file(day.emissivityName));
        const testsupport::ProgramResult r = run(day.answers("abc", true));
        EXPECT_EQ(r.exitStatus, 1);
        EXPECT_EQ(r.err, "STOP " + std::string(c.stopText) + "\n");
        const std::string log = testsupport::readLog(dir.file("abc.LOG"));
        const std::string logged = c.logged;
        ASSERT_GE(log.size(), logged.size());
        EXPECT_EQ(log.substr(log.size() - logged.size()), logged);
    }
}

TEST_F(VorncalvDay, ThreeBadTimeRecordsThenAGoodOneStartAtRecordFour) {
    day.config.lastSceneNumber = 0;
    day.records[0].hhmmss = 250000.0F;
    day.records[1].hours = -1.0F;
    day.records[2].hours = 24.01F;
    write(8);
    const testsupport::ProgramResult r = run(day.answers("abc", true));
    EXPECT_EQ(r.err, "STOP *** END VORNCALV.EXE ***\n");
    const std::string log = testsupport::readLog(dir.file("abc.LOG"));
    EXPECT_EQ(countOf(log, "Bad times found in input record number      1\n"
                           "Bad times found in input record number      2\n"
                           "Bad times found in input record number      3\n"
                           " INPUT FILE IS 150417C1.UVS\n"),
              1U);
    EXPECT_EQ(countOf(r.out, " NRCXF, NHWDS: 4 15\n"), 1U);
    EXPECT_EQ(countOf(r.out, " NRCXF, NHWDS: 5 15\n"), 0U);
    EXPECT_EQ(countOf(log, " NUMBER OF MISSING (NULL) RECORDS:     3\n"), 1U);
}

TEST_F(VorncalvDay, RealTimeFreshRunCreatesAStatusFileOfOneRecord) {
    day.config.lastSceneNumber = 0;
    write(8);
    const testsupport::ProgramResult r = run(day.answers("abc", false));
    EXPECT_EQ(r.err, "STOP *** END VORNCALV.EXE ***\n");
    const std::string status = readFile(dir.file("abc.STC"));
    EXPECT_EQ(status.size(), 80U);
    EXPECT_EQ(status, statusRecord("VORNCALV -- LAST SCENE CALIBRATED:", 0));
    EXPECT_EQ(countOf(testsupport::readLog(dir.file("abc.LOG")), "RESTART!!"), 0U);
}

TEST_F(VorncalvDay, RestartCountsAreCappedAtTheLastSceneCompleted) {
    day.config.lastSceneNumber = 50;  // scene 101 lies in set 51: nothing left to do
    write(8);
    testsupport::writeFile(dir.file("abc.STC"), statusRecord("VORNCALV -- LAST SCENE CALIBRATED:", 100) +
                                                    statusRecord("abc     .RLC", 120));
    // The products hold what the status file counts (a product short of it is recovered).
    ASSERT_TRUE(testsupport::writeRgdFile(dir.file("abc     .RLC"), testsupport::RgdSpec{}, 120));
    for (const char* product : {"abc     .IMC", "abc     .RES"})
        ASSERT_TRUE(testsupport::writeRgdFile(dir.file(product), testsupport::RgdSpec{}, 100));
    const testsupport::ProgramResult r = run(day.answers("abc", false));
    EXPECT_EQ(r.err, "STOP *** END VORNCALV.EXE ***\n");
    const std::string log = testsupport::readLog(dir.file("abc.LOG"));
    EXPECT_EQ(countOf(log, "=>=>=>=>=>=>=>  RESTART!!  <=<=<=<=<=<=<=\n LAST SCENE COMPLETED:  100\n"), 1U);
    EXPECT_EQ(countOf(log, " NUMBER OF RECORDS OUTPUT:   100\n"), 1U);
}

TEST_F(VorncalvDay, RealTimeRunRecordsEveryProductAndTheLastScene) {
    day.config.lastSceneNumber = 2;
    write(12);
    const testsupport::ProgramResult r = run(day.answers("abc", false));
    EXPECT_EQ(r.err, "STOP *** END VORNCALV.EXE ***\n");
    expectCalibrated(product("RLC"), {3, 4, 7, 8});
    EXPECT_EQ(readFile(dir.file("abc.STC")), statusRecord("VORNCALV -- LAST SCENE CALIBRATED:", 4) +
                                                 statusRecord("abc     .RLC", 4) +
                                                 statusRecord("abc     .IMC", 4) +
                                                 statusRecord("abc     .RES", 4));
    // A second run finds every scene done and adds nothing.
    const testsupport::ProgramResult again = run(day.answers("abc", false));
    EXPECT_EQ(again.err, "STOP *** END VORNCALV.EXE ***\n");
    expectCalibrated(product("RLC"), {3, 4, 7, 8});
}

TEST_F(VorncalvDay, DefectsMakeOnlyTheirOwnScenesMissing) {
    day.config.cycle = "HAHSHAHZ";  // three blackbody views and one scene per set
    day.config.sets = 7;
    day = testsupport::planDay(day.config);
    day.config.lastSceneNumber = 6;
    day.records[1].view = 'H';       // set 1: H H H S, no cold view before record 4
    day.records[11].missing = 1.0F;  // record 12, the scene of set 3
    day.records[15].view = 'X';      // record 16, the scene of set 4, shows the wrong view
    day.records[16].missing = 1.0F;  // record 17, the first hot view of set 5
    write(28);
    const testsupport::ProgramResult r = run(day.answers("abc", true));
    EXPECT_EQ(r.err, "STOP *** END VORNCALV.EXE ***\n");
    const std::string log = testsupport::readLog(dir.file("abc.LOG"));
    EXPECT_EQ(countOf(log, " ABORT SCENE -- NHB,NCB =    1    0\n"), 1U);
    EXPECT_EQ(countOf(log, " NULL spectrum found in SCENE record number     12\n"), 1U);
    EXPECT_EQ(countOf(log, "NO SCENE VIEW; NFSR,NLSR=   16   16\n"), 1U);
    EXPECT_EQ(countOf(log, " NULL spectrum found in BB record number     17\n"), 1U);
    EXPECT_EQ(countOf(log, " CALIBRATING SCENE, REC.NO.    20\n"), 1U);  // calibrated, yet written as missing
    EXPECT_EQ(log.substr(log.find(" NUMBER OF")),
              " NUMBER OF RECORDS OUTPUT:     6\n"
              " NUMBER OF MISSING (NULL) RECORDS:     3\n"
              " PRODUCT abc     .RLC:     6 RECORDS WRITTEN BY THIS RUN,     4 OF THEM MISSING\n"
              " PRODUCT abc     .IMC:     6 RECORDS WRITTEN BY THIS RUN,     4 OF THEM MISSING\n"
              " PRODUCT abc     .RES:     6 RECORDS WRITTEN BY THIS RUN,     4 OF THEM MISSING\n"
              "*** END VORNCALV ***\n"
              "*** END VORNCALV.EXE ***\n");
    const testsupport::Product rlc = product("RLC");
    ASSERT_EQ(rlc.count, 6);
    EXPECT_EQ(rlc.missing, (std::vector<float>{1.0F, 0.0F, 1.0F, 1.0F, 1.0F, 0.0F}));
    EXPECT_LT(testsupport::calibrationError(day, rlc.data[1], 8), 2e-5);
    EXPECT_LT(testsupport::calibrationError(day, rlc.data[5], 24), 2e-5);
}

// ---- Runs that must not mix, cut or pretend -----------------------------------------------

// Replaces the first occurrence of from by to in the text file path.
void replaceInFile(const std::string& path, const std::string& from, const std::string& to) {
    std::string text = readFile(path);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    testsupport::writeFile(path, text);
}

TEST_F(VorncalvDay, BatchRerunReplacesProductsAndARealTimeRunWillNotMixWithThem) {
    day.config.lastSceneNumber = 2;
    write(12);
    ASSERT_EQ(run(day.answers("abc", false)).err, "STOP *** END VORNCALV.EXE ***\n");
    ASSERT_EQ(product("RLC").count, 4);
    ASSERT_TRUE(std::filesystem::exists(dir.file("abc.STC")));

    replaceInFile(dir.file("VORNCALV.SIP"), "lastSceneNumber:= 2", "lastSceneNumber:= 1");
    const testsupport::ProgramResult batch = run(day.answers("abc", true));
    EXPECT_EQ(batch.err, "STOP *** END VORNCALV.EXE ***\n");
    for (const std::string ext : {"RLC", "IMC", "RES"}) {
        const std::string line = "VORNCALV -- REPLACING \"abc     ." + ext + "\" OF AN EARLIER RUN; IT HELD 4 RECORDS\n";
        EXPECT_EQ(countOf(batch.out, " " + line), 1U) << ext;
        EXPECT_EQ(countOf(testsupport::readLog(dir.file("abc.LOG")), line), 1U) << ext;
        EXPECT_EQ(product(ext).count, 2) << ext;
    }
    expectCalibrated(product("RLC"), {3, 4});
    EXPECT_EQ(countOf(batch.out, " VORNCALV -- REMOVING STATUS FILE \"abc.STC\" OF AN EARLIER REAL-TIME RUN\n"), 1U);
    EXPECT_FALSE(std::filesystem::exists(dir.file("abc.STC")));

    const testsupport::ProgramResult later = run(day.answers("abc", false));
    EXPECT_EQ(later.err, "STOP OUTPUT FILE OF ANOTHER RUN\n");
    EXPECT_EQ(countOf(testsupport::readLog(dir.file("abc.LOG")),
                      "VORNCALV -- \"abc     .RLC\" HOLDS 2 RECORDS, \"abc.STC\" COUNTS 0\n"
                      "VORNCALV -- IT WAS WRITTEN BY ANOTHER RUN: MOVE IT AWAY OR CHOOSE ANOTHER ROOT\n"),
              1U);
    expectCalibrated(product("RLC"), {3, 4});
    EXPECT_EQ(product("IMC").count, 2);
}

// The log dates every run: its start (with the process and how it starts) and its end.
TEST_F(VorncalvDay, LogDatesTheStartAndTheEndOfEveryRun) {
    struct Case {
        const char* what;
        int lastScene;
        bool batch;
        const char* how;
    };
    const Case cases[] = {
        {"real-time run on a new root", 1, false, "FRESH START"},
        {"real-time run after it", 2, false, "RESTART AFTER SCENE 2"},
        {"batch run", 2, true, "BATCH RUN"},
    };
    day.config.lastSceneNumber = 1;
    write(12);
    const std::string stamp = "[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} UTC";
    std::size_t runs = 0;  // runs the log has seen
    int lastScene = 1;     // lastSceneNumber of the parameter file
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        replaceInFile(dir.file("VORNCALV.SIP"), "lastSceneNumber:= " + std::to_string(lastScene),
                      "lastSceneNumber:= " + std::to_string(c.lastScene));
        lastScene = c.lastScene;
        ASSERT_EQ(run(day.answers("abc", c.batch)).err, "STOP *** END VORNCALV.EXE ***\n");
        const std::string log = readFile(dir.file("abc.LOG"));
        ++runs;
        const std::regex start("(^|\n)RUN STARTED " + stamp + ", PID [1-9][0-9]*, " + c.how + "\n");
        const std::regex end("\nRUN ENDED " + stamp + ", DURATION 0:00:[0-5][0-9]\n$");
        EXPECT_TRUE(std::regex_search(log, start)) << log;
        EXPECT_TRUE(std::regex_search(log, end)) << log;
        EXPECT_EQ(countOf(log, "\nRUN STARTED "), runs);
        EXPECT_EQ(countOf(log, "\nRUN ENDED "), runs);
    }
}

// A batch rerun with fewer products leaves only its own beside it: the products it does not
// write are removed (said with their record counts) and the marker speaks for this run.
TEST_F(VorncalvDay, BatchRerunWithFewerProductsLeavesOnlyItsOwnFiles) {
    day.config.lastSceneNumber = 2;
    write(12);
    std::string withVariance = day.answers("abc", true);
    withVariance.replace(withVariance.find("NOVARIANCE.VAR"), 14, day.inputName);
    ASSERT_EQ(run(withVariance).err, "STOP *** END VORNCALV.EXE ***\n");
    ASSERT_TRUE(std::filesystem::exists(dir.file("abc     .CVS")));
    const int cvsRecords = product("CVS").count;
    const std::vector<std::string> before = files();

    replaceInFile(dir.file("VORNCALV.SIP"), "outputImaginaryPart:= 'Y'", "outputImaginaryPart:= 'N'");
    const testsupport::ProgramResult rerun = run(day.answers("abc", true));
    EXPECT_EQ(rerun.err, "STOP *** END VORNCALV.EXE ***\n");
    const std::string log = testsupport::readLog(dir.file("abc.LOG"));
    for (const auto& [ext, held] : {std::pair<std::string, int>{"CVS", cvsRecords}, {"IMC", 4}}) {
        const std::string line = "VORNCALV -- REMOVING \"abc     ." + ext + "\" OF AN EARLIER RUN; IT HELD " +
                                 std::to_string(held) + " RECORDS\n";
        EXPECT_EQ(countOf(rerun.out, " " + line), 1U) << ext;
        EXPECT_EQ(countOf(log, line), 1U) << ext;
    }
    std::vector<std::string> expected = before;
    std::erase(expected, "abc     .CVS");
    std::erase(expected, "abc     .IMC");
    EXPECT_EQ(files(), expected);
    EXPECT_EQ(readFile(dir.file("abc     .LVF")), " could NOT find variance file NOVARIANCE.VAR\n");
    expectCalibrated(product("RLC"), {3, 4, 7, 8});
}

TEST_F(VorncalvDay, MissingSourceSpectraAreReportedAtStartWithoutAnEmptyProduct) {
    day.config.lastSceneNumber = 1;
    write(8);
    std::string answers = day.answers("abc", true);
    answers.replace(answers.find("\n") + 1, day.inputName.size(), "150417C1.UVX");  // the misspelled source
    answers.replace(answers.find("NOVARIANCE.VAR"), 14, day.inputName);              // a variance file that exists
    const testsupport::ProgramResult r = run(answers);
    EXPECT_EQ(r.err, "STOP *** END VORNCALV.EXE ***\n");
    const std::string line = "NO VARIANCE PRODUCT abc     .CVS: SOURCE FILE MISSING: 150417C1.UVX\n";
    EXPECT_EQ(countOf(r.out, " " + line), 1U);
    EXPECT_EQ(countOf(testsupport::readLog(dir.file("abc.LOG")), line), 1U);
    EXPECT_EQ(countOf(r.out, "Open error"), 0U);
    EXPECT_FALSE(std::filesystem::exists(dir.file("abc     .CVS")));
    EXPECT_EQ(readFile(dir.file("abc     .LVF")), " could NOT find source spectra file 150417C1.UVX\n");
    expectCalibrated(product("RLC"), {3, 4});
}

struct BadConfiguration {
    const char* name;
    const char* from;  // text of the day's parameter file and what replaces it
    const char* to;
    const char* stop;
    const char* logged;  // the log lines naming the cause
};

class VorncalvBadConfiguration : public VorncalvDay, public ::testing::WithParamInterface<BadConfiguration> {};

TEST_P(VorncalvBadConfiguration, StopsNamingTheCauseBeforeWritingAnyProduct) {
    const BadConfiguration& c = GetParam();
    write(8);
    replaceInFile(dir.file("VORNCALV.SIP"), c.from, c.to);
    const testsupport::ProgramResult r = run(day.answers("abc", true));
    EXPECT_EQ(r.err, std::string("STOP ") + c.stop + "\n");
    EXPECT_EQ(countOf(testsupport::readLog(dir.file("abc.LOG")), c.logged), 1U);
    for (const std::string& name : files()) EXPECT_EQ(name.find("abc     ."), std::string::npos) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Causes, VorncalvBadConfiguration,
    ::testing::Values(
        BadConfiguration{"SameHotAndColdView", "coldViewIdentifier(MPCOLD):= 'A'", "coldViewIdentifier(MPCOLD):= 'h'",
                         "VIEW IDENTIFIERS?", "VORNPS -- HOT AND COLD VIEWS HAVE THE SAME IDENTIFIER: H\n"},
        BadConfiguration{"NoHotViewInTheCycle", "hotViewIdentifier(MPHOT):= 'H'", "hotViewIdentifier(MPHOT):= 'C'",
                         "VIEW IDENTIFIERS?",
                         "VORNPS -- NO HOT VIEW (C) AMONG THE BLACKBODY VIEWS OF THE MIRROR CYCLE\n"},
        BadConfiguration{"MisspelledName", "ratioTestFactor:= 1.5", "ratioTestFactr:= 1.5", "BAD STATUS FROM VORNPS",
                         "VORNPS -- UNKNOWN PARAMETER LINE: ratioTestFactr:= 1.5\n"
                         "VORNPS -- MISSING PARAMETER: ratioTestFactor\n"
                         "VORNPS returned BAD status of 5\n"}),
    [](const ::testing::TestParamInfo<BadConfiguration>& param) { return std::string(param.param.name); });

TEST_F(VorncalvDay, DoubtfulWeightsAndTemperaturesAreWarnedOnceAndTheRunGoesOn) {
    day.config.lastSceneNumber = 2;
    day.config.hotTemp = 410.0F;
    day = testsupport::planDay(day.config);
    write(12);
    replaceInFile(dir.file("VORNCALV.SIP"), "ABBapexTempWeight:= 0.5", "ABBapexTempWeight:= 0.6");
    const testsupport::ProgramResult r = run(day.answers("abc", true));
    EXPECT_EQ(r.err, "STOP *** END VORNCALV.EXE ***\n");
    const std::string log = testsupport::readLog(dir.file("abc.LOG"));
    const std::string weights = "WARNING -- AMBIENT BB THERMISTOR WEIGHTS < 0 OR SUM /= 1: 0.250 0.600 0.250\n";
    EXPECT_EQ(countOf(log, weights), 1U);
    EXPECT_EQ(countOf(r.out, " " + weights), 1U);
    const std::string temperatures = "WARNING -- FITTED BB TEMP. OUTSIDE 150-400 K: TH=  410.00 TC=  319.55 REC     3\n";
    EXPECT_EQ(countOf(log, temperatures), 1U);
    EXPECT_EQ(countOf(r.out, " " + temperatures), 1U);
    EXPECT_EQ(countOf(log, "HOT BB THERMISTOR WEIGHTS"), 0U);
    EXPECT_EQ(product("RLC").count, 4);
}

#ifdef VORNCALV_BASELINE_BINARY
// The spectrum loops are built for several processors and the loader picks the widest this
// one runs; the program built with only the baseline loops must write the same products,
// byte for byte (but for the time of creation in the history), and the same log and console.
TEST(VorncalvLoops, WidestAndBaselineLoopsWriteTheSameProducts) {
    testsupport::TempDir dir;
    const std::string tools = TOOLS_BINARY_DIR;
    const std::vector<std::string> day{"--dir", "day", "--sets", "3", "--points", "9000", "--missing", "5"};
    ASSERT_EQ(testsupport::runProgram(tools + "/vornsim", "", dir.path(), day).exitStatus, 0);
    std::filesystem::copy(dir.file("day"), dir.file("base"));
    const std::string answers = readFile(dir.file("day/ANSWERS.TXT"));
    const auto widest = testsupport::runProgram(VORNCALV_BINARY, answers, dir.file("day"));
    const auto baseline = testsupport::runProgram(VORNCALV_BASELINE_BINARY, answers, dir.file("base"));
    ASSERT_EQ(widest.err, "STOP *** END VORNCALV.EXE ***\n");
    EXPECT_EQ(baseline.err, widest.err);
    EXPECT_EQ(baseline.out, widest.out);
    // The history up to its time of creation, digits blanked (the two runs may straddle a
    // second); everything after it must be equal as it stands.
    const auto withoutTimes = [](std::string text) {
        for (char& c : text)
            if (c >= '0' && c <= '9') c = '0';
        return text;
    };
    EXPECT_EQ(testsupport::readLog(dir.file("day/150417C1.LOG")), testsupport::readLog(dir.file("base/150417C1.LOG")));
    for (const char* name : {"150417C1.RLC", "150417C1.IMC", "150417C1.RES", "150417C1.CVS"}) {
        SCOPED_TRACE(name);
        const std::string a = readFile(dir.file(std::string("day/") + name));
        const std::string b = readFile(dir.file(std::string("base/") + name));
        ASSERT_EQ(a.size(), b.size());
        const std::size_t history = a.find("# time of creation ");
        const std::size_t binary = history == std::string::npos ? 0 : a.find('\n', history);
        EXPECT_EQ(withoutTimes(a.substr(0, binary)), withoutTimes(b.substr(0, binary)));
        EXPECT_TRUE(a.compare(binary, std::string::npos, b, binary, std::string::npos) == 0) << "values differ";
    }
}
#endif

}  // namespace
