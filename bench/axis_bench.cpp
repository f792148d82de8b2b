// Time to read the abscissae of a 9000-point SPC spectrum, which the library builds from the
// header's domain. The rows of a domain of normal numbers and of subnormal ones (as fuzzed or
// damaged headers hold) should take about the same time: converting each abscissa to a
// subnormal through the x87 unit once made the second forty times slower.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "ravlio/ravlio.h"
#include "scratchfile.h"

namespace {

constexpr int kPoints = 9000;

// An old-format SPC file of kPoints zero values from first to last, in a fresh directory
// removed afterwards.
class SpcFile {
public:
    SpcFile(float first, float last) : file_("axis-bench", "axis.spc") {
        if (file_.path().empty()) return;
        std::array<char, 256> header{};
        header[1] = 'M';
        const int16_t exponent = 32;
        const float points = kPoints;
        std::memcpy(&header[2], &exponent, sizeof exponent);
        std::memcpy(&header[4], &points, sizeof points);
        std::memcpy(&header[8], &first, sizeof first);
        std::memcpy(&header[12], &last, sizeof last);
        std::ofstream out(file_.path(), std::ios::binary);
        out.write(header.data(), header.size());
        const std::vector<char> data(4 * kPoints, 0);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
    }
    const std::string& path() const { return file_.path(); }

private:
    ScratchFile file_;
};

void readAxis(benchmark::State& state, float first, float last) {
    const SpcFile file(first, last);
    ZARFFILE* f = ZARFopenFileReadable(file.path().c_str());
    if (f == nullptr) {
        state.SkipWithError("the SPC file did not open");
        return;
    }
    std::vector<float> axis(kPoints);
    for (auto _ : state) {
        if (ZARFreadIndValues(f, 1, axis.data(), kPoints) != kPoints) {
            state.SkipWithError("the axis was not read whole");
            break;
        }
        benchmark::DoNotOptimize(axis.data());
    }
    ZARFcloseFile(f);
}

void BM_SpcAxisNormal(benchmark::State& state) { readAxis(state, 500.0f, 3000.0f); }

void BM_SpcAxisSubnormal(benchmark::State& state) {
    constexpr float unit = std::numeric_limits<float>::denorm_min();
    readAxis(state, 3 * unit, (3 + 2 * (kPoints - 1)) * unit);
}

}  // namespace

BENCHMARK(BM_SpcAxisNormal)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SpcAxisSubnormal)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
