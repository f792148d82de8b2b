// The program's running log: one line per message, opened on the first call and kept open.
#pragma once

#include <string_view>

namespace util {

// Appends MESSG (trailing blanks and NULs removed, cut to 79 characters) as one line to the
// log. The first call opens FILNAM (trailing blanks removed) for appending when it exists,
// or creates it after printing "Opening NEW log file <name>" on the console; an open
// failure prints the two console lines (and a third with the system's reason, when it gave
// one) and stops with "OPEN ERROR, LOG FILE" (the log then stays unopened). Later calls
// write to the file opened first whatever FILNAM they pass.
// Every line is flushed to the file at once, so the log survives an abrupt end. A failed
// write throws std::system_error (not a stop: the program does not handle it). LOG is the
// caller's unit number, kept for the record.
void logmsg(int LOG, std::string_view FILNAM, std::string_view MESSG);

// Closes the log and returns logmsg to its first-call state (for tests that run several
// program starts in one process).
void logmsgReset();

}  // namespace util
