// Writing a selection of a data file as CSV for spreadsheets: one line per record and point.
#pragma once

#include <ostream>

#include "convertlib/selection.h"

namespace convert {

// Writes a header line (record, time when the records carry one, the chosen header fields,
// the abscissa, the chosen columns), then one line per point of every chosen record with
// that record's number, time (ISO 8601, UTC) and field values repeated. Missing values are
// "NaN". Failure: dump::DumpError.
void writeCsv(Selection& selection, std::ostream& out);

}  // namespace convert
