// Putting what was written on the disk, not only in the system's cache: before a status file
// counts a product's records, and before a run says it is done.
#pragma once

#include <string>
#include <string_view>

namespace util {

// Puts the data written to the file named path on the disk (fdatasync through the library's
// I/O seam). Empty on success; otherwise the system's reason.
std::string syncData(std::string_view path);

}  // namespace util
