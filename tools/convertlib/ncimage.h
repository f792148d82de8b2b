// A netCDF-4 file made in memory and written to disk whole through a temporary name.
//
// The netCDF library never touches the disk itself: a write it failed there (a full disk,
// a file-size limit) would leave the HDF5 layer beneath it holding a file it can neither
// flush nor close, which it tries again when the process ends, and the process crashes.
// Here the finished image goes to disk through FileReplacement instead, so such a failure
// is an ordinary error and leaves no partial file.
#pragma once

#include <string>

#include "convertlib/replacefile.h"

namespace convert {

class NcImage {
public:
    // Creates the temporary file beside path (a destination that cannot be written is
    // refused with the system's reason) and an empty netCDF-4 file in memory.
    // Failure: dump::DumpError "cannot write PATH: <reason>".
    explicit NcImage(const std::string& path);
    // Discards the image (and the temporary file) unless committed.
    ~NcImage();
    NcImage(const NcImage&) = delete;
    NcImage& operator=(const NcImage&) = delete;

    // The netCDF id for the library's calls.
    int id() const { return id_; }
    // Throws dump::DumpError "cannot write PATH: <the library's text>" unless status is
    // NC_NOERR.
    void check(int status) const;
    // Puts a text attribute on var (NC_GLOBAL for the file); an empty value puts none.
    void text(int var, const char* name, const std::string& value) const;
    // Closes the image and writes it to path. Failure: dump::DumpError, nothing left on disk.
    void commit();

private:
    FileReplacement file_;
    int id_ = -1;
    bool open_ = false;
};

}  // namespace convert
