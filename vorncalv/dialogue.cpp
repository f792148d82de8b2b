// The opening of the calibration program: banner, console dialogue and derived names.
#include "vorncalv/dialogue.h"

#include <algorithm>
#include <ostream>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/logmsg.h"
#include "libutil/stop.h"
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
constexpr int AMD_IDS[15] = {0x98001, 0x98002, 0x98003, 0x800C,  0x98006,
                             0x98007, 0x98008, 0x98009, 0x9800A, 0x9800B,
                             0x9800C, 0x9800D, 0x9800E, 0x9800F, 0x98010};
constexpr int SUBHEADER_ID = 97122201;

// A fixed text of the given width holding text, NUL-terminated after its last significant
// character (the text is cut by one when it fills the width).
std::string terminatedText(std::string_view text, std::size_t width) {
    std::string field = util::pad(text, width);
    util::nulTerminate(field.data(), width);
    return field;
}

void say(std::string_view text) { util::conout() << text << std::flush; }

// Prints a prompt and reads the answer as one line cut or blank-padded to width. A read
// failure (end of input or read error) logs failMessage and stops with stopText.
std::string answer(RunState& s, std::string_view prompt, std::size_t width,
                   std::string_view failMessage, std::string_view stopText) {
    say(prompt);
    std::string line;
    if (!readLine(util::conin(), line, width)) {
        logLine(s, failMessage);
        util::stop(std::string(stopText));
    }
    return util::pad(line, width);
}

std::string answerName(RunState& s, std::string_view prompt, std::string_view failMessage,
                       std::string_view stopText) {
    return answer(s, prompt, NAMLEN, failMessage, stopText);
}

// Characters MAX(1, NPD-8) to NPD+3 of CXFILE (1-based, NPD the first "."), cut at the end
// of the 80-character name.
std::string shortInputName(const std::string& CXFILE, std::size_t NPD) {
    const std::size_t first = NPD > 9 ? NPD - 9 : 0;  // 0-based
    const std::size_t last = std::min(NPD + 3, CXFILE.size());  // 1-based, inclusive
    return util::pad(std::string_view(CXFILE).substr(first, last - first), NAMLEN);
}

std::string trimmed(std::string_view text) { return std::string(util::trim(text)); }

}  // namespace

void sayLine(std::string_view text) { util::conout() << text << '\n' << std::flush; }

void terminateName(std::string& name) {
    const std::size_t last = name.find_last_not_of(' ');
    if (last == std::string::npos || name[last] == '\0' || last + 1 >= name.size()) return;
    name[last + 1] = '\0';
}

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
    s.CXFILE = answerName(s, " ENTER Input File Name: ", "READ ERROR AT PROMPT FOR INPUT FILE NAME",
                          "READ ERROR;FILE NAME");
    const std::size_t dot = s.CXFILE.find('.');
    const std::size_t NPD = dot == std::string::npos ? 0 : dot + 1;
    if (NPD <= 1) {
        sayLine(util::freefmt({"INPUT FILE NAME IS TOO SHORT"}));
        sayLine(util::freefmt({"   CXFILE=", trimmed(s.CXFILE)}));
        logLine(s, "NAME MUST HAVE AT LEAST 1 CHAR & \".\"");
        util::stop("TRY AGAIN!");
    }
    s.FILEIN = shortInputName(s.CXFILE, NPD);
}

void askOriginalSpectra(RunState& s) {
    say(" ENTER path\\file of orig. complex sp.: \n");
    sayLine(util::freefmt({"(used for variance comp., \"forward\" cases)"}));
    s.ORGINP = answerName(s, "", "READ ERROR AT PROMPT FOR PATH NAME OF COMPLEX SP.",
                          "READ ERROR; PATH?");
}

void askRoot(RunState& s) {
    s.BASE = answer(s, " ENTER FIRST 8 CHARS. FOR OUTPUT FILE NAMES: ", 8,
                    "READ ERROR AT PROMPT FOR 8-CHAR. ROOT OF FILE NAMES.", "READ ERROR; ROOT?");
    s.VMFILE = outputName(s.BASE, "XXXXXXXX.LVF");
    s.LOGFIL = util::pad(trimmed(s.BASE) + ".LOG", NAMLEN);
    logLine(s, HYPHENS);
    logLine(s, "                ***** VORNCALV *****");
    logLine(s, util::trim(s.STAMP));
    logLine(s, HYPHENS);
}

void askMode(RunState& s) {
    const std::string yn = answer(s, " DISABLE REAL-TIME MODE? [Y/N] ", 1,
                                  "READ ERROR AT PROMPT FOR DISABLE OPTION", "READ ERROR; DISABLE?");
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
    s.IFILEV = answerName(s, " ENTER NAME OF \"VARIANCE\" INPUT FILE: ",
                          "READ ERROR AT PROMPT FOR NAME OF VARIANCE INPUT FILE", "READ ERROR");
    s.PFILE = answerName(s, " ENTER NAME OF \"STATIC-PARS.\" INPUT FILE: ",
                         "READ ERROR AT PROMPT FOR NAME OF STATIC-PARS. INPUT FILE", "READ ERROR");
    s.MPFILE = answerName(s, " ENTER NAME OF SCENE-MIRROR-POSITION FILE: ",
                          "READ ERROR AT PROMPT FOR NAME OF MIR.POS. FILE", "READ ERROR");
    s.EMISSFIL = answerName(s, " ENTER NAME OF BB PAINT EMISSIVITY FILE: ",
                            "READ ERROR AT PROMPT FOR NAME OF EMISSIVITY FILE", "READ ERROR");
    s.PSTFIL = answerName(s,
                          " ENTER NAME OF PREVIOUS-PROGRAM STATUS FILE,\n"
                          " (PREVIOUS PROGRAM: QUINT(CH.1) OR MOBLEX(CH.2)",
                          "READ ERROR AT PROMPT FOR NAME OF QUINT STATUS FILE", "READ ERROR");
    sayLine(util::freefmt({" "}));
    sayLine(util::freefmt({"LAST \"KEYBOARD\" INPUT HAS BEEN READ."}));
}

std::string outputName(std::string_view BASE, std::string_view nameTemplate) {
    std::string name = util::pad(nameTemplate, NAMLEN);
    util::overlay(name, 0, util::pad(BASE, 8));
    return name;
}

void logLine(RunState& s, std::string_view text) {
    s.MSG = util::pad(text, NAMLEN);
    util::logmsg(s.LOG, s.LOGFIL, s.MSG);
}

void abortRun(RunState& s) {
    util::logmsg(s.LOG, s.LOGFIL, s.MSG);
    util::stop("ABORT -- CHECK STATUS FILE FOR VORNCALV");
}

}  // namespace vorncalv
