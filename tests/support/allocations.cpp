// Counting what the test executable asks of operator new.
#include "support/allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> allocated{0};
std::atomic<std::size_t> largest{0};

void count(std::size_t size) {
    allocated += size;
    std::size_t seen = largest.load();
    while (size > seen && !largest.compare_exchange_weak(seen, size)) {
    }
}

}  // namespace

// Replaced together, so that every block is freed by the allocator that made it. Not
// inlined: the compiler would otherwise see free() meet a pointer from operator new.
[[gnu::noinline]] void* operator new(std::size_t size) {
    count(size);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace testsupport {

std::size_t allocatedBytes() { return allocated.load(); }

std::size_t largestAllocation() { return largest.load(); }

}  // namespace testsupport
