#include "libutil/sleeper.h"

#include "libutil/dossleep.h"

namespace util {
namespace {
// Wait every loop starts with; also where a loop handed a non-positive wait resumes,
// so that such a loop still backs off instead of spinning.
constexpr int INIARG = 1024;
}  // namespace

void sleeper(int& ARG) {
    dossleep(ARG);
    if (ARG <= 0) {
        ARG = INIARG;
    } else if (ARG >= MAXARG / 2) {
        ARG = MAXARG;  // also keeps the doubling clear of integer overflow
    } else {
        ARG *= 2;
    }
}

}  // namespace util
