// Radiometric calibration of one scene from its interpolated blackbody views.
#include "vorncalv/calibration.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>

#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/wnplan.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/single.h"

namespace vorncalv {
namespace {

constexpr std::size_t STORE = static_cast<std::size_t>(MAXPTS);
// Lowest hot-minus-cold radiance for which the ratio test bound scales with RCBB.
constexpr float RHMCMN = 0.1F;

// Prints and logs one line.
void sayAndLog(const std::string& text, int LOG, std::string_view LOGFIL) {
    sayLine(text);
    util::logmsg(LOG, LOGFIL, text);
}

bool pointCountFits(int NPTS, std::size_t available) {
    return NPTS >= 0 && NPTS <= MAXPTS && static_cast<std::size_t>(NPTS) <= available;
}

CalStatus refusePointCount(int NPTS, int LOG, std::string_view LOGFIL) {
    util::logmsg(LOG, LOGFIL,
                 util::fmt("(' ABORT SCENE -- POINT COUNT OUT OF RANGE, NPTS=',I11)", {NPTS}));
    return CalStatus::BAD_POINT_COUNT;
}

// Points every store can hold (all are sized MAXPTS at construction).
std::size_t storeSize(const CalibrationStores& cs) {
    return std::min({cs.CXSPM.size(), cs.SCNSPM.size(), cs.AVGHBS.size(), cs.AVGCBS.size(),
                     cs.CXSPMH.size(), cs.CXSPMC.size(), cs.HOTINT.size(), cs.CLDINT.size(),
                     cs.CXSHMC.size(), cs.CXSSMC.size(), cs.RATIO.size(), cs.SPRL.size(),
                     cs.SPIM.size(), cs.RESP.size(), cs.PLAMB.size(), cs.PLHOT.size(),
                     cs.PLCLD.size()});
}

bool finiteWeights(const InterpWeights& w) {
    return std::isfinite(w.WT1H) && std::isfinite(w.WT2H) && std::isfinite(w.WT1C) &&
           std::isfinite(w.WT2C);
}

// Weight of a time difference over a span; the span is checked by the caller.
float weight(int difference, float span) { return static_cast<float>(difference) / span; }

void reportScene(const SceneIdent& scene, int LOG, std::string_view LOGFIL) {
    const std::string lines[] = {
        util::fmt("(' CALIBRATING SCENE, REC.NO.',I6)", {scene.NSVR}),
        util::fmt("('      SCENE IDENTIFIER   : ', A)", {std::string(1, scene.SVID)}),
        util::fmt("('      SCENE TIME (HHMMSS):',F8.0)", {scene.SHMS}),
    };
    for (const std::string& line : lines) sayLine(line);
    for (const std::string& line : lines) util::logmsg(LOG, LOGFIL, line);
}

// Linear interpolation in time of the views before (a) and after (b) the scene.
void interpolate(const CxSpectrum& a, const CxSpectrum& b, float wa, float wb, std::size_t n,
                 CxSpectrum& out) {
    for (std::size_t i = 0; i < n; ++i) out[i] = wa * a[i] + wb * b[i];
}

void formRatio(CalibrationStores& cs, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        cs.CXSHMC[i] = cs.HOTINT[i] - cs.CLDINT[i];
        cs.CXSSMC[i] = cs.SCNSPM[i] - cs.CLDINT[i];
        cs.RATIO[i] = complexRatio(cs.CXSSMC[i], cs.CXSHMC[i]);
    }
}

// Blackbody radiance from its Planck radiance B with cavity emissivity e and the
// surroundings RA reflected by the rest.
float bbRadiance(float B, double e, float RA) {
    return toSingle(static_cast<double>(B) * e +
                              (1.0 - e) * static_cast<double>(RA));
}

// The Planck radiances of one point at the temperatures of the surroundings, the hot and the
// cold blackbody.
struct PlanckAt {
    float ambient = 0.0F;
    float hot = 0.0F;
    float cold = 0.0F;
};

float responsivity(std::complex<float> CXSHMC, float RHMC) {
    if (!(RHMC > 0.0F)) return 1.0F;
    const double re = static_cast<double>(CXSHMC.real());
    const double im = static_cast<double>(CXSHMC.imag());
    const auto AMPL = toSingle(std::sqrt(re * re + im * im));
    return toSingle(static_cast<double>(AMPL) / static_cast<double>(RHMC));
}

// Calibrates one point from the Planck radiances at its wavenumber.
PointCal calibrateWith(double WN, float BBEI, std::complex<float> RATIO, std::complex<float> CXSHMC,
                       const PlanckAt& planck, float RATFAC, char MPCOLD) {
    PointCal p;
    if (WN > WNLOW) {
        const auto e = static_cast<double>(BBEI);
        p.RA = planck.ambient;
        p.RHBB = bbRadiance(planck.hot, e, p.RA);
        p.RCBB = bbRadiance(planck.cold, MPCOLD == 'A' ? e : static_cast<double>(EMISLN2), p.RA);
    }
    p.RHMC = toSingle(static_cast<double>(p.RHBB) - static_cast<double>(p.RCBB));
    p.RESP = responsivity(CXSHMC, p.RHMC);
    p.RPR = RATIO.real();
    if (RATFAC != 0.0F) {
        p.RLO = ratioLowerBound(RATFAC, p.RCBB, p.RHMC);
        if (WN <= WNRTST && (p.RPR > 1.0F || p.RPR < p.RLO)) p.RPR = 0.0F;
    }
    const auto RHMC = static_cast<double>(p.RHMC);
    p.SPRL = toSingle(static_cast<double>(p.RPR) * RHMC + static_cast<double>(p.RCBB));
    p.SPIM = toSingle(static_cast<double>(RATIO.imag()) * RHMC);
    return p;
}

}  // namespace

CalibrationStores::CalibrationStores()
    : CXSPM(STORE), SCNSPM(STORE), AVGHBS(STORE), AVGCBS(STORE), CXSPMH(STORE), CXSPMC(STORE),
      HOTINT(STORE), CLDINT(STORE), CXSHMC(STORE), CXSSMC(STORE), RATIO(STORE), SPRL(STORE),
      SPIM(STORE), RESP(STORE), PLAMB(STORE), PLHOT(STORE), PLCLD(STORE) {}

InterpWeights interpWeights(const ViewTimes& t) {
    return InterpWeights{weight(t.NSECH - t.ISS, t.DELTH), weight(t.ISS - t.MSECH, t.DELTH),
                         weight(t.NSECC - t.ISS, t.DELTC), weight(t.ISS - t.MSECC, t.DELTC)};
}

std::complex<float> complexRatio(std::complex<float> a, std::complex<float> b) {
    if (b.real() == 0.0F && b.imag() == 0.0F) return {0.0F, 0.0F};
    // 64-bit products of 32-bit values neither overflow nor lose digits that matter here.
    const double ar = a.real();
    const double ai = a.imag();
    const double br = b.real();
    const double bi = b.imag();
    const double den = br * br + bi * bi;
    return {toSingle((ar * br + ai * bi) / den),
            toSingle((ai * br - ar * bi) / den)};
}

CalStatus calibrationStage1(CalibrationStores& cs, int NPTS, const ViewTimes& times,
                            const SceneIdent& scene, int LOG, std::string_view LOGFIL) {
    if (!pointCountFits(NPTS, storeSize(cs))) return refusePointCount(NPTS, LOG, LOGFIL);
    InterpWeights w;
    if (times.DELTH != 0.0F && times.DELTC != 0.0F) w = interpWeights(times);
    if (times.DELTH == 0.0F || times.DELTC == 0.0F || !finiteWeights(w)) {
        sayAndLog(util::fmt("(' ABORT SCENE -- ZERO BB TIME SPAN, REC.NO.',I6,' DELTH,DELTC=',"
                            "2F7.0)",
                            {scene.NSVR, times.DELTH, times.DELTC}),
                  LOG, LOGFIL);
        return CalStatus::ZERO_TIME_SPAN;
    }
    const auto n = static_cast<std::size_t>(NPTS);
    interpolate(cs.AVGHBS, cs.CXSPMH, w.WT1H, w.WT2H, n, cs.HOTINT);
    interpolate(cs.AVGCBS, cs.CXSPMC, w.WT1C, w.WT2C, n, cs.CLDINT);
    reportScene(scene, LOG, LOGFIL);
    formRatio(cs, n);
    return CalStatus::OK;
}

float ratioLowerBound(float RATFAC, float RCBB, float RHMC) {
    if (RHMC > RHMCMN) {
        return toSingle(-(static_cast<double>(RATFAC) * static_cast<double>(RCBB)) /
                                  static_cast<double>(RHMC));
    }
    return -RATFAC;
}

PointCal calibratePoint(double WN, float BBEI, std::complex<float> RATIO,
                        std::complex<float> CXSHMC, const BBTemps& temps, float RATFAC,
                        char MPCOLD) {
    const PlanckAt planck{util::wnplan(WN, temps.TAMB), util::wnplan(WN, temps.TH), util::wnplan(WN, temps.TC)};
    return calibrateWith(WN, BBEI, RATIO, CXSHMC, planck, RATFAC, MPCOLD);
}

CalStatus calibrationStage2(CalibrationStores& cs, int NPTS, std::span<const double> XIN,
                            std::span<const float> BBEI, const BBTemps& temps, float RATFAC,
                            char MPCOLD, int LOG, std::string_view LOGFIL) {
    if (!pointCountFits(NPTS, std::min({storeSize(cs), XIN.size(), BBEI.size()}))) {
        return refusePointCount(NPTS, LOG, LOGFIL);
    }
    const auto n = static_cast<std::size_t>(NPTS);
    // The grid is the same from scene to scene; what depends on it alone is kept.
    const std::span<const double> grid = XIN.first(n);
    if (!cs.PLANCK.holds(grid)) cs.PLANCK.setGrid(grid);
    cs.PLANCK.radiances(static_cast<double>(temps.TAMB), cs.PLAMB);
    cs.PLANCK.radiances(static_cast<double>(temps.TH), cs.PLHOT);
    cs.PLANCK.radiances(static_cast<double>(temps.TC), cs.PLCLD);
    for (std::size_t i = 0; i < n; ++i) {
        const PlanckAt planck{static_cast<float>(cs.PLAMB[i]), static_cast<float>(cs.PLHOT[i]),
                              static_cast<float>(cs.PLCLD[i])};
        const PointCal p = calibrateWith(XIN[i], BBEI[i], cs.RATIO[i], cs.CXSHMC[i], planck,
                                         RATFAC, MPCOLD);
        cs.SPRL[i] = p.SPRL;
        cs.SPIM[i] = p.SPIM;
        cs.RESP[i] = p.RESP;
    }
    return CalStatus::OK;
}

}  // namespace vorncalv
