// The run state of the calibration program: every variable of the driver, living for the
// whole run and starting from the values given here. Members carry the driver's own names,
// so that a reader who knows the driver's variable knows the member. Texts are fixed-length
// and blank-padded (80 characters for names and messages unless noted); stages that add
// variables add them here, each group with its comment.
#pragma once

#include <array>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "libutil/sleeper.h"
#include "libutil/wallclock.h"
#include "ravlio/fields.h"
#include "vorncalv/calibration.h"
#include "vorncalv/calvar.h"
#include "vorncalv/givenanswers.h"
#include "vorncalv/strtabca.h"

namespace vorncalv {

// Width of the driver's file names and messages.
inline constexpr std::size_t NAMLEN = 80;
// Width of the program-name and version texts.
inline constexpr std::size_t IDLEN = 40;
// Capacity of the scene-identifier list.
inline constexpr std::size_t MAXSV = 50;
// Capacity of the mirror-position list (view characters of one cycle).
inline constexpr std::size_t MAXSMP = 52;

struct RunState {
    // Logical units: fixed numbers naming the open files (kept for the record; the files
    // themselves are C++ streams).
    int LOG = 13;  // log file
    int LUP = 11;  // static input-parameter file and its template
    int LUS = 21;  // status files

    // Constants and limits.
    int INIARG = util::INIARG;  // first wait of every wait loop, milliseconds
    int LIMPTS = 18000;  // point limit handed to the record reader
    int NPATOPN = 5;     // entries of the source-file list handed to the record writer

    // First-call flags of the record reader (INITI) and of the three output writers.
    int INITI = 1;
    int INIT1 = 1;
    int INIT2 = 1;
    int INIT3 = 1;

    // Output metadata set up once at start: subheader identifiers and the identifiers of
    // the per-record metadata values AMD filled by the calibration.
    int NSUBH = 0;
    std::array<int, 1> IDSUBH{};
    int NAMD = 0;
    std::array<int, 15> IDAMD{};
    std::array<float, 15> AMD{};
    int NRO1TS = 0;

    // Information text stored in and expected from the driver's status file.
    std::string CINFO = std::string("VORNCALV -- LAST SCENE CALIBRATED:") + std::string(46, ' ');

    // Identification strings, NUL-terminated inside their own width: PROGRM and VERSION
    // 40 characters, STAMP and HISTRY 80.
    std::string PROGRM = std::string(IDLEN, ' ');
    std::string STAMP = std::string(NAMLEN, ' ');
    std::string VERSION = std::string(IDLEN, ' ');
    std::string HISTRY = std::string(NAMLEN, ' ');

    // Names obtained in the dialogue.
    std::string CXFILE = std::string(NAMLEN, ' ');    // input file of complex spectra
    std::string FILEIN = std::string(NAMLEN, ' ');    // short form of CXFILE
    std::string ORGINP = std::string(NAMLEN, ' ');    // path\file of the original complex spectra
    std::string BASE = std::string(8, ' ');           // root of all output file names
    char YN = ' ';                                    // answer to the real-time question
    std::string IFILEV = std::string(NAMLEN, ' ');    // variance input file
    std::string PFILE = std::string(NAMLEN, ' ');     // static input-parameter file
    std::string MPFILE = std::string(NAMLEN, ' ');    // scene-mirror-position file
    std::string EMISSFIL = std::string(NAMLEN, ' ');  // blackbody paint emissivity file
    std::string PSTFIL = std::string(NAMLEN, ' ');    // previous program's status file

    // Names derived from BASE.
    std::string LOGFIL = std::string("VORNCALV.LOG") + std::string(NAMLEN - 12, ' ');
    std::string VMFILE = std::string(NAMLEN, ' ');  // marker file of the variance product
    std::string STFILE = std::string(NAMLEN, ' ');  // own status file (real-time mode only)
    std::string OFILE1 = std::string("XXXXXXXX.RLC") + std::string(NAMLEN - 12, ' ');
    std::string OFILE2 = std::string("XXXXXXXX.IMC") + std::string(NAMLEN - 12, ' ');
    std::string OFILE3 = std::string("XXXXXXXX.RES") + std::string(NAMLEN - 12, ' ');
    std::string OFILEV = std::string(NAMLEN, ' ');  // variance output, formed when IFILEV exists

    // Mode and waiting: IWAIT 1 = real-time mode, 0 = batch mode; ARG the current wait (ms).
    int IWAIT = 1;
    int ARG = 1024;

    // Message buffer handed to the log.
    std::string MSG = std::string(NAMLEN, ' ');

    // Mirror positions of one cycle, from the scene-mirror-position file.
    int NSMP = 0;                              // positions per cycle / 2
    int NBBP = 0;                              // blackbody positions / 2
    int NSVIDS = 0;                            // scene positions
    std::string SVIDS = std::string(MAXSV, ' ');  // scene identifiers in file order
    int NSVP = 0;                              // NSVIDS / 2
    int NALL = 0;                              // NSVP + NBBP

    // Static input parameters (the parameter file's 18 values) and the reader's status.
    char MPHOT = ' ';   // view character of hot blackbody views
    char MPCOLD = ' ';  // view character of ambient (cold) blackbody views
    int NFSET = 0;      // firstSceneNumber (read, without effect)
    int NLSET = 0;      // lastSceneNumber: last scene set processed
    char OUTOP2 = ' ';  // 'Y' writes the imaginary-part file
    char OUTOP3 = ' ';  // 'Y' writes the responsivity file
    float CTMIN = 0.0F;
    float CTMAX = 0.0F;
    float RATFAC = 0.0F;  // ratio-test factor
    float CAVFAC = 0.0F;  // blackbody cavity factor
    float ABTOFF = 0.0F;  // ambient blackbody temperature offset
    float HBTOFF = 0.0F;  // hot blackbody temperature offset
    float WTABBT = 0.0F;  // ambient blackbody thermistor weights: top, apex, bottom
    float WTABBA = 0.0F;
    float WTABBB = 0.0F;
    float WTHBBT = 0.0F;  // hot blackbody thermistor weights: top, apex, bottom
    float WTHBBA = 0.0F;
    float WTHBBB = 0.0F;
    int IPSTAT = 0;  // status returned by vornps

    // ---- Restart state and first input record (restart.cpp); also used by the scene loop ----
    // The 15 header words requested from every input record: dateYYMMDD, timeHHMMSS,
    // sceneMirrorPosition, ABB top/apex/bottom, HBB top/apex/bottom, BBsupportStructureTemp,
    // channelNumber, missingDataFlag, coadditionsCount, Time (UTC hours),
    // sceneMirPosEncoderDrift. HWDS holds the values of the record read last (a quiet-NaN
    // pattern or a field the record lacks becomes -999.0), NHWDS the reader's count.
    static constexpr int NHWW = 15;
    std::array<int, 15> IHWDS{RAVLIO_CALIBRATION_INPUT_FIELDS};
    std::array<float, 15> HWDS{};
    int NHWDS = 0;
    // Record reader: column selectors, column count, status, handle of the input file, the
    // point count of the record read last and its buffers (LIMPTS entries each).
    int NCOLD = 1;
    int NCOLI = 1;
    int NCOLS = 0;
    int IRDST = 0;
    int IHNDL = 0;
    int NPTSR = 0;
    std::vector<double> XRD = std::vector<double>(18000);  // grid of the record read last
    std::vector<float> YR = std::vector<float>(18000);     // its column 1 (real part)
    std::vector<float> YI = std::vector<float>(18000);     // its column 2 (imaginary part)
    int LSN = 0;     // last scene completed (from the status file; grows in real-time mode)
    int NRI = 0;     // record number of the first record with good times
    int NOK = 0;     // 1 once such a record was found
    int MISSES = 0;  // missing or rejected records of this run
    int MAXREC = 0;  // LSN when restarting
    int NRO1 = 0;    // records in OFILE1, OFILE2, OFILE3 (written so far, restart included)
    int NRO2 = 0;
    int NRO3 = 0;
    std::array<int, 5> LIST{};  // source files of an output record (all the input handle)
    std::array<int, 5> LRNS{};  // their record numbers: four blackbody views, the scene
    int NPTS = 0;               // points per spectrum (at most MAXPTS)
    std::vector<double> XIN;    // wavenumber grid of the first good record, NPTS values
    double XMIN = 0.0;          // XIN first and last value
    double XMAX = 0.0;
    double DWN = 0.0;           // grid step (0 for a one-point grid)
    double WNA = 0.0;           // XMIN

    // ---- Scene sequencing (sceneloop.cpp) ---------------------------------------------------
    int NFSV = 1;     // scene counter of the run's first scene
    int NSV = 1;      // scene counter (over all runs): the expected identifier follows it
    int IID = 0;      // index into SVIDS of the expected identifier
    char MPCAL = ' '; // expected scene identifier of the scene record being processed
    char SVID = ' ';  // identifier read from the scene record
    int KSET = 0;     // set number being processed
    int IFSV = 1;     // first scene position handled in the set
    int NFSR = 0;     // first and last scene record handled in the set
    int NLSR = 0;
    int NSVR = 0;     // record number of the scene record being processed
    int NULL_ = 0;    // the driver's NULL: 1 = this scene's output is written as missing
    int NPATWRT = 0;  // source records recorded with the output (5, or 0 after a missing one)
    int NHB = 0;      // hot and cold views found before (NHB, NCB) and after (NHF, NCF)
    int NCB = 0;
    int NHF = 0;
    int NCF = 0;
    int NFIND = 0;    // blackbody views found by the search (entries of LRNS)
    int KBBSET = 0;   // set whose blackbody views the stores hold (0: none yet)
    int MINSEC = -1;  // seconds of day of the run's first preceding blackbody record
    int MXREC = 0;    // input records the upstream status file counts as written
    int NTRIES = 0;   // tries of the current wait
    float STH = 0.0F;  // times (HHMMSS) of the hot/cold views before (STH, STC) and after
    float STC = 0.0F;  // (ETH, ETC) the scene, and in seconds of day (MSECH, MSECC, NSECH,
    float ETH = 0.0F;  // NSECC, midnight-adjusted); spans DELTH, DELTC in seconds
    float ETC = 0.0F;
    int MSECH = 0;
    int MSECC = 0;
    int NSECH = 0;
    int NSECC = 0;
    float DELTH = 0.0F;
    float DELTC = 0.0F;
    float SHMS = 0.0F;    // scene time HHMMSS
    int ISS = 0;          // scene time, seconds of day
    float CALTIM = 0.0F;  // scene time, UTC hours (shown with the output record number)
    float TC = 0.0F;      // temperatures at the scene time: cold, hot, surroundings
    float TH = 0.0F;
    float TAMB = 0.0F;
    float ENDRMX = 0.0F;  // largest encoder drift of the scene's sequence
    TimePoints TP;                  // time points of the temperature fit (NTIMES = TP.NTIMES)
    ThermistorWarnings WARN;        // one-time bad-thermistor warnings
    CalibrationStores CS;           // spectrum stores; CS.SPRL, CS.SPIM, CS.RESP the results
    // Test seam: called after the outputs of every scene written (not of those a restart
    // handles again); a test ends the run there by throwing, as a stop would.
    std::function<void(const RunState&)> sceneDone;

    // ---- Blackbody emissivity and variance-file discovery (emissivity.cpp) -----------------
    // The paint emissivity spectrum as read (NBBE points: wavenumbers BBEWN read in single
    // precision, values BBE), BBE then turned into cavity emissivity in place; BBEI the
    // cavity emissivity on the input grid XIN(1..NPTS), fixed for the whole run. All three
    // tables hold 9000 points.
    int NBBE = 0;
    std::vector<double> BBEWN = std::vector<double>(9000);
    std::vector<float> BBE = std::vector<float>(9000);
    std::vector<float> BBEI = std::vector<float>(9000);
    // Variance product: GOTFIL 1 while the variance input IFILEV exists (and writing it has
    // not failed), OFILEV its output name (root + ".CVS"), NROV the records an earlier run
    // wrote to it (real-time mode; 0 in batch mode).
    int GOTFIL = 0;
    int NROV = 0;

    // ---- Output products and per-scene status update (outputs.cpp, calvar.cpp) -----------
    // IGOTM 1 once the variance marker file VMFILE is written (once per run); JHNDL1..3 the
    // writer handles of OFILE1..3 (set by the first write, the files stay open).
    int IGOTM = 0;
    int JHNDL1 = 0;
    int JHNDL2 = 0;
    int JHNDL3 = 0;
    // Record-level description handed to the writer on the first write of each product:
    // one column (identifier 0) on the input grid XMIN..XMAX with NPTS points, precisions 6
    // and 4, and the product's four description tables (table addresses, see strtabca.h).
    int FILE_TYPE = 1;
    int NUMBEROFDATATYPES = 1;
    std::array<int, 1> IDENTIFIERLIST{};
    std::array<double, 1> INDEPENDENTMINIMUMLIST{};
    std::array<double, 1> INDEPENDENTMAXIMUMLIST{};
    std::array<int, 1> POINTSPERRECORDLIST{};
    std::array<int, 1> INDEPENDENTPRECISIONLIST{};
    std::array<int, 1> DEPENDENTPRECISIONLOGLIST{};
    DescTable SHORTNAMELIST = nullptr;
    DescTable LABELLIST = nullptr;
    DescTable LONGNAMELIST = nullptr;
    DescTable UNITSLIST = nullptr;
    CalvarState CALVST;  // the variance calibration's own state

    // ---- Command line (cmdline.cpp) and the quiet console (progress.cpp) -----------------
    GivenAnswers GIVEN;                // answers given as options: their prompts are skipped
    bool QUIET = false;                // --quiet: one progress line per scene
    std::ostream* PROGRESS = nullptr;  // while quiet in the scene loop: the real console
    // ---- Operator's safeguards (outputs.cpp, emissivity.cpp) -----------------------------
    // SRCMIS 1 when the source spectra file ORGINP was missing at start-up, which leaves the
    // run without a variance product. NWRIT and NMISS: records this run wrote to the real
    // part, the imaginary part and the responsivity, and how many of them are missing.
    // TWARN 1 once the fitted blackbody temperatures were reported out of range.
    int SRCMIS = 0;
    std::array<int, 3> NWRIT{};
    std::array<int, 3> NMISS{};
    int TWARN = 0;
    // STCBAD 1 while a real-time run that found its status file damaged (not whole records)
    // takes its restart point from the products (restartcheck.cpp).
    int STCBAD = 0;
    // When the run began, for the log's start and end lines.
    util::WallTime STARTED = util::wallNow();
};

}  // namespace vorncalv
