// Putting what was written on the disk, not only in the system's cache: before a status file
// counts a product's records, and before a run says it is done.
#pragma once

#include <string>
#include <string_view>

namespace util {

// Puts the data written to the file named path on the disk (fdatasync through the library's
// I/O seam). Empty on success; otherwise the system's reason.
std::string syncData(std::string_view path);

// Real-time mode: puts the data of the file named path on the disk, waiting and trying again
// while that fails (a failing or full disk may recover; the record must not be counted
// before it is there). Each try that fails says so on the console with the system's reason.
void syncDataWaiting(std::string_view path);

}  // namespace util
