// One data file opened through the RAVLIO handle API, seen the way the dump tools need it:
// records, data columns with their descriptions, abscissa, values and header fields. Only
// the library's public operations are used, so every format the library reads works.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ravlio/ravlio.h"

namespace dump {

// A failure the tool reports to its user; the text says what went wrong and why.
class DumpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The error for a record number outside 1 to recordCount:
// "record R is out of range (the file has N records)".
DumpError recordOutOfRange(int record, int recordCount);

// One data column (data type) of the file.
struct ColumnInfo {
    int number = 0;    // position in the library's list, from 1
    int dataType = 0;  // identifier the library reports for it (what selection takes)
    std::string shortName, label, longName, units;
};

// A regular abscissa: minimum, maximum and interval between points.
struct Domain {
    double minimum = 0.0;
    double maximum = 0.0;
    double interval = 0.0;
};

// One metadata field of a record header.
struct FieldInfo {
    int identifier = 0;
    std::string name;   // description type 1
    std::string label;     // description type 2
    std::string longName;  // description type 3
    std::string units;     // description type 4
};

// A value that a header request did not deliver is empty.
using FieldValue = std::optional<float>;

class DataFile {
public:
    // Opens path for reading. Failure: DumpError "cannot open PATH: <reason>", the reason
    // being the system's when the file cannot be read at all, else the library's text.
    // A file whose first column is a bounded independent variable (NASA Ames FFI 2010 and
    // 2110: a pressure, altitude or latitude grid) shows every column against it: the
    // tools' abscissa is that variable, whatever the library's own default.
    explicit DataFile(const std::string& path);
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    const std::string& path() const { return path_; }
    int recordCount() const;

    // The name of the file's format as the library gives it ("RGD", "MLT", ...); empty
    // when the library names no format for the driver that read it.
    std::string formatName() const;
    // True when the file is RGD, the library's native format.
    bool isRgd() const;
    // The history text at the head of an RGD file (up to its first NUL byte, at most
    // MaxHistoryBytes); empty for other formats or when it cannot be read.
    std::string historyText() const;
    static constexpr size_t MaxHistoryBytes = 1 << 24;
    // The library version that wrote an RGD file, when its history records one.
    std::string writerVersion() const;

    // False when the records hold no data columns at all (a time series such as NASA Ames
    // FFI 1001, whose values are all header fields): the file is shown by its metadata.
    bool hasDataColumns() const;
    // The data columns in the library's order, with their description texts.
    std::vector<ColumnInfo> columns() const;
    // Resolves a user's column choice: a data-type identifier as reported, else a column
    // number, else (text that is not a number) a short name, compared exactly first and
    // then ignoring case. Failure: DumpError naming the choice.
    ColumnInfo findColumn(const std::string& choice) const;
    // Makes column current for sizes, values and abscissa. Failure: DumpError.
    void selectColumn(const ColumnInfo& column);

    // Points of the current column in record (negative: record not complete yet).
    // Failure: DumpError with the library's text.
    int recordSize(int record) const;
    // Abscissa domain of the current column; empty when the format gives none.
    std::optional<Domain> domain(int record) const;
    // Values and abscissa of the current column (the abscissa as long as the values).
    // Failure, or a record not complete yet: DumpError.
    std::vector<float> values(int record) const;
    std::vector<double> abscissa(int record, size_t count) const;

    // Header fields of record (record 0: the file's header layout, where the format offers
    // it). Empty when the format has no header fields.
    std::vector<FieldInfo> fields(int record) const;
    // The dictionary's texts of a header field, also for a field this record's header
    // does not hold (RGD describes every field of its dictionary); empty texts for a field
    // the format cannot describe.
    FieldInfo describeField(int record, int identifier) const;
    // Values of the given fields of record, in order. Failure: DumpError.
    // (A field the record does not hold gives an empty value.)
    std::vector<FieldValue> metadata(int record, const std::vector<int>& identifiers) const;
    // Every header field of record in header order with its value, a field that occurs
    // more than once (the headers of several parent files) at each place. Failure: DumpError.
    std::vector<std::pair<int, float>> headerValues(int record) const;

    // A description of the current column's abscissa (description type 1 short name,
    // 4 units, ...); empty when the format gives none.
    std::string abscissaText(int type) const;

    // Throws DumpError "record R is out of range (the file has N records)" when needed.
    void checkRecord(int record) const;

private:
    void selectBoundedAbscissa();
    std::string lastError() const;
    std::string dataText(int dataId, int type) const;
    std::string fieldText(int record, int identifier, int type) const;
    std::vector<int> fieldIdentifiers(int record) const;

    std::string path_;
    ZARFFILE* file_ = nullptr;
};

}  // namespace dump
