// I/O faults injected through the library's platform layer for the lifetime of an object:
// a plan that fails, or shortens, chosen calls of one kind (reads, writes, fsync, rename).
#pragma once

#include <cstddef>
#include <vector>

#include "ravlio/platform.h"

namespace testsupport {

// While alive, calls of kind `call` are counted from 0: call k gets fates[k], every call
// after the listed ones gets `after` (the fate of a call as RAVLIOIoFaultFunction returns
// it: 0 runs it, -e fails it with errno e, a positive n below its byte count moves only n
// bytes). Calls of other kinds run. One object at a time; the function it replaced comes
// back when it goes.
class Faults {
public:
    Faults(RAVLIOIoCall call, std::vector<long> fates, long after = 0);
    // Installs fn itself instead of a plan.
    explicit Faults(RAVLIOIoFaultFunction fn);
    ~Faults();
    Faults(const Faults&) = delete;
    Faults& operator=(const Faults&) = delete;

    // Calls of the planned kind seen so far.
    std::size_t seen() const;

private:
    RAVLIOIoFaultFunction previous_ = nullptr;
};

}  // namespace testsupport
