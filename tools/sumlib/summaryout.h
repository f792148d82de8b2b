// The summary's files: a netCDF-4 file following the CF conventions (dimension time, one
// variable per field with the dictionary's name, long name and units) and a CSV file of
// the same values. Every file is written under a temporary name beside its own and renamed
// into place only when complete, so a reader (or a cron job rerunning the summary on a
// growing day) always finds either the previous whole file or the new whole file.
#pragma once

#include <string>

#include "sumlib/summary.h"

namespace vornsum {

// The netCDF file's content, made in memory and written to path through a temporary name
// (convert::NcImage).
// Failure: dump::DumpError "cannot write PATH: <reason>", no file left behind.
void writeSummaryNetcdf(const DaySummary& day, const std::string& path);

// The CSV text: a header line "record,time,<field names>", then one line per scene with
// the time in ISO 8601 (UTC) and "NaN" for every missing value.
std::string summaryCsv(const DaySummary& day);

}  // namespace vornsum
