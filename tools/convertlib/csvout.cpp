// Writing a selection of a data file as CSV.
#include "convertlib/csvout.h"

#include <string>

#include "dumplib/numtext.h"

namespace convert {

void writeCsv(Selection& selection, std::ostream& out) {
    const Grid& grid = selection.grid();
    out << "record";
    if (selection.hasTime()) out << ",time";
    for (const FieldSlot& f : selection.fields()) out << ',' << f.variable;
    if (!selection.fieldsOnly()) out << ',' << grid.name;
    for (const dump::ColumnInfo& c : selection.columns())
        out << ',' << (c.shortName.empty() ? "column" + std::to_string(c.number) : c.shortName);
    out << '\n';
    for (int record : selection.records()) {
        const RecordValues r = selection.read(record);
        std::string prefix = std::to_string(record);
        if (selection.hasTime())
            prefix += ',' + (r.time && selection.referenceDate() ? isoTime(*selection.referenceDate(), *r.time) : "");
        for (float v : r.fields) prefix += ',' + dump::formatFloat(v);
        // A record of header fields only is one line.
        if (selection.fieldsOnly()) out << prefix << '\n';
        for (size_t i = 0; i < grid.values.size(); ++i) {
            out << prefix << ',' << dump::formatDouble(grid.values[i]);
            for (const std::vector<float>& column : r.columns) out << ',' << dump::formatFloat(column[i]);
            out << '\n';
        }
    }
}

}  // namespace convert
