// getsec: seconds since midnight of an HHMMSS time.
#pragma once
namespace util {
// Seconds since midnight of an HHMMSS time (truncated toward zero; digit groups not checked,
// so 9999 gives 99 x 60 + 99). A NaN counts as 0 and values beyond the integer range are
// held at its ends, so no input makes the conversion undefined.
void getsec(float HHMMSS, int& NSECS);
}  // namespace util
