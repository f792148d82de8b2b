// Throughput of the RGD driver against plain stdio on the same bytes.
//
// One record is what the calibration program writes and reads: two columns of 9000 points,
// a header of 61 requested fields (plus missingDataFlag), 15 metadata values per record.
// BM_RgdWrite / BM_RgdRead go through the library; BM_PlainWrite / BM_PlainRead move the
// same number of bytes per record with fseek + fwrite + fflush and fseek + fread.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "driver.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"

namespace {

constexpr int kPoints = 9000;
constexpr int kColumns = 2;
constexpr int kSubheader61 = 94070502;  // 61 fields
constexpr int kRecordsInFile = 256;
const std::vector<int> kMetadataIds = {FIELD_atmosphericPressure,
                                       FIELD_atmosphericRelativeHumidity,
                                       FIELD_BBsupportStructureTemp,
                                       FIELD_fixed12KohmResistor,
                                       FIELD_HBBtopTemp,
                                       FIELD_ABBtopTemp,
                                       FIELD_HBBapexTemp,
                                       FIELD_ABBapexTemp,
                                       FIELD_HBBbottomTemp,
                                       FIELD_ABBbottomTemp,
                                       FIELD_interferometerSecondPortTemp,
                                       FIELD_airNearBBsTemp,
                                       FIELD_mirrorMotorTemp,
                                       FIELD_dewarTemp,
                                       FIELD_missingDataFlag};

class BenchDir {
public:
    BenchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "rgd-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~BenchDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

BenchDir& benchDir() {
    static BenchDir dir;
    return dir;
}

void installRgd() {
    static const Methods* const table[] = {&RGD_Methods, nullptr};
    if (WritableFileType != &RGD_Methods) ZARFinstallFileTypes(table, 1, &RGD_Methods);
}

ZARFFILE* openWriter(const std::string& path) {
    installRgd();
    std::remove(path.c_str());
    int subheaders[1] = {kSubheader61};
    int ids[kColumns] = {0, 0};
    double minima[kColumns] = {500.0, 500.0};
    double maxima[kColumns] = {3000.0, 3000.0};
    int indPrec[kColumns] = {6, 6};
    int points[kColumns] = {kPoints, kPoints};
    int depPrec[kColumns] = {4, 4};
    const char* shortnames[kColumns] = {"re", "im"};
    const char* labels[kColumns] = {"Real", "Imaginary"};
    const char* longnames[kColumns] = {"Real part", "Imaginary part"};
    const char* units[kColumns] = {"counts", "counts"};
    return ZARFopenFileWritable(path.c_str(), 1, nullptr, 0, "rgd_bench", "1", "benchmark", 48, subheaders, 1,
                                kColumns, ids, minima, maxima, indPrec, points, depPrec,
                                const_cast<char**>(shortnames), const_cast<char**>(labels),
                                const_cast<char**>(longnames), const_cast<char**>(units));
}

std::vector<float> recordData() {
    std::vector<float> data(kColumns * kPoints);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<float>(i % 977) * 0.25f;
    return data;
}

// Bytes of one record on disk: the header (62 fields) and the data area.
int64_t recordBytes() { return 4 * (61 + 1) + int64_t{4} * kColumns * kPoints; }

bool writeRecord(ZARFFILE* f, int record, const std::vector<float>& data) {
    std::vector<int> ids = kMetadataIds;
    std::vector<float> values(ids.size(), 1.5f);
    return ZARFwriteCompleteRecord(f, record, nullptr, nullptr, 0, ids.data(), static_cast<int>(ids.size()),
                                   values.data(), data.data(), static_cast<int>(data.size())) == 1;
}

const std::string& readFixture() {
    static const std::string path = [] {
        const std::string p = benchDir().file("read.rgd");
        ZARFFILE* f = openWriter(p);
        const std::vector<float> data = recordData();
        for (int r = 1; r <= kRecordsInFile && f != nullptr; ++r) writeRecord(f, r, data);
        if (f != nullptr) ZARFcloseFile(f);
        return p;
    }();
    return path;
}

void report(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * recordBytes());
}

void BM_RgdWrite(benchmark::State& state) {
    ZARFFILE* f = openWriter(benchDir().file("write.rgd"));
    if (f == nullptr) {
        state.SkipWithError("cannot create the RGD file");
        return;
    }
    const std::vector<float> data = recordData();
    int record = 0;
    for (auto _ : state) {
        record = record % kRecordsInFile + 1;
        if (!writeRecord(f, record, data)) state.SkipWithError("write failed");
    }
    ZARFcloseFile(f);
    report(state);
}
BENCHMARK(BM_RgdWrite);

void BM_PlainWrite(benchmark::State& state) {
    std::FILE* fp = std::fopen(benchDir().file("plain.bin").c_str(), "w+b");
    if (fp == nullptr) {
        state.SkipWithError("cannot create the file");
        return;
    }
    const std::vector<float> data = recordData();
    std::vector<unsigned char> record(static_cast<size_t>(recordBytes()));
    int index = 0;
    for (auto _ : state) {
        std::copy_n(reinterpret_cast<const unsigned char*>(data.data()), data.size() * 4, record.begin() + 248);
        std::fseek(fp, static_cast<long>(index * recordBytes()), SEEK_SET);
        std::fwrite(record.data(), 1, record.size(), fp);
        std::fflush(fp);
        index = (index + 1) % kRecordsInFile;
    }
    std::fclose(fp);
    report(state);
}
BENCHMARK(BM_PlainWrite);

void BM_RgdRead(benchmark::State& state) {
    installRgd();
    ZARFFILE* f = ZARFopenFileReadable(readFixture().c_str());
    if (f == nullptr) {
        state.SkipWithError("cannot open the RGD file");
        return;
    }
    std::vector<float> values(kPoints);
    std::vector<float> metadata(kMetadataIds.size());
    int record = 0;
    for (auto _ : state) {
        record = record % kRecordsInFile + 1;
        std::vector<int> ids = kMetadataIds;
        double lo = 0, hi = 0, step = 0;
        for (int column = 1; column <= kColumns; ++column) {
            ZARFselectData(f, 2, column);
            ZARFreadIndDomainDouble(f, record, &lo, &hi, &step);
            benchmark::DoNotOptimize(ZARFreadDepValues(f, record, values.data(), kPoints));
        }
        benchmark::DoNotOptimize(
            ZARFreadRealMetadata(f, record, ids.data(), static_cast<int>(ids.size()), metadata.data()));
    }
    ZARFcloseFile(f);
    report(state);
}
BENCHMARK(BM_RgdRead);

void BM_PlainRead(benchmark::State& state) {
    std::FILE* fp = std::fopen(readFixture().c_str(), "rb");
    if (fp == nullptr) {
        state.SkipWithError("cannot open the file");
        return;
    }
    std::vector<unsigned char> record(static_cast<size_t>(recordBytes()));
    int index = 0;
    for (auto _ : state) {
        std::fseek(fp, static_cast<long>(1000 + index * recordBytes()), SEEK_SET);
        benchmark::DoNotOptimize(std::fread(record.data(), 1, record.size(), fp));
        index = (index + 1) % kRecordsInFile;
    }
    std::fclose(fp);
    report(state);
}
BENCHMARK(BM_PlainRead);

}  // namespace

BENCHMARK_MAIN();
