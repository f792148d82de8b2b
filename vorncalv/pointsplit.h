// Loops over the points of a spectrum shared between the calling thread and one helper
// thread, so that a scene's arithmetic uses both processors of the machine.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace vorncalv {

// The work of one range of points [first, last).
using PointWork = std::function<void(std::size_t first, std::size_t last)>;

// Every point is computed on its own, so the results do not depend on where the range is cut
// or on which thread computes it. The helper thread starts on the first split run and ends
// with the object. One object serves one calling thread.
class PointSplit {
public:
    // Fewer points than this are not worth waking the helper for.
    static constexpr std::size_t MIN_SPLIT_POINTS = 2048;

    PointSplit();
    ~PointSplit();
    PointSplit(const PointSplit&) = delete;
    PointSplit& operator=(const PointSplit&) = delete;

    // Calls work over [0, n): the first part here, the rest on the helper, cut at a multiple
    // of granule (so that work aligned on granule sees the same boundaries as over the whole
    // range). Returns when both parts are done; an exception of either is thrown here. When
    // the process may use a single processor only, or for few points, everything runs here.
    void run(std::size_t n, std::size_t granule, const PointWork& work);

private:
    void helperLoop();

    bool enabled_ = false;
    std::thread helper_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    const PointWork* work_ = nullptr;  // the helper's work while one is posted
    std::size_t first_ = 0;
    std::size_t last_ = 0;
    bool busy_ = false;
    bool quit_ = false;
    std::exception_ptr failure_;
};

}  // namespace vorncalv
