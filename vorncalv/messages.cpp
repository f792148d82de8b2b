// The program's console and log lines.
#include "vorncalv/messages.h"

#include <ostream>

#include "libutil/console.h"
#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"

namespace vorncalv {

void sayLine(std::string_view text) { util::conout() << text << '\n'; }

void logLine(int LOG, std::string_view LOGFIL, std::string_view text) { util::logmsg(LOG, LOGFIL, text); }

void sayAndLog(int LOG, std::string_view LOGFIL, std::string_view line) {
    sayLine(line);
    logLine(LOG, LOGFIL, line);
}

void tell(int LOG, std::string_view LOGFIL, std::string_view text) {
    // A message is for the operator: while the scene loop's ordinary lines are dropped
    // (--quiet), it goes to the console of notices.
    std::ostream* quiet = util::quietConsole();
    (quiet != nullptr ? *quiet : util::conout()) << util::freefmt({text}) << '\n';
    logLine(LOG, LOGFIL, text);
}

}  // namespace vorncalv
