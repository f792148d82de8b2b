// wtdmvf: writes one record of an output data file for the calibration driver, creating
// or reopening the file on the first call and, in real-time mode, waiting and retrying
// until the open and the write succeed.
#pragma once

#include <span>
#include <string>

namespace util {

// Writes record nro of the file named ofile (80 characters, blank-padded; NUL-terminated
// in place on the first call, never beyond its 80 characters).
//   inito     in/out  1: create the file, or reopen it when it exists with the same shape
//                     (its records stay), with the references list[0..npatopn), the program
//                     texts, the subheaders idsubh[0..nsubh) and the numberofdatatypes
//                     columns described by the lists that follow; set to 0 after the open.
//   iwait     in      0: fail at once; otherwise retry without limit, sleeping 1024, 2048,
//                     ... 16384 ms through sleeper.
//   list, lrns        source file handles and their record numbers: the record's header
//                     data come from list[k] record lrns[k], k < npatwrt.
//   idamd, namd, amd  metadata to write; identifiers that could not be written come back
//                     negated in idamd.
//   obuf, ntotal      the record's data (all columns) and their count.
//   jhndl     in/out  the file's handle (set by the open); the file stays open.
//   msg, istat        80-character message and status: 0 "OK"; 1 the file cannot be
//                     opened or created; 2 the record cannot be written. Without waiting
//                     these come at once; with waiting only when no retry could succeed
//                     (jhndl, a reference or a source handle refers to no open file). The
//                     message is the library's text (first 79 characters and a blank).
// A count larger than its array is refused before anything is opened or written, with
// status 1 (open lists) or 2 (record lists) and "WTDMVF -- COUNT EXCEEDS ITS ARRAY".
// The four description lists hold NUL-terminated texts, numberofdatatypes each, or are
// empty for none.
void wtdmvf(int& inito, const int& iwait, const int& nro, std::string& ofile, const int& file_type,
            const std::string& progrm, const std::string& version, const std::string& histry,
            std::span<const int> idsubh, const int& nsubh, std::span<const int> list, std::span<const int> lrns,
            const int& npatopn, const int& npatwrt, std::span<int> idamd, const int& namd,
            std::span<const float> amd, std::span<const float> obuf, const int& ntotal,
            const int& numberofdatatypes, std::span<const int> identifierlist,
            std::span<const double> independentminimumlist, std::span<const double> independentmaximumlist,
            std::span<const int> independentprecisionlist, std::span<const int> pointsperrecordlist,
            std::span<const int> dependentprecisionloglist, std::span<const char* const> shortnamelist,
            std::span<const char* const> labellist, std::span<const char* const> longnamelist,
            std::span<const char* const> unitslist, int& jhndl, std::string& msg, int& istat);

}  // namespace util
