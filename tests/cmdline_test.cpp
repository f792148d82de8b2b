// The command lines of vorncalv, rgddump and vornsim, run as built: --help and --version,
// refused command lines, the nine answers given as options and vorncalv's --quiet.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dumplib/dumpcli.h"
#include "simlib/simcli.h"
#include "support/runprogram.h"
#include "support/syntheticday.h"
#include "support/tempdir.h"
#include "vorncalv/cmdline.h"

namespace {

using testsupport::ProgramResult;
using testsupport::readFile;

std::string tool(const std::string& name) { return std::string(TOOLS_BINARY_DIR) + "/" + name; }

std::vector<std::string> filesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
    return names;
}

TEST(CommandLine, HelpAndVersionOfEveryProgram) {
    struct Case {
        std::string program;
        std::string option;
        std::string out;
    };
    const Case cases[] = {
        {"vorncalv", "--help", vorncalv::usageText()},
        {"vorncalv", "--version", "vorncalv 1.0.1 (2015-04-17)\n"},
        {"rgddump", "--help", dump::usageText()},
        {"rgddump", "--version",
         "rgddump 1.0.1 (2015-04-17)\nlibrary: RAVLIO v20000308 $State: Exp $ $Source: ravlio/ravlio.cpp $ $Name: release $\n"},
        {"vornsim", "--help", vornsim::usageText()},
        {"vornsim", "--version", "vornsim 1.0.1 (2015-04-17)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program + " " + c.option);
        testsupport::TempDir dir;
        const ProgramResult r = testsupport::runProgram(tool(c.program), "a.b\n", dir.path(), {c.option});
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
        EXPECT_TRUE(filesIn(dir.path()).empty());  // no dialogue, no log
    }
    EXPECT_EQ(std::string(vorncalv::usageText()).find("Usage: vorncalv [OPTIONS]\n"), 0U);
}

TEST(CommandLine, VorncalvRefusesABadCommandLineBeforeStarting) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"--inptu", "a.b"}, "unknown option '--inptu'"},
        {{"a.b"}, "unexpected argument 'a.b'"},
        {{"--root"}, "option '--root' needs a value"},
        {{"--root", "abc", "--root=abd"}, "option '--root' is given twice"},
        {{"--batch=maybe"}, "option '--batch' takes yes or no, not 'maybe'"},
        {{"--quiet=yes"}, "option '--quiet' takes no value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        testsupport::TempDir dir;
        const ProgramResult r = testsupport::runProgram(VORNCALV_BINARY, "", dir.path(), c.args);
        EXPECT_EQ(r.exitStatus, 2);
        EXPECT_EQ(r.err, "vorncalv: " + c.message + "\nTry 'vorncalv --help' for more information.\n");
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(filesIn(dir.path()).empty());
    }
}

// ---- Runs over a synthetic day ------------------------------------------------------------

class CommandLineDay : public ::testing::Test {
protected:
    CommandLineDay() { day.config.lastSceneNumber = 3; }

    ProgramResult run(const testsupport::TempDir& dir, const std::string& input,
                      const std::vector<std::string>& args = {}) {
        testsupport::writeDay(dir.path().string(), day, 16);
        return testsupport::runProgram(VORNCALV_BINARY, input, dir.path(), args);
    }

    // The nine answers of a batch run as options.
    std::vector<std::string> answerOptions() const {
        return {"--input",    day.inputName,      "--source=" + day.inputName, "--root", "abc",
                "--batch",    "--variance",       "NOVARIANCE.VAR",            "--params", day.parameterName,
                "--mirrors",  day.mirrorName,     "--paint",                   day.emissivityName,
                "--upstream", day.upstreamStatusName};
    }

    static void expectSameProduct(const std::string& a, const std::string& b) {
        const testsupport::Product pa = testsupport::readProduct(a);
        const testsupport::Product pb = testsupport::readProduct(b);
        ASSERT_EQ(pa.count, 6) << a;
        EXPECT_EQ(pa.count, pb.count);
        EXPECT_EQ(pa.data, pb.data);
        EXPECT_EQ(pa.missing, pb.missing);
    }

    testsupport::SyntheticDay day = testsupport::planDay();
    testsupport::TempDir typed;  // the run with the answers typed
    testsupport::TempDir given;  // the run under test
};

// With all nine answers as options the program asks nothing, and writes the same log and
// the same products as the run whose answers were typed.
TEST_F(CommandLineDay, AnswersGivenAsOptionsMakeTheSameRunAsTypedAnswers) {
    const ProgramResult t = run(typed, day.answers("abc", true));
    const ProgramResult g = run(given, "", answerOptions());
    EXPECT_EQ(g.exitStatus, 0);
    EXPECT_EQ(g.err, "STOP *** END VORNCALV.EXE ***\n");
    EXPECT_EQ(g.out.find("ENTER"), std::string::npos);
    EXPECT_EQ(testsupport::readLog(given.file("abc.LOG")), testsupport::readLog(typed.file("abc.LOG")));
    for (const char* ext : {"RLC", "IMC", "RES"}) {
        expectSameProduct(typed.file(std::string("abc     .") + ext), given.file(std::string("abc     .") + ext));
    }
}

// Only the answers not given are asked for, in their order.
TEST_F(CommandLineDay, DialogueAsksOnlyForWhatWasNotGiven) {
    const std::string rest = "NOVARIANCE.VAR\n" + day.parameterName + "\n" + day.mirrorName + "\n" +
                             day.emissivityName + "\n" + day.upstreamStatusName + "\n";
    const ProgramResult g = run(given, day.inputName + "\n" + rest,
                                {"--input", day.inputName, "--root", "abc", "--batch=no"});
    EXPECT_EQ(g.err, "STOP *** END VORNCALV.EXE ***\n");
    EXPECT_EQ(g.out.find(" ENTER Input File Name:"), std::string::npos);
    EXPECT_NE(g.out.find(" ENTER path\\file of orig. complex sp.: \n"), std::string::npos);
    EXPECT_EQ(g.out.find(" ENTER FIRST 8 CHARS."), std::string::npos);
    EXPECT_EQ(g.out.find(" DISABLE REAL-TIME MODE?"), std::string::npos);
    EXPECT_NE(g.out.find(" ENTER NAME OF \"VARIANCE\" INPUT FILE: "), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(given.file("abc.STC")));  // --batch=no: real-time mode
}

// A name given as an option is checked as if typed: too long is refused at its prompt.
TEST_F(CommandLineDay, NameGivenAsAnOptionIsRefusedWhenTooLong) {
    std::vector<std::string> args = answerOptions();
    args[6] = "--variance=" + std::string(81, 'v');
    args.erase(args.begin() + 7);
    const ProgramResult g = run(given, "", args);
    EXPECT_EQ(g.exitStatus, 1);
    EXPECT_EQ(g.err, "STOP NAME TOO LONG\n");
    const std::string log = testsupport::readLog(given.file("abc.LOG"));
    EXPECT_EQ(log.substr(log.size() - 106),
              "NAME TOO LONG AT PROMPT FOR NAME OF VARIANCE INPUT FILE\n"
              "NAMES HAVE AT MOST 80 CHARACTERS; THIS ONE HAS 81\n");
    EXPECT_FALSE(std::filesystem::exists(given.file("abc     .RLC")));
}

// --quiet: the scene loop's console lines give way to one line per scene; the log is the
// same as without it.
TEST_F(CommandLineDay, QuietRunShowsOneLinePerSceneAndKeepsTheLog) {
    day.records[10].missing = 1.0F;  // record 11, a scene of set 3
    const ProgramResult t = run(typed, day.answers("abc", true));
    const ProgramResult q = run(given, day.answers("abc", true), {"--quiet"});
    EXPECT_EQ(q.exitStatus, 0);
    EXPECT_EQ(q.err, t.err);
    EXPECT_EQ(testsupport::readLog(given.file("abc.LOG")), testsupport::readLog(typed.file("abc.LOG")));
    const std::string lines =
        " SCENE     1  INPUT REC.      3  TIME 100200  CALIBRATED\n"
        " SCENE     2  INPUT REC.      4  TIME 100300  CALIBRATED\n"
        " SCENE     3  INPUT REC.      7  TIME 100600  CALIBRATED\n"
        " SCENE     4  INPUT REC.      8  TIME 100700  CALIBRATED\n"
        " SCENE     5  INPUT REC.     11  TIME 101000  MISSING\n"
        " SCENE     6  INPUT REC.     12  TIME 101100  CALIBRATED\n";
    ASSERT_GT(q.out.size(), lines.size());
    const std::string start = q.out.substr(0, q.out.size() - lines.size());
    EXPECT_EQ(q.out.substr(start.size()), lines);
    EXPECT_EQ(t.out.substr(0, start.size()), start);  // the start-up lines as always
    EXPECT_GT(t.out.size(), q.out.size());
}

// What the operator must know still shows on the console under --quiet: the products of an
// earlier run that a batch run replaces or removes.
TEST_F(CommandLineDay, QuietRunStillShowsTheNoticesOfEarlierProducts) {
    ASSERT_EQ(run(given, day.answers("abc", true), {"--quiet"}).exitStatus, 0);
    day.config.outputImaginary = 'N';
    const ProgramResult q = run(given, day.answers("abc", true), {"--quiet"});
    EXPECT_EQ(q.exitStatus, 0);
    for (const std::string line : {" VORNCALV -- REPLACING \"abc     .RLC\" OF AN EARLIER RUN; IT HELD 6 RECORDS\n",
                                   " VORNCALV -- REMOVING \"abc     .IMC\" OF AN EARLIER RUN; IT HELD 6 RECORDS\n"}) {
        EXPECT_NE(q.out.find(line), std::string::npos) << line << q.out;
    }
}

}  // namespace
