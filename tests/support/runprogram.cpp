// Running a program as a child process with captured output.
#include "support/runprogram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "support/tempdir.h"

namespace testsupport {

std::string readLog(const std::string& path) {
    std::istringstream in(readFile(path));
    std::string kept;
    for (std::string line; std::getline(in, line);) {
        const std::string_view l(line);
        if (l.starts_with("RUN STARTED ") || l.starts_with("RUN ENDED ") || l.starts_with("WAIT BEGAN ") ||
            l.starts_with("WAIT ENDED "))
            continue;
        kept += line + '\n';
    }
    return kept;
}
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
[[noreturn]] void startChild(const std::string& inPath, const std::string& outPath, const std::string& errPath,
                             const std::string& workDir, char* const argv[], unsigned timeoutSeconds) {
    const int in = open(inPath.c_str(), O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) _exit(127);
    if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
    if (chdir(workDir.c_str()) != 0) _exit(127);
    alarm(timeoutSeconds);  // survives exec: ends a program that never finishes
    execv(argv[0], argv);
    _exit(127);
}

// Forks and execs binary with args; the child's streams are the three files.
pid_t spawn(const std::string& binary, const std::vector<std::string>& args, const std::string& inPath,
            const std::string& outPath, const std::string& errPath, const std::filesystem::path& workDir,
            unsigned timeoutSeconds) {
    std::vector<std::string> words{binary};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string dir = workDir.string();

    const pid_t child = fork();
    if (child < 0) throw std::runtime_error("cannot start " + binary);
    if (child == 0) startChild(inPath, outPath, errPath, dir, argv.data(), timeoutSeconds);
    return child;
}

// Waits for child, retrying when a signal interrupts the wait; its wait status. what names
// the program in the error.
int reap(pid_t child, const std::string& what) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("cannot wait for " + what);
    }
    return status;
}

ProgramResult resultOf(int status, const std::string& outPath, const std::string& errPath) {
    ProgramResult result;
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    result.exited = WIFEXITED(status);
    if (result.exited) result.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
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
    const pid_t child = spawn(binary, args, streams.in, streams.out, streams.err, workDir, timeoutSeconds);
    return resultOf(reap(child, binary), streams.out, streams.err);
}

BackgroundProgram::BackgroundProgram(const std::string& binary, const std::string& stdinText,
                                     const std::filesystem::path& workDir, const std::vector<std::string>& args,
                                     unsigned timeoutSeconds)
    : out_(scratch_.file("stdout")), err_(scratch_.file("stderr")) {
    const std::string in = scratch_.file("stdin");
    writeFile(in, stdinText);
    pid_ = spawn(binary, args, in, out_, err_, workDir, timeoutSeconds);
}

BackgroundProgram::~BackgroundProgram() {
    if (reaped_) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
}

std::string BackgroundProgram::out() const { return readFile(out_); }
std::string BackgroundProgram::err() const { return readFile(err_); }

bool BackgroundProgram::finished() {
    if (reaped_) return true;
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r < 0 && errno != EINTR) throw std::runtime_error("cannot wait for child " + std::to_string(pid_));
    if (r != pid_) return false;
    reaped_ = true;
    status_ = status;
    return true;
}

void BackgroundProgram::kill(int sig) {
    if (!reaped_) ::kill(pid_, sig);
}

ProgramResult BackgroundProgram::wait() {
    if (!reaped_) {
        status_ = reap(pid_, "child " + std::to_string(pid_));
        reaped_ = true;
    }
    return resultOf(status_, out_, err_);
}

}  // namespace testsupport
