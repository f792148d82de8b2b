// The views of a data file that rgddump prints: summary, header table, CSV, plot.
#include "dumplib/report.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "dumplib/history.h"
#include "dumplib/numtext.h"
#include "dumplib/svgplot.h"
#include "ravlio/fields.h"

namespace dump {

namespace {

using Row = std::vector<std::string>;

// Rows as left-aligned columns two blanks apart, no blanks at line ends.
void writeTable(const std::vector<Row>& rows, const std::string& indent, std::ostream& out) {
    std::vector<size_t> widths;
    for (const Row& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (size_t k = 0; k < row.size(); ++k) widths[k] = std::max(widths[k], row[k].size());
    }
    for (const Row& row : rows) {
        std::string line = indent;
        for (size_t k = 0; k < row.size(); ++k) {
            line += row[k];
            if (k + 1 < row.size()) line += std::string(widths[k] - row[k].size() + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    }
}

std::string plural(size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string formatName(const DataFile& file) {
    const std::string name = file.formatName();
    if (name.empty()) return "not named by the library";
    const std::string version = name == "RGD" ? file.writerVersion() : "";
    return version.empty() ? name : name + ", written by " + version;
}

std::string abscissaText(const DataFile& file, int record, int points) {
    if (const std::optional<Domain> d = file.domain(record))
        return "minimum " + formatDouble(d->minimum) + ", maximum " + formatDouble(d->maximum) + ", interval " +
               formatDouble(d->interval) + " (cm-1)";
    try {
        const std::vector<double> x = file.abscissa(record, static_cast<size_t>(points));
        if (!x.empty()) return "explicit values from " + formatDouble(x.front()) + " to " + formatDouble(x.back());
    } catch (const DumpError&) {
        // Reported below as unavailable: the summary goes on with the other columns.
    }
    return "unavailable";
}

void writeColumn(DataFile& file, const ColumnInfo& c, std::ostream& out) {
    out << "\nColumn " << c.number << " (data type " << c.dataType << ")\n";
    std::vector<Row> rows = {{"short name:", c.shortName}, {"label:", c.label}, {"long name:", c.longName},
                             {"units:", c.units}};
    file.selectColumn(c);
    if (file.recordCount() == 0) {
        rows.push_back({"points:", "no complete record yet"});
    } else {
        const int size = file.recordSize(1);
        const int points = size < 0 ? -size : size;
        rows.push_back({"points:", std::to_string(points) + " in record 1" + (size < 0 ? " (not complete yet)" : "")});
        rows.push_back({"abscissa:", abscissaText(file, 1, points)});
    }
    writeTable(rows, "  ", out);
}

// The name a field goes by in headers: its name, else "field<identifier>".
std::string fieldName(const FieldInfo& f) { return f.name.empty() ? "field" + std::to_string(f.identifier) : f.name; }

// A field the layout holds twice has one value by identifier: it is listed once.
std::vector<FieldInfo> distinctFields(std::vector<FieldInfo> fields) {
    std::vector<FieldInfo> unique;
    std::unordered_set<int> seen;
    for (FieldInfo& f : fields)
        if (seen.insert(f.identifier).second) unique.push_back(std::move(f));
    return unique;
}

// The header fields, each identifier once in the order of its first place. A product
// copies the header of every parent record, so the same field can occur several times;
// the count of its places is shown then.
void writeFields(DataFile& file, std::ostream& out) {
    const bool haveRecord = file.recordCount() > 0;
    const std::vector<FieldInfo> fields = file.fields(haveRecord ? 1 : 0);
    out << '\n' << (haveRecord ? "Header of record 1: " : "Header layout: ");
    if (fields.empty()) {
        out << "no fields\n";
        return;
    }
    const std::vector<FieldInfo> distinct = distinctFields(fields);
    std::unordered_map<int, size_t> places;
    for (const FieldInfo& f : fields) ++places[f.identifier];
    out << plural(fields.size(), "field");
    const bool repeated = distinct.size() < fields.size();
    if (repeated) out << ", " << distinct.size() << " distinct (\"places\": how often the header holds it)";
    out << '\n';
    std::vector<Row> rows = {{"identifier", "field name", "units", "label"}};
    if (repeated) rows[0].push_back("places");
    for (const FieldInfo& f : distinct) {
        rows.push_back({std::to_string(f.identifier), f.name, f.units, f.label});
        if (repeated) rows.back().push_back(std::to_string(places[f.identifier]));
    }
    writeTable(rows, "  ", out);
}

void writeFileHistory(const DataFile& file, std::ostream& out) {
    const std::string history = file.historyText();
    if (history.empty()) return;
    out << "\nHistory:\n";
    writeHistory(history, "  ", out);
}

// The name a column goes by in headers: its short name, else its label, else its number.
std::string columnName(const ColumnInfo& c) {
    if (!c.shortName.empty()) return c.shortName;
    if (!c.label.empty()) return c.label;
    return "column" + std::to_string(c.number);
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char ch : text) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return quoted + "\"";
}

std::vector<ColumnInfo> chosenColumns(const DataFile& file, const std::optional<std::string>& column) {
    if (column) return {file.findColumn(*column)};
    return file.columns();
}

// What a column's values are: its label, else its long or short name.
std::string columnTitle(const ColumnInfo& c) {
    if (!c.label.empty()) return c.label;
    if (!c.longName.empty()) return c.longName;
    if (!c.shortName.empty()) return c.shortName;
    return "column " + std::to_string(c.number);
}

// The text of the value axis: what the values are and their units.
std::string valueAxisLabel(const ColumnInfo& c) {
    std::string text = c.label.empty() && c.longName.empty() && c.shortName.empty() ? "Value" : columnTitle(c);
    if (!c.units.empty() && c.units != "n/a") text += " (" + c.units + ")";
    return text;
}


// The field a user names: by identifier (decimal, or hexadecimal with 0x), by its name
// exactly, else by its name ignoring case.
const FieldInfo* findField(const std::vector<FieldInfo>& fields, const std::string& choice) {
    const bool hex = choice.size() > 2 && choice[0] == '0' && (choice[1] == 'x' || choice[1] == 'X');
    const std::string digits = hex ? choice.substr(2) : choice;
    int id = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), id, hex ? 16 : 10);
    const bool isNumber = !digits.empty() && parsed.ec == std::errc{} && parsed.ptr == digits.data() + digits.size();
    for (const FieldInfo& f : fields)
        if (isNumber ? f.identifier == id : f.name == choice) return &f;
    if (isNumber) return nullptr;
    for (const FieldInfo& f : fields)
        if (sameIgnoringCase(f.name, choice)) return &f;
    return nullptr;
}

std::vector<FieldInfo> chosenFields(DataFile& file, int record, const std::vector<std::string>& chosen) {
    const std::vector<FieldInfo> all = file.fields(record);
    std::vector<FieldInfo> result;
    for (const std::string& name : chosen) {
        const FieldInfo* f = findField(all, name);
        if (f == nullptr)
            throw DumpError("record " + std::to_string(record) + " has no header field '" + name + "'");
        result.push_back(*f);
    }
    return result;
}

void writeMetaAsTable(const std::vector<int>& records, const std::vector<std::string>& names,
                      const std::vector<std::vector<FieldValue>>& values, std::ostream& out) {
    std::vector<Row> rows(1, Row{"record"});
    for (const std::string& n : names) rows[0].push_back(n);
    for (size_t k = 0; k < records.size(); ++k) {
        Row row{std::to_string(records[k])};
        for (const FieldValue& v : values[k]) row.push_back(v ? formatFloat(*v) : "-");
        rows.push_back(std::move(row));
    }
    writeTable(rows, "", out);
}

void writeMetaAsCsv(const std::vector<int>& records, const std::vector<std::string>& names,
                    const std::vector<std::vector<FieldValue>>& values, std::ostream& out) {
    out << "record";
    for (const std::string& n : names) out << ',' << csvField(n);
    out << '\n';
    for (size_t k = 0; k < records.size(); ++k) {
        out << records[k];
        for (const FieldValue& v : values[k]) out << ',' << (v ? formatFloat(*v) : "");
        out << '\n';
    }
}

std::string jsonString(const std::string& text) {
    std::string quoted = "\"";
    for (char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            quoted += '\\';
            quoted += ch;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += ch;
        }
    }
    return quoted + "\"";
}

void writeMetaAsJson(const std::vector<int>& records, const std::vector<std::string>& names,
                     const std::vector<std::vector<FieldValue>>& values, std::ostream& out) {
    out << "[\n";
    for (size_t k = 0; k < records.size(); ++k) {
        out << "  {\"record\": " << records[k];
        for (size_t i = 0; i < names.size(); ++i) {
            const FieldValue& v = values[k][i];
            out << ", " << jsonString(names[i]) << ": " << (v && std::isfinite(*v) ? formatFloat(*v) : "null");
        }
        out << '}' << (k + 1 < records.size() ? "," : "") << '\n';
    }
    out << "]\n";
}

// True when column's values in record are its own abscissa (an MLT file's first column).
bool holdsItsAbscissa(DataFile& file, const ColumnInfo& column, int record) {
    file.selectColumn(column);
    const std::vector<float> y = file.values(record);
    if (y.empty()) return false;
    const std::vector<double> x = file.abscissa(record, y.size());
    for (size_t i = 0; i < y.size(); ++i)
        if (!(std::fabs(y[i] - x[i]) <= 1e-6 * std::fabs(x[i]))) return false;
    return true;
}

ColumnInfo defaultPlotColumn(DataFile& file, int record) {
    const std::vector<ColumnInfo> all = file.columns();
    if (all.size() >= 2 && holdsItsAbscissa(file, all.front(), record)) return all[1];
    return all.front();
}

// The six digits of a YYMMDD or HHMMSS value whose pairs lie within [low, high] each;
// empty when it is not such a value (a zero date is no date).
std::optional<std::string> sixDigits(const FieldValue& v, const int (&low)[3], const int (&high)[3]) {
    if (!v || !std::isfinite(*v) || *v < 0.0f || *v > 999999.0f || *v != std::floor(*v)) return std::nullopt;
    const long value = static_cast<long>(*v);
    const int pairs[3] = {static_cast<int>(value / 10000), static_cast<int>(value / 100 % 100),
                          static_cast<int>(value % 100)};
    for (int k = 0; k < 3; ++k)
        if (pairs[k] < low[k] || pairs[k] > high[k]) return std::nullopt;
    char text[8];
    std::snprintf(text, sizeof text, "%06ld", value);
    return std::string(text);
}

// "view Z" when the mirror position is the code of a printable character, as the
// calibration's view identifiers are; "mirror position V" for any other value; nothing
// for the code of a blank or NUL (what readers give for a file that records no view) and
// for the largest float (the NASA Ames reader's missing value).
std::optional<std::string> viewText(const FieldValue& v) {
    constexpr float Blank = 32.0f;
    if (!v || !std::isfinite(*v) || *v == Blank || *v == 0.0f || std::fabs(*v) == std::numeric_limits<float>::max())
        return std::nullopt;
    const float code = std::round(*v);
    if (code > Blank && code < 127.0f) return "view " + std::string(1, static_cast<char>(code));
    return "mirror position " + formatFloat(*v);
}

// "Record N", with the record's date and time when its header carries them as YYMMDD
// and hh:mm:ss and its view ("Record 3, 150417 06:04:00, view Z"), and ": missing" when
// it holds no finite value.
std::string legendName(DataFile& file, int record, bool missing) {
    std::string name = "Record " + std::to_string(record);
    std::vector<FieldValue> stamp;
    try {
        // The date and time (YYMMDD and HHMMSS as numbers) and the view (the character code of
        // the scene mirror's position identifier).
        stamp = file.metadata(record, {FIELD_dateYYMMDD, FIELD_timeHHMMSS, FIELD_sceneMirrorPosition});
    } catch (const DumpError&) {
        // A header that cannot be read leaves the entry without date, time and view.
    }
    if (stamp.size() == 3) {
        const std::optional<std::string> date = sixDigits(stamp[0], {0, 1, 1}, {99, 12, 31});
        const std::optional<std::string> time = sixDigits(stamp[1], {0, 0, 0}, {23, 59, 59});
        if (date && time)
            name += ", " + *date + " " + time->substr(0, 2) + ":" + time->substr(2, 2) + ":" + time->substr(4, 2);
        if (const std::optional<std::string> view = viewText(stamp[2])) name += ", " + *view;
    }
    if (missing) name += ": missing";
    return name;
}

// The name of the field that times a record.
constexpr const char* TimeFieldName = "timeHHMMSS";

// A value that stands for no value: NaN, an infinity, or the largest 32-bit real (the NASA
// Ames reader's missing marker).
bool isMissing(float v) { return !std::isfinite(v) || v == std::numeric_limits<float>::max(); }

// The header fields of a file without data columns in header order, each place once, the
// time field moved to the front; with the place (0-based) of each in the header.
struct FieldColumns {
    std::vector<FieldInfo> fields;
    std::vector<size_t> places;
};

FieldColumns fieldColumns(DataFile& file, int record) {
    FieldColumns c;
    c.fields = file.fields(record);
    for (size_t k = 0; k < c.fields.size(); ++k) c.places.push_back(k);
    const auto time = std::find_if(c.fields.begin(), c.fields.end(),
                                   [](const FieldInfo& f) { return f.name == TimeFieldName; });
    if (time != c.fields.end()) {
        const auto at = static_cast<size_t>(time - c.fields.begin());
        std::rotate(c.fields.begin(), time, time + 1);
        std::rotate(c.places.begin(), c.places.begin() + static_cast<std::ptrdiff_t>(at),
                    c.places.begin() + static_cast<std::ptrdiff_t>(at) + 1);
    }
    return c;
}

// The value at each place of record's header, for the places of the first record; a place
// the record does not have is empty, as is a missing value.
std::vector<FieldValue> valuesAtPlaces(DataFile& file, int record, const FieldColumns& c) {
    const std::vector<std::pair<int, float>> header = file.headerValues(record);
    std::vector<FieldValue> values;
    for (size_t k = 0; k < c.fields.size(); ++k) {
        const size_t place = c.places[k];
        const bool same = place < header.size() && header[place].first == c.fields[k].identifier;
        values.push_back(same && !isMissing(header[place].second) ? FieldValue(header[place].second) : std::nullopt);
    }
    return values;
}

// What a field's values are, for an axis: its long name, else its label or name, with units.
std::string fieldAxisLabel(const FieldInfo& f) {
    std::string text = !f.longName.empty() ? f.longName : !f.label.empty() ? f.label : fieldName(f);
    if (!f.units.empty() && f.units != "n/a") text += " (" + f.units + ")";
    return text;
}

}  // namespace

void writeFieldRecordsCsv(DataFile& file, const std::vector<int>& records, std::ostream& out) {
    const FieldColumns c = fieldColumns(file, records.empty() ? 1 : records.front());
    for (size_t k = 0; k < c.fields.size(); ++k) out << (k == 0 ? "" : ",") << csvField(fieldName(c.fields[k]));
    out << '\n';
    for (int r : records) {
        file.checkRecord(r);
        const std::vector<FieldValue> values = valuesAtPlaces(file, r, c);
        for (size_t k = 0; k < values.size(); ++k) out << (k == 0 ? "" : ",") << (values[k] ? formatFloat(*values[k]) : "");
        out << '\n';
    }
}

std::string plotField(DataFile& file, const std::vector<int>& records, const std::optional<std::string>& field,
                      const std::string& title) {
    const FieldColumns c = fieldColumns(file, records.front());
    const bool timed = !c.fields.empty() && c.fields.front().name == TimeFieldName;
    size_t chosen = timed ? 1 : 0;
    if (field) {
        const FieldInfo* f = findField(c.fields, *field);
        if (f == nullptr)
            throw DumpError("record " + std::to_string(records.front()) + " has no header field '" + *field + "'");
        chosen = static_cast<size_t>(f - c.fields.data());
    }
    // A header that holds only the time plots the time itself, against the record number.
    if (timed && chosen >= c.fields.size()) chosen = 0;
    if (chosen >= c.fields.size())
        throw DumpError("record " + std::to_string(records.front()) + " has no header field to plot");
    const bool againstTime = timed && chosen != 0;
    Series s;
    s.name = c.fields[chosen].label.empty() ? fieldName(c.fields[chosen]) : c.fields[chosen].label;
    for (int r : records) {
        file.checkRecord(r);
        const std::vector<FieldValue> values = valuesAtPlaces(file, r, c);
        const FieldValue x = againstTime ? values.front() : FieldValue(static_cast<float>(r));
        s.x.push_back(x ? static_cast<double>(*x) : std::nan(""));
        s.y.push_back(values[chosen] ? *values[chosen] : std::nanf(""));
    }
    PlotLabels labels;
    const std::string name = std::filesystem::path(file.path()).filename().string();
    labels.title = !title.empty() ? title : name + ": " + fieldAxisLabel(c.fields[chosen]);
    labels.xLabel = againstTime ? fieldAxisLabel(c.fields.front()) : "Record";
    labels.yLabel = fieldAxisLabel(c.fields[chosen]);
    return renderSvg({s}, labels);
}

void writeSummary(DataFile& file, std::ostream& out) {
    const std::vector<ColumnInfo> columns = file.hasDataColumns() ? file.columns() : std::vector<ColumnInfo>{};
    writeTable({{"File:", file.path()},
                {"Format:", formatName(file)},
                {"Records:", std::to_string(file.recordCount())},
                {"Columns:", std::to_string(columns.size())}},
               "", out);
    if (columns.empty()) out << "\nThe records hold no data columns: their values are the header fields.\n";
    for (const ColumnInfo& c : columns) writeColumn(file, c, out);
    writeFields(file, out);
    writeFileHistory(file, out);
}

void writeMeta(DataFile& file, const std::vector<int>& records, const std::vector<std::string>& chosen,
               MetaFormat format, std::ostream& out) {
    if (records.empty()) {
        if (format == MetaFormat::Json) out << "[]\n";
        else if (format == MetaFormat::Table) out << file.path() << ": no records\n";
        else out << "record\n";
        return;
    }
    const std::vector<FieldInfo> fields = chosen.empty() ? distinctFields(file.fields(records.front()))
                                                         : chosenFields(file, records.front(), chosen);
    if (fields.empty() && format == MetaFormat::Table) {
        out << file.path() << ": no header fields\n";
        return;
    }
    std::vector<int> ids;
    std::vector<std::string> names;
    for (const FieldInfo& f : fields) {
        ids.push_back(f.identifier);
        names.push_back(fieldName(f));
    }
    std::vector<std::vector<FieldValue>> values;
    for (int r : records) values.push_back(file.metadata(r, ids));
    switch (format) {
        case MetaFormat::Table:
            writeMetaAsTable(records, names, values, out);
            break;
        case MetaFormat::Csv:
            writeMetaAsCsv(records, names, values, out);
            break;
        case MetaFormat::Json:
            writeMetaAsJson(records, names, values, out);
            break;
    }
}

void writeCsv(DataFile& file, int record, const std::optional<std::string>& column, std::ostream& out) {
    file.checkRecord(record);
    const std::vector<ColumnInfo> columns = chosenColumns(file, column);
    std::vector<std::vector<float>> values;
    std::vector<double> grid;
    for (const ColumnInfo& c : columns) {
        file.selectColumn(c);
        std::vector<float> v = file.values(record);
        std::vector<double> x = file.abscissa(record, v.size());
        if (values.empty()) grid = std::move(x);
        else if (x != grid)
            throw DumpError("the columns of record " + std::to_string(record) +
                            " lie on different wavenumber grids; choose one with --column");
        values.push_back(std::move(v));
    }
    out << "wavenumber";
    for (const ColumnInfo& c : columns) out << ',' << csvField(columnName(c));
    out << '\n';
    for (size_t i = 0; i < grid.size(); ++i) {
        out << formatDouble(grid[i]);
        for (const std::vector<float>& v : values) out << ',' << formatFloat(v[i]);
        out << '\n';
    }
}

std::string plotRecords(DataFile& file, const std::vector<int>& records, const std::optional<std::string>& column,
                        const std::string& title) {
    if (records.size() > MaxSeries)
        throw DumpError("at most " + std::to_string(MaxSeries) + " records fit in one plot");
    const ColumnInfo c = column ? file.findColumn(*column) : defaultPlotColumn(file, records.front());
    file.selectColumn(c);
    std::vector<Series> series;
    for (int r : records) {
        Series s;
        s.y = file.values(r);
        s.x = file.abscissa(r, s.y.size());
        s.missing = std::none_of(s.y.begin(), s.y.end(), [](float v) { return std::isfinite(v); });
        s.name = legendName(file, r, s.missing);
        series.push_back(std::move(s));
    }
    PlotLabels labels;
    const std::string name = std::filesystem::path(file.path()).filename().string();
    labels.title = !title.empty() ? title : name + ": " + columnTitle(c);
    labels.xLabel = "Wavenumber (cm-1)";
    labels.yLabel = valueAxisLabel(c);
    return renderSvg(series, labels);
}

}  // namespace dump
