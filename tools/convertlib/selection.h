// What a conversion takes from a data file: the records, data columns and header fields
// chosen on the command line, checked to lie on one grid, and read one record at a time.
#pragma once

#include <map>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "convertlib/timeaxis.h"
#include "dumplib/datafile.h"

namespace convert {

// The user's choice; an empty optional means "all".
struct Choice {
    std::optional<std::string> records;  // a record list such as "1-5,9"
    std::optional<std::string> columns;  // short names or column numbers, comma-separated
    std::optional<std::string> fields;   // field names or identifiers, comma-separated
};

// One header field as it will be stored. Under its own name a field holds the value the
// library gives for its identifier; a field that occurs several times in a header (the
// headers of a product's parent files) is also stored once per place, in header order, as
// NAME_1, NAME_2, ...
struct FieldSlot {
    dump::FieldInfo info;
    int occurrence = 0;    // 0: the value by identifier; k > 0: the k-th place in the header
    std::string variable;  // unique variable name
};

// The common abscissa of every chosen column and record.
struct Grid {
    std::vector<double> values;
    std::string name;   // variable name of the coordinate
    std::string units;
    std::string longName;
};

// One record as read.
struct RecordValues {
    int record = 0;
    std::vector<std::vector<float>> columns;  // per chosen column, grid.size() values
    std::vector<float> fields;                // per field slot (NaN when not in the header)
    std::optional<double> time;               // seconds since the reference date, or for
                                              // timeOfRecordField() that field's value
};

class Selection {
public:
    // Resolves the choice against the file and checks the grid. Failure: dump::DumpError
    // naming the first record (or column) whose length or grid differs from the first.
    Selection(dump::DataFile& file, const Choice& choice);

    const std::vector<int>& records() const { return records_; }
    const std::vector<dump::ColumnInfo>& columns() const { return columns_; }
    const std::vector<FieldSlot>& fields() const { return fields_; }
    const Grid& grid() const { return grid_; }
    // True when the records carry dateYYMMDD and timeHHMMSS, so a time coordinate exists.
    bool hasTime() const { return dateId_ != 0 && timeId_ != 0; }
    // True when the records hold no data columns (the grid is empty): each record is one
    // line of header fields, as in a time series.
    bool fieldsOnly() const { return columns_.empty(); }
    // For a fields-only file without dateYYMMDD, the timeHHMMSS field, whose values as the
    // file gives them are the time coordinate; null otherwise.
    const FieldSlot* timeOfRecordField() const;
    // "seconds since YYYY-MM-DD 00:00:00" of the first chosen record with a valid date;
    // empty when no record has one.
    std::optional<std::string> timeUnits() const;
    // The date the times count from (that of the first chosen record with a valid date).
    const std::optional<CivilDate>& referenceDate() const { return referenceDate_; }

    // Reads a record of the selection; records must be read in the selection's order for
    // the times to be right. Failure: dump::DumpError.
    RecordValues read(int record);

private:
    void chooseColumns(const std::optional<std::string>& list);
    void chooseFields(const std::optional<std::string>& list);
    void takeGrid();
    void checkGrid(int record);
    void findReferenceDate();

    dump::DataFile& file_;
    std::vector<int> records_;
    std::vector<dump::ColumnInfo> columns_;
    std::vector<FieldSlot> fields_;
    Grid grid_;
    std::optional<dump::Domain> domain_;  // of the first record, when the format gives one
    int dateId_ = 0;  // identifiers of dateYYMMDD and timeHHMMSS; 0 when absent
    int timeId_ = 0;
    std::map<std::pair<int, int>, size_t> slotIndex_;  // (identifier, occurrence) -> field
    std::vector<int> byIdentifier_;                     // identifiers of the occurrence-0 fields
    bool repeats_ = false;                              // some chosen field has places
    TimeAxis times_;
    std::optional<CivilDate> referenceDate_;
};

}  // namespace convert
