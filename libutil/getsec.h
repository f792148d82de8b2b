#pragma once
namespace util {
// Seconds since midnight of an HHMMSS time (truncated toward zero; digit groups not checked).
void getsec(float HHMMSS, int& NSECS);
}  // namespace util
