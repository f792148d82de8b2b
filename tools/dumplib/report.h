// The views of a data file the dump tool prints: the summary, the header-value table,
// one record as CSV, and records as a plot.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dumplib/datafile.h"

namespace dump {

// How the header values of records are written.
enum class MetaFormat { Table, Csv, Json };

// File, format, record count, every column with its descriptions, points and abscissa
// domain, and the header fields of record 1 (of the header layout when there is no record).
void writeSummary(DataFile& file, std::ostream& out);

// Header values of records, one row per record and one column per field (headed by its
// field name): every field of the first record, or the chosen ones (names or identifiers;
// DumpError for one the first record does not hold). As a table a value the record does
// not deliver shows as "-"; as CSV (header line "record,<names>") it is empty; as JSON (an
// array of one object per record, "record" first) it is null, as is a non-finite value.
// Records must be in range (DumpError otherwise). In the table form, no records or a
// format without header fields gives one line saying so.
void writeMeta(DataFile& file, const std::vector<int>& records, const std::vector<std::string>& chosen,
               MetaFormat format, std::ostream& out);

// One record as CSV: the header line "wavenumber,<column names>", then one line per point.
// Without a column choice every column is written, which needs all columns on the same
// wavenumber grid (DumpError otherwise).
void writeCsv(DataFile& file, int record, const std::optional<std::string>& column, std::ostream& out);

// An SVG line plot of the records (one column: by default the first, or the second when the
// first holds the abscissa itself, as in MLT files). Each record's legend entry names its
// date and time when its header carries them, and "missing" for a record without a finite
// value. An empty title gives "<file name>: <column label>".
std::string plotRecords(DataFile& file, const std::vector<int>& records, const std::optional<std::string>& column,
                        const std::string& title);

// A file whose records hold no data columns (DataFile::hasDataColumns false) is shown by
// its header fields, the fields being the columns of the records:

// The records as CSV: a header line of the field names, then one line per record with the
// value of each field, the time field (timeHHMMSS) first; a value the record does not give,
// or a missing one, is empty.
void writeFieldRecordsCsv(DataFile& file, const std::vector<int>& records, std::ostream& out);

// An SVG line plot of one header field over the records against the time field (against
// the record number when there is none, or for the time itself). The field is chosen by
// name or identifier, by default the first after the time (the time when it is the only
// one); DumpError for a field the first record does not hold.
// Missing values break the line. An empty title gives "<file name>: <field label>".
std::string plotField(DataFile& file, const std::vector<int>& records, const std::optional<std::string>& field,
                      const std::string& title);

}  // namespace dump
