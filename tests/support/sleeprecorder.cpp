// Recording requested waits instead of sleeping.
#include "support/sleeprecorder.h"

#include "ravlio/platform.h"

namespace testsupport {
namespace {
std::vector<int> recorded;
void (*waitHook)(int, void*) = nullptr;
void* waitContext = nullptr;

void record(int milliseconds) {
    recorded.push_back(milliseconds);
    if (waitHook != nullptr) waitHook(milliseconds, waitContext);
}
}  // namespace

SleepRecorder::SleepRecorder() {
    recorded.clear();
    waitHook = nullptr;
    RAVLIOsetSleepFunction(record);
}

SleepRecorder::~SleepRecorder() {
    RAVLIOsetSleepFunction(nullptr);
    waitHook = nullptr;
}

const std::vector<int>& SleepRecorder::waits() const { return recorded; }

void SleepRecorder::onWait(void (*hook)(int, void*), void* context) {
    waitHook = hook;
    waitContext = context;
}

}  // namespace testsupport
