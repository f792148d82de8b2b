// wtdmvf: writes one record of an output data file for the calibration driver, creating
// or reopening the file on the first call and, in real-time mode, waiting and retrying
// until the open and the write succeed.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace util {

// What the writer is told about a product when it opens it: the file's type, the program
// texts, the subheaders idsubh[0..nsubh), the references list[0..npatopn) (handles of open
// files) and the numberofdatatypes columns described by the lists that follow. The four
// description lists hold NUL-terminated texts, numberofdatatypes each, or are empty for none.
struct ProductDescription {
    int file_type = 1;
    std::string_view progrm;
    std::string_view version;
    std::string_view histry;
    std::span<const int> idsubh;
    int nsubh = 0;
    std::span<const int> list;
    int npatopn = 0;
    int numberofdatatypes = 0;
    std::span<const int> identifierlist;
    std::span<const double> independentminimumlist;
    std::span<const double> independentmaximumlist;
    std::span<const int> independentprecisionlist;
    std::span<const int> pointsperrecordlist;
    std::span<const int> dependentprecisionloglist;
    std::span<const char* const> shortnamelist;
    std::span<const char* const> labellist;
    std::span<const char* const> longnamelist;
    std::span<const char* const> unitslist;
};

// One record: its number, the source files whose header data it takes (list[k] record
// lrns[k], k < npatwrt), the metadata idamd[0..namd) with values amd (identifiers that
// could not be written come back negated in idamd) and the data obuf[0..ntotal), all columns.
struct RecordContents {
    int nro = 0;
    std::span<const int> list;
    std::span<const int> lrns;
    int npatwrt = 0;
    std::span<int> idamd;
    int namd = 0;
    std::span<const float> amd;
    std::span<const float> obuf;
    int ntotal = 0;
};

// Writes record record.nro of the file named ofile (80 characters, blank-padded;
// NUL-terminated in place on the first call, never beyond its 80 characters).
//   inito     in/out  1: create the file as product describes, or reopen it when it exists
//                     with the same shape (its records stay); set to 0 after the open.
//   iwait     in      0: fail at once; otherwise retry without limit, sleeping 1024, 2048,
//                     ... 16384 ms through sleeper.
//   jhndl     in/out  the file's handle (set by the open); the file stays open.
//   msg, istat        80-character message and status: 0 "OK"; 1 the file cannot be
//                     opened or created; 2 the record cannot be written. Without waiting
//                     these come at once; with waiting only when no retry could succeed
//                     (jhndl, a reference or a source handle refers to no open file). The
//                     message is the library's text (first 79 characters and a blank).
// A record is written only from source records that their files hold whole: the library
// would leave the header data of a source record it cannot read NaN (date and time
// included). While a source record is not in its file (the file cut short, or not yet
// written again), the writer prints "WTDMVF -- SOURCE RECORD n NOT IN <source file>" and,
// when waiting, logs that line and waits as for any record not yet written; without
// waiting it fails with status 2 and that line as its message.
// A count larger than its array is refused before anything is opened or written, with
// status 1 (open lists) or 2 (record lists) and "WTDMVF -- COUNT EXCEEDS ITS ARRAY".
void wtdmvf(int& inito, int iwait, std::string& ofile, const ProductDescription& product,
            const RecordContents& record, int& jhndl, std::string& msg, int& istat);

}  // namespace util
