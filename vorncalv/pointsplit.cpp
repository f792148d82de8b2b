// Loops over the points of a spectrum shared between the calling thread and one helper.
#include "vorncalv/pointsplit.h"

#include <sched.h>

namespace vorncalv {
namespace {

// Processors this process may run on: an operator who confines the program to one (taskset)
// keeps it to one thread.
unsigned usableProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<unsigned>(CPU_COUNT(&set));
    return std::thread::hardware_concurrency();
}

}  // namespace

PointSplit::PointSplit() : enabled_(usableProcessors() >= 2) {}

PointSplit::~PointSplit() {
    if (!helper_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    helper_.join();
}

void PointSplit::run(std::size_t n, std::size_t granule, const PointWork& work) {
    const std::size_t step = granule == 0 ? 1 : granule;
    const std::size_t cut = n / 2 / step * step;
    if (!enabled_ || n < MIN_SPLIT_POINTS || cut == 0) {
        work(0, n);
        return;
    }
    if (!helper_.joinable()) helper_ = std::thread(&PointSplit::helperLoop, this);
    {
        const std::lock_guard lock(mutex_);
        work_ = &work;
        first_ = cut;
        last_ = n;
        busy_ = true;
        failure_ = nullptr;
    }
    wake_.notify_one();
    std::exception_ptr here;
    try {
        work(0, cut);
    } catch (...) {
        here = std::current_exception();
    }
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return !busy_; });
    work_ = nullptr;
    if (here) std::rethrow_exception(here);
    if (failure_) std::rethrow_exception(failure_);
}

void PointSplit::helperLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return busy_ || quit_; });
        if (quit_) return;
        const PointWork& work = *work_;
        const std::size_t first = first_;
        const std::size_t last = last_;
        lock.unlock();
        std::exception_ptr failure;
        try {
            work(first, last);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        failure_ = failure;
        busy_ = false;
        finished_.notify_one();
    }
}

}  // namespace vorncalv
