// One wait of a wait loop: the growing sleep between its tries, and what the operator sees
// of it beyond the loop's own console lines.
//
//   util::Wait wait("RECORD 31 OF 150417C1.UVS");
//   while (!ready()) { say why; wait.sleep(); }
//
// Under --quiet, when the console's ordinary lines are dropped (util::quietConsole() set),
// the wait shows one line there when it begins and one when it ends:
//   " WAITING SINCE 2026-12-09 15:04:05 UTC FOR RECORD 31 OF 150417C1.UVS"
//   " WAIT ENDED 2026-12-09 15:04:08 UTC AFTER 0:00:03 FOR RECORD 31 OF 150417C1.UVS"
// A wait that lasts longer than its first sleep is also logged, when its second sleep
// begins and when it ends:
//   "WAIT BEGAN 2026-12-09 15:04:05 UTC: RECORD 31 OF 150417C1.UVS"
//   "WAIT ENDED 2026-12-09 15:04:08 UTC AFTER 0:00:03: RECORD 31 OF 150417C1.UVS"
// A wait that never sleeps shows and logs nothing.
#pragma once

#include <string>

#include "libutil/sleeper.h"
#include "libutil/wallclock.h"

namespace util {

class Wait {
public:
    // what names what is awaited, as the lines above show it.
    explicit Wait(std::string what);
    ~Wait();
    Wait(const Wait&) = delete;
    Wait& operator=(const Wait&) = delete;

    // One sleep between two tries (sleeper: 1024, 2048, ... 16384, 16384, ... ms).
    void sleep();

private:
    std::string what_;
    int ARG_ = INIARG;
    int sleeps_ = 0;
    WallTime began_{};
    bool logged_ = false;
};

}  // namespace util
