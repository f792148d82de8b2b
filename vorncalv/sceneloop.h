// Scene sequencing: the main loop over the scene sets of the input file.
#pragma once

#include "vorncalv/runstate.h"

namespace vorncalv {

// Calibrates every scene from the restart point to the last scene set; ends the run.
void sceneLoop(RunState& s);

}  // namespace vorncalv
