// Radiometric calibration of one scene. Stage 1 interpolates the hot and cold blackbody
// spectra seen before and after the scene linearly in time to the scene and forms the
// complex ratio (scene - cold)/(hot - cold). Stage 2, once the blackbody temperatures are
// known, turns the ratio into calibrated radiance with the Planck radiances of the two
// blackbodies (cavity emissivity and reflected surroundings included), scales the
// imaginary part the same way and derives the instrument responsivity.
//
// Every log line goes through util::logmsg(LOG, LOGFIL, ...); console lines go to
// util::conout().
#pragma once

#include <complex>
#include <span>
#include <string_view>
#include <vector>

#include "vorncalv/bbtemps.h"
#include "vorncalv/planckgrid.h"

namespace vorncalv {

// Capacity of every spectrum store (points).
inline constexpr int MAXPTS = 9000;
// Emissivity of a cold view other than the ambient blackbody "A".
inline constexpr float EMISLN2 = 0.987F;
// Points at or below this wavenumber (cm-1) carry no radiance.
inline constexpr double WNLOW = 0.1;
// Points above this wavenumber (cm-1) are not ratio-tested.
inline constexpr double WNRTST = 2387.0;

using CxSpectrum = std::vector<std::complex<float>>;
using Spectrum = std::vector<float>;

// The spectrum stores of the calibration, each sized MAXPTS once at construction; the
// stages use points 1..NPTS (indexes 0..NPTS-1) and never change the sizes.
struct CalibrationStores {
    CalibrationStores();

    CxSpectrum CXSPM;   // the record just read (scratch of the scene loop)
    CxSpectrum SCNSPM;  // the scene being calibrated
    CxSpectrum AVGHBS;  // hot view before the scene
    CxSpectrum AVGCBS;  // cold view before the scene
    CxSpectrum CXSPMH;  // hot view after the scene
    CxSpectrum CXSPMC;  // cold view after the scene
    CxSpectrum HOTINT;  // hot view interpolated to the scene time
    CxSpectrum CLDINT;  // cold view interpolated to the scene time
    CxSpectrum CXSHMC;  // hot minus cold
    CxSpectrum CXSSMC;  // scene minus cold
    CxSpectrum RATIO;   // (scene - cold)/(hot - cold)
    Spectrum SPRL;      // calibrated radiance, real part
    Spectrum SPIM;      // imaginary part scaled to radiance
    Spectrum RESP;      // responsivity
    // Stage 2's Planck radiances on the grid (taken again when the grid changes) at the
    // temperatures of the surroundings, the hot and the cold blackbody.
    PlanckGrid PLANCK;
    std::vector<double> PLAMB;
    std::vector<double> PLHOT;
    std::vector<double> PLCLD;
};

// Times (seconds of the day, midnight-adjusted by the scene loop) of the scene (ISS) and of
// the hot and cold views before (MSECH, MSECC) and after (NSECH, NSECC) it, with the spans
// DELTH = NSECH - MSECH and DELTC = NSECC - MSECC.
struct ViewTimes {
    int ISS = 0;
    int MSECH = 0;
    int NSECH = 0;
    int MSECC = 0;
    int NSECC = 0;
    float DELTH = 0.0F;
    float DELTC = 0.0F;
};

// Interpolation weights (32-bit) of the views before (WT1x) and after (WT2x) the scene.
struct InterpWeights {
    float WT1H = 0.0F;
    float WT2H = 0.0F;
    float WT1C = 0.0F;
    float WT2C = 0.0F;
};

// The weights for the scene time: WT1H = (NSECH - ISS)/DELTH, WT2H = (ISS - MSECH)/DELTH,
// and likewise for cold. A zero span gives non-finite weights (see calibrationStage1).
InterpWeights interpWeights(const ViewTimes& t);

// What the report names: record number, identifier and time (HHMMSS) of the scene.
struct SceneIdent {
    int NSVR = 0;
    char SVID = ' ';
    float SHMS = 0.0F;
};

enum class CalStatus {
    OK,
    ZERO_TIME_SPAN,   // a view before and its match after the scene at the same second
    BAD_POINT_COUNT,  // NPTS outside 0..9000 or beyond the grid or emissivity given
};

// The complex quotient a/b, formed in 64 bits and rounded to 32; (0, 0) when both parts of
// b are exactly 0.
std::complex<float> complexRatio(std::complex<float> a, std::complex<float> b);

// Stage 1 for points 1..NPTS: interpolated hot and cold (HOTINT, CLDINT), CXSHMC, CXSSMC and
// RATIO; the views themselves stay as read. Prints, then logs, the three "CALIBRATING
// SCENE" lines. Returns
//   ZERO_TIME_SPAN when DELTH or DELTC is 0 (or a weight is not finite): prints and logs
//     "(' ABORT SCENE -- ZERO BB TIME SPAN, REC.NO.',I6,' DELTH,DELTC=',2F7.0)" and
//     changes no store; the scene is to be output as missing;
//   BAD_POINT_COUNT when NPTS lies outside 0..9000: logs
//     "(' ABORT SCENE -- POINT COUNT OUT OF RANGE, NPTS=',I11)" and changes no store.
CalStatus calibrationStage1(CalibrationStores& cs, int NPTS, const ViewTimes& times,
                            const SceneIdent& scene, int LOG, std::string_view LOGFIL);

// Per-point results of stage 2 (32-bit reals).
struct PointCal {
    float RA = 0.0F;    // radiance of the surroundings
    float RHBB = 0.0F;  // hot blackbody radiance
    float RCBB = 0.0F;  // cold blackbody radiance
    float RHMC = 0.0F;  // hot minus cold
    float RLO = 0.0F;   // lower bound of the ratio test
    float RPR = 0.0F;   // real ratio after the test
    float SPRL = 0.0F;
    float SPIM = 0.0F;
    float RESP = 0.0F;
};

// Lower bound of the ratio test: -(RATFAC * RCBB)/RHMC when RHMC > 0.1, else -RATFAC.
float ratioLowerBound(float RATFAC, float RCBB, float RHMC);

// Calibrates one point of wavenumber WN (cm-1) with cavity emissivity BBEI.
PointCal calibratePoint(double WN, float BBEI, std::complex<float> RATIO,
                        std::complex<float> CXSHMC, const BBTemps& temps, float RATFAC,
                        char MPCOLD);

// Stage 2 for points 1..NPTS on the grid XIN with cavity emissivity BBEI: SPRL, SPIM and
// RESP from RATIO, CXSHMC and the temperatures (TC, TH, TAMB). RATFAC = 0 turns the ratio
// test off; a cold view other than "A" uses the emissivity 0.987. Returns BAD_POINT_COUNT
// (after logging the line given at calibrationStage1, changing no store) when NPTS lies
// outside 0..9000 or beyond XIN or BBEI.
CalStatus calibrationStage2(CalibrationStores& cs, int NPTS, std::span<const double> XIN,
                            std::span<const float> BBEI, const BBTemps& temps, float RATFAC,
                            char MPCOLD, int LOG, std::string_view LOGFIL);

}  // namespace vorncalv
