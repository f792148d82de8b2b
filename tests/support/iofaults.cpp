// I/O faults injected through the library's platform layer.
#include "support/iofaults.h"

#include <utility>

namespace testsupport {
namespace {

struct FaultPlan {
    RAVLIOIoCall call = RAVLIO_IO_WRITE;
    std::vector<long> fates;
    long after = 0;
    std::size_t seen = 0;
};
FaultPlan plan;

long plannedFault(RAVLIOIoCall call, size_t /*bytes*/) {
    if (call != plan.call) return 0;
    const std::size_t k = plan.seen++;
    return k < plan.fates.size() ? plan.fates[k] : plan.after;
}

}  // namespace

Faults::Faults(RAVLIOIoCall call, std::vector<long> fates, long after) {
    plan = FaultPlan{call, std::move(fates), after, 0};
    previous_ = RAVLIOsetIoFaultFunction(plannedFault);
}

Faults::Faults(RAVLIOIoFaultFunction fn) : previous_(RAVLIOsetIoFaultFunction(fn)) {}

Faults::~Faults() { RAVLIOsetIoFaultFunction(previous_); }

std::size_t Faults::seen() const { return plan.seen; }

}  // namespace testsupport
