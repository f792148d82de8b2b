// Blackbody emissivity and cavity model: the paint emissivity spectrum turned into cavity
// emissivity on the input grid, the cavity-emissivity file, the ratio-test report and the
// discovery of the variance input file.
#pragma once

#include "vorncalv/runstate.h"

namespace vorncalv {

// Runs once, after the parameter file and before the restart record counts.
void emissivity(RunState& s);

}  // namespace vorncalv
