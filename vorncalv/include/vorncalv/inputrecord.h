// One record of the input file of complex spectra as the driver sees it: one column read
// through the record reader with the 15 header words, missing header words made -999.0,
// the time test, the view identifier, and the console listing of the header words.
#pragma once

#include "vorncalv/missingvalues.h"
#include "vorncalv/runstate.h"

namespace vorncalv {

// Reads column col (1: real part into YR, 2: imaginary part into YI) of record nrec of
// CXFILE through rddmvf, with the grid into XRD and the 15 header words into HWDS; sets
// NCOLD = NCOLI = col. Every header word that comes back as the quiet-NaN pattern, or that
// the record does not carry, becomes -999.0 (the request list itself is never changed, so
// a field missing from one record is still asked for in the next). Returns IRDST (0 = read).
int readInputColumn(RunState& s, int nrec, int col);


// False when timeHHMMSS (HWDS(2)) lies outside 0..240000 or Time (HWDS(14)) outside 0..24;
// the limits are valid, and a NaN compares with nothing and so counts as valid.
bool goodTimes(const RunState& s);

// The view identifier whose character code is the header value rounded to the nearest
// integer; a value that is no character code (missing, NaN, outside 0..255) gives '\0',
// which matches no identifier.
char viewIdentifier(float code);

// Console lines "NRCXF, NHWDS:" with the record number and NHWDS, and "HWDS:" with the
// header words, in free format.
void showHeaderWords(const RunState& s, int nrec);

// False when the record read last has more points than the spectrum stores hold (MAXPTS),
// or, once the grid is fixed (NPTS > 0), a point count other than NPTS; it then logs the
// record number and both counts. Nothing is copied before this check.
bool recordSizeFits(RunState& s, int nrec);

// As recordSizeFits, and stops with "INPUT RECORD SIZE?" when the record does not fit.
void requireRecordSize(RunState& s, int nrec);

}  // namespace vorncalv
