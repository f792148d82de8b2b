// Output products and the per-scene status update: after each scene record has been
// handled (calibrated or found missing), one record goes to every enabled product, in this
// order: the calibrated real part (root.RLC, always), the variance product (root.CVS, while
// a variance input file is in use), the marker file root.LVF once per run (every run, with
// or without a variance product), the
// imaginary part (root.IMC, outputImaginaryPart "Y") and the responsivity (root.RES,
// outputResponsivity "Y"). In real-time mode the driver's status file records each file's
// record count and finally the number of the last scene handled, from which a restart
// resumes. Every record carries the same 15 metadata values describing the calibration.
//
// Log lines go through util::logmsg(s.LOG, s.LOGFIL, ...); console lines to util::conout().
#pragma once

#include <span>
#include <string>
#include <vector>

#include "vorncalv/runstate.h"

namespace vorncalv {

// Fills s.AMD for the scene just handled. A missing scene (s.NULL_ = 1): every value the
// quiet-NaN pattern 0x7FC00000, then missingDataFlag AMD(4) = 1.0. Otherwise TAMB, TC, TH,
// 0 (the scene's own missingDataFlag), the character code of MPCAL, the six thermistor
// weights, ABTOFF, HBTOFF, CAVFAC and ENDRMX.
void fillOutputMetadata(RunState& s);

// Writes the scene's record to every enabled product and, in real-time mode, updates the
// status file (see above). SPRL, SPIM and RESP hold the scene's calibrated spectra at points
// 1..s.NPTS; for a missing scene each is set to the quiet-NaN pattern just before it is
// written. Uses the scene's bookkeeping in s (NULL_, MPCAL, CALTIM, TAMB, TC, TH, ENDRMX,
// KSET, NSVR, NPATWRT, LIST, LRNS; a missing scene names its scene record NSVR as every
// source instead, so that it carries the scene's date and time) and the grid (NPTS, XMIN,
// XMAX); advances NRO1 and NRO1TS, NRO2 / NRO3 when enabled, and LSN in real-time mode.
// Stops:
//   a writer failure on .RLC, .IMC or .RES: the writer's message is logged, "WRITE ERROR!";
//   a bad status-file update: "WRTSTA RETURNED BAD STATUS; UPDATE FOR OFILEn" (or
//     "...; UPDATING LSN ") is logged, "BAD STATUS FROM WRTSTA";
//   the marker file cannot be opened: "(' UNABLE TO OPEN FILE ',A)", "OPEN ERROR (VMFILE)";
//   the marker file cannot be written: "(' WRITE ERROR TO FILE ',A)", "WRITE ERROR".
// A variance failure does not stop: the variance stage clears s.GOTFIL.
// s.NPTS outside 1..MAXPTS or beyond a span, or s.NAMD outside 4..15, throws
// std::invalid_argument (the caller's error).
void outputs(RunState& s, std::span<float> SPRL, std::span<float> SPIM, std::span<float> RESP);

// Before the first record of a run: in batch mode, which always starts at the first scene,
// an existing product of the run's root is replaced by a new file ("VORNCALV -- REPLACING
// "name" OF AN EARLIER RUN; IT HELD n RECORDS" on the console and in the log), a product
// of the root that this run does not write (.IMC, .RES disabled, .CVS without a variance
// input) is removed ("VORNCALV -- REMOVING "name" OF AN EARLIER RUN; IT HELD n RECORDS")
// and the root's status file of an earlier real-time run is removed, so that no product
// holds two runs' records and the directory holds only this run's products. In real-time mode a product holding more than one record beyond what the
// status file counts (the work of a batch run, which keeps no status file) stops the run
// with "OUTPUT FILE OF ANOTHER RUN" before anything is written. The first time a fitted
// hot or cold blackbody temperature lies outside 150-400 K, a warning goes to the console
// and the log.

// Records of the data file name as the library reads them; -1 when it cannot be read.
int productRecordCount(const std::string& name);

// The records product name of this run holds once scene (from 1; 0 for none) of the day is
// complete: one a scene for the spectral products; the variance product's records stand
// under the input's record numbers, up to that scene's record.
int productRecordsThrough(const RunState& s, const std::string& name, int scene);

// Real-time mode: stops the run ("OUTPUT FILE OF ANOTHER RUN", saying which product) when a
// product holds more records than an interrupted run of ours leaves (one more than the status
// file counts, or the records through the scene after the last one completed): another run
// wrote it, and neither an append nor a cut may touch it.
void refuseForeignProducts(RunState& s);

// The products this run writes, by their names without trailing blanks, in the order a scene
// writes them: the real part, the variance product (when there is a variance input), the
// imaginary part and the responsivity (when the parameter file enables them).
std::vector<std::string> productNames(const RunState& s);

// The log lines that close a run, one per product: the records this run wrote to it and
// how many of them are missing
// (" PRODUCT abc     .RLC:     6 RECORDS WRITTEN BY THIS RUN,     3 OF THEM MISSING").
void reportProductCounts(RunState& s);

}  // namespace vorncalv
