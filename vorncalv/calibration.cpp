// Radiometric calibration of one scene from its interpolated blackbody views.
#include "vorncalv/calibration.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <ostream>
#include <string>
#include <type_traits>

#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/wnplan.h"
#include "vorncalv/messages.h"
#include "vorncalv/single.h"
#include "vorncalv/spectrumloop.h"

namespace vorncalv {
namespace {

constexpr std::size_t STORE = static_cast<std::size_t>(MAXPTS);
// Lowest hot-minus-cold radiance for which the ratio test bound scales with RCBB.
constexpr float RHMCMN = 0.1F;

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

// The stores seen as arrays of 32-bit reals, real and imaginary parts interleaved (the
// layout std::complex guarantees), so that the loops below are plain float arithmetic that
// the compiler vectorises.
float* reals(CxSpectrum& s) { return reinterpret_cast<float*>(s.data()); }
const float* reals(const CxSpectrum& s) { return reinterpret_cast<const float*>(s.data()); }

// Linear interpolation in time of the views before (a) and after (b) the scene.
SPECTRUM_LOOP void interpolate(const CxSpectrum& a, const CxSpectrum& b, float wa, float wb, std::size_t n,
                               CxSpectrum& out) {
    const float* pa = reals(a);
    const float* pb = reals(b);
    float* po = reals(out);
    for (std::size_t k = 0; k < 2 * n; ++k) po[k] = wa * pa[k] + wb * pb[k];
}

// The complex quotient (ar, ai)/(br, bi) formed in 64 bits and rounded to 32; (0, 0) when
// both parts of the divisor are exactly 0. Without branches, so that loops over it vectorise.
LOOP_STEP void divide(float ar, float ai, float br, float bi, float& re, float& im) {
    const bool zero = br == 0.0F && bi == 0.0F;
    // 64-bit products of 32-bit values neither overflow nor lose digits that matter here.
    const double dar = ar;
    const double dai = ai;
    const double dbr = br;
    const double dbi = bi;
    const double den = zero ? 1.0 : dbr * dbr + dbi * dbi;
    const float qr = toSingle((dar * dbr + dai * dbi) / den);
    const float qi = toSingle((dai * dbr - dar * dbi) / den);
    re = zero ? 0.0F : qr;
    im = zero ? 0.0F : qi;
}

SPECTRUM_LOOP void formRatio(CalibrationStores& cs, std::size_t n) {
    const float* hot = reals(cs.HOTINT);
    const float* cold = reals(cs.CLDINT);
    const float* scene = reals(cs.SCNSPM);
    float* hmc = reals(cs.CXSHMC);
    float* smc = reals(cs.CXSSMC);
    for (std::size_t k = 0; k < 2 * n; ++k) {
        hmc[k] = hot[k] - cold[k];
        smc[k] = scene[k] - cold[k];
    }
    float* ratio = reals(cs.RATIO);
    for (std::size_t k = 0; k < 2 * n; k += 2) divide(smc[k], smc[k + 1], hmc[k], hmc[k + 1], ratio[k], ratio[k + 1]);
}

// Blackbody radiance from its Planck radiance B with cavity emissivity e and the
// surroundings RA reflected by the rest.
LOOP_STEP float bbRadiance(float B, double e, float RA) {
    return toSingle(static_cast<double>(B) * e + (1.0 - e) * static_cast<double>(RA));
}

LOOP_STEP float ratioBound(float RATFAC, float RCBB, float RHMC) {
    const float scaled = toSingle(-(static_cast<double>(RATFAC) * static_cast<double>(RCBB)) / static_cast<double>(RHMC));
    return RHMC > RHMCMN ? scaled : -RATFAC;
}

LOOP_STEP float responsivity(float re, float im, float RHMC) {
    const double dre = re;
    const double dim = im;
    const auto AMPL = toSingle(std::sqrt(dre * dre + dim * dim));
    const float RESP = toSingle(static_cast<double>(AMPL) / static_cast<double>(RHMC));
    return RHMC > 0.0F ? RESP : 1.0F;
}

// What stage 2 needs of one point: its wavenumber and cavity emissivity, the ratio and the
// hot-minus-cold spectrum, the Planck radiances (32-bit) at the temperatures of the
// surroundings, the hot and the cold blackbody.
struct PointIn {
    double WN = 0.0;
    float BBEI = 0.0F;
    float ratioRe = 0.0F;
    float ratioIm = 0.0F;
    float hmcRe = 0.0F;
    float hmcIm = 0.0F;
    float ambient = 0.0F;
    float hot = 0.0F;
    float cold = 0.0F;
};

// Whether the ratio test is on (RATFAC not 0) and whether the cold view is the ambient
// blackbody (MPCOLD "A") are the same for every point of a scene; f is called with both as
// compile-time constants so that its loop holds no test of them.
template <class F>
LOOP_STEP void withModes(float RATFAC, char MPCOLD, F&& f) {
    const bool tested = RATFAC != 0.0F;
    const bool coldIsAmbient = MPCOLD == 'A';
    if (tested && coldIsAmbient) f(std::true_type{}, std::true_type{});
    if (tested && !coldIsAmbient) f(std::true_type{}, std::false_type{});
    if (!tested && coldIsAmbient) f(std::false_type{}, std::true_type{});
    if (!tested && !coldIsAmbient) f(std::false_type{}, std::false_type{});
}

// Calibrates one point (tested: RATFAC is not 0). Every quantity is computed and the ones a condition rules out are
// replaced afterwards, without branches, so that the stage's loop vectorises; the values are
// those of the rules as stated: below WNLOW no blackbody radiance, no responsivity without a
// positive hot-minus-cold radiance, the ratio test only with RATFAC and up to WNRTST.
LOOP_STEP PointCal calibrateWith(const PointIn& in, float RATFAC, bool tested, bool coldIsAmbient) {
    const bool lit = in.WN > WNLOW;
    const auto e = static_cast<double>(in.BBEI);
    const double ecold = coldIsAmbient ? e : static_cast<double>(EMISLN2);
    PointCal p;
    p.RA = lit ? in.ambient : 0.0F;
    p.RHBB = lit ? bbRadiance(in.hot, e, p.RA) : 0.0F;
    p.RCBB = lit ? bbRadiance(in.cold, ecold, p.RA) : 0.0F;
    p.RHMC = toSingle(static_cast<double>(p.RHBB) - static_cast<double>(p.RCBB));
    p.RESP = responsivity(in.hmcRe, in.hmcIm, p.RHMC);
    p.RLO = tested ? ratioBound(RATFAC, p.RCBB, p.RHMC) : 0.0F;
    const bool rejected = tested && in.WN <= WNRTST && (in.ratioRe > 1.0F || in.ratioRe < p.RLO);
    p.RPR = rejected ? 0.0F : in.ratioRe;
    const auto RHMC = static_cast<double>(p.RHMC);
    p.SPRL = toSingle(static_cast<double>(p.RPR) * RHMC + static_cast<double>(p.RCBB));
    p.SPIM = toSingle(static_cast<double>(in.ratioIm) * RHMC);
    return p;
}

// Stage 2 over points 0..n-1 (the Planck radiances already in the stores).
SPECTRUM_LOOP void calibratePoints(CalibrationStores& cs, std::size_t n, const double* XIN, const float* BBEI,
                                   float RATFAC, char MPCOLD) {
    const float* ratio = reals(cs.RATIO);
    const float* hmc = reals(cs.CXSHMC);
    // The results of a block of points go to local arrays first, so that the compiler sees
    // that no store changes an input of the loop and vectorises it.
    constexpr std::size_t BLOCK = 256;
    std::array<float, BLOCK> sprl{};
    std::array<float, BLOCK> spim{};
    std::array<float, BLOCK> resp{};
    withModes(RATFAC, MPCOLD, [&](auto tested, auto coldIsAmbient) __attribute__((always_inline)) {
        for (std::size_t a = 0; a < n; a += BLOCK) {
            const std::size_t len = std::min(BLOCK, n - a);
            for (std::size_t j = 0; j < len; ++j) {
                const std::size_t i = a + j;
                const PointIn in{XIN[i], BBEI[i], ratio[2 * i], ratio[2 * i + 1], hmc[2 * i], hmc[2 * i + 1],
                                 static_cast<float>(cs.PLAMB[i]), static_cast<float>(cs.PLHOT[i]),
                                 static_cast<float>(cs.PLCLD[i])};
                const PointCal p = calibrateWith(in, RATFAC, tested, coldIsAmbient);
                sprl[j] = p.SPRL;
                spim[j] = p.SPIM;
                resp[j] = p.RESP;
            }
            const auto at = static_cast<std::ptrdiff_t>(a);
            std::copy_n(sprl.begin(), len, cs.SPRL.begin() + at);
            std::copy_n(spim.begin(), len, cs.SPIM.begin() + at);
            std::copy_n(resp.begin(), len, cs.RESP.begin() + at);
        }
    });
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
    float re = 0.0F;
    float im = 0.0F;
    divide(a.real(), a.imag(), b.real(), b.imag(), re, im);
    return {re, im};
}

CalStatus calibrationStage1(CalibrationStores& cs, int NPTS, const ViewTimes& times,
                            const SceneIdent& scene, int LOG, std::string_view LOGFIL) {
    if (!pointCountFits(NPTS, storeSize(cs))) return refusePointCount(NPTS, LOG, LOGFIL);
    InterpWeights w;
    if (times.DELTH != 0.0F && times.DELTC != 0.0F) w = interpWeights(times);
    if (times.DELTH == 0.0F || times.DELTC == 0.0F || !finiteWeights(w)) {
        sayAndLog(LOG, LOGFIL,
                  util::fmt("(' ABORT SCENE -- ZERO BB TIME SPAN, REC.NO.',I6,' DELTH,DELTC=',2F7.0)",
                            {scene.NSVR, times.DELTH, times.DELTC}));
        return CalStatus::ZERO_TIME_SPAN;
    }
    const auto n = static_cast<std::size_t>(NPTS);
    interpolate(cs.AVGHBS, cs.CXSPMH, w.WT1H, w.WT2H, n, cs.HOTINT);
    interpolate(cs.AVGCBS, cs.CXSPMC, w.WT1C, w.WT2C, n, cs.CLDINT);
    reportScene(scene, LOG, LOGFIL);
    formRatio(cs, n);
    return CalStatus::OK;
}

float ratioLowerBound(float RATFAC, float RCBB, float RHMC) { return ratioBound(RATFAC, RCBB, RHMC); }

PointCal calibratePoint(double WN, float BBEI, std::complex<float> RATIO,
                        std::complex<float> CXSHMC, const BBTemps& temps, float RATFAC,
                        char MPCOLD) {
    const PointIn in{WN, BBEI, RATIO.real(), RATIO.imag(), CXSHMC.real(), CXSHMC.imag(),
                     util::wnplan(WN, temps.TAMB), util::wnplan(WN, temps.TH), util::wnplan(WN, temps.TC)};
    return calibrateWith(in, RATFAC, RATFAC != 0.0F, MPCOLD == 'A');
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
    calibratePoints(cs, n, XIN.data(), BBEI.data(), RATFAC, MPCOLD);
    return CalStatus::OK;
}

}  // namespace vorncalv
