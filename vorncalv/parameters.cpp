// The static input-parameter file: obtaining, decoding and checking it.
#include "vorncalv/parameters.h"

#include <cmath>
#include <filesystem>
#include <ostream>

#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/wait.h"
#include "libutil/stop.h"
#include "libutil/uprcas.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/gensip.h"
#include "vorncalv/vornps.h"

namespace vorncalv {
namespace {

// Whether a file of that name exists; a failing inquiry counts as a missing file.
bool exists(std::string_view name) {
    std::error_code error;
    return std::filesystem::exists(std::string(util::trim(name)), error);
}

// Batch mode without a parameter file: writes the template and tells the operator what to
// do with it; every way out is the stop "INPUT-PAR. FILE?".
[[noreturn]] void offerTemplate(RunState& s) {
    const std::string name = templateName(s.PFILE);
    if (name.empty()) {
        tell(s, "INPUT-PAR. FILE NOT FOUND: " + std::string(util::trim(s.PFILE)));
        tell(s, "NO TEMPLATE WRITTEN: THE NAME HOLDS NO \"SIP\"");
        util::stop("INPUT-PAR. FILE?");
    }
    if (exists(name)) {
        tell(s, "TEMPLATE FILE EXISTS ALREADY, NOT OVERWRITTEN:");
    } else if (!gensip(name)) {
        tell(s, "GENSIP -- UNABLE TO CREATE TEMPLATE FILE: " + name);
        util::stop("INPUT-PAR. FILE?");
    }
    tell(s, "For input-par. file, edit file: " + name);
    tell(s, "and rename it to VORNCALV.SIP");
    util::stop("INPUT-PAR. FILE?");
}

void obtainParameterFile(RunState& s) {
    if (exists(s.PFILE)) return;
    if (s.IWAIT != 1) offerTemplate(s);
    util::Wait wait("FILE " + std::string(util::trim(s.PFILE)));
    while (!exists(s.PFILE)) {
        sayLine(util::freefmt({"Waiting for creation of file " + util::pad(s.PFILE, NAMLEN)}));
        wait.sleep();
    }
}

std::string_view statusMessage(int IPSTAT) {
    switch (IPSTAT) {
        case 1: return "FROM VORNPS: REDUNDANCY IN INPUT PARAMETERS";
        case 2: return "FROM VORNPS: NO END-OF-STRING IDENTIFIER";
        case 3: return "FROM VORNPS: UNKNOWN LINE IN INPUT PARAMETERS";
        case 4: return "FROM VORNPS: INDEX <1 OR INDEX > NPARS";
        case 5: return "FROM VORNPS: WRONG NUMBER OF INPUT PARAMETERS";
        case 6: return "FROM VORNPS: UNABLE TO FIND INPUT-PAR. FILE";
        case 7: return "FROM VORNPS: BAD STATUS FROM \"GETSMPI\" ";
        default: return {};
    }
}

[[noreturn]] void badStatus(RunState& s) {
    if (s.IPSTAT == 8) {
        logLine(s, "SCENE-MIR.POS. FILE:" + std::string(util::trim(s.MPFILE)));
        logLine(s, "FROM VORNPS: UNABLE TO FIND MIR.POS.FILE");
        util::stop("MIR.POS. FILE?");
    }
    const std::string statusLine = util::fmt("('VORNPS returned BAD status of',I2)", {s.IPSTAT});
    logLine(s, statusLine);
    std::string message(statusMessage(s.IPSTAT));
    if (message.empty()) message = statusLine;
    logLine(s, message);
    sayLine(util::freefmt({message}));
    util::stop("BAD STATUS FROM VORNPS");
}

// A blackbody's three thermistor weights form a weighted mean only when none is negative
// and they sum to 1; anything else still runs, with a warning on the console and in the log.
void checkWeights(RunState& s, std::string_view blackbody, float top, float apex, float bottom) {
    constexpr double TOLERANCE = 1.0e-3;
    const double sum = static_cast<double>(top) + apex + bottom;
    if (top >= 0.0F && apex >= 0.0F && bottom >= 0.0F && std::fabs(sum - 1.0) <= TOLERANCE) return;
    tell(s, util::fmt("('WARNING -- ',A,' BB THERMISTOR WEIGHTS < 0 OR SUM /= 1:',3F6.3)",
                           {blackbody, top, apex, bottom}));
}

}  // namespace

std::string templateName(std::string_view PFILE) {
    std::string name(util::trim(PFILE));
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
    for (std::size_t i = fileStart; i < name.size(); ++i) name[i] = util::uprcas(name[i]);
    const std::size_t sip = name.find("SIP", fileStart);
    if (sip == std::string::npos) return {};
    name.replace(sip, 3, "IPS");
    return name;
}

void staticParameters(RunState& s) {
    obtainParameterFile(s);
    StaticParameters read;
    vornps(s.IWAIT, s.LOG, s.LOGFIL, s.PFILE, s.MPFILE, read, s.IPSTAT);
    takeStaticParameters(read, s);
    s.NSVP = s.NSVIDS / 2;
    s.NALL = s.NSVP + s.NBBP;
    if (s.IPSTAT != 0) badStatus(s);
    checkWeights(s, "AMBIENT", s.WTABBT, s.WTABBA, s.WTABBB);
    checkWeights(s, "HOT", s.WTHBBT, s.WTHBBA, s.WTHBBB);
    if (s.OUTOP2 == 'Y') s.OFILE2 = outputName(s.BASE, s.OFILE2);
    if (s.OUTOP3 == 'Y') s.OFILE3 = outputName(s.BASE, s.OFILE3);
}

}  // namespace vorncalv
