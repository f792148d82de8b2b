// The record headers an RGD handle keeps between its looks at the file (internal).
//
// A calibration reads each record's header for its metadata and then copies it, with the
// headers of the blackbody records, into every product record it writes: a batch run of a
// finished day would read the same few headers again and again. The handle therefore keeps
// the headers it read last, as long as its looks at the file (the length measurement behind
// every record count) show that nothing has changed:
//  - a look that finds another length or modification time than the look before drops
//    every header kept;
//  - a header is kept only when the last look found the file at rest, modified at least
//    AT_REST_SECONDS before the look, so that a rewrite in place always leaves a later
//    modification time than the one seen (file times advance in coarse ticks, and a rewrite
//    within the tick of the last one would not show otherwise). A file still being written,
//    as in real-time mode, is never at rest: its headers are read every time, as before.
// A write or a patch through the handle itself drops the headers kept.
#ifndef RAVLIO_RGDHEADERS_H
#define RAVLIO_RGDHEADERS_H

#include <time.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace rgd {

// What one look at an open file saw.
struct FileLook {
    int64_t length = -1;  // bytes; -1 when the look failed
    timespec modified{};  // last modification of the file
    timespec taken{};     // when the look was taken (the clock of file times)
};

// Looks at the file of an open stream; a failed look has length -1.
FileLook lookAt(std::FILE* fp);

class HeaderCache {
public:
    static constexpr size_t SLOTS = 8;
    static constexpr time_t AT_REST_SECONDS = 2;

    // Headers of headerSize bytes from now on; none kept.
    void resize(size_t headerSize);
    // Takes the handle's latest look at the file.
    void look(const FileLook& latest);
    // The header of record as kept (host order), or null.
    const unsigned char* find(int record);
    // Keeps the header of record just read from the file (host order), if the file was at
    // rest at the last look; the header used longest ago makes room.
    void keep(int record, const unsigned char* header);
    // Drops every header kept.
    void forget();

private:
    struct Slot {
        int record = 0;  // 0: empty
        uint64_t used = 0;  // when last kept or found
    };
    bool atRest() const;

    size_t headerSize_ = 0;
    FileLook last_;
    std::array<Slot, SLOTS> slots_{};
    std::vector<unsigned char> bytes_;  // SLOTS headers one after the other
    uint64_t clock_ = 0;                // counts uses, for the choice of the slot to reuse
};

}  // namespace rgd

#endif
