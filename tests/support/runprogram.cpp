#include "support/runprogram.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "support/tempdir.h"

namespace testsupport {
namespace {

// The child's standard streams go through files in a scratch directory of their own, so
// that neither side can block on a full pipe and the working directory stays untouched.
struct Streams {
    TempDir scratch;
    std::string in = scratch.file("stdin");
    std::string out = scratch.file("stdout");
    std::string err = scratch.file("stderr");
};

// In the child: only async-signal-safe calls until exec.
[[noreturn]] void startChild(const Streams& streams, const std::string& workDir, char* const argv[],
                             unsigned timeoutSeconds) {
    const int in = open(streams.in.c_str(), O_RDONLY);
    const int out = open(streams.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(streams.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) _exit(127);
    if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
    if (chdir(workDir.c_str()) != 0) _exit(127);
    alarm(timeoutSeconds);  // survives exec: ends a program that never finishes
    execv(argv[0], argv);
    _exit(127);
}

}  // namespace

InDirectory::InDirectory(const std::filesystem::path& dir)
    : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

InDirectory::~InDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

ProgramResult runProgram(const std::string& binary, const std::string& stdinText,
                         const std::filesystem::path& workDir, const std::vector<std::string>& args,
                         unsigned timeoutSeconds) {
    Streams streams;
    writeFile(streams.in, stdinText);

    std::vector<std::string> words{binary};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string dir = workDir.string();

    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("cannot start " + binary);
    if (child == 0) startChild(streams, dir, argv.data(), timeoutSeconds);

    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("cannot wait for " + binary);
    }
    ProgramResult result;
    result.out = readFile(streams.out);
    result.err = readFile(streams.err);
    result.exited = WIFEXITED(status);
    if (result.exited) result.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

}  // namespace testsupport
