// Writing a whole text file for the tools.
#include "dumplib/textfile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace dump {

std::optional<std::string> writeTextFile(const std::string& path, const std::string& text) {
    errno = 0;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (file) file.close();
    if (file) return std::nullopt;
    return "cannot write " + path + ": " + std::strerror(errno != 0 ? errno : EIO);
}

}  // namespace dump
