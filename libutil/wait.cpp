// One wait of a wait loop.
#include "libutil/wait.h"

#include <chrono>
#include <ostream>
#include <utility>

#include "libutil/console.h"
#include "libutil/logmsg.h"
#include "libutil/sleeper.h"

namespace util {
namespace {

// The log is written through its first opener's name; a wait before the log is open (none
// of the program's) logs nothing.
void logWaitLine(const std::string& line) {
    if (logOpen()) logmsg(0, "", line);
}

std::string took(WallTime from, WallTime to) {
    return durationText(std::chrono::duration_cast<std::chrono::seconds>(to - from));
}

}  // namespace

Wait::Wait(std::string what) : what_(std::move(what)) {}

void Wait::sleep() {
    ++sleeps_;
    if (sleeps_ == 1) {
        began_ = wallNow();
        if (std::ostream* quiet = quietConsole()) {
            *quiet << " WAITING SINCE " << utcText(began_) << " FOR " << what_ << '\n' << std::flush;
        }
    } else if (sleeps_ == 2) {
        logWaitLine("WAIT BEGAN " + utcText(began_) + ": " + what_);
        logged_ = true;
    }
    sleeper(ARG_);
}

Wait::~Wait() {
    if (sleeps_ == 0) return;
    const WallTime now = wallNow();
    const std::string ended = "WAIT ENDED " + utcText(now) + " AFTER " + took(began_, now);
    // A failed log or console write is not this wait's to report: the next line written
    // meets it again.
    try {
        if (std::ostream* quiet = quietConsole()) *quiet << ' ' << ended << " FOR " << what_ << '\n' << std::flush;
        if (logged_) logWaitLine(ended + ": " + what_);
    } catch (...) {
    }
}

}  // namespace util
