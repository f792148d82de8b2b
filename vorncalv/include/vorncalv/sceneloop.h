// Scene sequencing: the main loop over the scene sets of the input file.
#pragma once

#include "vorncalv/runstate.h"

namespace vorncalv {

// Calibrates every scene from the restart point to the last scene set; ends the run. On a
// restart (LSN > 0) the scenes already completed are first handled again from the first
// scene of the day without any output, so that the scenes after them are written exactly
// as an uninterrupted run writes them. sceneDone, when set, is called after the outputs of
// every scene written.
void sceneLoop(RunState& s);

}  // namespace vorncalv
