// Runs a program as a child process with a given standard input, in a given working
// directory, and captures what it prints and how it ended; and moves the test process
// itself into a directory for a while.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

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

// Runs binary with the arguments args, standard input stdinText and working directory
// workDir, and waits for it. The program is ended by SIGALRM after timeoutSeconds, so a
// program that waits for ever cannot hang the test. Throws std::runtime_error when the
// child cannot be started.
ProgramResult runProgram(const std::string& binary, const std::string& stdinText,
                         const std::filesystem::path& workDir,
                         const std::vector<std::string>& args = {}, unsigned timeoutSeconds = 60);

}  // namespace testsupport
