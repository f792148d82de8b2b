// getsmpi: reads the scene-mirror-position file, the list of views the scene mirror visits
// in one cycle.
//
// Layout: line 1 holds two integers in free format (the position count NSMPPC and one that
// is ignored; a line holding only one is completed from the next line); then two lines per
// position, an encoder-position line (unused) and a view line whose first character is the
// view identifier.
#pragma once

#include <string>
#include <string_view>

namespace vorncalv {

// Reads MPFILE (trailing blanks not significant). In real-time mode (IWAIT not 0) it first
// waits, without limit, until the file exists. Returns the declared position count in
// NSMPPC and, in SMPI (52 characters, blank-padded), the view character of each position up
// to the 52nd. ISTAT: 0 read (console line "GETSMPI -- NMP = NSMPPC =" and the count), 1
// open failure, 2 read error, 3 end of file before all positions were read; failures are
// reported on the console, and those of status 1 and 2 also in the log (LOG, LOGFIL).
void getsmpi(int IWAIT, int LOG, std::string_view LOGFIL, std::string_view MPFILE,
             int& NSMPPC, std::string& SMPI, int& ISTAT);

}  // namespace vorncalv
