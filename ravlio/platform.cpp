// Sleep, event and file-length hooks shared by the library and the calibration program.
#include "ravlio/platform.h"

#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <thread>

namespace {

void realSleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(milliseconds) * 1000));
}

RAVLIOSleepFunction installedSleep = realSleep;

}  // namespace

extern "C" RAVLIOSleepFunction RAVLIOsetSleepFunction(RAVLIOSleepFunction fn) {
    RAVLIOSleepFunction previous = installedSleep;
    installedSleep = fn != nullptr ? fn : realSleep;
    return previous;
}

extern "C" void RAVLIOsleepMilliseconds(int milliseconds) {
    if (milliseconds > 0) installedSleep(milliseconds);
}

extern "C" int syssleep(const char* /*event*/, int maxwait) {
    if (maxwait <= 0) return 0;
    RAVLIOsleepMilliseconds(maxwait);
    return maxwait;
}

extern "C" void sysevent(const char* /*event*/) {}

extern "C" int _FileLength(int fnum) {
    struct stat status {};
    if (fstat(fnum, &status) != 0) return -1;
    if (status.st_size > INT_MAX) return INT_MAX;
    return static_cast<int>(status.st_size);
}
