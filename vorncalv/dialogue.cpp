// The opening of the calibration program: banner, console dialogue and derived names.
#include "vorncalv/dialogue.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <ostream>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/rootlock.h"
#include "libutil/stop.h"
#include "ravlio/fields.h"
#include "libutil/wallclock.h"
#include "vorncalv/linereader.h"

namespace vorncalv {
namespace {

// The version-control identification line: module, release and date.
constexpr std::string_view STAMP_TEXT =
    "@(#) vorncalv.cpp 1.0.1 2015-04-17 VORN radiometric calibration driver";
// The software-identification line written into every output file's history.
constexpr std::string_view HISTORY_TEXT =
    "VORNCALV 1.0.1 (2015-04-17) -- radiometric calibration of VORN FTIR spectra, C++";
static_assert(HISTORY_TEXT.size() == NAMLEN, "the history line fills its 80 characters");
static_assert(PROGRAM_NAME.size() == 12, "program name plus a four-character suffix");

constexpr std::string_view HYPHENS = "----------------------------------------------------";
static_assert(HYPHENS.size() == 52);

// Metadata identifiers of the per-record values AMD(1..15): calibration ambient, cold and
// hot blackbody temperatures, missing flag, calibrated scene id, the six thermistor
// weights, the two temperature offsets, the cavity factor and the encoder drift.
constexpr int AMD_IDS[15] = {FIELD_calibrationAmbientTemp, FIELD_calibrationCBBtemp,  FIELD_calibrationHBBtemp,
                             FIELD_missingDataFlag,        FIELD_calibratedSceneID,   FIELD_ABBtopTempWeight,
                             FIELD_ABBapexTempWeight,      FIELD_ABBbottomTempWeight, FIELD_HBBtopTempWeight,
                             FIELD_HBBapexTempWeight,      FIELD_HBBbottomTempWeight, FIELD_ABBtempOffset,
                             FIELD_HBBtempOffset,          FIELD_BBcavityFactor,      FIELD_sceneMirPosEncoderMaxDrift};
constexpr int SUBHEADER_ID = 97122201;

// A fixed text of the given width holding text, NUL-terminated after its last significant
// character (the text is cut by one when it fills the width).
std::string terminatedText(std::string_view text, std::size_t width) {
    std::string field(text);
    util::terminateName(field, width, util::WhenFull::cutByOne);
    return field;
}

void say(std::string_view text) { util::conout() << text << std::flush; }

// One prompt of the dialogue: its text as printed, the width of its answer, what it asks
// for (completing "READ ERROR AT PROMPT FOR "), the stop text of a read failure and the
// command-line option that can give its answer instead.
struct Prompt {
    std::string_view text;
    std::size_t width;
    std::string_view subject;
    std::string_view stopText;
    std::optional<std::string> GivenAnswers::*given;
};

// Longest line kept of a typed answer: enough to refuse an overlong name with its length,
// while a line without end cannot grow memory.
constexpr std::size_t LINECAP = 4096;

// An answer as typed or given: the line (at most LINECAP characters kept) and the length of
// the whole line up to its last non-blank character.
struct Answer {
    std::string line;
    std::size_t significant = 0;
};

std::size_t significantLength(std::string_view text) {
    const std::size_t last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? 0 : last + 1;
}

// The answer to a prompt: the one given on the command line, or else the prompt is printed
// and a line read. A read failure (end of input or read error) logs "READ ERROR AT PROMPT
// FOR <subject>" and stops with the prompt's stop text.
Answer answer(RunState& s, const Prompt& p) {
    if (const std::optional<std::string>& given = s.GIVEN.*p.given) {
        return {given->substr(0, std::min(given->size(), LINECAP)), significantLength(*given)};
    }
    say(p.text);
    Answer a;
    if (!readLine(util::conin(), a.line, LINECAP, a.significant)) {
        logLine(s, "READ ERROR AT PROMPT FOR " + std::string(p.subject));
        util::stop(std::string(p.stopText));
    }
    return a;
}

// A file name: an answer that does not fit the 80 characters of a name is refused (two
// lines naming the prompt and the limit, on the console and in the log), never cut.
std::string answerName(RunState& s, const Prompt& p) {
    const Answer a = answer(s, p);
    if (a.significant > NAMLEN) {
        tell(s, "NAME TOO LONG AT PROMPT FOR " + std::string(p.subject));
        tell(s, "NAMES HAVE AT MOST " + std::to_string(NAMLEN) + " CHARACTERS; THIS ONE HAS " +
                         std::to_string(a.significant));
        util::stop("NAME TOO LONG");
    }
    return util::pad(std::string_view(a.line).substr(0, std::min(a.line.size(), NAMLEN)), NAMLEN);
}

// A short answer: the first width characters, blank-padded.
std::string answerText(RunState& s, const Prompt& p) {
    const Answer a = answer(s, p);
    return util::pad(std::string_view(a.line).substr(0, std::min(a.line.size(), p.width)), p.width);
}

constexpr Prompt INPUT_PROMPT{" ENTER Input File Name: ", NAMLEN, "INPUT FILE NAME", "READ ERROR;FILE NAME",
                              &GivenAnswers::input};
constexpr Prompt SOURCE_PROMPT{"", NAMLEN, "PATH NAME OF COMPLEX SP.", "READ ERROR; PATH?", &GivenAnswers::source};
constexpr Prompt ROOT_PROMPT{" ENTER FIRST 8 CHARS. FOR OUTPUT FILE NAMES: ", 8, "8-CHAR. ROOT OF FILE NAMES.",
                             "READ ERROR; ROOT?", &GivenAnswers::root};
constexpr Prompt MODE_PROMPT{" DISABLE REAL-TIME MODE? [Y/N] ", 1, "DISABLE OPTION", "READ ERROR; DISABLE?",
                             &GivenAnswers::batch};
constexpr Prompt VARIANCE_PROMPT{" ENTER NAME OF \"VARIANCE\" INPUT FILE: ", NAMLEN, "NAME OF VARIANCE INPUT FILE",
                                 "READ ERROR", &GivenAnswers::variance};
constexpr Prompt PARAMS_PROMPT{" ENTER NAME OF \"STATIC-PARS.\" INPUT FILE: ", NAMLEN,
                               "NAME OF STATIC-PARS. INPUT FILE", "READ ERROR", &GivenAnswers::params};
constexpr Prompt MIRRORS_PROMPT{" ENTER NAME OF SCENE-MIRROR-POSITION FILE: ", NAMLEN, "NAME OF MIR.POS. FILE",
                                "READ ERROR", &GivenAnswers::mirrors};
constexpr Prompt PAINT_PROMPT{" ENTER NAME OF BB PAINT EMISSIVITY FILE: ", NAMLEN, "NAME OF EMISSIVITY FILE",
                              "READ ERROR", &GivenAnswers::paint};
constexpr Prompt UPSTREAM_PROMPT{
    " ENTER NAME OF PREVIOUS-PROGRAM STATUS FILE,\n"
    " (PREVIOUS PROGRAM: QUINT(CH.1) OR MOBLEX(CH.2)",
    NAMLEN, "NAME OF QUINT STATUS FILE", "READ ERROR", &GivenAnswers::upstream};

// Takes the lock of the root (file lockName) for the whole run, before the log is written.
// A root that another run holds stops at once with one console and log line. Returns the
// system's reason when the lock file cannot be made (empty when the lock is taken): that
// stops after the banner, so that a directory where nothing can be created is reported by
// the log's own open failure first.
std::string lockRoot(RunState& s, std::string_view root, const std::string& lockName) {
    const util::RootLockOutcome lock = util::lockRoot(lockName);
    if (lock.result == util::RootLockResult::busy) {
        tell(s, "VORNCALV -- ROOT " + std::string(root) + " IS IN USE BY ANOTHER RUN (LOCK FILE " + lockName +
                         ")");
        util::stop("ROOT IN USE");
    }
    return lock.result == util::RootLockResult::failed ? lock.reason : "";
}

// The file name of an answer: what follows its last "/" or "\" (the whole answer when it
// names no directory). A directory's name may hold dots of its own ("v1.2/", "../"), which
// say nothing about the file.
std::string_view fileNameOf(std::string_view answer) {
    const std::size_t slash = answer.find_last_of("/\\");
    return slash == std::string_view::npos ? answer : answer.substr(slash + 1);
}

// Characters MAX(1, NPD-8) to NPD+3 of the file name (1-based, NPD its first "."), cut at
// the end of the name.
std::string shortInputName(std::string_view name, std::size_t NPD) {
    const std::size_t first = NPD > 9 ? NPD - 9 : 0;  // 0-based
    const std::size_t last = std::min(NPD + 3, name.size());  // 1-based, inclusive
    return util::pad(name.substr(first, last - first), NAMLEN);
}

std::string trimmed(std::string_view text) { return std::string(util::trim(text)); }

}  // namespace

void setUp(RunState& s) {
    if (s.INIT1 == 1) {
        s.IDSUBH[0] = SUBHEADER_ID;
        s.NSUBH = 1;
        std::copy(std::begin(AMD_IDS), std::end(AMD_IDS), s.IDAMD.begin());
        s.NAMD = 15;
        s.NRO1TS = 0;
    }
    s.LIMPTS = 18000;
    s.PROGRM = terminatedText(PROGRAM_NAME, IDLEN);
    s.STAMP = util::pad(STAMP_TEXT, NAMLEN);
    s.VERSION = terminatedText(std::string_view(s.STAMP).substr(0, IDLEN), IDLEN);
    s.HISTRY = terminatedText(HISTORY_TEXT, NAMLEN);
}

void showBanner(const RunState& s) {
    sayLine(util::freefmt({HYPHENS}));
    sayLine(util::freefmt({"              ***** VORNCALV  *****"}));
    sayLine(util::freefmt({util::trim(s.STAMP)}));
    sayLine(util::freefmt({HYPHENS}));
}

void askInputFile(RunState& s) {
    s.CXFILE = answerName(s, INPUT_PROMPT);
    // The "." is looked for in the file name, never in a directory before it.
    const std::string_view fileName = fileNameOf(s.CXFILE);
    const std::size_t dot = fileName.find('.');
    const std::size_t NPD = dot == std::string::npos ? 0 : dot + 1;
    if (NPD <= 1) {
        sayLine(util::freefmt({"INPUT FILE NAME IS TOO SHORT"}));
        sayLine(util::freefmt({"   CXFILE=", trimmed(s.CXFILE)}));
        logLine(s, "NAME MUST HAVE AT LEAST 1 CHAR & \".\"");
        util::stop("TRY AGAIN!");
    }
    s.FILEIN = shortInputName(fileName, NPD);
}

void askOriginalSpectra(RunState& s) {
    if (!s.GIVEN.source) {
        say(" ENTER path\\file of orig. complex sp.: \n");
        sayLine(util::freefmt({"(used for variance comp., \"forward\" cases)"}));
    }
    s.ORGINP = answerName(s, SOURCE_PROMPT);
}

void askRoot(RunState& s) {
    const Answer typed = answer(s, ROOT_PROMPT);
    s.BASE = util::pad(std::string_view(typed.line).substr(0, std::min(typed.line.size(), std::size_t{8})), 8);
    const std::string root = trimmed(s.BASE);
    // A root whose 8 characters are all blank would name the files ".LOG", "        .RLC".
    if (root.empty()) {
        tell(s, "EMPTY ANSWER AT PROMPT FOR 8-CHAR. ROOT OF FILE NAMES.");
        util::stop("EMPTY ROOT");
    }
    const bool cut = typed.significant > 8;
    // Said before the log is opened, so that the console shows it in the order it happened.
    const std::string cutLine = "ROOT OF FILE NAMES CUT TO 8 CHARACTERS: " + root;
    if (cut) sayLine(util::freefmt({cutLine}));
    s.VMFILE = outputName(s.BASE, "XXXXXXXX.LVF");
    s.LOGFIL = util::pad(root + ".LOG", NAMLEN);
    const std::string lockName = root + ".LCK";
    const std::string lockFailure = lockRoot(s, root, lockName);
    logLine(s, HYPHENS);
    logLine(s, "                ***** VORNCALV *****");
    logLine(s, util::trim(s.STAMP));
    logLine(s, HYPHENS);
    if (cut) logLine(s, cutLine);
    if (!lockFailure.empty()) {
        tell(s, "VORNCALV -- UNABLE TO CREATE LOCK FILE " + lockName);
        tell(s, "REASON: " + lockFailure);
        util::stop("OPEN ERROR, LOCK FILE");
    }
}

void askMode(RunState& s) {
    const std::string yn = answerText(s, MODE_PROMPT);
    s.YN = yn[0];
    if (s.YN == 'Y' || s.YN == 'y') {
        s.IWAIT = 0;
    } else {
        s.IWAIT = 1;
        s.STFILE = util::pad(trimmed(s.BASE) + ".STC", NAMLEN);
    }
}

void openingDialogue(RunState& s) {
    setUp(s);
    showBanner(s);
    askInputFile(s);
    askOriginalSpectra(s);
    askRoot(s);
    askMode(s);
}

void closingDialogue(RunState& s) {
    s.IFILEV = answerName(s, VARIANCE_PROMPT);
    s.PFILE = answerName(s, PARAMS_PROMPT);
    s.MPFILE = answerName(s, MIRRORS_PROMPT);
    s.EMISSFIL = answerName(s, PAINT_PROMPT);
    s.PSTFIL = answerName(s, UPSTREAM_PROMPT);
    sayLine(util::freefmt({" "}));
    sayLine(util::freefmt({"LAST \"KEYBOARD\" INPUT HAS BEEN READ."}));
}

void logRunStart(RunState& s) {
    std::string how = "FRESH START";
    if (s.IWAIT == 0) how = "BATCH RUN";
    else if (s.STCBAD == 1) how = "RESTART, STATUS FILE DAMAGED";
    else if (s.LSN > 0) how = "RESTART AFTER SCENE " + std::to_string(s.LSN);
    logLine(s, "RUN STARTED " + util::utcText(s.STARTED) + ", PID " + std::to_string(::getpid()) + ", " + how);
}

void logRunEnd(RunState& s) {
    const util::WallTime now = util::wallNow();
    const auto took = std::chrono::duration_cast<std::chrono::seconds>(now - s.STARTED);
    logLine(s, "RUN ENDED " + util::utcText(now) + ", DURATION " + util::durationText(took));
}

std::string outputName(std::string_view BASE, std::string_view nameTemplate) {
    std::string name = util::pad(nameTemplate, NAMLEN);
    util::overlay(name, 0, util::pad(BASE, 8));
    return name;
}

void logLine(RunState& s, std::string_view text) {
    s.MSG = util::pad(text, NAMLEN);
    logLine(s.LOG, s.LOGFIL, s.MSG);
}

void sayAndLog(RunState& s, std::string_view line) {
    s.MSG = util::pad(line, NAMLEN);
    sayAndLog(s.LOG, s.LOGFIL, line);
}

void tell(RunState& s, std::string_view text) {
    s.MSG = util::pad(text, NAMLEN);
    tell(s.LOG, s.LOGFIL, text);
}

void abortRun(RunState& s) {
    util::logmsg(s.LOG, s.LOGFIL, s.MSG);
    util::stop("ABORT -- CHECK STATUS FILE FOR VORNCALV");
}

}  // namespace vorncalv
