// Scene sequencing: every scene record from the restart point to the last set, each paired
// with the blackbody views of its own set (before it) and of the next set (after it),
// calibrated and handed to the outputs.
#include "vorncalv/sceneloop.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <string_view>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/getsec.h"
#include "libutil/logmsg.h"
#include "libutil/nrout.h"
#include "libutil/wait.h"
#include "libutil/stop.h"
#include "ravlio/fortjkt.h"
#include "vorncalv/bbtemps.h"
#include "vorncalv/calibration.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/inputrecord.h"
#include "vorncalv/outputs.h"
#include "vorncalv/progress.h"

namespace vorncalv {

namespace {

constexpr std::string_view ENDTEXT = "*** END VORNCALV.EXE ***";
// Reader status of a record the input does not hold (batch mode only: real-time mode waits).
constexpr int END_OF_FILE = 6;

// ---- Waiting and reading ------------------------------------------------------------------

// Real-time mode: waits, without limit, until the upstream status file counts record
// `wanted` of the input file as written. waiting names the record on the console.
void waitForInputRecord(RunState& s, int wanted, std::string_view waiting) {
    if (s.IWAIT == 0) return;
    s.NTRIES = 0;
    util::Wait wait("INPUT RECORD " + std::to_string(wanted) + " OF " + std::string(util::trim(s.FILEIN)) +
                    " IN " + std::string(util::trim(s.PSTFIL)));
    for (;;) {
        s.MXREC = util::nrout(s.FILEIN, s.PSTFIL, s.LUS);
        if (s.MXREC < 0) {
            s.MSG = util::pad("NROUT RETURNED NEGATIVE MXREC", NAMLEN);
            abortRun(s);
        }
        if (s.MXREC >= wanted) return;
        util::conout() << util::freefmt({waiting, wanted}) << '\n';
        util::conout() << util::freefmt({"Input file:", util::trim(s.FILEIN)}) << '\n';
        ++s.NTRIES;
        util::conout() << util::freefmt({"ntries:", s.NTRIES}) << '\n';
        wait.sleep();
    }
}

enum class RecordKind { scene, blackbody };

// Where the input ends: its last complete record, and whether part of a record follows it
// (the library gives a record not yet complete a negative size).
struct InputEnd {
    int lastComplete = 0;
    bool incomplete = false;
};

InputEnd inputEnd(const RunState& s) {
    InputEnd end;
    srrcnt_(&s.IHNDL, &end.lastComplete);
    const int next = end.lastComplete + 1;
    int size = 0;
    srrsiz_(&s.IHNDL, &next, &size);
    end.incomplete = size < 0;
    return end;
}

// A batch run at the end of its input says where the input ended and what became of it, on
// the console and in the log.
InputEnd reportInputEnd(RunState& s) {
    const InputEnd end = inputEnd(s);
    const int calibrated = s.NWRIT[0] - s.NMISS[0];
    tell(s, util::fmt(end.incomplete ? "('VORNCALV -- INPUT INCOMPLETE AFTER RECORD',I7,';',I6,' SCENES CALIBRATED')"
                                     : "('VORNCALV -- END OF INPUT AFTER RECORD',I7,';',I6,' SCENES CALIBRATED')",
                      {end.lastComplete, calibrated}));
    return end;
}

// Reads a column of record nrec; a reader failure ends the run.
void readColumn(RunState& s, int nrec, int col, RecordKind kind) {
    if (readInputColumn(s, nrec, col) == 0) return;
    logLine(s, s.MSG);
    logLine(s, util::fmt("('BAD STATUS FROM RDDMVF, CXFILE=',A)", {util::trim(s.CXFILE)}));
    logLine(s, kind == RecordKind::scene ? util::fmt("(' IRDST =',I2)", {s.IRDST})
                                         : util::fmt("('IRDST=',I2)", {s.IRDST}));
    // A batch run that finds no further record has reached the last scene of its input:
    // that is the end of its work, unless the input ends in a record cut short (a file
    // truncated, or still being written), which leaves the rest of the day undone. Any other
    // reading failure is a failed run.
    const std::optional<InputEnd> end = s.IRDST == END_OF_FILE ? std::optional(reportInputEnd(s)) : std::nullopt;
    reportProductCounts(s);
    logLine(s, ENDTEXT);
    if (end && end->incomplete) util::endIncomplete(std::string(ENDTEXT));
    if (end) util::endRun(std::string(ENDTEXT));
    util::stop(std::string(ENDTEXT));
}

// CXSPM = (YR, YI) of the record just read. False (nothing taken, the record and its point
// count logged) when its size differs from the grid's: one odd record must not halt an
// unattended station for the day, so its caller handles it as a missing record.
bool takeComplexSpectrum(RunState& s, int nrec) {
    if (!recordSizeFits(s, nrec)) return false;
    for (int i = 0; i < s.NPTS; ++i) {
        const auto k = static_cast<std::size_t>(i);
        s.CS.CXSPM[k] = {s.YR[k], s.YI[k]};
    }
    return true;
}

// The record just read (CXSPM) becomes the store `to`. CXSPM is only scratch, refilled by
// every record read before it is taken again, so the two exchange their arrays instead of
// copying the spectrum.
void takeSpectrum(RunState& s, CxSpectrum& to) { std::swap(s.CS.CXSPM, to); }

// The record's time-point temperatures (ambient, hot, support structure).
TempRow recordTemperatures(RunState& s) {
    const ThermistorWeights w{s.WTABBT, s.WTABBA, s.WTABBB, s.WTHBBT, s.WTHBBA, s.WTHBBB};
    return reduceThermistors(thermistorReadings(s.HWDS), w, s.WARN, s.LOG, s.LOGFIL);
}

int secondsOfDay(float hhmmss) {
    int seconds = 0;
    util::getsec(hhmmss, seconds);
    return seconds;
}

// A validated time HHMMSS (0..240000) as an integer.
int wholeTime(float hhmmss) { return std::isfinite(hhmmss) ? static_cast<int>(std::lround(hhmmss)) : 0; }

bool missingFlagSet(const RunState& s) { return s.HWDS[11] != 0.0F; }

// "MIRROR SAFED AT" when the record's encoder drift was missing.
void reportSafedMirror(RunState& s, int IHMS) {
    if (s.HWDS[14] == MISSVAL) sayAndLog(s, util::fmt("('MIRROR SAFED AT ', I6.6)", {IHMS}));
}

// ---- Blackbody search ---------------------------------------------------------------------

enum class Range { preceding, following };

// Keeps the view just read (CXSPM, time) as the first hot or cold view of its range.
void keepView(RunState& s, int n, char view, Range range) {
    const float hhmmss = s.HWDS[1];
    const bool hot = view == s.MPHOT;
    const bool cold = view == s.MPCOLD;
    const auto record = [&s, n] {
        if (s.NFIND < static_cast<int>(s.LRNS.size() - 1)) s.LRNS[static_cast<std::size_t>(s.NFIND++)] = n;
    };
    if (range == Range::preceding) {
        if (s.NHB < 1 && hot) {
            record();
            takeSpectrum(s, s.CS.AVGHBS);
            ++s.NHB;
            s.STH = hhmmss;
            s.MSECH = secondsOfDay(hhmmss);
        } else if (s.NCB < 1 && cold) {
            record();
            ++s.NCB;
            s.STC = hhmmss;
            s.MSECC = secondsOfDay(hhmmss);
            takeSpectrum(s, s.CS.AVGCBS);
        }
        return;
    }
    if (s.NHF < 1 && hot) {
        record();
        ++s.NHF;
        s.ETH = hhmmss;
        s.NSECH = secondsOfDay(hhmmss);
        if (s.NSECH < s.MSECH) s.NSECH += SECDAY;
        s.DELTH = static_cast<float>(s.NSECH - s.MSECH);
        takeSpectrum(s, s.CS.CXSPMH);
    } else if (s.NCF < 1 && cold) {
        record();
        ++s.NCF;
        s.ETC = hhmmss;
        s.NSECC = secondsOfDay(hhmmss);
        if (s.NSECC < s.MSECC) s.NSECC += SECDAY;
        if (s.ISS < s.MSECC) s.ISS += SECDAY;
        s.DELTC = static_cast<float>(s.NSECC - s.MSECC);
        takeSpectrum(s, s.CS.CXSPMC);
    }
}

// Searches records first..last for the first hot and the first cold view; every usable
// record also becomes a time point.
void searchRange(RunState& s, int first, int last, Range range) {
    int& hot = range == Range::preceding ? s.NHB : s.NHF;
    int& cold = range == Range::preceding ? s.NCB : s.NCF;
    for (int n = first; n <= last; ++n) {
        if (hot > 0 && cold > 0) return;
        waitForInputRecord(s, n, "Waiting for input record");
        readColumn(s, n, 1, RecordKind::blackbody);
        if (missingFlagSet(s)) {
            s.NPATWRT = 0;
            logLine(s, util::fmt("(' NULL spectrum found in BB record number ',        I6)", {n}));
            s.NULL_ = 1;
            ++s.MISSES;
            continue;
        }
        if (!goodTimes(s)) {
            logLine(s, util::fmt("('Bad times found in input record number '           I6)", {n}));
            s.NULL_ = 1;
            ++s.MISSES;
            continue;
        }
        if (s.MINSEC < 0 && n == first && range == Range::preceding) s.MINSEC = secondsOfDay(s.HWDS[1]);
        s.NPATWRT = 5;
        s.LIST.fill(s.IHNDL);
        readColumn(s, n, 2, RecordKind::blackbody);
        if (!takeComplexSpectrum(s, n)) {  // a view of another size counts as a missing record
            s.NPATWRT = 0;
            s.NULL_ = 1;
            ++s.MISSES;
            continue;
        }
        const char view = viewIdentifier(s.HWDS[2]);
        const int IHMS = wholeTime(s.HWDS[1]);
        reportSafedMirror(s, IHMS);
        if (!addTimePoint(s.TP, IHMS, secondsOfDay(s.HWDS[1]), s.HWDS[14], recordTemperatures(s))) {
            logLine(s, util::fmt("('TIME-POINT TABLE FULL; NOT FITTED: RECORD',I7)", {n}));
        }
        keepView(s, n, view, range);
    }
}

// The blackbody views of set KSET (before the scene) and of the next set (after it).
void blackbodySearch(RunState& s) {
    s.TP.NTIMES = 1;
    const int NFBSR = (s.KSET - 1) * s.NALL + 1;
    const int NLBSR = NFBSR + s.NBBP - 1;
    s.NHB = 0;
    s.NCB = 0;
    s.NFIND = 0;
    searchRange(s, NFBSR, NLBSR, Range::preceding);
    const int NFFSR = s.KSET * s.NALL + 1;
    const int NLFSR = s.KSET * s.NALL + s.NBBP;
    s.NHF = 0;
    s.NCF = 0;
    searchRange(s, NFFSR, NLFSR, Range::following);
    s.KBBSET = s.KSET;
}

// A new search is needed at the first scene position of either set of the cycle, before
// the first scene of the day, after a search that gave no positive hot time span, and
// whenever the views held belong to another set (KBBSET differs from KSET). The last
// condition is this program's own: a scene may only be calibrated with the hot and cold
// views of its own set and of the next one. The position rule alone reuses the views held
// whenever the first scene of a set did not search, which happens when that scene was
// missing, had bad times or showed the wrong identifier (those return before the search):
// the second scene of the set would then be calibrated with the views of the set before,
// which were all taken before the scene and do not bracket it in time, and be written as
// good.
bool searchNeeded(const RunState& s) {
    return s.IID == 1 || s.IID == s.NSVP + 1 || s.NRO1TS < 1 || !(s.DELTH > 0.0F) || s.KBBSET != s.KSET;
}

// ---- One scene ----------------------------------------------------------------------------

// Calibration of the scene with the views held: stage 1, temperatures, stage 2. Any step
// that cannot give a result makes the scene missing.
void calibrateScene(RunState& s) {
    const ViewTimes times{s.ISS, s.MSECH, s.NSECH, s.MSECC, s.NSECC, s.DELTH, s.DELTC};
    const SceneIdent scene{s.NSVR, s.SVID, s.SHMS};
    if (calibrationStage1(s.CS, s.NPTS, times, scene, s.LOG, s.LOGFIL) != CalStatus::OK) {
        s.NULL_ = 1;
        return;
    }
    const TempSettings settings{s.MPCOLD, s.ABTOFF, s.HBTOFF};
    const ViewCounts counts{s.NHB, s.NCB, s.NHF, s.NCF};
    const BBTempResult result = bbtemps(s.TP, s.MINSEC, settings, counts, s.LOG, s.LOGFIL);
    if (result.status != BBTempStatus::OK) {
        s.NULL_ = 1;
        return;
    }
    s.TC = result.temps.TC;
    s.TH = result.temps.TH;
    s.TAMB = result.temps.TAMB;
    s.ENDRMX = result.temps.ENDRMX;
    s.AMD[14] = s.ENDRMX;
    if (calibrationStage2(s.CS, s.NPTS, s.XIN, s.BBEI, result.temps, s.RATFAC, s.MPCOLD, s.LOG, s.LOGFIL) !=
        CalStatus::OK) {
        s.NULL_ = 1;
    }
}

// The scene is written as missing: NULL_ set and the miss counted; a scene rejected before
// its view was taken also moves the scene counter NSV on.
void skipScene(RunState& s, bool advance) {
    s.NULL_ = 1;
    ++s.MISSES;
    if (advance) ++s.NSV;
}

// Waits for and reads the real column of the scene record NSVR and takes it as the scene
// view SVID, moving the scene counter on: false, the scene skipped, when the record is
// flagged missing, its times are bad or it shows another view than the cycle's MPCAL.
bool takeSceneView(RunState& s) {
    waitForInputRecord(s, s.NSVR, "Waiting for scene-view record:");
    readColumn(s, s.NSVR, 1, RecordKind::scene);
    if (missingFlagSet(s)) {
        s.NPATWRT = 0;
        logLine(s, util::fmt("(' NULL spectrum found in SCENE record number ',     I6)", {s.NSVR}));
        skipScene(s, true);
        return false;
    }
    showHeaderWords(s, s.NSVR);
    if (!goodTimes(s)) {
        logLine(s, util::fmt("('Bad times found in input record number '           I6)", {s.NSVR}));
        skipScene(s, true);
        return false;
    }
    s.NPATWRT = 5;
    s.LIST.fill(s.IHNDL);
    const char view = viewIdentifier(s.HWDS[2]);
    if (view != s.MPCAL) {
        sayAndLog(s, util::fmt("('NO SCENE VIEW; NFSR,NLSR=',2I5)", {s.NFSR, s.NLSR}));
        // The scene counter NSV advances here too, although a record with the wrong scene
        // identifier is not a scene view. Left where it was, every later scene record of the
        // day would be expected to show the identifier of the position before its own, be
        // rejected in turn as "NO SCENE VIEW", and the rest of the day would be written as
        // missing. Advancing keeps the expected identifier tied to the record's position in
        // the mirror cycle, which is also what a run restarted after this scene expects.
        skipScene(s, true);
        return false;
    }
    ++s.NSV;
    s.SVID = view;
    return true;
}

// The scene's own time point (point 1): its drift, time and temperatures. The first scene
// of a set starts a new sequence of time points, its drift list cleared first so that the
// drift just read is kept.
void startTimePoints(RunState& s, float drift) {
    if (s.NSVR == s.NFSR) {
        s.TP.NTIMES = 1;
        std::fill_n(s.TP.ENDRFT.begin(), 5, 0.0F);
    }
    s.TP.ENDRFT[0] = drift;
    s.ISS = secondsOfDay(s.SHMS);
    s.TP.IHMS[0] = wholeTime(s.SHMS);
    s.TP.ISECS[0] = s.ISS;
    s.TP.TMT[0] = recordTemperatures(s);
}

// The per-scene steps up to the outputs. The scene counter NSV advances exactly once for
// every scene record, whatever becomes of it, so that the expected identifier always
// belongs to the record's position in the cycle and a restarted run (NSV = LSN + 1)
// expects what an uninterrupted run would.
void handleScene(RunState& s) {
    s.NULL_ = 0;
    s.IID = s.NSV % s.NSVIDS;
    if (s.IID == 0) s.IID = s.NSVIDS;
    s.MPCAL = s.SVIDS[static_cast<std::size_t>(s.IID - 1)];

    if (!takeSceneView(s)) return;
    s.CALTIM = s.HWDS[13];
    const float drift = s.HWDS[14];
    reportSafedMirror(s, wholeTime(s.HWDS[1]));

    readColumn(s, s.NSVR, 2, RecordKind::scene);
    if (!takeComplexSpectrum(s, s.NSVR)) {  // a scene of another size is written as missing
        s.NPATWRT = 0;
        skipScene(s, false);
        return;
    }
    s.LRNS[4] = s.NSVR;
    s.SHMS = s.HWDS[1];
    startTimePoints(s, drift);
    takeSpectrum(s, s.CS.SCNSPM);

    if (searchNeeded(s)) {
        blackbodySearch(s);
    } else {
        // The views held are reused: the scene's time goes on the same day scale as theirs,
        // as the search does it. A scene after midnight whose preceding views were taken
        // before it would otherwise lie a day before them, and its blackbody spectra would
        // be extrapolated far outside the views' span instead of interpolated.
        if (s.ISS < s.MSECC) s.ISS += SECDAY;
    }
    if (s.NHB < 1 || s.NCB < 1) {
        sayAndLog(s, util::fmt("(' ABORT SCENE -- NHB,NCB =',2I5)", {s.NHB, s.NCB}));
        s.NULL_ = 1;
        return;
    }
    if (s.NHF < 1 || s.NCF < 1) {
        sayAndLog(s, util::fmt("(' ABORT SCENE -- NHF,NCF =',2I5)", {s.NHF, s.NCF}));
        s.NULL_ = 1;
        return;
    }
    calibrateScene(s);
}

// ---- Restart --------------------------------------------------------------------------------

// A restarted run first handles again, from the first scene of the day, every scene an
// earlier run completed, writing nothing: the loop's state (the views and time points held,
// the set they belong to, the day's first blackbody time that places midnight, the scene
// counter, the lineage) is then exactly what an uninterrupted run holds at that point,
// however far the earlier run had got, and the scenes after it are written as that run
// writes them. Meanwhile the console goes nowhere and the log keeps only the lines of the
// scene at hand, which it writes should that scene stop the run.
class Replay {
public:
    Replay() : console_(util::conin(), nowhere_) {}
    void sceneDone() { log_.drop(); }

private:
    std::ostream nowhere_{nullptr};
    util::ConsoleRedirect console_;
    util::LogHold log_;
};

// One completed scene handled again: everything but the outputs. NRO1TS counts it as
// written, as the run that wrote it did, so that the search rule sees the same history.
void replayScene(RunState& s, Replay& replay) {
    handleScene(s);
    s.NRO1TS += 1;
    s.NULL_ = 0;
    replay.sceneDone();
}

// ---- Start and end ------------------------------------------------------------------------

// Stops when the set layout gives no scene records or when the records of the sets up to
// NLSET (and the views after the last one) cannot be numbered.
void checkLayout(RunState& s) {
    if (s.NSVP < 1 || s.NSVIDS < 1) {
        logLine(s, util::fmt("('VORNCALV -- NO SCENE VIEWS IN A SET; NSVIDS=',I3)", {s.NSVIDS}));
        util::stop("NUMBER OF MIR.POS.?");
    }
    const std::int64_t lastRecord = std::int64_t{s.NLSET} * s.NALL + s.NBBP;
    if (lastRecord >= INT_MAX) {  // the set counter itself must also stay countable
        logLine(s, util::fmt("('VORNCALV -- LAST SCENE NUMBER TOO LARGE:',I11)", {s.NLSET}));
        util::stop("LAST SCENE NUMBER?");
    }
}

void endOfRun(RunState& s) {
    logLine(s, util::fmt("(' NUMBER OF RECORDS OUTPUT:',I6)", {s.NRO1}));
    logLine(s, util::fmt("(' NUMBER OF MISSING (NULL) RECORDS:',I6)", {s.MISSES}));
    reportProductCounts(s);
    logLine(s, "*** END VORNCALV ***");
    logLine(s, ENDTEXT);
    util::endRun(std::string(ENDTEXT));
}

}  // namespace

void sceneLoop(RunState& s) {
    checkLayout(s);
    const int completed = std::max(s.LSN, 0);
    s.NFSV = completed + 1;
    s.NSV = 1;
    if (completed >= std::int64_t{s.NLSET} * s.NSVP) endOfRun(s);
    std::optional<Replay> replay;
    if (completed > 0) {
        logLine(s, util::fmt("(' SCENES 1 TO',I6,' HANDLED AGAIN WITHOUT OUTPUT')", {completed}));
        replay.emplace();
    }
    int scene = 0;  // scene records handled over the day
    for (s.KSET = 1; s.KSET <= s.NLSET; ++s.KSET) {
        s.IFSV = 1;
        s.NFSR = s.IFSV + s.NBBP + (s.KSET - 1) * s.NALL;
        s.NLSR = s.KSET * s.NALL;
        for (s.NSVR = s.NFSR; s.NSVR <= s.NLSR; ++s.NSVR) {
            if (++scene <= completed) {
                replayScene(s, *replay);
                if (scene == completed) replay.reset();
                continue;
            }
            handleScene(s);
            outputs(s, s.CS.SPRL, s.CS.SPIM, s.CS.RESP);
            reportScene(s);
            // The scene is complete on the console and in the log as in the products.
            util::conout().flush();
            util::logFlush();
            s.NULL_ = 0;
            if (s.sceneDone) s.sceneDone(s);
        }
    }
    endOfRun(s);
}

}  // namespace vorncalv
