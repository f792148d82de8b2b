// Writing a file under a temporary name and renaming it into place.
#include "convertlib/replacefile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "dumplib/datafile.h"

namespace convert {

namespace {

dump::DumpError writeError(const std::string& path, int error) {
    return dump::DumpError("cannot write " + path + ": " + std::strerror(error));
}

// Writes all of bytes to fd; 0, or the errno of the write that failed.
int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

}  // namespace

std::string temporaryName(const std::string& path) { return path + ".new" + std::to_string(getpid()); }

FileReplacement::FileReplacement(std::string path) : path_(std::move(path)), temporary_(temporaryName(path_)) {
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw writeError(path_, errno);
}

FileReplacement::~FileReplacement() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) std::remove(temporary_.c_str());
}

void FileReplacement::commit(std::string_view bytes) {
    int error = writeAll(fd_, bytes);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (error == 0 && closed != 0) error = errno;
    if (error == 0 && std::rename(temporary_.c_str(), path_.c_str()) != 0) error = errno;
    if (error != 0) throw writeError(path_, error);  // the destructor removes the temporary file
    committed_ = true;
}

void replaceFile(const std::string& path, std::string_view bytes) { FileReplacement(path).commit(bytes); }

}  // namespace convert
