#include "libutil/dossleep.h"

#include "ravlio/platform.h"

namespace util {

int dossleep(int milliseconds) {
    RAVLIOsleepMilliseconds(milliseconds);
    return 0;
}

}  // namespace util
