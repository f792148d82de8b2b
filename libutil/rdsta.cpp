// rdsta: reading, or creating, the first record of a status file.
#include "libutil/rdsta.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/wait.h"
#include "libutil/stafile.h"
#include "ravlio/platform.h"

namespace util {
namespace {

// The new status file's name made durable in its directory; a failure there is one to open
// it.
void durableName(const std::string& name) {
    if (RAVLIOsyncParentDirectory(name.c_str()) != 0) stafile::openFailure("RDSTA", name);
}

// Record 1 of a new status file: the key and the count 0.
std::string firstRecord(const std::string& CINFO) {
    return stafile::record(std::string_view(CINFO).substr(0, stafile::KEYLEN), *stafile::countField(0));
}

// Creates the file under its own name with record 1. False when another process created
// it first.
bool createInPlace(const std::string& name, const std::string& CINFO) {
    const stafile::File f = stafile::File::create(name);
    if (!f.valid()) {
        if (f.exists()) return false;
        stafile::openFailure("RDSTA", name);
    }
    if (!f.write(1, firstRecord(CINFO)) || !f.sync()) {
        // Left behind without its first record, the file would make every later run wait
        // for that record without end: it was created here, so it goes again.
        ::unlink(name.c_str());
        stafile::openFailure("RDSTA", name);
    }
    durableName(name);
    return true;
}

// Creates the file with record 1 = key and count 0. False when another process created
// it first (then it is read like any existing file). Record 1 is written under a temporary
// name beside the file, which is then linked to the name: a process ended during the
// creation (killed between creating and writing) leaves no empty status file behind, which
// would make every later run wait for its first record without end. Where no temporary
// file can be made, the file is created in place.
bool createFirst(const std::string& name, const std::string& CINFO) {
    const std::string temporary = stafile::freshTemporaryName(name);
    {
        const stafile::File f = stafile::File::create(temporary);
        if (!f.valid()) return createInPlace(name, CINFO);
        // Record 1 is on the disk before the file takes its name, so that a power cut cannot
        // leave the name on an empty file.
        if (!f.write(1, firstRecord(CINFO)) || !f.sync()) {
            ::unlink(temporary.c_str());
            stafile::openFailure("RDSTA", name);
        }
    }
    const bool linked = ::link(temporary.c_str(), name.c_str()) == 0;
    if (linked || errno == EEXIST) {
        ::unlink(temporary.c_str());
        if (linked) durableName(name);
        return linked;
    }
    // A file system without hard links: move the file into place instead.
    if (RAVLIOrename(temporary.c_str(), name.c_str()) != 0) {
        ::unlink(temporary.c_str());
        stafile::openFailure("RDSTA", name);
    }
    durableName(name);
    return true;
}

}  // namespace

void rdsta(int /*unit*/, std::string_view filename, std::string& CINFO, int& NUMBR) {
    CINFO = pad(CINFO, 80);
    const std::string name(trim(filename));
    std::error_code ec;
    if (!std::filesystem::exists(name, ec) && createFirst(name, CINFO)) {
        NUMBR = 0;
        return;
    }
    const stafile::File f(name, false);
    if (!f.valid()) stafile::openFailure("RDSTA", name);
    std::string rec;
    if (!f.read(1, rec)) {
        Wait wait("FIRST RECORD OF STATUS FILE " + name);
        while (!f.read(1, rec)) {
            conout() << freefmt({"RDSTA -- Waiting to READ status file ", pad(filename, 80)}) << '\n';
            wait.sleep();
        }
    }
    const auto n = stafile::count(rec);
    if (!n) stafile::badCount("RDSTA", name, 1, rec);
    overlay(CINFO, 0, std::string_view(rec).substr(0, stafile::KEYLEN));
    NUMBR = *n;
    conout() << freefmt({"RDSTA, CINFO:", std::string_view(CINFO).substr(0, stafile::KEYLEN)})
             << '\n';
    conout() << freefmt({"       NUMBR:", NUMBR}) << '\n';
}

}  // namespace util
