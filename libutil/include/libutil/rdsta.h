// Reads, or creates, the first record of a status file.
#pragma once

#include <string>
#include <string_view>

namespace util {

// Reads record 1 of the status file named by filename (trailing blanks ignored): NUMBR gets
// its count, characters 1-75 of CINFO its key text (CINFO is first blank-padded to 80), and
// the console gets the lines " RDSTA, CINFO: <75 characters>" and "        NUMBR: <n>".
// A missing file is created with the one record "characters 1-75 of CINFO, count 0" and
// NUMBR = 0 (nothing printed). While record 1 cannot be read (the file is still being
// written by another process) it prints " RDSTA -- Waiting to READ status file <name, 80
// characters>" and waits through sleeper, without limit. A file that cannot be opened or
// created stops with "OPEN ERROR, STATUS FILE" (a file created here whose first record
// cannot be written is removed again first); a count that is not a number stops with
// "BAD COUNT IN STATUS FILE". unit is the caller's unit number, kept for the record.
void rdsta(int unit, std::string_view filename, std::string& CINFO, int& NUMBR);

}  // namespace util
