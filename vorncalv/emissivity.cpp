// Not built yet: the work item on the blackbody emissivity and cavity model fills this
// stage. Until then it logs that it is missing and stops the run there.
#include "vorncalv/emissivity.h"

#include "libutil/stop.h"
#include "vorncalv/dialogue.h"

namespace vorncalv {

void emissivity(RunState& s) {
    logLine(s, "VORNCALV -- STAGE NOT BUILT: EMISSIVITY");
    util::stop("NOT BUILT: EMISSIVITY");
}

}  // namespace vorncalv
