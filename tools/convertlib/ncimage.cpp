// The in-memory netCDF file and its one write to disk.
#include "convertlib/ncimage.h"

#include <netcdf.h>
#include <netcdf_mem.h>

#include <cstdlib>
#include <memory>

#include "dumplib/datafile.h"

namespace convert {

namespace {

// The image grows from this size as the file is defined and filled.
constexpr size_t InitialSize = 1 << 16;

}  // namespace

NcImage::NcImage(const std::string& path) : file_(path) {
    check(nc_create_mem(path.c_str(), NC_NETCDF4, InitialSize, &id_));
    open_ = true;
}

NcImage::~NcImage() {
    if (open_) nc_abort(id_);
}

void NcImage::check(int status) const {
    if (status != NC_NOERR) throw dump::DumpError("cannot write " + file_.path() + ": " + nc_strerror(status));
}

void NcImage::text(int var, const char* name, const std::string& value) const {
    if (!value.empty()) check(nc_put_att_text(id_, var, name, value.size(), value.c_str()));
}

void NcImage::commit() {
    NC_memio image{};
    open_ = false;
    const int status = nc_close_memio(id_, &image);
    const std::unique_ptr<void, decltype(&std::free)> owned(image.memory, &std::free);
    check(status);
    file_.commit(std::string_view(static_cast<const char*>(image.memory), image.size));
}

}  // namespace convert
