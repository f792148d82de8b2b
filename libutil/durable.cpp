// Putting what was written on the disk.
#include "libutil/durable.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <ostream>

#include "libutil/console.h"
#include "libutil/fortfmt.h"
#include "libutil/wait.h"
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

void syncDataWaiting(std::string_view path) {
    std::string reason = syncData(path);
    if (reason.empty()) return;
    Wait wait("DISK FOR " + std::string(path));
    do {
        conout() << freefmt({"DURABLE -- waiting to put on the disk:", path}) << '\n';
        conout() << freefmt({"       -- REASON:", reason}) << '\n';
        wait.sleep();
        reason = syncData(path);
    } while (!reason.empty());
}

}  // namespace util
