// wtdmvf: writing one record of an output data file for the calibration driver.
#include "libutil/wtdmvf.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <string_view>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/inputfiles.h"
#include "libutil/recbridge.h"
#include "libutil/wait.h"
#include "libutil/filereason.h"
#include "libutil/sopenw.h"
#include "ravlio/fortjkt.h"

namespace util {
namespace {

using recbridge::lastErrorText;
using recbridge::message;
using recbridge::progress;
using recbridge::reportLibraryError;
using recbridge::reportTry;

constexpr std::string_view MsgCountTooLarge = "WTDMVF -- COUNT EXCEEDS ITS ARRAY";

// The first count entries of list; empty for a count below 1; nothing when the list is
// shorter than the count.
template <typename T>
std::optional<std::span<T>> leading(std::span<T> list, int count) {
    if (count < 1) return std::span<T>();
    if (static_cast<std::size_t>(count) > list.size()) return std::nullopt;
    return list.first(static_cast<std::size_t>(count));
}

// A description list: empty stays empty (no descriptions of that kind).
std::optional<std::span<const char* const>> descriptions(std::span<const char* const> list, int count) {
    if (list.empty()) return list;
    return leading(list, count);
}

// Everything the open takes besides the name and the program texts.
struct OpenLists {
    std::span<const int> references;
    std::span<const int> subheaders;
    OutputColumns columns;
};

std::optional<OpenLists> openLists(const ProductDescription& d) {
    const int n = d.numberofdatatypes;
    const auto refs = leading(d.list, d.npatopn);
    const auto subs = leading(d.idsubh, d.nsubh);
    const auto i = leading(d.identifierlist, n);
    const auto lo = leading(d.independentminimumlist, n);
    const auto hi = leading(d.independentmaximumlist, n);
    const auto ip = leading(d.independentprecisionlist, n);
    const auto pp = leading(d.pointsperrecordlist, n);
    const auto dp = leading(d.dependentprecisionloglist, n);
    const auto sn = descriptions(d.shortnamelist, n);
    const auto lb = descriptions(d.labellist, n);
    const auto ln = descriptions(d.longnamelist, n);
    const auto un = descriptions(d.unitslist, n);
    if (!refs || !subs || !i || !lo || !hi || !ip || !pp || !dp || !sn || !lb || !ln || !un) return std::nullopt;
    return OpenLists{*refs, *subs, OutputColumns{*i, *lo, *hi, *ip, *pp, *dp, *sn, *lb, *ln, *un}};
}

void refuseCounts(std::string& msg, int& istat, int status) {
    progress({MsgCountTooLarge});
    msg = message(MsgCountTooLarge);
    istat = status;
}

// True when every entry is 0 (no file) or the handle of an open file. A list naming a
// closed or unknown file fails the same way on every try, so waiting could never end.
bool handlesOpen(std::span<const int> handles) {
    return std::all_of(handles.begin(), handles.end(), [](int h) { return h == 0 || FORTJKTfileOf(h) != nullptr; });
}

// Step 1: open (create or reopen), retrying while waiting. False when it failed.
bool openOutput(const std::string& ofile, bool wait, const ProductDescription& product,
                const OpenLists& lists, int& jhndl, std::string& msg, int& istat) {
    const std::string progrm(product.progrm);
    const std::string version(product.version);
    const std::string histry(product.histry);
    const std::string_view name = recbridge::shownName(ofile);
    Wait waiting("FILE " + std::string(name) + " TO WRITE");
    for (int tries = 1;; ++tries) {
        jhndl = sopenw(ofile, product.file_type, lists.references, progrm, version, histry, lists.subheaders,
                       lists.columns);
        if (jhndl != 0) return true;
        const std::string text = lastErrorText(0);
        // The library's text speaks of reading; the system says what stands in the way.
        const std::string reason = fileWriteReason(name);
        if (!wait || !handlesOpen(lists.references)) {
            progress({"Zero file handle returned for file", name});
            if (!reason.empty()) progress({"REASON:", reason});
            msg = message(text);
            istat = 1;
            return false;
        }
        progress({"WTDMVF -- waiting to open file ", name});
        reportTry(tries);
        progress({"Error message:"});
        progress({text});
        if (!reason.empty()) progress({"REASON:", reason});
        waiting.sleep();
    }
}

// A source record that its file does not hold whole: which one, and where.
struct MissingSource {
    int record = 0;
    std::string file;
    int handle = 0;
};

// The first source record that its file does not hold whole: a record its file no longer
// holds (the file cut short, or removed and being written again) or does not hold yet. The
// library would copy no header data from it and leave its lineage block NaN, date and time
// included, so the record must not be written from it. Entries 0 (no file) and record
// numbers below 1 are the writer's to handle.
// The count is asked once for a handle that stands several times in a row (the calibration
// passes its input five times).
std::optional<MissingSource> missingSource(std::span<const int> list, std::span<const int> lrns) {
    int counted = 0;
    int count = 0;
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (list[k] == 0 || lrns[k] < 1) continue;
        if (list[k] != counted) {
            counted = list[k];
            srrcnt_(&counted, &count);
        }
        if (count < 0 || lrns[k] <= count) continue;  // a handle of no open file fails the write itself
        const ZARFFILE* f = FORTJKTfileOf(list[k]);
        return MissingSource{lrns[k], f != nullptr && f->filename != nullptr ? f->filename : "", list[k]};
    }
    return std::nullopt;
}

// A source file replaced under its name while its record is awaited (removed and written
// again, or a new file renamed over it) is reopened for the same handle: the old file would
// never grow, and the reader's copy of the handle then reads the new file too. The console
// and the log say so. False when the file is not replaced or cannot be opened yet.
bool followReplacedSource(const MissingSource& missing) {
    if (!inputReplaced(missing.file, missing.handle) || !reopenInputInPlace(missing.handle, missing.file)) return false;
    progress({"WTDMVF -- source file replaced while waiting; reopening it"});
    progress({"       -- file: ", missing.file});
    recbridge::logLine(fmt("('WTDMVF -- SOURCE FILE REPLACED WHILE WAITING FOR RECORD',I7,'; REOPENING')", {missing.record}));
    recbridge::logLine(missing.file);
    return true;
}

// Before a write: waits until every source record is whole in its file, as for any record
// not yet written; the log says which record is awaited. False, with the reason in text,
// when one is not and there is no waiting.
bool awaitSources(std::span<const int> list, std::span<const int> lrns, bool wait, std::string& text) {
    std::optional<MissingSource> missing = missingSource(list, lrns);
    if (!missing) return true;
    text = fmt("('WTDMVF -- SOURCE RECORD',I7,' NOT IN ',A)", {missing->record, missing->file});
    progress({text});
    if (!wait) return false;
    recbridge::logLine(text);
    Wait waiting("SOURCE RECORD " + std::to_string(missing->record) + " OF " + missing->file);
    for (int tries = 1; missing; ++tries) {
        // A source file reopened may hold the record already: it is looked at again at once.
        if (!followReplacedSource(*missing)) {
            progress({"WTDMVF -- waiting for source record", missing->record});
            progress({"       -- file: ", missing->file});
            reportTry(tries);
            waiting.sleep();
        }
        missing = missingSource(list, lrns);
    }
    return true;
}

}  // namespace

void wtdmvf(int& inito, int iwait, std::string& ofile, const ProductDescription& product,
            const RecordContents& record, int& jhndl, std::string& msg, int& istat) {
    const bool wait = iwait != 0;
    if (inito == 1) {
        terminateName(ofile, recbridge::TEXTLEN);
        const std::optional<OpenLists> lists = openLists(product);
        if (!lists) return refuseCounts(msg, istat, 1);
        if (!openOutput(ofile, wait, product, *lists, jhndl, msg, istat)) return;
        inito = 0;
    }

    const auto& [nro, list, lrns, npatwrt, idamd, namd, amd, obuf, ntotal] = record;
    const std::size_t sources = std::min(list.size(), lrns.size());
    const std::size_t fields = std::min(idamd.size(), amd.size());
    if ((npatwrt > 0 && static_cast<std::size_t>(npatwrt) > sources) ||
        (namd > 0 && static_cast<std::size_t>(namd) > fields) ||
        (ntotal > 0 && static_cast<std::size_t>(ntotal) > obuf.size()))
        return refuseCounts(msg, istat, 2);

    const std::size_t sourceCount = npatwrt > 0 ? static_cast<std::size_t>(npatwrt) : 0;

    // Step 2: write, retrying while waiting.
    const std::string_view name = recbridge::shownName(ofile);
    std::string text;
    Wait waiting("WRITE OF RECORD " + std::to_string(nro) + " OF " + std::string(name));
    for (int tries = 1;; ++tries) {
        if (!awaitSources(list.first(sourceCount), lrns.first(sourceCount), wait, text)) break;
        int written = 0;
        swcrec_(&jhndl, &nro, list.data(), lrns.data(), &npatwrt, idamd.data(), &namd, amd.data(), obuf.data(),
                &ntotal, &written);
        if (written > 0) {
            msg = message("OK");
            istat = 0;
            return;
        }
        text = reportLibraryError(jhndl);
        // A refused handle (negative result) or source list fails on every try: no wait helps.
        if (!wait || written < 0 || !handlesOpen(list.first(sourceCount))) break;
        progress({"WTDMVF -- waiting to write record", nro});
        progress({"       -- FILE: ", name});
        reportTry(tries);
        waiting.sleep();
    }
    // Step 3: the write failed without waiting.
    conout() << fmt("(' REC.NO.',I6,', FILE: ',A)", {nro, name}) << '\n';
    msg = message(text);
    istat = 2;
}

}  // namespace util
