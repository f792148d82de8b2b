// Records a count for one output file in a status file.
#pragma once

#include <string_view>

namespace util {

// Sets the count of the record whose 80 bytes contain OFILE (trailing blanks removed) to NRO;
// without such a record, appends one: OFILE blank-padded to 75 characters, then NRO
// right-aligned in 5 characters. The file is replaced as a whole (its records written to
// SFILE.new<process id> beside it, put on the disk and renamed over it), so that a write that fails
// part-way never leaves a record half old and half new; where that cannot be done (no new
// file can be made there, SFILE is a link, or a record of it cannot be read) the record is
// rewritten in place. While SFILE does not exist it
// prints " WRTSTA -- waiting to open status file <name>" and waits through sleeper, without
// limit; a failed write prints " WRTSTA -- waiting to write file <name>" and
// "        -- record number <n>", waits and writes again. A name longer than 75 characters
// to be appended prints why and stops with "Increase maximum string length!".
// JSTAT = 0 when the count is recorded. JSTAT = 1, with a console line and the file left
// alone, when OFILE or SFILE is blank or NRO does not fit 5 characters (-9999..99999).
// A file that cannot be opened stops with "OPEN ERROR, STATUS FILE"; unit is the caller's
// unit number, kept for the record.
void wrtsta(int NRO, std::string_view OFILE, std::string_view SFILE, int unit, int& JSTAT);

}  // namespace util
