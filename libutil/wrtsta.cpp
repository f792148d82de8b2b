// wrtsta: recording a count for one output file in a status file.
#include "libutil/wrtsta.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/lentrim.h"
#include "libutil/sleeper.h"
#include "libutil/stafile.h"
#include "libutil/stop.h"

namespace util {
namespace {

constexpr int INIARG = 1024;

void say(const std::string& line) { conout() << line << '\n'; }

// Waits, printing before every sleep, until the status file exists.
void waitForFile(const std::string& name) {
    int ARG = INIARG;
    std::error_code ec;
    while (!std::filesystem::exists(name, ec)) {
        say(freefmt({"WRTSTA -- waiting to open status file ", name}));
        sleeper(ARG);
    }
}

// Writes record nrec, waiting and writing again while the write fails.
void writeRecord(const stafile::File& f, int nrec, const std::string& rec,
                 const std::string& sname) {
    int ARG = INIARG;
    while (!f.write(nrec, rec)) {
        say(freefmt({"WRTSTA -- waiting to write file ", sname}));
        say(freefmt({"       -- record number", nrec}));
        sleeper(ARG);
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
    int NREC = 0;
    std::string rec;
    while (f.read(++NREC, rec)) {
        if (rec.find(key) != std::string::npos) {
            overlay(rec, stafile::KEYLEN, field);
            writeRecord(f, NREC, rec, sname);
            JSTAT = 0;
            return;
        }
    }
    if (key.size() > stafile::KEYLEN) nameTooLong(key);
    writeRecord(f, NREC, stafile::record(key, field), sname);
    JSTAT = 0;
}

}  // namespace util
