// logmsg: the running log of the program, one line per message.
#include "libutil/logmsg.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/lentrim.h"
#include "libutil/stop.h"

namespace util {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using LogFile = std::unique_ptr<std::FILE, FileCloser>;

// The open log (null while logmsg has not yet been called: the first-call state INIT = 1).
LogFile logFile;
// The unit number the caller gave on the first call.
int logUnit = 0;

// Lines kept by the LogHold in force (null: none).
std::vector<std::string>* heldLines = nullptr;

// Longest line the log holds.
constexpr int MAXLINE = 79;

// Opens an existing file for appending; never creates one. O_NONBLOCK makes a FIFO without
// a reader fail at once instead of waiting for one without end; it is cleared again so that
// writes behave as usual.
// error receives the system's error number of a failure.
LogFile openExisting(const std::string& name, int& error) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        error = errno;
        ::close(fd);
        return nullptr;
    }
    LogFile f(::fdopen(fd, "a"));
    if (!f) {
        error = errno;
        ::close(fd);
    }
    return f;
}

// Creates a new file; fails when one appeared meanwhile.
LogFile createNew(const std::string& name, int& error) {
    LogFile f(std::fopen(name.c_str(), "wx"));
    if (!f) error = errno;
    return f;
}

// The two console lines of the failure, a third with the system's reason when there is
// one (error not 0), and the stop.
[[noreturn]] void openFailure(const char* what, const std::string& name, int error) {
    conout() << freefmt({what}) << '\n';
    conout() << freefmt({"       -- FILE: ", name}) << '\n';
    if (error != 0) conout() << freefmt({"       -- REASON: ", std::strerror(error)}) << '\n';
    conout().flush();
    stop("OPEN ERROR, LOG FILE");
}

void openLog(int LOG, std::string_view FILNAM) {
    const std::string name(trim(FILNAM));
    std::error_code ec;
    const bool exists = !name.empty() && std::filesystem::exists(name, ec);
    int error = 0;
    if (exists) {
        logFile = openExisting(name, error);
        if (!logFile) openFailure("LOGMSG -- ERROR OPENING \"EXISTING\" FILE", name, error);
    } else {
        conout() << freefmt({"Opening NEW log file ", name}) << '\n';
        if (!name.empty()) logFile = createNew(name, error);
        if (!logFile) openFailure("LOGMSG -- ERROR OPENING \"NON-EXISTENT\" LOG FILE", name, error);
    }
    logUnit = LOG;
}

// Not a decision of the program: it ends through the runtime's error report.
[[noreturn]] void writeFailure() {
    throw std::system_error(errno, std::generic_category(),
                            "write error on log file (unit " + std::to_string(logUnit) + ")");
}

}  // namespace

void logmsg(int LOG, std::string_view FILNAM, std::string_view MESSG) {
    if (!logFile) openLog(LOG, FILNAM);
    const auto n = static_cast<std::size_t>(std::min(lentrim(MESSG), MAXLINE));
    std::string line(MESSG.substr(0, n));
    line += '\n';
    if (heldLines != nullptr) {
        heldLines->push_back(std::move(line));
        return;
    }
    if (std::fwrite(line.data(), 1, line.size(), logFile.get()) != line.size()) writeFailure();
}

void logFlush() {
    if (logFile && std::fflush(logFile.get()) != 0) writeFailure();
}

LogHold::LogHold() { heldLines = &lines_; }

LogHold::~LogHold() {
    heldLines = nullptr;
    if (!logFile) return;
    for (const std::string& line : lines_) {
        if (std::fwrite(line.data(), 1, line.size(), logFile.get()) != line.size()) break;
    }
    std::fflush(logFile.get());
}

bool logOpen() { return logFile != nullptr; }

void logmsgReset() {
    logFile.reset();
    logUnit = 0;
}

}  // namespace util
