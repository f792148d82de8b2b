// A real-time restart that finds a damaged status file or a product short of what the
// status file counts goes back to the last scene every product holds whole.
#include "vorncalv/restartcheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "libutil/fixedtext.h"
#include "libutil/nrout.h"
#include "libutil/stafile.h"
#include "libutil/stop.h"
#include "ravlio/ravlio.h"
#include "vorncalv/dialogue.h"
#include "vorncalv/outputs.h"

namespace vorncalv {
namespace {

namespace stafile = util::stafile;

// Permissions of a status file made anew when the old one cannot say its own.
constexpr unsigned STATUS_FILE_MODE = 0644;

std::string statusName(const RunState& s) { return std::string(util::trim(s.STFILE)); }

// The records of the status file name, read whole; empty when there are none.
std::vector<std::string> statusRecords(const std::string& name) {
    std::vector<std::string> records;
    std::ifstream in(name, std::ios::binary);
    std::string record(stafile::LREC, ' ');
    while (in.read(record.data(), static_cast<std::streamsize>(record.size()))) records.push_back(record);
    return records;
}

// What is wrong with the status file name, or nothing when it is made of whole records that
// each hold a count (or is not there: the run then starts it afresh).
std::optional<std::string> statusDamage(const std::string& name) {
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    if (st.st_size == 0) return "IS EMPTY";
    if (st.st_size % static_cast<off_t>(stafile::LREC) != 0) {
        return "IS TORN AFTER " + std::to_string(st.st_size) + " BYTES";
    }
    const std::vector<std::string> records = statusRecords(name);
    for (std::size_t n = 0; n < records.size(); ++n) {
        if (!stafile::count(records[n])) return "IS DAMAGED: RECORD " + std::to_string(n + 1) + " HOLDS NO COUNT";
    }
    return std::nullopt;
}

// The last scene, at most bound, whose records the product name, holding held whole records,
// holds.
int scenesHeld(const RunState& s, const std::string& name, int held, int bound) {
    int lo = 0;  // a scene whose records it holds
    int hi = bound;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (productRecordsThrough(s, name, mid) <= held) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    return lo;
}

// Scenes of the day: NLSET sets of NSVP scenes.
int scenesOfTheDay(const RunState& s) {
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{s.NLSET} * s.NSVP, 0, INT_MAX));
}

bool exists(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists(name, error);
}

std::uintmax_t sizeOf(const std::string& name) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(name, error);
    return error ? 0 : size;
}

// Cuts the product name after keep records (a torn record after them goes too); says so when that
// dropped anything. A product that cannot be cut stops the run.
void cutProduct(RunState& s, const std::string& name, int keep) {
    if (!exists(name)) return;
    const std::uintmax_t before = sizeOf(name);
    ZARFFILE* f = ZARFopenFileReadable(("@" + name).c_str());
    if (f == nullptr) return;  // not a data file: the writer says why it cannot write there
    const int result = ZARFRGDcutRecords(f, keep);
    const int error = errno;  // a failed cut or sync leaves the system's reason
    std::string why = result == 0 ? "" : ZARFlastError(f);
    if (result == -2 && error != 0) why += ": " + std::string(std::strerror(error));
    ZARFcloseFile(f);
    if (result != 0) {
        logLine(s, "VORNCALV -- UNABLE TO CUT \"" + name + "\" AFTER RECORD " + std::to_string(keep));
        logLine(s, "REASON: " + why);
        util::stop("WRITE ERROR!");
    }
    if (sizeOf(name) < before) {
        tell(s, "VORNCALV -- \"" + name + "\" CUT AFTER RECORD " + std::to_string(keep));
    }
}

// A product that is there but cannot be read as a data file (another program's file, or
// one whose preamble is torn) tells nothing of the scenes it holds, and the writer cannot add
// to it. Rather than cut every other product back to nothing on its account and then wait
// for it without end, the run stops before it changes anything and says which file it is.
[[noreturn]] void unreadableProduct(RunState& s, const std::string& name) {
    const char* const error = ZARFlastError(nullptr);
    const std::string why = error != nullptr ? error : "";
    tell(s, "VORNCALV -- \"" + name + "\" IS NOT A READABLE DATA FILE");
    if (!why.empty()) tell(s, "REASON: " + why);
    tell(s, "VORNCALV -- MOVE IT AWAY, THEN START THE RUN AGAIN");
    util::stop("OUTPUT FILE?");
}

// The status file as an uninterrupted run leaves it after scene: the last scene, then every
// product's count in the order the products were first written. A status file that could be
// read keeps its records in their places, with the counts of this run's products set back
// (the record of a product this run does not write, such as one the parameter file now
// disables, stays as it was); a damaged one is made anew.
void rewriteStatusFile(RunState& s, const std::vector<std::string>& products, int scene) {
    const std::string name = statusName(s);
    std::vector<std::string> records;
    if (s.STCBAD != 1) records = statusRecords(name);
    const std::string first =
        stafile::record(std::string_view(s.CINFO).substr(0, stafile::KEYLEN), *stafile::countField(scene));
    if (records.empty()) {
        records.push_back(first);
    } else {
        records[0] = first;
    }
    for (const std::string& product : products) {
        const int count = productRecordsThrough(s, product, scene);
        const std::optional<std::string> field = stafile::countField(count);
        if (!field) continue;
        // Found as wrtsta finds it: by the whole name anywhere in a record after the first.
        const auto kept = std::find_if(records.begin() + 1, records.end(),
                                       [&](const std::string& r) { return r.find(product) != std::string::npos; });
        if (kept != records.end()) {
            util::overlay(*kept, stafile::KEYLEN, *field);
        } else if (count > 0) {
            records.push_back(stafile::record(product, *field));
        }
    }
    struct stat st {};
    const unsigned mode = ::stat(name.c_str(), &st) == 0 ? (st.st_mode & 07777) : STATUS_FILE_MODE;
    if (stafile::replace(name, records, mode) != stafile::Replaced::yes) {
        s.MSG = util::pad("VORNCALV -- UNABLE TO REWRITE STATUS FILE " + name, NAMLEN);
        abortRun(s);
    }
}

}  // namespace

bool statusFileDamaged(RunState& s) {
    const std::string name = statusName(s);
    const std::optional<std::string> damage = statusDamage(name);
    if (!damage) return false;
    tell(s, "VORNCALV -- STATUS FILE \"" + name + "\" " + *damage);
    s.STCBAD = 1;
    return true;
}

void checkProductsAgainstStatus(RunState& s) {
    // A fresh start writes every record anew; only a restart relies on what is counted.
    if (s.IWAIT == 0 || (s.LSN <= 0 && s.STCBAD != 1)) return;
    // A product of another run is left whole: cutting it back to this run's scenes would lose
    // its records and keep the first of them as if this run had written them.
    if (s.STCBAD != 1) refuseForeignProducts(s);
    const std::vector<std::string> products = productNames(s);
    const std::string status = statusName(s);
    bool shortOfCount = false;
    const int bound = s.STCBAD == 1 ? scenesOfTheDay(s) : std::max(s.LSN, 0);
    int resume = bound;
    for (const std::string& product : products) {
        const bool there = exists(product);
        const int held = there ? productRecordCount(product) : 0;
        if (held < 0) unreadableProduct(s, product);
        if (s.STCBAD != 1) {
            // The status file counts a product's records, and through its last scene the
            // records of every scene up to it (for a product it has a record of: one it does
            // not name was never counted by it).
            const int own = std::max(util::nrout(product, s.STFILE, s.LUS), 0);
            const int counted = own > 0 ? std::max(own, productRecordsThrough(s, product, std::max(s.LSN, 0))) : 0;
            if (held < counted) {
                shortOfCount = true;
                const std::string found = there ? "HOLDS " + std::to_string(held) + " RECORDS" : "IS MISSING";
                tell(s, "VORNCALV -- \"" + product + "\" " + found + ", \"" + status + "\" COUNTS " +
                            std::to_string(counted));
            }
        }
        resume = std::min(resume, scenesHeld(s, product, held, bound));
    }
    if (s.STCBAD != 1 && !shortOfCount) return;
    tell(s, "VORNCALV -- RESUMING AFTER SCENE " + std::to_string(resume) + ", THE LAST ONE EVERY PRODUCT HOLDS WHOLE");
    // The products first: should the run stop in between, the status file still counts more
    // than they hold, and the next run comes back here.
    for (const std::string& product : products) cutProduct(s, product, productRecordsThrough(s, product, resume));
    rewriteStatusFile(s, products, resume);
    s.LSN = resume;
    s.STCBAD = 0;
}

}  // namespace vorncalv
