// The system's reason why a file cannot be read as data, for the line that follows the
// library's own message ("filetype is unknown" says nothing of a file that is missing).
#pragma once

#include <string>
#include <string_view>

namespace util {

// The reason name cannot be read as a data file: the system's text when it cannot be
// looked up or opened ("No such file or directory", "Permission denied"), "Is a directory"
// for a directory, "empty file" for a regular file of no bytes. Empty when the file opens
// and holds data (then the library's message is the reason).
std::string fileReason(std::string_view name);

// The reason name cannot be written as a data file, in the system's words: for a file that
// exists, why it cannot be opened for writing ("Permission denied", "Is a directory"); for
// one that does not, why its directory cannot take it ("No such file or directory",
// "Permission denied"). Empty when nothing in the file system stands in the way (then the
// library's message is the reason).
std::string fileWriteReason(std::string_view name);

}  // namespace util
