// nrout: the count recorded for one file in a status file.
#include "libutil/nrout.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/lentrim.h"
#include "libutil/wait.h"
#include "libutil/stafile.h"

namespace util {
namespace {

// Length of the search key: an 8.3 short name.
constexpr std::size_t NAMLEN = 12;

// The last 12 characters of the name, or the whole name blank-padded to 12.
std::string searchKey(std::string_view name) {
    if (name.size() >= NAMLEN) return std::string(name.substr(name.size() - NAMLEN));
    return pad(name, NAMLEN);
}

}  // namespace

int nrout(std::string_view OFILE, std::string_view SFILE, int /*unit*/) {
    const std::string_view oname = OFILE.substr(0, static_cast<std::size_t>(lentrim(OFILE)));
    const std::string sname(SFILE.substr(0, static_cast<std::size_t>(lentrim(SFILE))));
    // A blank name would match the blanks of any record.
    if (oname.empty()) return 0;
    if (sname.empty()) stafile::openFailure("NROUT", sname);
    const std::string NAME = searchKey(oname);
    std::error_code ec;
    if (!std::filesystem::exists(sname, ec)) {
        Wait wait("STATUS FILE " + sname);
        while (!std::filesystem::exists(sname, ec)) {
            conout() << freefmt({"NROUT -- Waiting to open status file ", sname}) << '\n';
            wait.sleep();
        }
    }
    const stafile::File f(sname, false);
    if (!f.valid()) stafile::openFailure("NROUT", sname);
    std::string rec;
    for (int nrec = 1; f.read(nrec, rec); ++nrec) {
        if (rec.find(NAME) == std::string::npos) continue;
        const auto n = stafile::count(rec);
        if (!n) stafile::badCount("NROUT", sname, nrec, rec);
        return *n;
    }
    return 0;
}

}  // namespace util
