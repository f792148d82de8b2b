// Restart point, first good input record and restart record counts.
#include "vorncalv/restart.h"

#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "libutil/filereason.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/nrout.h"
#include "libutil/rdsta.h"
#include "libutil/stop.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/inputrecord.h"
#include "vorncalv/restartcheck.h"

namespace vorncalv {

namespace {

// Records searched for the first one with good times.
constexpr int MAXFIRST = 99;
// Characters of the input name shown in the " INPUT FILE IS " line.
constexpr std::size_t SHOWNAME = 40;

// A file name as the library and the file system see it: up to a NUL (the one the reader
// places), trailing blanks off.
std::string_view storedName(std::string_view name) {
    name = name.substr(0, std::min(name.find('\0'), name.size()));
    return util::trim(name);
}

// The input name as the library sees it.
std::string_view inputName(const RunState& s) { return storedName(s.CXFILE); }

// Step 1: LSN from the driver's status file (real-time mode only).
void restartPoint(RunState& s) {
    if (s.IWAIT == 0 || statusFileDamaged(s)) {  // a damaged one: the products say later
        s.LSN = 0;
        return;
    }
    util::rdsta(s.LUS, s.STFILE, s.CINFO, s.LSN);
    if (s.LSN > 0) {
        logLine(s, "=>=>=>=>=>=>=>  RESTART!!  <=<=<=<=<=<=<=");
        logLine(s, util::fmt("(' LAST SCENE COMPLETED:',I5)", {s.LSN}));
    }
}

// A failed read during the search ends the run.
[[noreturn]] void firstRecordBad(RunState& s) {
    logLine(s, s.MSG);
    if (s.IRDST == 1) {  // not opened: the system's reason follows the library's text
        if (const std::string reason = util::fileReason(inputName(s)); !reason.empty()) logLine(s, "REASON: " + reason);
    }
    logLine(s, "INPUT FILE: " + std::string(inputName(s)));
    logLine(s, util::fmt("('IRDST =',I2)", {s.IRDST}));
    util::stop("FIRST RECORD IS BAD");
}

// Step 2: the first of records 1..99 whose times are good.
void findFirstGoodRecord(RunState& s) {
    s.NOK = 0;
    for (s.NRI = 1; s.NRI <= MAXFIRST; ++s.NRI) {
        if (readInputColumn(s, s.NRI, 1) != 0) firstRecordBad(s);
        showHeaderWords(s, s.NRI);
        if (goodTimes(s)) {
            s.NOK = 1;
            return;
        }
        ++s.MISSES;
        logLine(s, util::fmt("('Bad times found in input record number ',I6)", {s.NRI}));
    }
    logLine(s, "UNABLE TO FIND GOOD RECORD IN FIRST 99 RECORDS!");
    util::stop("BAD INPUT?");
}

// Step 3: source list and the wavenumber grid of the good record.
void takeGrid(RunState& s) {
    s.LIST.fill(s.IHNDL);
    s.LRNS.fill(1);
    requireRecordSize(s, s.NRI);
    s.NPTS = s.NPTSR;
    s.XIN.assign(s.XRD.begin(), s.XRD.begin() + s.NPTS);
    s.XMIN = s.XIN.front();
    s.XMAX = s.XIN.back();
    // A one-point grid has no step (and must not divide by zero).
    s.DWN = s.NPTS > 1 ? (s.XMAX - s.XMIN) / (s.NPTS - 1) : 0.0;
    s.WNA = s.XMIN;
}

// One output file's restart count: what the status file records, at most MAXREC.
int restartCount(RunState& s, const std::string& OFILE, std::string_view which) {
    const int count = util::nrout(OFILE, s.STFILE, s.LUS);
    if (count < 0) {
        s.MSG = util::pad("NROUT RETURNED NEGATIVE " + std::string(which), NAMLEN);
        abortRun(s);
    }
    return std::min(count, s.MAXREC);
}

// The process id of a creation leftover of base ("base.new<digits>"); 0 for any other name.
long leftoverProcess(const std::string& candidate, const std::string& base) {
    const std::string prefix = base + ".new";
    if (candidate.size() <= prefix.size() || candidate.compare(0, prefix.size(), prefix) != 0) return 0;
    const std::string digits = candidate.substr(prefix.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return std::stol(digits);
}

bool processExists(long pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// Removes the creation leftovers of the file named path.
void removeLeftoversOf(RunState& s, const std::string& path) {
    namespace fs = std::filesystem;
    if (path.empty()) return;
    const fs::path file(path);
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const std::string base = file.filename().string();
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const long pid = leftoverProcess(it->path().filename().string(), base);
        if (pid <= 0 || processExists(pid)) continue;
        std::error_code removed;
        if (fs::remove(it->path(), removed) && !removed) {
            logLine(s, util::fmt("('REMOVED LEFTOVER FILE ',A)", {it->path().filename().string()}));
        }
    }
}

}  // namespace

void removeCreationLeftovers(RunState& s) {
    for (const std::string* name : {&s.OFILE1, &s.OFILE2, &s.OFILE3, &s.OFILEV}) {
        removeLeftoversOf(s, std::string(storedName(*name)));
    }
    // The status file's name is formed in real-time mode only; a batch run, which removes an
    // earlier real-time run's status file, removes what that run left half made beside it.
    const std::string status =
        s.IWAIT != 0 ? std::string(storedName(s.STFILE)) : std::string(util::trim(s.BASE)) + ".STC";
    if (status != ".STC") removeLeftoversOf(s, status);
}

void restartAndFirstRecord(RunState& s) {
    restartPoint(s);
    findFirstGoodRecord(s);
    takeGrid(s);
    const std::string_view name = inputName(s);
    logLine(s, util::fmt("(' INPUT FILE IS ',A)", {name.substr(0, std::min(name.size(), SHOWNAME))}));
    util::overlay(s.OFILE1, 0, util::pad(s.BASE, 8));
}

void restartRecordCounts(RunState& s) {
    if (s.LSN > 0) {
        s.MAXREC = s.LSN;
        s.NRO1 = restartCount(s, s.OFILE1, "NRO1");
        if (s.OUTOP2 == 'Y') s.NRO2 = restartCount(s, s.OFILE2, "NRO2");
        if (s.OUTOP3 == 'Y') s.NRO3 = restartCount(s, s.OFILE3, "NRO3");
    } else {
        s.NRO1 = 0;
        s.NRO2 = 0;
        s.NRO3 = 0;
    }
}

}  // namespace vorncalv
