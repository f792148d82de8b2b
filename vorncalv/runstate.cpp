// The run state of the calibration program.
