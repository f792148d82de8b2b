// sleeper: one step of the doubling wait of every wait loop.
#include "libutil/sleeper.h"

#include <ostream>

#include "libutil/console.h"
#include "libutil/logmsg.h"
#include "libutil/dossleep.h"
#include "libutil/wait.h"

namespace util {

void sleeper(int& ARG) {
    // Every wait loop prints why it waits just before it sleeps; the console may be a file or
    // a pipe that an operator follows, so the line must be out before a sleep of up to 16 s,
    // and so must the log's lines.
    conout().flush();
    logFlush();
    dossleep(ARG);
    if (ARG <= 0) {
        ARG = INIARG;
    } else if (ARG >= MAXARG / 2) {
        ARG = MAXARG;  // also keeps the doubling clear of integer overflow
    } else {
        ARG *= 2;
    }
}

}  // namespace util
