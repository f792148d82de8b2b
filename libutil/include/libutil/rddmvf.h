// rddmvf: reads one record of a data file for the calibration driver, opening the file on
// the first call and, in real-time mode, waiting until the file and the record exist.
#pragma once

#include <span>
#include <string>

namespace util {

// Status codes (istat) and messages:
//   0 "OK"; 1 file cannot be opened; 2 file has no records (or its record count cannot be
//   read: a handle that refers to no open file); 3 / 4 dependent / independent column
//   cannot be selected; 6 "END-OF-FILE"; 7 abscissae unreadable; 8 values unreadable;
//   9 "NO METADATA"; 10 "DEP.VAR.NO. > NO. VARIABLES" / "INDEP.VAR.NO. > NO. VARIABLES";
//   11 "RECORD SIZE < 1 WORD!"; 12 "RECORD SIZE > LIMPTS" (the record has more points than
//   the arrays hold: only the first ones were read).
// Codes 3, 4, 7, 8, 9, 11 and 12 do not stop the reading; istat then holds the last one.

// Reads record nrec of the file named infile (80 characters, blank-padded; NUL-terminated
// in place, never beyond its 80 characters; an 80-character name is taken whole).
//   init    in/out  1: open the file first, wait for a nonzero record count (iwait != 0)
//                   and check the column selectors against the file's column count nvars;
//                   set to 0 when all succeeded. A file opened by a call that then fails
//                   is closed again (and ihndl set to 0), so a retry does not pile up
//                   open files.
//   iwait   in      0: fail at once; otherwise wait and retry without limit, sleeping
//                   1024, 2048, ... 16384 ms through sleeper.
//   ihwds   in/out  nhww metadata field identifiers; those not found come back negated.
//   limpts  in      capacity of xin and yin; at most min(limpts, xin.size(), yin.size())
//                   values are read. npts gets the record's point count.
//   hwds    out     one value per request; at most min(nhww, ihwds.size(), hwds.size())
//                   requests are made; nhwds gets the library's count.
//   ncold, ncoli    columns for the dependent and the independent axis (0: the first).
//   istat, msg      status (above) and 80-character message ("OK" on success).
//   ihndl   in/out  the file's handle (set by the open); the file stays open. While a
//                   wait for record nrec finds that the name has come to stand for another
//                   file (removed and written again, or another renamed over it), the old
//                   handle is closed and the new file opened with the checks of the first
//                   open; ihndl then holds the new handle, and a caller that keeps the old
//                   one elsewhere must take the new one. The console and the log say
//                   "FILE REPLACED WHILE WAITING FOR RECORD n; REOPENING" and the name. A
//                   reopen that fails its checks ends the call with their status (ihndl 0).
// Progress and error lines go to the console in free format.
void rddmvf(int& init, int iwait, int nrec, std::string& infile, std::span<int> ihwds,
            int nhww, int limpts, int& npts, std::span<double> xin, std::span<float> yin, int& nhwds,
            std::span<float> hwds, int ncold, int ncoli, int& nvars, int& istat, std::string& msg,
            int& ihndl);

}  // namespace util
