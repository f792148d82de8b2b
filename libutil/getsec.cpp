// getsec: seconds since midnight of an HHMMSS time.
#include "libutil/getsec.h"

#include <cmath>

namespace util {
namespace {
// HHMMSS truncated toward zero, kept inside the integer range (a NaN counts as 0) so that
// a corrupt time can never make the conversion undefined.
int truncateTime(float HHMMSS) {
    if (std::isnan(HHMMSS)) return 0;
    const double t = std::trunc(static_cast<double>(HHMMSS));
    if (t >= 2147483647.0) return 2147483647;
    if (t <= -2147483647.0) return -2147483647;
    return static_cast<int>(t);
}
}  // namespace

void getsec(float HHMMSS, int& NSECS) {
    int ITIME = truncateTime(HHMMSS);
    const int IH = ITIME / 10000;
    ITIME = ITIME % 10000;
    const int IM = ITIME / 100;
    const int IS = ITIME % 100;
    NSECS = 3600 * IH + 60 * IM + IS;
}

}  // namespace util
