// vornps: reads the scene-mirror-position file (through getsmpi) and the static input-
// parameter file, and returns the mirror-position counts, the scene identifiers and the 18
// parameters.
//
// Parameter file: text lines, up to 256 characters significant. Empty lines and lines with
// "(" in column 1 are ignored. Every other line belongs to each parameter whose long name
// (hotViewIdentifier, coldViewIdentifier, firstSceneNumber, lastSceneNumber,
// outputImaginaryPart, outputResponsivity, minValidThermistorCount, maxValidThermistorCount,
// ratioTestFactor, BBcavityFactor, ABBtempOffset, HBBtempOffset, ABBtopTempWeight,
// ABBapexTempWeight, ABBbottomTempWeight, HBBtopTempWeight, HBBapexTempWeight,
// HBBbottomTempWeight) it contains; the value is the free-format item after the first ":=".
// Every parameter must occur exactly once.
#pragma once

#include <string>
#include <string_view>

#include "vorncalv/runstate.h"

namespace vorncalv {

// Number of parameters of the parameter file.
inline constexpr int NPARS = 18;

// The 18 parameters of the parameter file, in the table's order.
struct ParameterFile {
    char MPHOT = ' ';     // hotViewIdentifier
    char MPCOLD = ' ';    // coldViewIdentifier
    int NFSET = 0;        // firstSceneNumber
    int NLSET = 0;        // lastSceneNumber
    char OUTOP2 = ' ';    // outputImaginaryPart
    char OUTOP3 = ' ';    // outputResponsivity
    float CTMIN = 0.0F;   // minValidThermistorCount
    float CTMAX = 0.0F;   // maxValidThermistorCount
    float RATFAC = 0.0F;  // ratioTestFactor
    float CAVFAC = 0.0F;  // BBcavityFactor
    float ABTOFF = 0.0F;  // ABBtempOffset
    float HBTOFF = 0.0F;  // HBBtempOffset
    float WTABBT = 0.0F;  // ABBtopTempWeight, ABBapexTempWeight, ABBbottomTempWeight
    float WTABBA = 0.0F;
    float WTABBB = 0.0F;
    float WTHBBT = 0.0F;  // HBBtopTempWeight, HBBapexTempWeight, HBBbottomTempWeight
    float WTHBBA = 0.0F;
    float WTHBBB = 0.0F;
};

// What the two files give a run: the mirror cycle's counts and scene identifiers, and the
// parameter file.
struct StaticParameters {
    int NSMP = 0;
    int NBBP = 0;
    int NSVIDS = 0;
    std::string SVIDS = std::string(MAXSV, ' ');
    ParameterFile P;
};

// Reads MPFILE, then PFILE (names with trailing blanks not significant) into out: NSMP
// (positions / 2), NBBP (blackbody positions "A", "H", "C" / 2), NSVIDS and SVIDS (50
// characters: the scene identifiers in file order), and the 18 parameters, one-character
// values upper-cased. Each value is stored as its line is read, so a file that fails keeps
// those read before the failure. ISTAT: 0 all read; 1 a parameter occurs twice; 2 a
// parameter line without ":="; 3 a line that names no parameter; 5 not all 18 parameters found; 6 PFILE
// missing or not readable; 7 getsmpi failed; 8 MPFILE missing. Console lines tell the
// reason; with statuses 3 and 5 every unknown line ("VORNPS -- UNKNOWN PARAMETER LINE: ")
// and every parameter not set ("VORNPS -- MISSING PARAMETER: ") is named on the console
// and in the log. When all is read, identifiers that cannot calibrate (hot and cold view
// the same, or either not a blackbody view A, H or C of the mirror cycle) are named the
// same way and stop with "VIEW IDENTIFIERS?". Stops (util::Stop) with
// "NUMBER OF MIR.POS.?" when the cycle declares fewer than 1 or more than 52 positions or
// more than 50 scene positions, and with "BAD VALUE IN INPUT-PAR. FILE" (after a console
// and a log line) when a value cannot be read with its parameter's type.
void vornps(int IWAIT, int LOG, std::string_view LOGFIL, std::string_view PFILE, std::string_view MPFILE,
            StaticParameters& out, int& ISTAT);

// Puts what vornps read into the run state.
void takeStaticParameters(const StaticParameters& in, RunState& s);

}  // namespace vorncalv
