// Not built yet: the work item on scene sequencing (with blackbody temperatures,
// calibration and outputs) fills this stage. Until then it logs that it is missing and
// stops the run there.
#include "vorncalv/sceneloop.h"

#include "libutil/stop.h"
#include "vorncalv/dialogue.h"

namespace vorncalv {

void sceneLoop(RunState& s) {
    logLine(s, "VORNCALV -- STAGE NOT BUILT: SCENE LOOP");
    util::stop("NOT BUILT: SCENE LOOP");
}

}  // namespace vorncalv
