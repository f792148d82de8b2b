// Blackbody temperatures of one scene: thermistor readings of every record reduced to one
// temperature per blackbody, straight lines in time through the scene's sequence of views,
// evaluated at the scene time, and the largest scene-mirror encoder drift of the sequence.
//
// Every log line goes through util::logmsg(LOG, LOGFIL, ...); console lines go to
// util::conout().
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "vorncalv/gettfs.h"

namespace vorncalv {

// Cold temperature used when the cold view is the liquid-nitrogen target "C" (K).
inline constexpr float TCBB = 77.4F;
// Encoder drift beyond which the mirror is taken as safed during the sequence (steps).
inline constexpr float MAXDRF = 900.0F;
// Hot-minus-cold difference at which the full hot offset HBTOFF applies (K).
inline constexpr double HBTDIF = 40.0;
// Thermistor spread beyond which a blackbody's thermistors are reported as bad (K).
inline constexpr float MAXSPR = 1.0F;
// Fewest time points with which the temperatures are fitted (more than this many).
inline constexpr int MINTIM = 4;

// The time-point tables of one scene sequence: point 1 (index 0) is the scene record, the
// others the blackbody records gathered around it. Entries 1..NTIMES are valid.
struct TimePoints {
    int NTIMES = 0;
    std::array<int, MAXTIM> IHMS{};      // time as integer HHMMSS
    std::array<int, MAXTIM> ISECS{};     // time as seconds of the day
    std::array<TempRow, MAXTIM> TMT{};   // ambient, hot, support-structure temperature
    std::array<float, MAXTIM> ENDRFT{};  // encoder drift
};

// Appends a time point as point NTIMES + 1. A full table (20 points) is left unchanged and
// false is returned.
bool addTimePoint(TimePoints& tp, int IHMS, int ISECS, float ENDRFT, const TempRow& TMT);

// One-time warning flags: 1 until the first bad-thermistor warning of that blackbody.
struct ThermistorWarnings {
    int IWARNA = 1;  // ambient blackbody
    int IWARNH = 1;  // hot blackbody
};

// Thermistor readings of one record (header words 4..10), kelvin; -999.0 when missing.
struct ThermistorReadings {
    float T4 = 0.0F;   // ambient blackbody: rim top
    float T5 = 0.0F;   // apex
    float T6 = 0.0F;   // rim bottom
    float T7 = 0.0F;   // hot blackbody: rim top
    float T8 = 0.0F;   // apex
    float T9 = 0.0F;   // rim bottom
    float T10 = 0.0F;  // support structure
};

// The readings from a record's header words HWDS (HWDS[0] is header word 1). Fewer than
// 10 header words throw std::invalid_argument.
ThermistorReadings thermistorReadings(std::span<const float> HWDS);

// Thermistor weights of the static parameters.
struct ThermistorWeights {
    float WTABBT = 0.0F;  // ambient: top, apex, bottom
    float WTABBA = 0.0F;
    float WTABBB = 0.0F;
    float WTHBBT = 0.0F;  // hot: top, apex, bottom
    float WTHBBA = 0.0F;
    float WTHBBB = 0.0F;
};

// The largest of three values taken in order: the next value replaces the current one when
// it is larger or when the current one is NaN.
float largestOf(float a, float b, float c);

// Reduces one record's readings to its time-point temperatures (32-bit arithmetic):
// ambient ABAVGT = the weighted sum of T4, T5, T6 leaving out every term whose weight is
// exactly 0 (so a missing reading with weight 0 does no harm); hot HBAVGT = the weighted sum
// of T7, T8, T9 with all three terms; support structure T10. A thermistor spread above
// 1.0 K logs the warning with the three readings, once per run for each blackbody.
TempRow reduceThermistors(const ThermistorReadings& T, const ThermistorWeights& W,
                          ThermistorWarnings& warn, int LOG, std::string_view LOGFIL);

// ENDRMX: the largest |ENDRFT| of points 1..NTIMES, scanned in order. The first value
// above 900 that becomes the largest prints and logs "MIRROR SAFED DURING SEQUENCE" and
// ends the scan. NTIMES outside 0..20 throws std::invalid_argument.
float largestDrift(const TimePoints& tp, int LOG, std::string_view LOGFIL);

// Settings of the temperature evaluation (static parameters).
struct TempSettings {
    char MPCOLD = 'A';    // cold view identifier; "C" means the fixed 77.4 K target
    float ABTOFF = 0.0F;  // ambient blackbody temperature offset (K)
    float HBTOFF = 0.0F;  // hot blackbody offset (K) at a 40 K hot-minus-cold difference
};

// The temperatures of the scene (K) and the largest drift of its sequence.
struct BBTemps {
    float TC = 0.0F;    // cold blackbody
    float TH = 0.0F;    // hot blackbody
    float TAMB = 0.0F;  // support structure (surroundings)
    float ENDRMX = 0.0F;
};

// The fitted lines evaluated at IST (seconds of the day), each value computed in 64 bits
// and stored in 32: TC = 77.4 for MPCOLD "C", else the ambient line plus ABTOFF; TH = the
// hot line plus HBTOFF scaled by (TH - TC)/40; TAMB = the support-structure line.
// ENDRMX is left 0.
BBTemps evaluateTemps(const SeriesFits& fits, int IST, const TempSettings& set);

// Logs " IST,TAMB=" with IST and TAMB, the heading "FOR CALIBRATION, COLD, HOT AND AMB.
// TEMPS:" and the TC, TH, TAMB and ENDRMX lines; then prints the heading and the four
// lines on the console.
void reportTemps(int IST, const BBTemps& temps, int LOG, std::string_view LOGFIL);

// Hot and cold views found before (NHB, NCB) and after (NHF, NCF) the scene.
struct ViewCounts {
    int NHB = 0;
    int NCB = 0;
    int NHF = 0;
    int NCF = 0;
};

// Outcome of the temperature determination for one scene.
enum class BBTempStatus {
    OK,                // temps are valid
    INSUFFICIENT_DATA  // 4 or fewer time points: the scene is to be output as missing
};

struct BBTempResult {
    BBTempStatus status = BBTempStatus::INSUFFICIENT_DATA;
    BBTemps temps;
    SeriesFits fits;
    int IST = 0;  // scene time used, seconds of the day after any midnight shift
};

// The temperatures of the scene at point 1 of tp. With NTIMES <= 4 logs "ABORTING JOB,
// INSUFFICIENT BB DATA", "NTIMES=" and "NHB,NCB,NHF,NCF=" and returns INSUFFICIENT_DATA
// with tp unchanged. Otherwise scans the drift, fits the three series (ISECS entries
// before MINSEC are shifted by a day in place), evaluates and reports them and returns OK.
// NTIMES above 20 throws std::invalid_argument.
BBTempResult bbtemps(TimePoints& tp, int MINSEC, const TempSettings& set, const ViewCounts& counts,
                     int LOG, std::string_view LOGFIL);

}  // namespace vorncalv
