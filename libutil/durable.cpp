// Putting what was written on the disk.
#include "libutil/durable.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ravlio/platform.h"

namespace util {

std::string syncData(std::string_view path) {
    const std::string name(path);
    // Any descriptor of the file will do: the sync covers what every descriptor wrote.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    const int result = RAVLIOfdatasync(fd);
    const int error = errno;
    ::close(fd);
    return result == 0 ? std::string() : std::strerror(error);
}

}  // namespace util
