// One record of the input file of complex spectra as the driver reads it.
#include "vorncalv/inputrecord.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

#include "libutil/console.h"
#include "libutil/fortfmt.h"
#include "libutil/rddmvf.h"
#include "libutil/stop.h"
#include "vorncalv/dialogue.h"

namespace vorncalv {

namespace {

constexpr float TIMEMAX = 240000.0F;  // latest timeHHMMSS
constexpr float HOURMAX = 24.0F;      // latest Time (UTC hours)

}  // namespace

int readInputColumn(RunState& s, int nrec, int col) {
    s.NCOLD = col;
    s.NCOLI = col;
    std::vector<float>& values = col == 2 ? s.YI : s.YR;
    // A fresh copy of the request for every read: the reader negates the identifiers it
    // did not find, and those must still be asked for in the next record.
    std::array<int, RunState::NHWW> request = s.IHWDS;
    s.HWDS.fill(quietNaN());
    const int handle = s.IHNDL;
    util::rddmvf(s.INITI, s.IWAIT, nrec, s.CXFILE, request, RunState::NHWW, s.LIMPTS, s.NPTSR, s.XRD, values,
                 s.NHWDS, s.HWDS, s.NCOLD, s.NCOLI, s.NCOLS, s.IRDST, s.MSG, s.IHNDL);
    // A reader that followed a replaced input holds it under a new handle: the source list
    // of the next output record must name the file that is read now, not the closed one.
    if (handle != 0 && s.IHNDL != handle) std::replace(s.LIST.begin(), s.LIST.end(), handle, s.IHNDL);
    for (std::size_t i = 0; i < request.size(); ++i) {
        if (request[i] != s.IHWDS[i]) s.HWDS[i] = MISSVAL;
    }
    replaceQuietNaNs(s.HWDS);
    return s.IRDST;
}

bool goodTimes(const RunState& s) {
    const float hhmmss = s.HWDS[1];
    const float hours = s.HWDS[13];
    return !(hhmmss < 0.0F || hhmmss > TIMEMAX || hours < 0.0F || hours > HOURMAX);
}

char viewIdentifier(float code) {
    if (!(code >= 0.0F && code <= 255.0F)) return '\0';
    const long rounded = std::lround(code);
    if (rounded > 255) return '\0';
    return static_cast<char>(static_cast<unsigned char>(rounded));
}

void showHeaderWords(const RunState& s, int nrec) {
    util::conout() << util::freefmt({"NRCXF, NHWDS:", nrec, s.NHWDS}) << '\n';
    std::string line = util::freefmt({"HWDS:"});
    for (float v : s.HWDS) line += util::freefmt({v});
    util::conout() << line << '\n';
}

bool recordSizeFits(RunState& s, int nrec) {
    const bool tooLarge = s.NPTSR > MAXPTS;
    const bool otherGrid = s.NPTS > 0 && s.NPTSR != s.NPTS;
    if (tooLarge) {
        logLine(s, util::fmt("('INPUT RECORD',I7,' HAS',I7,' POINTS; AT MOST',I6,' CAN BE HANDLED')",
                             {nrec, s.NPTSR, MAXPTS}));
    } else if (otherGrid) {
        logLine(s, util::fmt("('INPUT RECORD',I7,' HAS',I7,' POINTS; THE GRID HAS',I6)", {nrec, s.NPTSR, s.NPTS}));
    }
    return !tooLarge && !otherGrid;
}

void requireRecordSize(RunState& s, int nrec) {
    if (!recordSizeFits(s, nrec)) util::stop("INPUT RECORD SIZE?");
}

}  // namespace vorncalv
