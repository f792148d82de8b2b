// Writing a selection of a data file as a CF netCDF-4 file through the netCDF C library.
#include "convertlib/netcdfout.h"

#include <netcdf.h>

#include <cmath>
#include <vector>

#include "convertlib/ncimage.h"
#include "convertlib/ncnames.h"

namespace convert {

namespace {

constexpr size_t RecordsPerChunk = 1;

struct Layout {
    int recordDim = -1, pointDim = -1;
    int gridVar = -1, timeVar = -1, recordVar = -1;
    std::vector<int> columnVars, fieldVars;
    std::string timeName;  // the time coordinate's variable, for the coordinates attributes
};

struct Variable {
    int id = -1;
    std::string name;
};

// Defines a variable under name, or, when a variable of the file has that name already,
// under the first free one of name_v2, name_v3, ... (the library judges the names, so two
// texts that are the same name to it are never taken for two).
Variable defineVariable(const NcImage& nc, const std::string& name, nc_type type, int dimCount, const int* dims) {
    Variable v{-1, name};
    for (int n = 2;; ++n) {
        const int status = nc_def_var(nc.id(), v.name.c_str(), type, dimCount, dims, &v.id);
        if (status != NC_ENAMEINUSE) {
            nc.check(status);
            return v;
        }
        v.name = numberedName(name, n);
    }
}

// A column's variable name: its short name made a netCDF name, "column<N>" when it has none.
std::string columnName(const dump::ColumnInfo& c) {
    const std::string name = netcdfName(c.shortName);
    return name.empty() ? "column" + std::to_string(c.number) : name;
}

void defineFloat(const NcImage& nc, int var) {
    const float fill = std::nanf("");
    nc.check(nc_def_var_fill(nc.id(), var, 0, &fill));
}

Layout define(const NcImage& nc, const Selection& s, const Provenance& p) {
    Layout l;
    const int id = nc.id();
    const Grid& g = s.grid();
    nc.check(nc_def_dim(id, "record", NC_UNLIMITED, &l.recordDim));
    // A file of header fields only has no grid: no point dimension, no abscissa.
    if (!s.fieldsOnly()) {
        const std::string gridName = netcdfName(g.name);
        nc.check(nc_def_dim(id, gridName.c_str(), g.values.size(), &l.pointDim));
        l.gridVar = defineVariable(nc, gridName, NC_DOUBLE, 1, &l.pointDim).id;
        nc.text(l.gridVar, "long_name", g.longName);
        nc.text(l.gridVar, "units", g.units);
    }

    l.recordVar = defineVariable(nc, "record_number", NC_INT, 1, &l.recordDim).id;
    nc.text(l.recordVar, "long_name", "record number in the source file");

    if (s.hasTime()) {
        const Variable time = defineVariable(nc, "time", NC_DOUBLE, 1, &l.recordDim);
        l.timeVar = time.id;
        l.timeName = time.name;
        nc.text(l.timeVar, "standard_name", "time");
        nc.text(l.timeVar, "long_name", "time of the record (from dateYYMMDD and timeHHMMSS)");
        if (s.timeUnits()) nc.text(l.timeVar, "units", *s.timeUnits());
        nc.text(l.timeVar, "calendar", "standard");
        const double fill = std::nan("");
        nc.check(nc_def_var_fill(id, l.timeVar, 0, &fill));
    } else if (const FieldSlot* t = s.timeOfRecordField()) {
        // Without a date the time of day cannot become CF time: the field's own values,
        // described as the file describes them.
        const Variable time = defineVariable(nc, "time", NC_DOUBLE, 1, &l.recordDim);
        l.timeVar = time.id;
        l.timeName = time.name;
        nc.text(l.timeVar, "long_name", t->info.longName.empty() ? "time of the record" : t->info.longName);
        if (t->info.units != "n/a") nc.text(l.timeVar, "units", t->info.units);
        nc.text(l.timeVar, "field_name", t->info.name);
        const double fill = std::nan("");
        nc.check(nc_def_var_fill(id, l.timeVar, 0, &fill));
    }

    const int dims[2] = {l.recordDim, l.pointDim};
    // One record a chunk: each spectrum goes to the file in one piece, no chunk cache copying.
    const size_t chunk[2] = {RecordsPerChunk, g.values.size()};
    for (const dump::ColumnInfo& c : s.columns()) {
        const Variable v = defineVariable(nc, columnName(c), NC_FLOAT, 2, dims);
        const int var = v.id;
        nc.check(nc_def_var_chunking(id, var, NC_CHUNKED, chunk));
        defineFloat(nc, var);
        nc.text(var, "long_name", !c.longName.empty() ? c.longName : !c.label.empty() ? c.label : c.shortName);
        nc.text(var, "label", c.label);
        nc.text(var, "units", c.units);
        // A short name that could not be the variable's name stays with it as the file gives it.
        if (v.name != c.shortName) nc.text(var, "short_name", c.shortName);
        if (s.hasTime()) nc.text(var, "coordinates", l.timeName);
        l.columnVars.push_back(var);
    }
    for (const FieldSlot& f : s.fields()) {
        const int var = defineVariable(nc, netcdfName(f.variable), NC_FLOAT, 1, &l.recordDim).id;
        defineFloat(nc, var);
        nc.text(var, "long_name", f.info.longName.empty() ? f.info.label : f.info.longName);
        nc.text(var, "label", f.info.label);
        nc.text(var, "units", f.info.units);
        nc.text(var, "field_name", f.info.name);
        const int identifier = f.info.identifier;
        nc.check(nc_put_att_int(id, var, "field_identifier", NC_INT, 1, &identifier));
        if (f.occurrence > 0) nc.check(nc_put_att_int(id, var, "place_in_header", NC_INT, 1, &f.occurrence));
        if (s.fieldsOnly() && l.timeVar >= 0) nc.text(var, "coordinates", l.timeName);
        l.fieldVars.push_back(var);
    }
    nc.text(NC_GLOBAL, "Conventions", "CF-1.8");
    nc.text(NC_GLOBAL, "title", p.title);
    nc.text(NC_GLOBAL, "source", p.source);
    nc.text(NC_GLOBAL, "history", p.history);
    nc.check(nc_enddef(id));
    return l;
}

// The per-record values of the one-dimensional variables, gathered while the spectra are
// written and stored in one call per variable at the end (one call per value and record
// would cost more than the spectra themselves).
struct RecordVariables {
    std::vector<int> record;
    std::vector<double> time;
    std::vector<std::vector<float>> fields;

    explicit RecordVariables(size_t fieldCount) : fields(fieldCount) {}

    void add(const RecordValues& r) {
        record.push_back(r.record);
        time.push_back(r.time.value_or(std::nan("")));
        for (size_t k = 0; k < fields.size(); ++k) fields[k].push_back(r.fields[k]);
    }

    void write(const NcImage& nc, const Layout& l) const {
        const size_t start[1] = {0};
        const size_t count[1] = {record.size()};
        if (record.empty()) return;
        nc.check(nc_put_vara_int(nc.id(), l.recordVar, start, count, record.data()));
        if (l.timeVar >= 0) nc.check(nc_put_vara_double(nc.id(), l.timeVar, start, count, time.data()));
        for (size_t k = 0; k < fields.size(); ++k)
            nc.check(nc_put_vara_float(nc.id(), l.fieldVars[k], start, count, fields[k].data()));
    }
};

void writeSpectra(const NcImage& nc, const Layout& l, const RecordValues& r, size_t index) {
    const size_t at[2] = {index, 0};
    for (size_t k = 0; k < l.columnVars.size(); ++k) {
        const size_t count[2] = {1, r.columns[k].size()};
        nc.check(nc_put_vara_float(nc.id(), l.columnVars[k], at, count, r.columns[k].data()));
    }
}

}  // namespace

void writeNetcdf(Selection& selection, const Provenance& provenance, const std::string& path,
                 const Progress& progress) {
    NcImage nc(path);
    const Layout layout = define(nc, selection, provenance);
    if (layout.gridVar >= 0) nc.check(nc_put_var_double(nc.id(), layout.gridVar, selection.grid().values.data()));
    const std::vector<int>& records = selection.records();
    RecordVariables perRecord(selection.fields().size());
    for (size_t i = 0; i < records.size(); ++i) {
        const RecordValues r = selection.read(records[i]);
        writeSpectra(nc, layout, r, i);
        perRecord.add(r);
        if (progress) progress(i + 1, records.size());
    }
    perRecord.write(nc, layout);
    nc.commit();
}

}  // namespace convert
