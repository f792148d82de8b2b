// Host byte-order detection and in-place reversal of byte groups.
#include "ravlio/associa.h"

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

// Reverses one group the way the binary formats need it: whole 4- and 8-byte words are
// reversed, 2- and 3-byte groups have their first two bytes exchanged, other lengths are
// left alone.
void reverseGroup(unsigned char* group, int length) {
    switch (length) {
        case 4:
        case 8:
            for (int low = 0, high = length - 1; low < high; ++low, --high) std::swap(group[low], group[high]);
            break;
        case 2:
        case 3:
            std::swap(group[0], group[1]);
            break;
        default:
            break;
    }
}

}  // namespace

extern "C" {

int big_endian = 0;

void skippy(void) {
    const unsigned char bytes[4] = {0xFF, 0x00, 0x00, 0x00};
    std::uint32_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    big_endian = static_cast<int>(word >> 31);
}

void slappy(void* buffer, int size, int grouping) {
    if (buffer == nullptr || grouping <= 0) return;
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (int offset = 0; offset < size; offset += grouping) {
        const int length = grouping < size - offset ? grouping : size - offset;
        reverseGroup(bytes + offset, length);
        if (size - offset <= grouping) break;
    }
}

}  // extern "C"
