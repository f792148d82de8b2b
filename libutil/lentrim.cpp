// lentrim: the length of a text without its trailing blanks and NULs.
#include "libutil/lentrim.h"

#include <algorithm>
#include <cstddef>

namespace util {

int lentrim(std::string_view STRNG) {
    // Only the first 256 characters count; a shorter text behaves as if blank-padded.
    constexpr std::size_t LENMAX = 256;
    std::size_t pos = std::min(STRNG.size(), LENMAX);
    while (pos > 0 && (STRNG[pos - 1] == ' ' || STRNG[pos - 1] == '\0')) --pos;
    return static_cast<int>(pos);
}

}  // namespace util
