// The program's messages, at its ground floor: a console line, a log line, a line on both
// and a message for the operator. Every stage speaks through these; the ones
// bound to the run state (which also keep the line as MSG, and the abort path) are in
// dialogue.h.
#pragma once

#include <string>
#include <string_view>

namespace vorncalv {

// Writes text as one console line. The console is flushed with every prompt, at the end of
// every scene, before every wait and when the run ends, so progress shows without one write
// per line.
void sayLine(std::string_view text);

// Appends text to the log LOGFIL (unit LOG) as one line, cut to the log's line length.
void logLine(int LOG, std::string_view LOGFIL, std::string_view text);

// The same line on the console and in the log.
void sayAndLog(int LOG, std::string_view LOGFIL, std::string_view line);

// A free-format message: on the console after one blank, in the log as it stands. It is for
// the operator: under --quiet, while the scene loop's console lines are dropped, it still
// reaches the real console (util::quietConsole()).
void tell(int LOG, std::string_view LOGFIL, std::string_view text);

}  // namespace vorncalv
