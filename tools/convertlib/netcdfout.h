// Writing a selection of a data file as a netCDF-4 file that follows the CF conventions.
#pragma once

#include <functional>
#include <string>

#include "convertlib/selection.h"

namespace convert {

// What the global attributes say about where the data came from.
struct Provenance {
    std::string source;   // the input file's name
    std::string history;  // the input's own history (may be empty) and the conversion line
    std::string title;
};

// Called after each record written with the count written so far.
using Progress = std::function<void(size_t written, size_t total)>;

// Writes the selection to path: a record dimension (unlimited), the abscissa as a coordinate
// variable of its own dimension, a time coordinate when the records carry date and time,
// one (record, point) variable per column and one (record) variable per header field. The
// file is made in memory and written under a temporary name beside path, renamed into
// place when complete, so a failed conversion leaves no partial file and the previous
// file at path, if any, as it was. Failure: dump::DumpError.
void writeNetcdf(Selection& selection, const Provenance& provenance, const std::string& path,
                 const Progress& progress);

}  // namespace convert
