// Why a data file cannot be read, in the system's own words.
#include "libutil/filereason.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace util {

std::string fileReason(std::string_view name) {
    const std::string path(name);
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::strerror(errno);
    if (S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
    // O_NONBLOCK: a FIFO without a writer must not hold the program here.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    if (S_ISREG(info.st_mode) && info.st_size == 0) return "empty file";
    return "";
}

std::string fileWriteReason(std::string_view name) {
    const std::string path(name);
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return std::strerror(EISDIR);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return std::strerror(errno);
        ::close(fd);
        return "";
    }
    if (errno != ENOENT) return std::strerror(errno);
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const std::string dir = parent.empty() ? "." : parent.string();
    if (::access(dir.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
    return "";
}

}  // namespace util
