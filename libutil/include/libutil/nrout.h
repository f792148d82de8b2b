// Looks up the count recorded for one file in a status file.
#pragma once

#include <string_view>

namespace util {

// The count of the first record whose 80 bytes contain the last 12 characters of OFILE
// (trailing blanks removed; a shorter name is used whole, blank-padded to 12), so that a
// short name finds a record written under a full path; 0 when no record has it, or when
// OFILE is blank. While SFILE does not exist it prints " NROUT -- Waiting to open status
// file <name>" and waits through sleeper, without limit. A blank SFILE or a file that
// cannot be opened stops with "OPEN ERROR, STATUS FILE"; a count that is not a number
// stops with "BAD COUNT IN STATUS FILE". unit is the caller's unit number, kept for the
// record.
int nrout(std::string_view OFILE, std::string_view SFILE, int unit);

}  // namespace util
