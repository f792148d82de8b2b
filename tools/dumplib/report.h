// The views of a data file the dump tool prints: the summary, the header-value table,
// one record as CSV, and records as a plot.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dumplib/datafile.h"

namespace dump {

// File, format, record count, every column with its descriptions, points and abscissa
// domain, and the header fields of record 1 (of the header layout when there is no record).
void writeSummary(DataFile& file, std::ostream& out);

// One line per record, one column per header field (headed by its field name); a value the
// record does not deliver shows as "-". Records must be in range (DumpError otherwise).
// No records, or a format without header fields, gives one line saying so.
void writeMetaTable(DataFile& file, const std::vector<int>& records, std::ostream& out);

// One record as CSV: the header line "wavenumber,<column names>", then one line per point.
// Without a column choice every column is written, which needs all columns on the same
// wavenumber grid (DumpError otherwise).
void writeCsv(DataFile& file, int record, std::optional<int> column, std::ostream& out);

// An SVG line plot of the records (one column, the first by default). An empty title
// gives "<file name>: <column label>".
std::string plotRecords(DataFile& file, const std::vector<int>& records, std::optional<int> column,
                        const std::string& title);

}  // namespace dump
