// Runs a program as a child process with a given standard input, in a given working
// directory, and captures what it prints and how it ended; starts one in the background
// for tests that act while it runs; and moves the test process itself into a directory for
// a while.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "support/tempdir.h"

namespace testsupport {

struct ProgramResult {
    std::string out;          // everything written to standard output
    std::string err;          // everything written to standard error
    bool exited = false;      // true when the program ended by exiting (not by a signal)
    int exitStatus = -1;      // its exit status when exited
    int signal = 0;           // the ending signal otherwise (SIGALRM: it ran out of time)
};

// Makes dir the working directory of the process for its lifetime, then restores the
// previous one (for in-process stage tests whose files are named relative to it).
class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path& dir);
    ~InDirectory();
    InDirectory(const InDirectory&) = delete;
    InDirectory& operator=(const InDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

// The log file of the calibration program at path without the lines that date its runs
// ("RUN STARTED ...", "RUN ENDED ...") and its waits ("WAIT BEGAN ...", "WAIT ENDED ..."):
// what two runs of the same work write alike, for tests that compare logs whole.
std::string readLog(const std::string& path);

// Runs binary with the arguments args, standard input stdinText and working directory
// workDir, and waits for it. The program is ended by SIGALRM after timeoutSeconds, so a
// program that waits for ever cannot hang the test. Throws std::runtime_error when the
// child cannot be started.
ProgramResult runProgram(const std::string& binary, const std::string& stdinText,
                         const std::filesystem::path& workDir,
                         const std::vector<std::string>& args = {}, unsigned timeoutSeconds = 60);

// A program started in the background: its standard input comes from a file holding the
// given text, its standard output and error go to files that the test may read while it
// runs. The child is killed (SIGKILL) and reaped when the object goes, unless it was
// waited for already, so no process outlives its test.
class BackgroundProgram {
public:
    // Starts binary with the arguments args in workDir. The program is ended by SIGALRM
    // after timeoutSeconds. Throws std::runtime_error when the child cannot be started.
    BackgroundProgram(const std::string& binary, const std::string& stdinText,
                      const std::filesystem::path& workDir, const std::vector<std::string>& args = {},
                      unsigned timeoutSeconds = 60);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    int pid() const { return pid_; }
    // Paths of the files that receive the program's standard output and error.
    const std::string& outPath() const { return out_; }
    const std::string& errPath() const { return err_; }
    // What the program has written to standard output and error so far.
    std::string out() const;
    std::string err() const;
    // True once the program has ended (it is then reaped; wait() returns at once).
    bool finished();
    // Sends signal sig to the program (nothing when it has already been reaped).
    void kill(int sig);
    // Waits for the program to end and returns how it ended with all it printed.
    ProgramResult wait();

private:
    TempDir scratch_;  // holds the stdin, stdout and stderr files
    std::string out_;
    std::string err_;
    int pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

}  // namespace testsupport
