// Records the waits requested through the library's replaceable sleep instead of sleeping.
#pragma once

#include <vector>

namespace testsupport {

// While alive, every sleep of the process is recorded here and returns at once.
class SleepRecorder {
public:
    SleepRecorder();
    ~SleepRecorder();
    SleepRecorder(const SleepRecorder&) = delete;
    SleepRecorder& operator=(const SleepRecorder&) = delete;

    // The requested waits in milliseconds, in order.
    const std::vector<int>& waits() const;
    // A hook called after each recorded wait (for example to let a simulated writer append).
    void onWait(void (*hook)(int milliseconds, void* context), void* context);
};

}  // namespace testsupport
