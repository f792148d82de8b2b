// wrtsta: recording a count for one output file in a status file.
#include "libutil/wrtsta.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/lentrim.h"
#include "libutil/sleeper.h"
#include "libutil/stafile.h"
#include "libutil/stop.h"
#include "libutil/wait.h"

namespace util {
namespace {

void say(const std::string& line) { conout() << line << '\n'; }

// Waits, printing before every sleep, until the status file exists.
void waitForFile(const std::string& name) {
    std::error_code ec;
    if (std::filesystem::exists(name, ec)) return;
    Wait wait("STATUS FILE " + name);
    while (!std::filesystem::exists(name, ec)) {
        say(freefmt({"WRTSTA -- waiting to open status file ", name}));
        wait.sleep();
    }
}

// The records of the status file, read whole from the first; `held` of them are in the file
// (a new record is appended after them).
struct Records {
    std::vector<std::string> all;
    std::size_t held = 0;
};

Records readRecords(const stafile::File& f) {
    Records r;
    std::string rec;
    while (f.read(static_cast<int>(r.all.size()) + 1, rec)) r.all.push_back(rec);
    r.held = r.all.size();
    return r;
}

enum class Update { Done, Failed, InPlace };

// Replaces the status file sname as a whole by its records with the one new or changed:
// they are written to a new file beside it, which is then renamed over it. A record
// rewritten in place can be left half old and half new by a write that gets only part of
// the way (a full disk, a failing device) when the run then ends: a last-scene count going
// from 9 to 10 would read 19, and a restart would skip nine scenes. The rename leaves
// either the old file or the new one, for a later run and for every reader meanwhile;
// what a failed attempt wrote under the new name goes again, and an ended process's leftover
// is removed by the next run. InPlace when the replacement cannot be made without changing
// more than the records (not a plain file of its own, no new file can be made beside it, or
// not every record of the file could be read): the caller then writes the record in place.
Update replaceFile(const std::string& sname, const Records& records) {
    struct stat st {};
    if (::lstat(sname.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1 ||
        static_cast<std::size_t>(st.st_size) / stafile::LREC != records.held)
        return Update::InPlace;
    switch (stafile::replace(sname, records.all, st.st_mode & 07777)) {
        case stafile::Replaced::yes: return Update::Done;
        case stafile::Replaced::notCreated: return Update::InPlace;
        case stafile::Replaced::failed: break;
    }
    return Update::Failed;
}

// Puts record nrec (from 1) of records into the status file, waiting and trying again while
// that fails.
void writeRecord(const stafile::File& f, const Records& records, int nrec, const std::string& sname) {
    Wait wait("WRITE OF RECORD " + std::to_string(nrec) + " OF STATUS FILE " + sname);
    for (;;) {
        const Update update = replaceFile(sname, records);
        if (update == Update::Done) return;
        if (update == Update::InPlace && f.write(nrec, records.all[static_cast<std::size_t>(nrec) - 1])) return;
        say(freefmt({"WRTSTA -- waiting to write file ", sname}));
        say(freefmt({"       -- record number", nrec}));
        wait.sleep();
    }
}

[[noreturn]] void nameTooLong(std::string_view name) {
    say(freefmt({"WRTSTA -- output file name is longer than 75 characters"}));
    say(freefmt({"Name length:", static_cast<int>(name.size())}));
    say(freefmt({"OFILE:", name}));
    stop("Increase maximum string length!");
}

// The reason a call cannot be recorded at all, or nothing when it can.
std::optional<std::string> refusal(std::string_view key, std::string_view sname, int NRO) {
    if (key.empty()) return "WRTSTA -- no output file name given; status file not updated";
    if (sname.empty()) return "WRTSTA -- no status file name given; status file not updated";
    if (!stafile::countField(NRO)) {
        return "WRTSTA -- count does not fit the 5-character field: " + std::to_string(NRO);
    }
    return std::nullopt;
}

}  // namespace

void wrtsta(int NRO, std::string_view OFILE, std::string_view SFILE, int /*unit*/, int& JSTAT) {
    const std::string_view key = OFILE.substr(0, static_cast<std::size_t>(lentrim(OFILE)));
    const std::string sname(SFILE.substr(0, static_cast<std::size_t>(lentrim(SFILE))));
    if (const auto why = refusal(key, sname, NRO)) {
        say(freefmt({*why}));
        JSTAT = 1;
        return;
    }
    const std::string field = *stafile::countField(NRO);
    waitForFile(sname);
    const stafile::File f(sname, true);
    if (!f.valid()) stafile::openFailure("WRTSTA", sname);
    Records records = readRecords(f);
    for (std::size_t k = 0; k < records.held; ++k) {
        std::string& rec = records.all[k];
        if (rec.find(key) != std::string::npos) {
            overlay(rec, stafile::KEYLEN, field);
            writeRecord(f, records, static_cast<int>(k) + 1, sname);
            JSTAT = 0;
            return;
        }
    }
    if (key.size() > stafile::KEYLEN) nameTooLong(key);
    records.all.push_back(stafile::record(key, field));
    writeRecord(f, records, static_cast<int>(records.all.size()), sname);
    JSTAT = 0;
}

}  // namespace util
