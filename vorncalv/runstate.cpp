// The run state of the calibration program: all of it is declared, with its starting
// values, in runstate.h.
#include "vorncalv/runstate.h"
