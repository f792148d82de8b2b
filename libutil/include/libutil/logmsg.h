// The program's running log: one line per message, opened on the first call and kept open.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace util {

// Appends MESSG (trailing blanks and NULs removed, cut to 79 characters) as one line to the
// log. The first call opens FILNAM (trailing blanks removed) for appending when it exists,
// or creates it after printing "Opening NEW log file <name>" on the console; an open
// failure prints the two console lines (and a third with the system's reason, when it gave
// one) and stops with "OPEN ERROR, LOG FILE" (the log then stays unopened). Later calls
// write to the file opened first whatever FILNAM they pass.
// Lines collect in the stream's buffer until logFlush (or the buffer filling up) writes
// them. A failed write throws std::system_error (not a stop: the program does not handle
// it). LOG is the caller's unit number, kept for the record.
void logmsg(int LOG, std::string_view FILNAM, std::string_view MESSG);

// Puts the lines logged so far on the disk. The program calls it at the end of every scene,
// before every wait and when the run ends, so that an operator following the log sees each
// scene whole and the reason of every wait, and an abrupt end loses at most the lines of the
// scene in progress, which a restart handles again anyway. Nothing to do before the log is
// open. A failed write throws std::system_error.
void logFlush();

// While a LogHold lives, logmsg keeps the lines it is given instead of writing them (the log
// must already be open). drop() forgets the lines held so far; the lines still held when
// the hold ends are written then, so that a stop in the middle of held work still leaves
// its reason in the log. Holds do not nest.
class LogHold {
public:
    LogHold();
    ~LogHold();
    LogHold(const LogHold&) = delete;
    LogHold& operator=(const LogHold&) = delete;
    void drop() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
};

// True once the log is open (after the first logmsg that could open it).
bool logOpen();

// Closes the log and returns logmsg to its first-call state (for tests that run several
// program starts in one process).
void logmsgReset();

}  // namespace util
