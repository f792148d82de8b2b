// The record headers an RGD handle keeps between its looks at the file.
#include "rgdheaders.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace rgd {
namespace {

bool sameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

}  // namespace

FileLook lookAt(std::FILE* fp) {
    FileLook look;
    struct stat status {};
    if (fp == nullptr || fstat(fileno(fp), &status) != 0) return look;
    if (clock_gettime(CLOCK_REALTIME, &look.taken) != 0) look.taken = timespec{};
    look.length = static_cast<int64_t>(status.st_size);
    look.modified = status.st_mtim;
    return look;
}

void HeaderCache::resize(size_t headerSize) {
    headerSize_ = headerSize;
    bytes_.assign(SLOTS * headerSize, 0);
    forget();
}

void HeaderCache::look(const FileLook& latest) {
    if (latest.length != last_.length || !sameTime(latest.modified, last_.modified)) forget();
    last_ = latest;
}

const unsigned char* HeaderCache::find(int record) {
    if (record <= 0) return nullptr;
    for (size_t i = 0; i < SLOTS; ++i) {
        if (slots_[i].record != record) continue;
        slots_[i].used = ++clock_;
        return bytes_.data() + i * headerSize_;
    }
    return nullptr;
}

void HeaderCache::keep(int record, const unsigned char* header) {
    if (record <= 0 || headerSize_ == 0 || !atRest()) return;
    const auto oldest = std::min_element(slots_.begin(), slots_.end(),
                                         [](const Slot& a, const Slot& b) { return a.used < b.used; });
    const auto i = static_cast<size_t>(oldest - slots_.begin());
    std::memcpy(bytes_.data() + i * headerSize_, header, headerSize_);
    *oldest = Slot{record, ++clock_};
}

void HeaderCache::forget() { slots_.fill(Slot{}); }

bool HeaderCache::atRest() const {
    if (last_.length < 0 || last_.taken.tv_sec == 0) return false;
    const int64_t seconds = static_cast<int64_t>(last_.taken.tv_sec) - last_.modified.tv_sec;
    const int64_t nanoseconds = static_cast<int64_t>(last_.taken.tv_nsec) - last_.modified.tv_nsec;
    return seconds * 1000000000 + nanoseconds >= int64_t{AT_REST_SECONDS} * 1000000000;
}

}  // namespace rgd
