// The ravlconvert command: any file the library reads to a CF netCDF-4 file (or to CSV),
// with a choice of records, columns and header fields. main() only hands over the
// arguments and the standard streams.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace convert {

// The text --help prints.
const char* usageText();

// Runs ravlconvert; errors as "ravlconvert: <message>" on err, progress for files of many
// records on err. Returns the exit status: 0 success, 1 a file that cannot be read or
// written, 2 a bad command line.
int runRavlconvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace convert
