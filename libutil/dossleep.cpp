// dossleep: a wait of the service layer through the library's replaceable sleep.
#include "libutil/dossleep.h"

#include "ravlio/platform.h"

namespace util {

int dossleep(int milliseconds) {
    RAVLIOsleepMilliseconds(milliseconds);
    return 0;
}

}  // namespace util
