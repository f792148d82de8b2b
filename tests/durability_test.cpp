// The order in which the built program puts its products and status file on the disk, traced
// with strace by scripts/durability_check.py: in real-time mode no status-file update counts a
// product record that is not yet synced, and a run that exits 0 has synced every product.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/runprogram.h"
#include "support/tempdir.h"

namespace {

using testsupport::ProgramResult;
using testsupport::runProgram;

const std::string kChecker = std::string(SCRIPTS_DIR) + "/durability_check.py";
const std::string kVornsim = std::string(TOOLS_BINARY_DIR) + "/vornsim";

bool available(const std::string& command) {
    return runProgram("/bin/sh", "", ".", {"-c", "command -v " + command}).exitStatus == 0;
}

TEST(Durability, NoStatusUpdateCountsAnUnsyncedRecordAndExitZeroComesAfterTheSyncs) {
    if (!available("strace") || !available("/usr/bin/python3"))
        GTEST_SKIP() << "strace or /usr/bin/python3 is not installed (scripts/deps.sh installs them)";
    testsupport::TempDir dir;
    ASSERT_EQ(runProgram(kVornsim, "", dir.path(), {"--dir", "day", "--sets", "3", "--points", "64"}).exitStatus, 0);
    const std::filesystem::path day = dir.path() / "day";
    const std::string batch = testsupport::readFile((day / "ANSWERS.TXT").string());
    std::string realTime = batch;
    realTime.replace(realTime.find("\nY\n"), 3, "\nN\n");
    for (const auto& [mode, answers] : {std::pair{"real-time", realTime}, std::pair{"batch", batch}}) {
        SCOPED_TRACE(mode);
        // The leak checker of a sanitizer build cannot run under ptrace: the traced program
        // would end with status 1 however it ran.
        const ProgramResult r = runProgram("/usr/bin/env", answers, day,
                                           {"ASAN_OPTIONS=detect_leaks=0", "/usr/bin/python3", kChecker, "--",
                                            VORNCALV_BINARY},
                                           120);
        EXPECT_EQ(r.exitStatus, 0) << r.out << r.err;
        // What the trace saw, for the test's output: product writes, syncs, status updates.
        std::cout << mode << ": " << r.out;
        EXPECT_NE(r.out.find("exit status 0; "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(", breaches 0\n"), std::string::npos) << r.out;
    }
}

}  // namespace
