// Records a count for one output file in a status file.
#pragma once

#include <string_view>

namespace util {

// Sets the count of the record whose 80 bytes contain OFILE (trailing blanks removed) to NRO,
// rewriting that record in place; without such a record, appends one: OFILE blank-padded to
// 75 characters, then NRO right-aligned in 5 characters. While SFILE does not exist it
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
