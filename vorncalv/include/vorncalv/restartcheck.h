// A real-time restart that finds its state damaged: a status file not made of whole records,
// or a product holding fewer records than the status file counts (its last record lost or
// half written after a power cut on a disk that lied about its cache, or the file gone).
// Waiting could not mend either state (no upstream program writes them), so the run goes
// back to the last scene that every product holds whole, cuts the products and the status
// file back to it, says so, and calibrates again from there.
#pragma once

#include "vorncalv/runstate.h"

namespace vorncalv {

// Real-time mode, before the status file is read: true (after saying what was found) when
// the status file exists but is not made of whole 80-byte records that each hold a count
// (empty, cut inside a record, or a record garbled). Its counts cannot be trusted then; STCBAD is set and the restart point comes
// from the products alone (checkProductsAgainstStatus).
bool statusFileDamaged(RunState& s);

// Real-time mode, on a restart, once the products are named (last before the restart
// record counts): checks that every product holds whole the records the status file counts. Where one does not, or the status file was damaged, the
// run resumes after the last scene every product holds whole: each product is cut after
// that scene's records (a torn last record goes too), the status file is rewritten to count
// exactly them, and LSN becomes that scene. Said on the console and in the log.
void checkProductsAgainstStatus(RunState& s);

}  // namespace vorncalv
