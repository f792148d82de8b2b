// Counting what a test executable asks of operator new, so that a test can bound the memory
// an operation takes (or the copying it does) instead of timing it. Linking a test that
// calls allocatedBytes() replaces the executable's operator new and delete.
#pragma once

#include <cstddef>

namespace testsupport {

// Bytes requested from operator new in this process so far.
std::size_t allocatedBytes();

// Largest single block requested from operator new in this process so far.
std::size_t largestAllocation();

}  // namespace testsupport
