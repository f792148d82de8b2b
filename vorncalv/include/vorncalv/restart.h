// Restart state and first input record: where an earlier run ended, the first input record
// with valid times (which fixes the wavenumber grid and the input handle), and the record
// counts of the output files on a restart.
#pragma once

#include "vorncalv/runstate.h"

namespace vorncalv {

// Restart point from the driver's status file, first good input record, grid, OFILE1.
// Runs between the fourth and the fifth prompt.
void restartAndFirstRecord(RunState& s);

// Removes the files NAME.new<pid> that a process ended while creating one of this run's
// products or its status file left beside it (the process <pid> no longer exists); logs
// each. Files of living processes and every other file stay.
void removeCreationLeftovers(RunState& s);

// Records already present in the output files when restarting; runs last before the scene
// loop.
void restartRecordCounts(RunState& s);

}  // namespace vorncalv
