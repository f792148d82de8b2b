// The views of a data file that rgddump prints: summary, header table, CSV, plot.
#include "dumplib/report.h"

#include <algorithm>
#include <filesystem>

#include "dumplib/numtext.h"
#include "dumplib/svgplot.h"

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
    if (!file.isRgd()) return "not RGD (the library names only its native format)";
    const std::string version = file.writerVersion();
    return version.empty() ? "RGD" : "RGD, written by " + version;
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

void writeFields(DataFile& file, std::ostream& out) {
    const bool haveRecord = file.recordCount() > 0;
    const std::vector<FieldInfo> fields = file.fields(haveRecord ? 1 : 0);
    out << '\n' << (haveRecord ? "Header of record 1: " : "Header layout: ");
    if (fields.empty()) {
        out << "no fields\n";
        return;
    }
    out << plural(fields.size(), "field") << '\n';
    std::vector<Row> rows = {{"identifier", "field name", "units", "label"}};
    for (const FieldInfo& f : fields) rows.push_back({std::to_string(f.identifier), f.name, f.units, f.label});
    writeTable(rows, "  ", out);
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

std::vector<ColumnInfo> chosenColumns(const DataFile& file, std::optional<int> column) {
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

}  // namespace

void writeSummary(DataFile& file, std::ostream& out) {
    const std::vector<ColumnInfo> columns = file.columns();
    writeTable({{"File:", file.path()},
                {"Format:", formatName(file)},
                {"Records:", std::to_string(file.recordCount())},
                {"Columns:", std::to_string(columns.size())}},
               "", out);
    for (const ColumnInfo& c : columns) writeColumn(file, c, out);
    writeFields(file, out);
}

void writeMetaTable(DataFile& file, const std::vector<int>& records, std::ostream& out) {
    if (records.empty()) {
        out << file.path() << ": no records\n";
        return;
    }
    std::vector<FieldInfo> fields = file.fields(records.front());
    // A field the layout holds twice has one value by identifier: one table column.
    std::vector<int> ids;
    std::vector<FieldInfo> unique;
    for (FieldInfo& f : fields) {
        if (std::find(ids.begin(), ids.end(), f.identifier) != ids.end()) continue;
        ids.push_back(f.identifier);
        unique.push_back(std::move(f));
    }
    if (unique.empty()) {
        out << file.path() << ": no header fields\n";
        return;
    }
    std::vector<Row> rows(1, Row{"record"});
    for (const FieldInfo& f : unique) rows[0].push_back(f.name.empty() ? "field" + std::to_string(f.identifier) : f.name);
    for (int r : records) {
        Row row{std::to_string(r)};
        for (const FieldValue& v : file.metadata(r, ids)) row.push_back(v ? formatFloat(*v) : "-");
        rows.push_back(std::move(row));
    }
    writeTable(rows, "", out);
}

void writeCsv(DataFile& file, int record, std::optional<int> column, std::ostream& out) {
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

std::string plotRecords(DataFile& file, const std::vector<int>& records, std::optional<int> column,
                        const std::string& title) {
    if (records.size() > MaxSeries)
        throw DumpError("at most " + std::to_string(MaxSeries) + " records fit in one plot");
    const ColumnInfo c = column ? file.findColumn(*column) : file.columns().front();
    file.selectColumn(c);
    std::vector<Series> series;
    for (int r : records) {
        Series s;
        s.name = "Record " + std::to_string(r);
        s.y = file.values(r);
        s.x = file.abscissa(r, s.y.size());
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
