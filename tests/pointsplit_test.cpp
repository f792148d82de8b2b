// Loops shared with a helper thread: every point is worked on exactly once, the cut falls on
// the granule, and a failure of either part reaches the caller.
#include "vorncalv/pointsplit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace {

using vorncalv::PointSplit;

TEST(PointSplit, EveryPointOnceAndRangesStartOnTheGranule) {
    struct Case {
        std::size_t n;
        std::size_t granule;
    };
    PointSplit split;
    for (const Case c : {Case{0, 32}, Case{1, 32}, Case{2047, 32}, Case{2048, 32}, Case{9000, 32}, Case{9001, 1},
                         Case{4099, 4096}, Case{20000, 0}}) {
        std::vector<int> visits(c.n, 0);
        std::vector<std::size_t> firsts;
        std::mutex m;
        // Run twice: the helper thread serves more than one run.
        for (int round = 0; round < 2; ++round) {
            split.run(c.n, c.granule, [&](std::size_t first, std::size_t last) {
                const std::lock_guard lock(m);
                firsts.push_back(first);
                for (std::size_t i = first; i < last; ++i) ++visits[i];
            });
        }
        for (std::size_t i = 0; i < c.n; ++i) ASSERT_EQ(visits[i], 2) << "n " << c.n << " point " << i;
        for (const std::size_t first : firsts) EXPECT_EQ(first % (c.granule == 0 ? 1 : c.granule), 0U) << c.n;
    }
}

TEST(PointSplit, AFailureOfEitherPartIsThrownToTheCaller) {
    PointSplit split;
    // The part ending at the last point runs on the helper, the part from point 0 here (one
    // part holds both when the process may use one processor only).
    for (const bool lastPart : {true, false}) {
        const auto work = [lastPart](std::size_t first, std::size_t last) {
            if (lastPart ? last == 9000 : first == 0) throw std::runtime_error("part failed");
        };
        EXPECT_THROW(split.run(9000, 32, work), std::runtime_error) << lastPart;
        std::atomic<std::size_t> points{0};
        split.run(9000, 32, [&points](std::size_t first, std::size_t last) { points += last - first; });
        EXPECT_EQ(points, 9000U);  // usable afterwards
    }
}

}  // namespace
