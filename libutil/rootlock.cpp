// The output root's lock: an exclusive flock on ROOT.LCK held until the run ends.
#include "libutil/rootlock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace util {
namespace {

// The lock this process holds: its open file and the file's absolute name (the working
// directory may change before it is removed).
struct HeldLock {
    int fd = -1;
    std::string path;
};
HeldLock held;

// Each new try follows the removal of the file by the run that held it; a bound keeps a
// pathological directory from looping without end.
constexpr int MAXTRIES = 100;

bool sameFile(int fd, const std::string& name) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(name.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

std::string absoluteName(const std::string& name) {
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(name, ec);
    return ec ? name : path.string();
}

}  // namespace

RootLockOutcome lockRoot(const std::string& name) {
    unlockRoot();
    for (int tries = 0; tries < MAXTRIES; ++tries) {
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) return {RootLockResult::failed, std::strerror(errno)};
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK) return {RootLockResult::busy, ""};
            return {RootLockResult::failed, std::strerror(error)};
        }
        if (sameFile(fd, name)) {
            held = {fd, absoluteName(name)};
            return {RootLockResult::taken, ""};
        }
        ::close(fd);  // the holder removed this file as it ended: lock the name anew
    }
    return {RootLockResult::failed, "the lock file keeps being replaced"};
}

void unlockRoot() {
    if (held.fd < 0) return;
    // Removed while still locked, so that no other process can take the old file for the
    // name after this one lets go.
    ::unlink(held.path.c_str());
    ::close(held.fd);
    held = {};
}

}  // namespace util
