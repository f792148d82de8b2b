// Blackbody temperatures of one scene from the thermistor readings of its views.
#include "vorncalv/bbtemps.h"

#include <cmath>
#include <ostream>
#include <stdexcept>
#include <string>

#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "vorncalv/messages.h"
#include "vorncalv/single.h"

namespace vorncalv {
namespace {

// Header words (1-based) of the first thermistor and of the support structure.
constexpr std::size_t HWT4 = 4;
constexpr std::size_t HWT10 = 10;

constexpr std::string_view FMTTOP = "('Temperature at \"Top\"   :',F8.2)";
constexpr std::string_view FMTAPX = "('Temperature at \"Apex\"  :',F8.2)";
constexpr std::string_view FMTBOT = "('Temperature at \"Bottom\":',F8.2)";
constexpr std::string_view HEADNG = "FOR CALIBRATION, COLD, HOT AND AMB. TEMPS:";

// Logs the warning and the three readings of one blackbody.
void warnThermistors(std::string_view warning, float top, float apex, float bottom, int LOG,
                     std::string_view LOGFIL) {
    util::logmsg(LOG, LOGFIL, warning);
    util::logmsg(LOG, LOGFIL, util::fmt(FMTTOP, {top}));
    util::logmsg(LOG, LOGFIL, util::fmt(FMTAPX, {apex}));
    util::logmsg(LOG, LOGFIL, util::fmt(FMTBOT, {bottom}));
}

// Largest pairwise difference of three readings: |1-2|, |2-3|, |1-3| in that order.
float spread(float t1, float t2, float t3) {
    return largestOf(std::fabs(t1 - t2), std::fabs(t2 - t3), std::fabs(t1 - t3));
}

// Weighted ambient sum: a term whose weight is exactly 0 is left out.
float ambientAverage(const ThermistorReadings& T, const ThermistorWeights& W) {
    float ABAVGT = 0.0F;
    if (W.WTABBT != 0.0F) ABAVGT = T.T4 * W.WTABBT;
    if (W.WTABBA != 0.0F) ABAVGT = T.T5 * W.WTABBA + ABAVGT;
    if (W.WTABBB != 0.0F) ABAVGT = T.T6 * W.WTABBB + ABAVGT;
    return ABAVGT;
}

// Weighted hot sum: all three terms.
float hotAverage(const ThermistorReadings& T, const ThermistorWeights& W) {
    return T.T7 * W.WTHBBT + T.T8 * W.WTHBBA + T.T9 * W.WTHBBB;
}

void checkPointCount(int NTIMES) {
    if (NTIMES < 0 || NTIMES > MAXTIM) {
        throw std::invalid_argument("time-point count outside 0..20");
    }
}

// The line of series k (0-based) at time IST, in 64 bits.
double lineAt(const SeriesFits& fits, int k, int IST) {
    const auto K = static_cast<std::size_t>(k);
    return static_cast<double>(fits.TINT[K]) +
           static_cast<double>(fits.TSLP[K]) * static_cast<double>(IST);
}

void reportInsufficient(int NTIMES, const ViewCounts& c, int LOG, std::string_view LOGFIL) {
    util::logmsg(LOG, LOGFIL, "ABORTING JOB, INSUFFICIENT BB DATA");
    util::logmsg(LOG, LOGFIL, util::fmt("('NTIMES=',I2)", {NTIMES}));
    util::logmsg(LOG, LOGFIL,
                 util::fmt("('NHB,NCB,NHF,NCF=',4I2)", {c.NHB, c.NCB, c.NHF, c.NCF}));
}

}  // namespace

bool addTimePoint(TimePoints& tp, int IHMS, int ISECS, float ENDRFT, const TempRow& TMT) {
    checkPointCount(tp.NTIMES);
    if (tp.NTIMES >= MAXTIM) return false;
    const auto i = static_cast<std::size_t>(tp.NTIMES);
    tp.IHMS[i] = IHMS;
    tp.ISECS[i] = ISECS;
    tp.ENDRFT[i] = ENDRFT;
    tp.TMT[i] = TMT;
    ++tp.NTIMES;
    return true;
}

ThermistorReadings thermistorReadings(std::span<const float> HWDS) {
    if (HWDS.size() < HWT10) throw std::invalid_argument("fewer than 10 header words");
    const std::span<const float> t = HWDS.subspan(HWT4 - 1, HWT10 - HWT4 + 1);
    return ThermistorReadings{t[0], t[1], t[2], t[3], t[4], t[5], t[6]};
}

float largestOf(float a, float b, float c) {
    float mx = a;
    if (b > mx || std::isnan(mx)) mx = b;
    if (c > mx || std::isnan(mx)) mx = c;
    return mx;
}

TempRow reduceThermistors(const ThermistorReadings& T, const ThermistorWeights& W,
                          ThermistorWarnings& warn, int LOG, std::string_view LOGFIL) {
    const float ABDMX = spread(T.T4, T.T5, T.T6);
    if (ABDMX > MAXSPR && warn.IWARNA == 1) {
        warnThermistors("WARNING -- bad Ambient BB thermistor!", T.T4, T.T5, T.T6, LOG, LOGFIL);
        warn.IWARNA = 0;
    }
    const float ABAVGT = ambientAverage(T, W);
    const float HBDMX = spread(T.T7, T.T8, T.T9);
    if (HBDMX > MAXSPR && warn.IWARNH == 1) {
        warnThermistors("WARNING -- bad Hot BB thermistor!", T.T7, T.T8, T.T9, LOG, LOGFIL);
        warn.IWARNH = 0;
    }
    const float HBAVGT = hotAverage(T, W);
    return TempRow{ABAVGT, HBAVGT, T.T10};
}

float largestDrift(const TimePoints& tp, int LOG, std::string_view LOGFIL) {
    checkPointCount(tp.NTIMES);
    float ENDRMX = 0.0F;
    for (int i = 0; i < tp.NTIMES; ++i) {
        const float a = std::fabs(tp.ENDRFT[static_cast<std::size_t>(i)]);
        if (!(a > ENDRMX)) continue;
        ENDRMX = a;
        if (a > MAXDRF) {
            sayLine(util::freefmt({"MIRROR SAFED DURING SEQUENCE"}));
            util::logmsg(LOG, LOGFIL, "MIRROR SAFED DURING SEQUENCE");
            break;
        }
    }
    return ENDRMX;
}

BBTemps evaluateTemps(const SeriesFits& fits, int IST, const TempSettings& set) {
    BBTemps t;
    if (set.MPCOLD == 'C') {
        t.TC = TCBB;
    } else {
        t.TC = toSingle(lineAt(fits, 0, IST));
        t.TC = toSingle(static_cast<double>(t.TC) + static_cast<double>(set.ABTOFF));
    }
    t.TH = toSingle(lineAt(fits, 1, IST));
    const double TH = static_cast<double>(t.TH);
    t.TH = toSingle((TH - static_cast<double>(t.TC)) / HBTDIF *
                                  static_cast<double>(set.HBTOFF) +
                              TH);
    t.TAMB = toSingle(lineAt(fits, 2, IST));
    return t;
}

void reportTemps(int IST, const BBTemps& temps, int LOG, std::string_view LOGFIL) {
    const std::string lines[] = {
        util::fmt("('      TC   = ',F10.5)", {temps.TC}),
        util::fmt("('      TH   = ',F10.5)", {temps.TH}),
        util::fmt("('      TAMB = ',F10.5)", {temps.TAMB}),
        util::fmt("('     ENDRMX= ',F10.5)", {temps.ENDRMX}),
    };
    util::logmsg(LOG, LOGFIL, util::fmt("(' IST,TAMB=',I6,F10.4)", {IST, temps.TAMB}));
    util::logmsg(LOG, LOGFIL, HEADNG);
    for (const std::string& line : lines) util::logmsg(LOG, LOGFIL, line);
    sayLine(util::freefmt({HEADNG}));
    for (const std::string& line : lines) sayLine(line);
}

BBTempResult bbtemps(TimePoints& tp, int MINSEC, const TempSettings& set, const ViewCounts& counts,
                     int LOG, std::string_view LOGFIL) {
    checkPointCount(tp.NTIMES);
    BBTempResult result;
    if (tp.NTIMES <= MINTIM) {
        reportInsufficient(tp.NTIMES, counts, LOG, LOGFIL);
        return result;
    }
    const float ENDRMX = largestDrift(tp, LOG, LOGFIL);
    gettfs(MINSEC, tp.NTIMES, MAXSER, tp.ISECS, tp.TMT, result.fits);
    result.IST = tp.ISECS[0];
    result.temps = evaluateTemps(result.fits, result.IST, set);
    result.temps.ENDRMX = ENDRMX;
    reportTemps(result.IST, result.temps, LOG, LOGFIL);
    result.status = BBTempStatus::OK;
    return result;
}

}  // namespace vorncalv
