// Records of status files, shared by rdsta, wrtsta and nrout.
#include "libutil/stafile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ostream>

#include "libutil/console.h"
#include "libutil/fixedtext.h"
#include "libutil/fortfmt.h"
#include "libutil/stop.h"
#include "ravlio/platform.h"

namespace util::stafile {
namespace {

// Byte offset of record nrec, or -1 when the number is not a valid record number.
off_t offsetOf(int nrec) {
    if (nrec < 1) return -1;
    return static_cast<off_t>(nrec - 1) * static_cast<off_t>(LREC);
}

bool isRegular(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// Moves the LREC bytes of one record at offset at with transfer (RAVLIOpread or RAVLIOpwrite), going on
// after partial transfers and interruptions. False when the file ends or fails first.
template <typename Transfer, typename Byte>
bool transferRecord(Transfer transfer, int fd, Byte* data, off_t at) {
    std::size_t done = 0;
    while (done < LREC) {
        const ssize_t n = transfer(fd, data + done, LREC - done, at + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A field for printing: characters that would garble the console shown as '?'.
std::string printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
    }
    return out;
}

}  // namespace

File::File(const std::string& name, bool writable) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer that may
    // never come; the file is refused below anyway, and regular files ignore the flag.
    fd_ = ::open(name.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK);
    exists_ = fd_ >= 0;
    if (fd_ >= 0 && !isRegular(fd_)) {  // a directory or device is no status file
        ::close(fd_);
        fd_ = -1;
    }
}

File File::create(const std::string& name) {
    File f;
    f.fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    f.exists_ = f.fd_ >= 0 || errno == EEXIST;
    return f;
}

File::~File() {
    if (fd_ >= 0) ::close(fd_);
}

File::File(File&& other) noexcept : fd_(other.fd_), exists_(other.exists_) { other.fd_ = -1; }

bool File::read(int nrec, std::string& rec) const {
    const off_t at = offsetOf(nrec);
    if (fd_ < 0 || at < 0) return false;
    rec.assign(LREC, ' ');
    return transferRecord(RAVLIOpread, fd_, rec.data(), at);
}

bool File::write(int nrec, std::string_view rec) const {
    const off_t at = offsetOf(nrec);
    if (fd_ < 0 || at < 0 || rec.size() != LREC) return false;
    return transferRecord(RAVLIOpwrite, fd_, rec.data(), at);
}

bool File::sync() const { return fd_ >= 0 && RAVLIOfsync(fd_) == 0; }

std::optional<int> count(std::string_view rec) {
    if (rec.size() < LREC) return std::nullopt;
    const std::string_view field = rec.substr(KEYLEN, CNTLEN);
    bool negative = false;
    bool signSeen = false;
    bool digitSeen = false;
    int value = 0;
    for (char c : field) {
        if (c == ' ') continue;
        if ((c == '-' || c == '+') && !signSeen && !digitSeen) {
            signSeen = true;
            negative = c == '-';
        } else if (c >= '0' && c <= '9') {
            digitSeen = true;
            value = value * 10 + (c - '0');  // at most 5 digits: no overflow
        } else {
            return std::nullopt;
        }
    }
    if (signSeen && !digitSeen) return std::nullopt;
    return negative ? -value : value;
}

std::optional<std::string> countField(int n) {
    if (n < -9999 || n > 99999) return std::nullopt;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%5d", n);
    return std::string(buf);
}

std::string record(std::string_view key, std::string_view field) {
    return pad(key, KEYLEN) + pad(field, CNTLEN);
}

void openFailure(std::string_view routine, std::string_view name) {
    conout() << freefmt({std::string(routine) + " -- ERROR OPENING STATUS FILE"}) << '\n';
    conout() << freefmt({"       -- FILE: ", trim(name)}) << '\n';
    conout().flush();
    stop("OPEN ERROR, STATUS FILE");
}

void badCount(std::string_view routine, std::string_view name, int nrec, std::string_view rec) {
    const std::string field = printable(rec.substr(KEYLEN, CNTLEN));
    conout() << freefmt({std::string(routine) + " -- COUNT IN STATUS FILE IS NOT A NUMBER: \"" +
                         field + "\""})
             << '\n';
    conout() << freefmt({"       -- FILE: ", trim(name)}) << '\n';
    conout() << freefmt({"       -- record number", nrec}) << '\n';
    conout().flush();
    stop("BAD COUNT IN STATUS FILE");
}

std::string freshTemporaryName(const std::string& name) {
    const std::string temporary = name + ".new" + std::to_string(static_cast<long>(::getpid()));
    ::unlink(temporary.c_str());
    return temporary;
}

Replaced replace(const std::string& name, const std::vector<std::string>& records, unsigned mode) {
    const std::string temporary = freshTemporaryName(name);
    bool written = false;
    {
        const File f = File::create(temporary);
        if (!f.valid()) return Replaced::notCreated;
        // The file keeps its permissions where the file system has them (best effort: one
        // without them still gets its records).
        static_cast<void>(::chmod(temporary.c_str(), static_cast<mode_t>(mode)));
        written = true;
        for (std::size_t i = 0; written && i < records.size(); ++i) {
            written = f.write(static_cast<int>(i) + 1, records[i]);
        }
        // On the disk before it takes the name: a power cut after the rename must not leave
        // an empty file under the name, for which every later run would wait without end.
        written = written && f.sync();
    }
    // The rename is made durable before the caller goes on as if the new counts were kept.
    if (written && RAVLIOrename(temporary.c_str(), name.c_str()) == 0) {
        return RAVLIOsyncParentDirectory(name.c_str()) == 0 ? Replaced::yes : Replaced::failed;
    }
    ::unlink(temporary.c_str());
    return Replaced::failed;
}

}  // namespace util::stafile
