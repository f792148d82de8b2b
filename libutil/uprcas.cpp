// uprcas: one character in upper case.
#include "libutil/uprcas.h"

namespace util {

char uprcas(char C) {
    // ASCII only: letters of other character sets stay as they are.
    if (C >= 'a' && C <= 'z') return static_cast<char>(C - ('a' - 'A'));
    return C;
}

}  // namespace util
