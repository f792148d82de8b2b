// Helpers that every format driver needs, written once (internal to the library).
// Drivers include this through "formats/common.h"; nothing here is part of the public API.
#ifndef RAVLIO_FORMATS_COMMON_H
#define RAVLIO_FORMATS_COMMON_H

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

namespace formats {

// Error texts that several drivers report (static, as the library's texts always are).
inline constexpr const char* MsgAxisUnchangeable = "requested axis cannot be changed";
inline constexpr const char* MsgBadDescriptionType = "description type requested is bad or unavailable";
inline constexpr const char* MsgBadField = "field provided is bad or unavailable";
inline constexpr const char* MsgDataUnavailable = "data requested is unavailable";
inline constexpr const char* MsgFieldUnavailable = "field provided is bad or unavailable";
inline constexpr const char* MsgIncomplete = "file is incomplete";
inline constexpr const char* MsgNoMemory = "unable to allocate memory";
inline constexpr const char* MsgNotReadable = "filename did not correspond to a readable file";
inline constexpr const char* MsgRecordUnavailable = "record requested is unavailable";
inline constexpr const char* MsgUnsupported = "this operation is not supported with this filetype";
inline constexpr const char* MsgUnsupportedType = "filetype requested is not supported";
inline constexpr const char* MsgWritingUnsupported = "writing to this file type is unsupported";

// The metadata request for the next available field of a header.
inline constexpr int NextAvailableField = 2000000000;

// Quiet-NaN float pattern of a value that is missing.
inline constexpr uint32_t NanqPattern = 0x7FC00000u;

// The quiet NaN with exactly the NanqPattern bits (the library's missing value).
inline float nanq() {
    float v = 0.0f;
    std::memcpy(&v, &NanqPattern, sizeof v);
    return v;
}

// x as a 32-bit real. A value beyond the 32-bit range (a hostile domain, a large scaling)
// becomes an infinity of its sign instead of going through a conversion the language leaves
// undefined; NaN stays NaN.
inline float toFloat(double x) {
    // Half a unit in the last place above the largest finite 32-bit real: from here on
    // rounding gives infinity.
    constexpr double limit = static_cast<double>(std::numeric_limits<float>::max()) + 0x1p103;
    if (x >= limit) return std::numeric_limits<float>::infinity();
    if (x <= -limit) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(x);
}

// Copies at most size bytes of text into the buffer; terminated when there is room (the
// library's description texts are fixed-size fields that a full text may fill).
inline void copyText(char* buffer, int size, const std::string& text) {
    if (buffer == nullptr || size <= 0) return;
    const size_t n = std::min(text.size(), static_cast<size_t>(size));
    std::memcpy(buffer, text.data(), n);
    if (n < static_cast<size_t>(size)) buffer[n] = '\0';
}

// Closes a C stream owned by a unique_ptr.
struct FileCloser {
    void operator()(std::FILE* fp) const { std::fclose(fp); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a regular file as a C stream; null when the name is anything else or cannot be opened.
// mode is "r", "r+" or "w+" (a "b" is allowed and means nothing here). "w+" creates or
// truncates but never through a symbolic link.
// The open itself does not block (a FIFO put under the
// name after the library's checks is seen by the file status and refused, not waited on), and
// the stream is blocking as usual once the file is known to be regular.
inline FilePtr openRegular(const char* name, const char* mode) {
    if (name == nullptr || mode == nullptr) return nullptr;
    const bool update = std::strchr(mode, '+') != nullptr;
    int flags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (update ? O_RDWR : O_RDONLY);
    if (mode[0] == 'w') flags |= O_CREAT | O_TRUNC | O_NOFOLLOW;
    else if (mode[0] != 'r') return nullptr;
    const int fd = ::open(name, flags, 0666);
    if (fd < 0) return nullptr;
    struct stat status {};
    const int statusFlags = fcntl(fd, F_GETFL);
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || statusFlags == -1 ||
        fcntl(fd, F_SETFL, statusFlags & ~O_NONBLOCK) == -1) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* fp = ::fdopen(fd, mode[0] == 'w' ? "w+b" : update ? "r+b" : "rb");
    if (fp == nullptr) ::close(fd);
    return FilePtr(fp);
}

}  // namespace formats

#endif
