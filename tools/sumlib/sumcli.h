// The vornsum command: a calibrated day's summary (netCDF-CF and CSV) and its quicklook
// page. main() only hands over the arguments and the standard streams.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vornsum {

// The text --help prints.
const char* usageText();

// The files a run writes for an output stem.
struct SummaryFiles {
    std::string netcdf, csv, html;
};
SummaryFiles summaryFiles(const std::string& stem);

// Runs vornsum; what it wrote and every problem on out and err. Returns the exit status:
// 0 every scene summarised from every product found, 1 a day that could not be read or
// written, or one summarised only in part (the files are written, err says what is
// missing), 2 a bad command line.
int runVornsum(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vornsum
