// Writing the summary as netCDF-CF and CSV, each through a temporary name.
#include "sumlib/summaryout.h"

#include <netcdf.h>

#include <cmath>

#include "convertlib/ncimage.h"
#include "convertlib/timeaxis.h"
#include "dumplib/numtext.h"

namespace vornsum {

namespace {

std::string productList(const DaySummary& day) {
    std::string text;
    for (const std::string& name : day.productsRead) text += (text.empty() ? "" : ", ") + name;
    return text;
}

void defineTime(const convert::NcImage& nc, int dim, int& var, const DaySummary& day) {
    nc.check(nc_def_var(nc.id(), "time", NC_DOUBLE, 1, &dim, &var));
    nc.text(var, "standard_name", "time");
    nc.text(var, "long_name", "time of the scene (from dateYYMMDD and timeHHMMSS)");
    if (day.reference) nc.text(var, "units", convert::timeUnits(*day.reference));
    nc.text(var, "calendar", "standard");
    const double fill = std::nan("");
    nc.check(nc_def_var_fill(nc.id(), var, 0, &fill));
}

int defineField(const convert::NcImage& nc, int dim, const dump::FieldInfo& f) {
    int var = -1;
    nc.check(nc_def_var(nc.id(), f.name.c_str(), NC_FLOAT, 1, &dim, &var));
    const float fill = std::nanf("");
    nc.check(nc_def_var_fill(nc.id(), var, 0, &fill));
    nc.text(var, "long_name", f.longName.empty() ? f.label : f.longName);
    nc.text(var, "label", f.label);
    nc.text(var, "units", f.units);
    nc.text(var, "field_name", f.name);
    nc.check(nc_put_att_int(nc.id(), var, "field_identifier", NC_INT, 1, &f.identifier));
    nc.text(var, "coordinates", "time");
    return var;
}

}  // namespace

void writeSummaryNetcdf(const DaySummary& day, const std::string& path) {
    convert::NcImage nc(path);
    int dim = -1, timeVar = -1, recordVar = -1;
    nc.check(nc_def_dim(nc.id(), "time", day.scenes.size(), &dim));
    defineTime(nc, dim, timeVar, day);
    nc.check(nc_def_var(nc.id(), "record_number", NC_INT, 1, &dim, &recordVar));
    nc.text(recordVar, "long_name", "record number of the scene in the radiance product");
    std::vector<int> vars;
    for (const dump::FieldInfo& f : day.fields) vars.push_back(defineField(nc, dim, f));
    nc.text(NC_GLOBAL, "Conventions", "CF-1.8");
    nc.text(NC_GLOBAL, "title", "VORN day summary of " + day.products.stem());
    nc.text(NC_GLOBAL, "source", productList(day));
    nc.text(NC_GLOBAL, "history", "vornsum " + std::string(day.products.radiance));
    nc.check(nc_enddef(nc.id()));

    if (!day.scenes.empty()) {
        const size_t start[1] = {0};
        const size_t count[1] = {day.scenes.size()};
        std::vector<double> times;
        std::vector<int> records;
        for (const SceneSummary& s : day.scenes) {
            times.push_back(s.time.value_or(std::nan("")));
            records.push_back(s.record);
        }
        nc.check(nc_put_vara_double(nc.id(), timeVar, start, count, times.data()));
        nc.check(nc_put_vara_int(nc.id(), recordVar, start, count, records.data()));
        std::vector<float> column(day.scenes.size());
        for (std::size_t k = 0; k < vars.size(); ++k) {
            for (std::size_t i = 0; i < day.scenes.size(); ++i) column[i] = day.scenes[i].values[k];
            nc.check(nc_put_vara_float(nc.id(), vars[k], start, count, column.data()));
        }
    }
    nc.commit();
}

std::string summaryCsv(const DaySummary& day) {
    std::string text = "record,time";
    for (const dump::FieldInfo& f : day.fields) text += "," + f.name;
    text += '\n';
    for (const SceneSummary& s : day.scenes) {
        text += std::to_string(s.record) + ',';
        if (s.time && day.reference) text += convert::isoTime(*day.reference, *s.time);
        for (float v : s.values) text += "," + dump::formatFloat(v);
        text += '\n';
    }
    return text;
}

}  // namespace vornsum
