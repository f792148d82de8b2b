// Sleep, event and file-length hooks shared by the library and the calibration program, and
// the data-file I/O calls that tests can make fail.
#include "ravlio/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

void realSleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(milliseconds) * 1000));
}

RAVLIOSleepFunction installedSleep = realSleep;
RAVLIOIoFaultFunction installedFault = nullptr;
RAVLIOIoObserverFunction installedObserver = nullptr;

// Tells the observer of a write that was made, keeping errno as the write left it.
ssize_t reportWrite(int fd, const iovec* blocks, int count, off_t offset, ssize_t result) {
    if (installedObserver == nullptr) return result;
    const int error = errno;
    const RAVLIOIoEvent event{RAVLIO_IO_WRITE, fd, offset, blocks, count, result, nullptr, nullptr};
    installedObserver(&event);
    errno = error;
    return result;
}

// Tells the observer of an fsync (fd) or a rename (from, to) that was made.
int report(RAVLIOIoCall call, int fd, const char* from, const char* to, int result) {
    if (installedObserver == nullptr) return result;
    const int error = errno;
    const RAVLIOIoEvent event{call, fd, 0, nullptr, 0, result, from, to};
    installedObserver(&event);
    errno = error;
    return result;
}

// The bytes a read or write may move after the fault function spoke, or -1 (errno set) when
// it must fail.
ssize_t allowedBytes(RAVLIOIoCall call, size_t bytes) {
    const long fate = RAVLIOioFault(call, bytes);
    if (fate < 0) {
        errno = static_cast<int>(-fate);
        return -1;
    }
    return fate > 0 && static_cast<size_t>(fate) < bytes ? static_cast<ssize_t>(fate) : static_cast<ssize_t>(bytes);
}

// Whether an fsync or rename may be made; false with errno set when it must fail.
bool allowed(RAVLIOIoCall call) {
    const long fate = RAVLIOioFault(call, 0);
    if (fate >= 0) return true;
    errno = static_cast<int>(-fate);
    return false;
}

}  // namespace

extern "C" RAVLIOSleepFunction RAVLIOsetSleepFunction(RAVLIOSleepFunction fn) {
    RAVLIOSleepFunction previous = installedSleep;
    installedSleep = fn != nullptr ? fn : realSleep;
    return previous;
}

extern "C" void RAVLIOsleepMilliseconds(int milliseconds) {
    if (milliseconds > 0) installedSleep(milliseconds);
}

extern "C" int syssleep(const char* /*event*/, int maxwait) {
    if (maxwait <= 0) return 0;
    RAVLIOsleepMilliseconds(maxwait);
    return maxwait;
}

extern "C" void sysevent(const char* /*event*/) {}

extern "C" int _FileLength(int fnum) {
    struct stat status {};
    if (fstat(fnum, &status) != 0) return -1;
    if (status.st_size > INT_MAX) return INT_MAX;
    return static_cast<int>(status.st_size);
}

extern "C" RAVLIOIoFaultFunction RAVLIOsetIoFaultFunction(RAVLIOIoFaultFunction fn) {
    RAVLIOIoFaultFunction previous = installedFault;
    installedFault = fn;
    return previous;
}

extern "C" RAVLIOIoObserverFunction RAVLIOsetIoObserverFunction(RAVLIOIoObserverFunction fn) {
    RAVLIOIoObserverFunction previous = installedObserver;
    installedObserver = fn;
    return previous;
}

extern "C" long RAVLIOioFault(RAVLIOIoCall call, size_t bytes) {
    return installedFault != nullptr ? installedFault(call, bytes) : 0;
}

extern "C" ssize_t RAVLIOpread(int fd, void* buffer, size_t bytes, off_t offset) {
    const ssize_t n = allowedBytes(RAVLIO_IO_READ, bytes);
    return n < 0 ? -1 : pread(fd, buffer, static_cast<size_t>(n), offset);
}

extern "C" ssize_t RAVLIOpwrite(int fd, const void* buffer, size_t bytes, off_t offset) {
    const ssize_t n = allowedBytes(RAVLIO_IO_WRITE, bytes);
    if (n < 0) return -1;
    const iovec block{const_cast<void*>(buffer), static_cast<size_t>(n)};
    return reportWrite(fd, &block, 1, offset, pwrite(fd, buffer, static_cast<size_t>(n), offset));
}

extern "C" ssize_t RAVLIOpwritev(int fd, const struct iovec* blocks, int count, off_t offset) {
    if (count < 0 || (count > 0 && blocks == nullptr)) {
        errno = EINVAL;
        return -1;
    }
    size_t total = 0;
    for (int k = 0; k < count; ++k) total += blocks[k].iov_len;
    const ssize_t n = allowedBytes(RAVLIO_IO_WRITE, total);
    if (n < 0) return -1;
    if (static_cast<size_t>(n) == total) return reportWrite(fd, blocks, count, offset, pwritev(fd, blocks, count, offset));
    // A short transfer: the blocks cut after their first n bytes.
    std::vector<iovec> cut;
    for (size_t left = static_cast<size_t>(n); left > 0; ++blocks) {
        const size_t take = std::min(left, blocks->iov_len);
        cut.push_back({blocks->iov_base, take});
        left -= take;
    }
    const int cutCount = static_cast<int>(cut.size());
    return reportWrite(fd, cut.data(), cutCount, offset, pwritev(fd, cut.data(), cutCount, offset));
}

extern "C" int RAVLIOfsync(int fd) {
    return allowed(RAVLIO_IO_FSYNC) ? report(RAVLIO_IO_FSYNC, fd, nullptr, nullptr, fsync(fd)) : -1;
}

extern "C" int RAVLIOrename(const char* from, const char* to) {
    return allowed(RAVLIO_IO_RENAME) ? report(RAVLIO_IO_RENAME, -1, from, to, std::rename(from, to)) : -1;
}

extern "C" int RAVLIOfdatasync(int fd) {
    return allowed(RAVLIO_IO_FSYNC) ? report(RAVLIO_IO_FSYNC, fd, nullptr, nullptr, fdatasync(fd)) : -1;
}

extern "C" int RAVLIOsyncParentDirectory(const char* path) {
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    const std::string dir = parent.empty() ? "." : parent.string();
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    int result = RAVLIOfsync(fd);
    // A file system that cannot sync a directory keeps its entries as it keeps them.
    if (result != 0 && errno == EINVAL) result = 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return result;
}
