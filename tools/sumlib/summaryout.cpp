// Writing the summary as netCDF-CF and CSV, each through a temporary name.
#include "sumlib/summaryout.h"

#include <netcdf.h>
#include <netcdf_mem.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "convertlib/timeaxis.h"
#include "dumplib/numtext.h"

namespace vornsum {

using dump::DumpError;

namespace {

DumpError writeError(const std::string& path, const std::string& reason) {
    return DumpError("cannot write " + path + ": " + reason);
}

// A netCDF file made in memory and written out whole. The netCDF library never touches the
// disk itself: a write it fails there (a full disk, a file-size limit) would leave the
// HDF5 layer beneath it holding a file it can neither flush nor close, which it tries
// again when the process ends. The bytes go to disk through replaceTextFile instead.
class NcOutput {
public:
    explicit NcOutput(std::string target) : target_(std::move(target)) {
        check(nc_create_mem(target_.c_str(), NC_NETCDF4, InitialSize, &id_));
        open_ = true;
    }
    ~NcOutput() {
        if (open_) nc_abort(id_);
    }
    NcOutput(const NcOutput&) = delete;
    NcOutput& operator=(const NcOutput&) = delete;

    int id() const { return id_; }
    void check(int status) const {
        if (status != NC_NOERR) throw writeError(target_, nc_strerror(status));
    }
    void text(int var, const char* name, const std::string& value) const {
        if (!value.empty()) check(nc_put_att_text(id_, var, name, value.size(), value.c_str()));
    }
    void commit() {
        NC_memio image{};
        open_ = false;
        check(nc_close_memio(id_, &image));
        const std::unique_ptr<void, decltype(&std::free)> owned(image.memory, &std::free);
        replaceTextFile(target_, std::string(static_cast<const char*>(image.memory), image.size));
    }

private:
    static constexpr size_t InitialSize = 1 << 16;
    std::string target_;
    int id_ = -1;
    bool open_ = false;
};

std::string productList(const DaySummary& day) {
    std::string text;
    for (const std::string& name : day.productsRead) text += (text.empty() ? "" : ", ") + name;
    return text;
}

void defineTime(const NcOutput& nc, int dim, int& var, const DaySummary& day) {
    nc.check(nc_def_var(nc.id(), "time", NC_DOUBLE, 1, &dim, &var));
    nc.text(var, "standard_name", "time");
    nc.text(var, "long_name", "time of the scene (from dateYYMMDD and timeHHMMSS)");
    if (day.reference) nc.text(var, "units", convert::timeUnits(*day.reference));
    nc.text(var, "calendar", "standard");
    const double fill = std::nan("");
    nc.check(nc_def_var_fill(nc.id(), var, 0, &fill));
}

int defineField(const NcOutput& nc, int dim, const dump::FieldInfo& f) {
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

std::string temporaryName(const std::string& path) { return path + ".new" + std::to_string(getpid()); }

void writeSummaryNetcdf(const DaySummary& day, const std::string& path) {
    NcOutput nc(path);
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

void replaceTextFile(const std::string& path, const std::string& text) {
    const std::string temporary = temporaryName(path);
    errno = 0;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (out) out.close();
        if (!out) {
            const std::string reason = errno != 0 ? std::strerror(errno) : "write failed";
            std::remove(temporary.c_str());
            throw writeError(path, reason);
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(temporary.c_str());
        throw writeError(path, reason);
    }
}

}  // namespace vornsum
