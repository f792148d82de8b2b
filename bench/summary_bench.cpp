// Cost of a day's summary: vornsum over the four products (radiance, imaginary part,
// responsivity, variance of radiance) of days made by vornsim and calibrated by vorncalv,
// 9000 points a spectrum, of 100, 200 and 400 scenes (25, 50 and 100 sets). BM_Summary is
// the reading and arithmetic alone; BM_SummaryFiles the whole command with its netCDF, CSV
// and quicklook files. The complexity fit of each says whether the cost grows linearly
// with the number of scenes.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "simlib/dayplan.h"
#include "simlib/daywriter.h"
#include "sumlib/sumcli.h"
#include "sumlib/summary.h"

namespace {

constexpr int kPoints = 9000;

std::string benchDir() {
    static const std::string dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "summary-bench-XXXXXX").string();
        return mkdtemp(pattern.data()) != nullptr ? pattern : std::string(".");
    }();
    return dir;
}

// The products' root of a calibrated day of `sets` sets (four scenes each); empty when
// the day could not be made.
std::string calibratedDay(int sets) {
    static std::map<int, std::string> roots;
    if (const auto it = roots.find(sets); it != roots.end()) return it->second;
    vornsim::DayOptions o;
    o.sets = sets;
    o.points = kPoints;
    const vornsim::DayPlan plan = vornsim::planDay(o);
    const std::string dir = benchDir() + "/day" + std::to_string(sets);
    vornsim::writeDay(plan, dir);
    const std::string command = "cd '" + dir + "' && '" + VORNCALV_BINARY + "' < ANSWERS.TXT > /dev/null 2>&1";
    const std::string root = std::system(command.c_str()) == 0 ? dir + "/" + plan.files.root : std::string();
    roots[sets] = root;
    return root;
}

void report(benchmark::State& state, int scenes) {
    state.SetItemsProcessed(state.iterations() * scenes);
    state.SetComplexityN(scenes);
}

void BM_Summary(benchmark::State& state) {
    const int sets = static_cast<int>(state.range(0));
    const std::string root = calibratedDay(sets);
    if (root.empty()) {
        state.SkipWithError("cannot make the calibrated day");
        return;
    }
    const vornsum::DayProducts products = vornsum::findProducts(root);
    for (auto _ : state) benchmark::DoNotOptimize(vornsum::summariseDay(products).scenes.size());
    report(state, sets * 4);
}
BENCHMARK(BM_Summary)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Complexity(benchmark::oN);

void BM_SummaryFiles(benchmark::State& state) {
    const int sets = static_cast<int>(state.range(0));
    const std::string root = calibratedDay(sets);
    if (root.empty()) {
        state.SkipWithError("cannot make the calibrated day");
        return;
    }
    const std::string stem = benchDir() + "/out" + std::to_string(sets);
    for (auto _ : state) {
        std::ostringstream out, err;
        if (vornsum::runVornsum({root, "--output", stem}, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    report(state, sets * 4);
}
BENCHMARK(BM_SummaryFiles)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
