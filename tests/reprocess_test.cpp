// scripts/reprocess.sh run with bash over simulated days: parallel runs with a CSV summary,
// a broken day reported without stopping the others, reruns of only what failed, and the
// Slurm job-array script run for one array index.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/runprogram.h"
#include "support/tempdir.h"

using testsupport::ProgramResult;
using testsupport::runProgram;

namespace {

const std::string kScript = std::string(SCRIPTS_DIR) + "/reprocess.sh";
const std::string kVornsim = std::string(TOOLS_BINARY_DIR) + "/vornsim";
const std::string kHeader =
    "directory,status,exit_status,stop_text,end_of_input,missing_input_records,rlc_records,rlc_missing,"
    "imc_records,imc_missing,res_records,res_missing,cvs_records,cvs_missing\n";
// The fields after the stop text of a day whose run gave no counts.
const std::string kNoCounts = ",,,,,,,,,,";

class Reprocess : public ::testing::Test {
protected:
    void SetUp() override {
        if (runProgram("/bin/sh", "", dir.path(), {"-c", "command -v parallel"}).exitStatus != 0)
            GTEST_SKIP() << "GNU parallel is not installed (scripts/deps.sh installs it)";
    }

    // A small simulated day (two sets of 40-point spectra: 8 scenes) in dir/name.
    std::string makeDay(const std::string& name) {
        const ProgramResult r =
            runProgram(kVornsim, "", dir.path(), {"--dir", name, "--sets", "2", "--points", "40"});
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        return (dir.path() / name).string();
    }

    ProgramResult script(std::vector<std::string> args) {
        args.insert(args.begin(), {kScript, "--vorncalv", VORNCALV_BINARY, "--summary", "summary.csv"});
        return runProgram("/bin/bash", "", dir.path(), args, 120);
    }

    std::string summary() const { return testsupport::readFile(dir.file("summary.csv")); }

    static std::string okLine(const std::string& day) {
        return day + ",ok,0,*** END VORNCALV.EXE ***,,0,8,0,8,0,8,0,12,0\n";
    }

    static bool matchesTruth(const std::string& day) {
        return runProgram(kVornsim, "", std::filesystem::path(day).parent_path(), {"--compare", day}).exitStatus == 0;
    }

    testsupport::TempDir dir;
};

TEST_F(Reprocess, BrokenDayIsReportedAndARerunRedoesOnlyIt) {
    const std::string a = makeDay("a");
    const std::string b = makeDay("b");
    const std::string c = makeDay("c");
    // Day c lacks its parameter file: vorncalv writes a template and stops.
    std::filesystem::rename(c + "/VORNCALV.SIP", dir.file("VORNCALV.SIP"));

    ProgramResult r = script({"-j2", "a", "b", "c"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 1) << r.err;
    EXPECT_EQ(summary(), kHeader + okLine(a) + okLine(b) + c + ",failed,1,INPUT-PAR. FILE?" + kNoCounts + "\n");
    EXPECT_TRUE(matchesTruth(a));
    EXPECT_TRUE(matchesTruth(b));

    // Mended: the rerun calibrates c alone (the logs of a and b gain nothing).
    std::filesystem::rename(dir.file("VORNCALV.SIP"), c + "/VORNCALV.SIP");
    const std::string logA = testsupport::readFile(a + "/150417C1.LOG");
    const std::string logB = testsupport::readFile(b + "/150417C1.LOG");
    r = script({"-j2", "a", "b", "c"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, "reprocess.sh: 3 day(s), 1 run now, 0 not ok; summary in summary.csv\n");
    EXPECT_EQ(summary(), kHeader + okLine(a) + okLine(b) + okLine(c));
    EXPECT_EQ(testsupport::readFile(a + "/150417C1.LOG"), logA);
    EXPECT_EQ(testsupport::readFile(b + "/150417C1.LOG"), logB);
    EXPECT_TRUE(matchesTruth(c));
}

// A day whose input ends inside a record is "incomplete", with vorncalv's line saying where
// its input ended and the products' counts of what it did.
TEST_F(Reprocess, DayWithAnInputCutShortIsIncompleteWithTheReason) {
    const std::string d = makeDay("d");
    const std::filesystem::path input = d + "/150417C1.UVS";
    const std::uintmax_t twoSets = std::filesystem::file_size(input);
    const ProgramResult oneSet = runProgram(kVornsim, "", dir.path(), {"--dir", "one", "--sets", "1", "--points", "40"});
    ASSERT_EQ(oneSet.exitStatus, 0);
    const std::uintmax_t record = (twoSets - std::filesystem::file_size(dir.file("one/150417C1.UVS"))) / 6;
    std::filesystem::resize_file(input, twoSets - 4 * record - record / 2);  // 13 records and half of one

    const ProgramResult r = script({"d"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(summary(), kHeader + d +
                             ",incomplete,3,*** END VORNCALV.EXE ***,"
                             "VORNCALV -- INPUT INCOMPLETE AFTER RECORD     13;     4 SCENES CALIBRATED,"
                             ",4,0,4,0,4,0,6,0\n");
}

TEST_F(Reprocess, SlurmArrayTaskRunsItsOwnDayAndCollectSummarisesAll) {
    const std::string a = makeDay("a");
    const std::string b = makeDay("b");
    testsupport::writeFile(dir.file("days.txt"), "a\nb\n");

    ProgramResult r = script({"--slurm", "job.sh", "--list", "days.txt"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, "reprocess.sh: wrote job.sh for 2 day(s); submit it with sbatch\n");
    EXPECT_NE(testsupport::readFile(dir.file("job.sh")).find("#SBATCH --array=1-2\n"), std::string::npos);

    // What Slurm would run for array index 2: day b alone.
    r = runProgram("/usr/bin/env", "", dir.path(), {"SLURM_ARRAY_TASK_ID=2", "bash", "job.sh"}, 120);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(matchesTruth(b));
    EXPECT_FALSE(std::filesystem::exists(a + "/150417C1.LOG"));

    r = script({"--collect", "--list", "days.txt"});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(summary(), kHeader + a + ",failed,,no result" + kNoCounts + "\n" + okLine(b));
}

TEST_F(Reprocess, BadCommandLinesExitWithTwo) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"--frobnicate", "a"}, {"-j", "zero", "a"}, {"--slurm"}}) {
        const ProgramResult r = script(args);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.exitStatus, 2) << (args.empty() ? "(no days)" : args[0]);
        EXPECT_NE(r.err.find("Try 'reprocess.sh --help' for more information.\n"), std::string::npos);
    }
}

}  // namespace
