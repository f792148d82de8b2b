// Time to open an MLT table as its rows grow: the fit against n shows that reading a table
// is linear in its length (its columns grow by doubling, not by a fixed step).
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "ravlio/ravlio.h"
#include "scratchfile.h"

namespace {

// A two-column table of n rows in a fresh directory, removed afterwards.
class TableFile {
public:
    explicit TableFile(long rows) : file_("mlt-bench", "table.MLT") {
        if (file_.path().empty()) return;
        std::ofstream out(file_.path());
        out << "#MLT benchmark table\n#label 1 Wavenumber\n#label 2 Value\n";
        for (long i = 0; i < rows; ++i) out << 500 + static_cast<double>(i) * 0.25 << ' ' << static_cast<double>(i % 97) * 0.01 << '\n';
    }
    const std::string& path() const { return file_.path(); }

private:
    ScratchFile file_;
};

void BM_MltOpen(benchmark::State& state) {
    const TableFile table(state.range(0));
    for (auto _ : state) {
        ZARFFILE* f = ZARFopenFileReadable(table.path().c_str());
        if (f == nullptr || ZARFreadRecordSize(f, 1) != state.range(0)) {
            state.SkipWithError("the table did not open with all its rows");
            if (f != nullptr) ZARFcloseFile(f);
            break;
        }
        ZARFcloseFile(f);
    }
    state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(BM_MltOpen)->RangeMultiplier(4)->Range(1 << 12, 1 << 20)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
