// The calibration driver: runs the stages of one calibration run in order over one run
// state. Every end it decides itself is a util::Stop carrying the stop text.
#pragma once

#include "vorncalv/runstate.h"

namespace vorncalv {

// Identification, banner and prompts 1-4; restart state and first input record; prompts
// 5-9; static parameter and mirror-position files; blackbody emissivity; restart record
// counts; the scene loop.
void run(RunState& s);

}  // namespace vorncalv
