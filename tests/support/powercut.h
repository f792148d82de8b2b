// A power cut simulated through the library's I/O seam, as SQLite's crash tests simulate one:
// what the system wrote since a file's last sync is pending in the cache, and so is every
// change of names since the directory's last sync; at the cut, pending writes are lost or
// reach the disk in part, and the directory goes back to the names it last made durable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace testsupport {

// While alive, follows every write, sync and rename made through the library's seam
// (RAVLIOpwrite, RAVLIOpwritev, RAVLIOfsync, RAVLIOfdatasync, RAVLIOsyncParentDirectory,
// RAVLIOrename) on the files of one flat directory, whose present files count as on the
// disk. Calls are counted from 0; at the end of call `cutAfter` the power goes: from then on
// every write, sync and rename through the seam fails with EIO (the run still in progress
// stops at its next wait or failure), and what the disk would hold is fixed then.
//
// What the model keeps at the cut:
//  - a name is there as the directory's last sync left it, naming the file it named then
//    (a rename or link made since is undone, a file created since is gone);
//  - a file holds what its last fsync or fdatasync found in it, and of its writes since then
//    nothing (a drop) or, for a tear, a random choice of them, applied in a random order,
//    each whole or cut after a random number of bytes;
//  - a file the seam never wrote nor synced (the log, the lock, text side files, the inputs)
//    is kept as it was at the cut, as if it were always durable: those are not the state a
//    restart resumes from, and the library writes them through C streams that it never syncs.
// One object at a time; the functions it replaced come back when it goes.
class PowerCut {
public:
    PowerCut(const std::filesystem::path& dir, std::size_t cutAfter);
    ~PowerCut();
    PowerCut(const PowerCut&) = delete;
    PowerCut& operator=(const PowerCut&) = delete;

    // Calls seen through the seam so far (up to the cut).
    std::size_t calls() const;
    // For each call seen, the number of writes pending after it in files a cut would leave
    // under a name: where a cut finds something to tear.
    const std::vector<std::size_t>& pendingAfter() const;
    // Whether the power has gone.
    bool cut() const;
    // Once the run has stopped: replaces the directory's files by what the disk holds after
    // the cut, every pending write dropped (seed 0) or torn as the seed chooses. Returns the
    // number of pending writes the cut found in files it leaves under a name.
    std::size_t restore(std::uint32_t seed) const;
};

}  // namespace testsupport
