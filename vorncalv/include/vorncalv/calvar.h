// Variance (noise) calibration: turns the spread of the raw spectra over the co-added
// interferometer scans (the variance input file, one record per input record) into the
// variance of the calibrated radiance, and writes it as the variance product, whose record
// numbers are the input record numbers. Never stops the program: failures are logged, and a
// failed write switches the variance product off for the rest of the run.
//
// Every log line goes through util::logmsg(LOG, LOGFIL, ...).
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorncalv {

// Capacity of the variance arrays (points per variance or source record).
inline constexpr int MAXVPTS = 9000;
// Capacity of the metadata written with a variance record.
inline constexpr int MAXVAMD = 200;

// The routine's own state, kept for the whole run.
struct CalvarState {
    int INIT = 1;   // first-call flag of the routine
    int INITI = 0;  // first-call flags of reading IFILE, reading MFILE, writing OFILE
    int INITM = 0;
    int INITO = 0;
    // Header words requested from both inputs: coadditionsCount, missingDataFlag,
    // sceneMirrorPosition (set on the first call).
    std::array<int, 3> IHWDS{};
    int NHWW = 0;
    std::array<float, 3> HWDS{};  // their values for the record read last
    int NHWDS = 0;
    int LIMPTS = MAXVPTS;  // point limit handed to the reader
    int NSCANB = 23;       // default co-addition counts: blackbody records, scene records
    int NSCANS = 45;
    int NPATOPN = 1;  // size of the source-file list
    std::vector<float> VARIN = std::vector<float>(MAXVPTS);    // variance read
    std::vector<float> VAROUT = std::vector<float>(MAXVPTS);   // variance of radiance written
    std::vector<float> RATPT = std::vector<float>(MAXVPTS);    // responsivity at each variance point
    std::vector<double> XIN = std::vector<double>(MAXVPTS);    // wavenumbers of the record last read
    std::vector<float> YR = std::vector<float>(MAXVPTS);       // source record's real part
    std::vector<float> AMD = std::vector<float>(MAXVAMD);      // metadata written
    std::vector<int> IDAMD = std::vector<int>(MAXVAMD);        // working copy of their identifiers
    int IHNDL = 0;   // handle of the variance input file
    int IHNDLM = 0;  // handle of the source complex-spectra file
    int JHNDL = 0;   // handle of the variance output file
    int NRO = 0;     // output record counter
    int NPATWRT = 0;                // source records recorded with the output (1, or 0 when missing)
    std::array<int, 2> LIST{};      // source file of the output record and its record number
    std::array<int, 2> LRNS{};
    int NCOLS = 0;                  // column count reported by the reader
    int NWRIT = 0;  // records written by this run and how many of them are missing
    int NMISS = 0;
    // The source-grid point nearest to each variance-grid point (from 1; 0 for none), kept
    // while both grids stay the same: the variance grid (points, first wavenumber, step)
    // and the source grid (first wavenumber, step) it was made for (MAPPTS -1: none yet);
    // MAPSAME: every point's nearest source-grid point is the point of the same index.
    std::vector<int> INDXMAP = std::vector<int>(MAXVPTS);
    bool MAPSAME = false;
    int MAPPTS = -1;
    std::array<double, 4> MAPGRID{};
    std::string MSG = std::string(80, ' ');
};

// What stays the same for every call of a run.
//   NSMP, NBBP        records per set, blackbody records at the start of a set
//   IFILE, MFILE      variance input file and source complex-spectra file (80 characters,
//                     NUL-terminated in place by the reader)
//   OFILE             variance output file (80 characters, NUL-terminated in place)
//   STFILE, LUS       status file (real-time mode: the count of OFILE is recorded)
//   LOG, LOGFIL       log unit and name
//   IWAIT             1 real-time mode (wait for files and records), 0 batch mode
//   IDSUBH, NSUBH     subheaders of the output file
//   HISTRY, PROGRM, VERSION  identification texts of the writer
struct VarianceContext {
    int NSMP = 0;
    int NBBP = 0;
    std::string& IFILE;
    std::string& MFILE;
    std::string& OFILE;
    std::string_view STFILE;
    int LUS = 0;
    int LOG = 0;
    std::string_view LOGFIL;
    int IWAIT = 0;
    std::span<const int> IDSUBH;
    int NSUBH = 0;
    const std::string& HISTRY;
    const std::string& PROGRM;
    const std::string& VERSION;
};

// The scene record of one call.
//   NSEQ              set number
//   NRCXF             the scene's input record number. For the first scene of its set
//                     (NRCXF = NBBP + (NSEQ - 1)*NSMP + 1) the set's blackbody records and
//                     the scene are written (input records (NSEQ - 1)*NSMP + 1 ..
//                     + NBBP); for any other scene only NRCXF. Each under its own number.
//   RESP, NRESP       responsivity of the scene, points 1..NRESP
//   IDAMD, AMDO, NAMD the scene's metadata (identifiers, values, count); AMDO(4) nonzero
//                     marks the scene as missing, which makes all its variance records
//                     missing
struct VarianceScene {
    int NSEQ = 0;
    int NRCXF = 0;
    std::span<const float> RESP;
    int NRESP = 0;
    std::span<const int> IDAMD;
    std::span<const float> AMDO;
    int NAMD = 0;
};

// Writes the variance record(s) of one scene record of the run cx.
//   WNA               out: first wavenumber of the last source record read
//   GOTFIL            cleared when a write fails (the product is off for the rest of the run)
// variance(i) = ((VARIN(i)/NSMPLS)/RESP(INDX)**2)/NSMPLS with INDX the source-grid point
// nearest to the variance-grid point i; NaN where RESP(INDX) is not positive and where
// INDX falls outside 1..NRESP. A co-addition count that is missing or below 1 becomes 23
// (blackbody records) or 45 (the scene) with two log lines. Missing records are written
// with all-NaN data, NaN metadata and missingDataFlag 1. A read failure (or a record with
// more than 9000 points) logs why and returns, leaving the product on.
// NAMD outside 4..200 or beyond IDAMD/AMDO, NRESP beyond RESP, or a set layout that
// gives no valid record number throws std::invalid_argument (a caller's error).
void calvar(CalvarState& st, const VarianceContext& cx, const VarianceScene& scene, double& WNA, int& GOTFIL);

}  // namespace vorncalv
