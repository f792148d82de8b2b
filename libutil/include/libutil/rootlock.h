// The advisory lock that keeps two runs from writing the files of one output root at once.
// The lock is an exclusive flock(2) on the file ROOT.LCK: the system releases it when the
// process ends however it ends, so a killed run never leaves a lock behind.
#pragma once

#include <string>

namespace util {

enum class RootLockResult {
    taken,   // this process now holds the root
    busy,    // another process holds it
    failed,  // the lock file cannot be opened or locked (reason says why)
};

struct RootLockOutcome {
    RootLockResult result = RootLockResult::failed;
    std::string reason;  // the system's reason when failed
};

// Takes the lock of the file name (created when missing) for the rest of the process or
// until unlockRoot. A lock file that the holder removed at its end while this process was
// taking it is opened again, so two processes can never both hold one name.
RootLockOutcome lockRoot(const std::string& name);

// Removes the lock file and gives up the lock, when this process holds one (the end of a
// run; tests call it between runs in one process).
void unlockRoot();

}  // namespace util
