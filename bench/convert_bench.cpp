// Cost of converting a day of spectra to netCDF, against plain fwrite of the same bytes.
//
// The input is an RGD file of 400 records of one 9000-point column with a 61-field header,
// as a product of the calibration. BM_Convert runs ravlconvert's conversion into a fresh
// .nc file; BM_PlainWrite writes the same data bytes with fwrite and fflush; BM_CApiRead
// reads the same values through the library's C API (the figure the Python module's
// reading is compared with, see python/bench_read.py). The ratios of interest are
// Convert / PlainWrite and the Python module's time per record / CApiRead's.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "convertlib/convertcli.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"

namespace {

constexpr int kPoints = 9000;
constexpr int kRecords = 400;
constexpr int kSubheader61 = 94070502;  // 61 fields, among them date and time

std::string benchFile(const std::string& name) {
    static const std::string dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "convert-bench-XXXXXX").string();
        return mkdtemp(pattern.data()) != nullptr ? pattern : std::string(".");
    }();
    return dir + "/" + name;
}

std::vector<float> recordData(int record) {
    std::vector<float> data(kPoints);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<float>((i + record) % 977) * 0.25f;
    return data;
}

const std::string& inputFile() {
    static const std::string path = [] {
        const std::string p = benchFile("day.RGD");
        int subheaders[1] = {kSubheader61};
        int ids[1] = {0};
        double minima[1] = {500.0}, maxima[1] = {3000.0};
        int indPrec[1] = {6}, points[1] = {kPoints}, depPrec[1] = {4};
        const char* shortnames[1] = {"radiance"};
        const char* labels[1] = {"Radiance"};
        const char* longnames[1] = {"Calibrated radiance"};
        const char* units[1] = {"mW/(m2 sr cm-1)"};
        ZARFFILE* f = ZARFopenFileWritable(p.c_str(), 1, nullptr, 0, "convert_bench", "1", "benchmark", 48, subheaders,
                                           1, 1, ids, minima, maxima, indPrec, points, depPrec,
                                           const_cast<char**>(shortnames), const_cast<char**>(labels),
                                           const_cast<char**>(longnames), const_cast<char**>(units));
        for (int r = 1; r <= kRecords && f != nullptr; ++r) {
            int meta[2] = {FIELD_dateYYMMDD, FIELD_timeHHMMSS};
            const float values[2] = {150417.0f, static_cast<float>(60000 + (r % 60) * 100)};
            const std::vector<float> data = recordData(r);
            ZARFwriteCompleteRecord(f, r, nullptr, nullptr, 0, meta, 2, values, data.data(), kPoints);
        }
        if (f != nullptr) ZARFcloseFile(f);
        return p;
    }();
    return path;
}

void report(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.SetBytesProcessed(state.iterations() * int64_t{kRecords} * kPoints * 4);
}

void BM_Convert(benchmark::State& state) {
    const std::string in = inputFile();
    const std::string out = benchFile("day.nc");
    for (auto _ : state) {
        std::ostringstream sink, err;
        if (convert::runRavlconvert({in, out}, sink, err) != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    report(state);
}
BENCHMARK(BM_Convert)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainWrite(benchmark::State& state) {
    const std::string out = benchFile("plain.bin");
    std::vector<std::vector<float>> records;
    for (int r = 1; r <= kRecords; ++r) records.push_back(recordData(r));
    for (auto _ : state) {
        std::FILE* fp = std::fopen(out.c_str(), "wb");
        if (fp == nullptr) {
            state.SkipWithError("cannot create the plain file");
            break;
        }
        for (const std::vector<float>& data : records) std::fwrite(data.data(), sizeof(float), data.size(), fp);
        std::fflush(fp);
        std::fclose(fp);
    }
    report(state);
}
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CApiRead(benchmark::State& state) {
    ZARFFILE* f = ZARFopenFileReadable(inputFile().c_str());
    if (f == nullptr) {
        state.SkipWithError("cannot open the input");
        return;
    }
    std::vector<float> values(kPoints);
    for (auto _ : state)
        for (int r = 1; r <= kRecords; ++r) benchmark::DoNotOptimize(ZARFreadDepValues(f, r, values.data(), kPoints));
    ZARFcloseFile(f);
    report(state);
}
BENCHMARK(BM_CApiRead)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
