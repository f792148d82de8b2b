// Both stages are not built yet: the work item on the restart state and the first input
// record (status-file restart point, record reader, grid, output record counts) fills them.
// Until then each logs that it is missing and stops the run there, so that no later stage
// runs on a state this one has not set.
#include "vorncalv/restart.h"

#include "libutil/stop.h"
#include "vorncalv/dialogue.h"

namespace vorncalv {

void restartAndFirstRecord(RunState& s) {
    logLine(s, "VORNCALV -- STAGE NOT BUILT: RESTART AND FIRST RECORD");
    util::stop("NOT BUILT: RESTART AND FIRST RECORD");
}

void restartRecordCounts(RunState& s) {
    logLine(s, "VORNCALV -- STAGE NOT BUILT: RESTART RECORD COUNTS");
    util::stop("NOT BUILT: RESTART RECORD COUNTS");
}

}  // namespace vorncalv
