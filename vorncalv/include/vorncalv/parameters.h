// The driver's side of the static input-parameter file: obtaining it (waiting for it in
// real-time mode, writing a template in batch mode), decoding it with vornps, turning a bad
// status into log lines and a stop, and naming the optional output files.
#pragma once

#include <string>
#include <string_view>

#include "vorncalv/runstate.h"

namespace vorncalv {

// Runs after the last console answer. In real-time mode waits, without limit, until PFILE
// exists (1024, 2048, 4096, 8192, then 16384 ms). In batch mode a missing PFILE gets the
// template written under its template name and stops with "INPUT-PAR. FILE?". Then calls
// vornps, sets NSVP and NALL, stops on a non-zero IPSTAT ("MIR.POS. FILE?" or
// "BAD STATUS FROM VORNPS"), and names OFILE2 and OFILE3 when OUTOP2 and OUTOP3 are "Y".
void staticParameters(RunState& s);

// The template name for a missing parameter file: the file part of the name (after the
// last "/" or "\"), up to its last non-blank, upper-cased, with its first "SIP" replaced by
// "IPS"; the directory part is kept as typed. Empty when the file part holds no "SIP".
std::string templateName(std::string_view PFILE);

}  // namespace vorncalv
