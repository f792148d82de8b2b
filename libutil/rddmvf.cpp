// rddmvf: reading one record of a data file for the calibration driver.
#include "libutil/rddmvf.h"

#include <algorithm>
#include <string_view>

#include "libutil/filereason.h"
#include "libutil/fixedtext.h"
#include "libutil/inputfiles.h"
#include "libutil/fortfmt.h"
#include "libutil/recbridge.h"
#include "libutil/wait.h"
#include "ravlio/fortjkt.h"

namespace util {
namespace {

using recbridge::logLine;
using recbridge::message;
using recbridge::progress;
using recbridge::reportLibraryError;
using recbridge::reportTry;

constexpr std::string_view MsgEndOfFile = "END-OF-FILE";
constexpr std::string_view MsgDepColumn = "DEP.VAR.NO. > NO. VARIABLES";
constexpr std::string_view MsgIndColumn = "INDEP.VAR.NO. > NO. VARIABLES";
constexpr std::string_view MsgNoMetadata = "NO METADATA";
constexpr std::string_view MsgSmallRecord = "RECORD SIZE < 1 WORD!";
constexpr std::string_view MsgLargeRecord = "RECORD SIZE > LIMPTS";

// What one call reports back.
struct Outcome {
    int& istat;
    std::string& msg;

    void fail(int status, std::string_view text) {
        istat = status;
        msg = message(text);
    }
};

// Step a: open the file, retrying while waiting. False when it failed without waiting.
bool openWaiting(const std::string& infile, bool wait, int& ihndl, Outcome& out) {
    const std::string_view name = recbridge::shownName(infile);
    Wait waiting("FILE " + std::string(name) + " TO READ");
    for (int tries = 1;; ++tries) {
        ihndl = openInput(infile, name);
        if (ihndl != 0) return true;
        progress({"RDDMVF -- Open error, file ", name});
        const std::string text = reportLibraryError(0);
        if (const std::string reason = fileReason(name); !reason.empty()) progress({"REASON:", reason});
        if (!wait) {
            out.fail(1, text);
            return false;
        }
        progress({"RDDMVF -- waiting to open file ", name});
        reportTry(tries);
        waiting.sleep();
    }
}

// The record count; a negative count means the handle refers to no open file.
int recordCount(int ihndl) {
    int count = 0;
    srrcnt_(&ihndl, &count);
    return count;
}

// Step b: wait until the file holds a record. False when it failed.
bool awaitData(std::string_view name, bool wait, int ihndl, Outcome& out) {
    Wait waiting("FIRST RECORD OF " + std::string(name));
    for (int tries = 1;; ++tries) {
        const int count = recordCount(ihndl);
        if (count > 0) return true;
        const std::string text = reportLibraryError(ihndl);
        if (!wait || count < 0) {
            out.fail(2, text);
            return false;
        }
        progress({"RDDMVF -- waiting for nonzero record count"});
        progress({"       -- file: ", name});
        reportTry(tries);
        waiting.sleep();
    }
}

// Step c: the column selectors against the file's column count.
bool checkColumns(int ihndl, int ncold, int ncoli, int& nvars, Outcome& out) {
    sqdcnt_(&ihndl, &nvars);
    if (nvars < ncold) out.fail(10, MsgDepColumn);
    if (nvars < ncoli) out.fail(10, MsgIndColumn);
    return out.istat == 0;
}

// The file to read and how: what the first open and a reopen check alike.
struct Input {
    const std::string& infile;  // terminated in place
    std::string_view name;
    bool wait;
    int ncold;
    int ncoli;
};

// Steps a to c. A file opened that then fails a check is closed again (ihndl 0), so that a
// retry does not pile up open files.
bool openChecked(const Input& in, int& nvars, int& ihndl, Outcome& out) {
    if (!openWaiting(in.infile, in.wait, ihndl, out)) return false;
    if (awaitData(in.name, in.wait, ihndl, out) && checkColumns(ihndl, in.ncold, in.ncoli, nvars, out)) return true;
    closeInput(ihndl);
    return false;
}

// Follows a replaced file: the old handle is closed and the file now under the name is
// opened with the checks of the first open. The console and the log say so, the log being
// the operator's record of why the run read another file from here on.
bool reopen(const Input& in, int nrec, int& nvars, int& ihndl, Outcome& out) {
    progress({"RDDMVF -- file replaced while waiting; reopening it"});
    progress({"       -- file: ", in.name});
    logLine(fmt("('RDDMVF -- FILE REPLACED WHILE WAITING FOR RECORD',I7,'; REOPENING')", {nrec}));
    logLine(in.name);
    closeInput(ihndl);
    return openChecked(in, nvars, ihndl, out);
}

// Step 3: wait until the file holds record nrec, following the file when it is replaced
// meanwhile (an old handle would wait for ever on a file that no one writes any more).
// False when it failed.
bool awaitRecord(const Input& in, int nrec, int& nvars, int& ihndl, Outcome& out) {
    Wait waiting("RECORD " + std::to_string(nrec) + " OF " + std::string(in.name));
    for (int tries = 1;; ++tries) {
        const int count = recordCount(ihndl);
        if (count >= nrec) return true;
        if (count < 0) {  // no file behind the handle: it would never grow
            out.fail(2, reportLibraryError(ihndl));
            return false;
        }
        if (!in.wait) {
            progress({MsgEndOfFile});
            out.fail(6, MsgEndOfFile);
            return false;
        }
        if (inputReplaced(in.name, ihndl)) {
            if (!reopen(in, nrec, nvars, ihndl, out)) return false;
            continue;  // the new file may hold the record already
        }
        progress({"RDDMVF -- waiting for record number", nrec});
        progress({"       -- file: ", in.name});
        reportTry(tries);
        waiting.sleep();
    }
}

// Selects the column of one axis; a failure is reported with status and reading goes on.
void selectColumn(int ihndl, int axis, int column, int status, Outcome& out) {
    int ok = 0;
    sslctd_(&ihndl, &axis, &column, &ok);
    if (ok <= 0) out.fail(status, reportLibraryError(ihndl));
}

// A count bounded by the size of the arrays it applies to (0 for a count below 1).
int withinArrays(int count, std::size_t arraySize) {
    if (count < 1) return 0;
    return static_cast<int>(std::min(static_cast<std::size_t>(count), arraySize));
}

}  // namespace

void rddmvf(int& init, int iwait, int nrec, std::string& infile, std::span<int> ihwds,
            int nhww, int limpts, int& npts, std::span<double> xin, std::span<float> yin, int& nhwds,
            std::span<float> hwds, int ncold, int ncoli, int& nvars, int& istat, std::string& msg,
            int& ihndl) {
    Outcome out{istat, msg};
    istat = 0;
    msg = message("OK");
    terminateName(infile, recbridge::TEXTLEN);
    const Input in{infile, recbridge::shownName(infile), iwait != 0, ncold, ncoli};

    if (init == 1) {
        if (!openChecked(in, nvars, ihndl, out)) return;
        init = 0;
    }
    if (!awaitRecord(in, nrec, nvars, ihndl, out)) return;

    selectColumn(ihndl, DADEP, ncold, 3, out);
    selectColumn(ihndl, DAIND, ncoli, 4, out);

    const int capacity = withinArrays(limpts, std::min(xin.size(), yin.size()));
    int got = 0;
    srivad_(&ihndl, &nrec, xin.data(), &capacity, &got);
    if (got < 1) out.fail(7, reportLibraryError(ihndl));
    srdval_(&ihndl, &nrec, yin.data(), &capacity, &got);
    if (got < 1) out.fail(8, reportLibraryError(ihndl));

    const int requests = withinArrays(nhww, std::min(ihwds.size(), hwds.size()));
    srrmet_(&ihndl, &nrec, ihwds.data(), &requests, hwds.data(), &nhwds);
    if (nhwds < 0) {
        progress({MsgNoMetadata});
        out.fail(9, MsgNoMetadata);
    }

    srrsiz_(&ihndl, &nrec, &npts);
    if (npts < 1) out.fail(11, MsgSmallRecord);
    else if (npts > capacity) out.fail(12, MsgLargeRecord);
}

}  // namespace util
