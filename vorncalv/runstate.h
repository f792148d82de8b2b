// The run state of the calibration program: every variable of the driver, living for the
// whole run and starting from the values given here. Members carry the driver's own names,
// so that a reader who knows the driver's variable knows the member. Texts are fixed-length
// and blank-padded (80 characters for names and messages unless noted); stages that add
// variables add them here, each group with its comment.
#pragma once

#include <array>
#include <string>

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
    int LUI = 12;  // blackbody paint emissivity file
    int LUO = 14;  // cavity-emissivity output
    int LUP = 11;  // static input-parameter file and its template
    int LUS = 21;  // status files
    int LVM = 22;  // marker file of the variance product

    // Constants and limits.
    int INIARG = 1024;   // first wait of every wait loop, milliseconds
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
};

}  // namespace vorncalv
