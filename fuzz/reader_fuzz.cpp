// One format driver's reader under hostile bytes. Compiled once per driver, with that
// driver's operation table as FUZZ_DRIVER and a name suffix it claims as FUZZ_SUFFIX (see
// fuzz/CMakeLists.txt). The input becomes a file that the library opens through this driver
// alone; then every read operation is asked of every record and column, the file grows under
// the open reader (as a writer in another process would make it) and is cut under it.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "driver.h"
#include "ravlio/fields.h"
#include "ravlio/ravlio.h"
#include "scratch.h"

#ifndef FUZZ_DRIVER
#error "FUZZ_DRIVER must name the driver's Methods table"
#endif
#ifndef FUZZ_SUFFIX
#error "FUZZ_SUFFIX must give a file-name suffix the driver claims"
#endif

namespace {

constexpr int kWildcard = 2000000000;
// Bounds the harness puts on its own arrays; a driver answering more is still asked, with
// arrays of this size.
constexpr int kMaxPoints = 1 << 16;
// Points that an input of a given size can hold: the file never grows beyond twice the input,
// and no format stores a value in less than two bytes (a 16-bit word, or a digit and its
// separator in a text format). A header may announce far more (an
// SPC header of a few hundred bytes announces millions of points as a spectrum not yet
// complete); the arrays stay this small all the same, so the time per input follows the
// bytes fuzzed, not the count a header claims.
constexpr size_t kPointsPerInputByte = 1;
constexpr int kMinPoints = 64;
// Records asked beside the ones at the edges: the first three (a record after the first may
// differ from it in layout; one after the third runs no code the third did not).
constexpr int kMaxRecordsAsked = 3;
constexpr int kMaxFields = 512;
constexpr int kMaxColumns = 16;
// Fields whose descriptions are asked for, spread evenly over a record's fields (the first
// and the last among them). Every description of every field runs the same code; asking all
// of an RGD record's 513 fields eight times over spent most of an execution there.
constexpr size_t kMaxDescribedFields = 12;

// The negated identifier the API takes for "by identifier, not by position". The file may
// hold the most negative int, which has no negation: it is passed as it stands (the library
// must refuse it, not the harness overflow on it).
int negated(int id) { return id == std::numeric_limits<int>::min() ? id : -id; }

void readDescriptions(ZARFFILE* f, int record, const std::vector<int>& ids) {
    char text[81];
    const size_t step = std::max<size_t>(1, ids.size() / kMaxDescribedFields);
    for (size_t i = 0; i < ids.size(); i += step) {
        const size_t at = i + step < ids.size() ? i : ids.size() - 1;
        for (int type = 0; type <= 7; ++type) ZARFreadMetadataStringDesc(f, record, ids[at], type, text, sizeof text);
    }
}

void readMetadata(ZARFFILE* f, int record, bool describe) {
    const int m = std::clamp(ZARFqueryMaxMetadataCount(f, record), 0, kMaxFields);
    std::vector<int> ids(static_cast<size_t>(m) + 1, kWildcard);
    std::vector<float> values(ids.size());
    ZARFreadRealMetadata(f, record, ids.data(), static_cast<int>(ids.size()), values.data());
    if (describe) readDescriptions(f, record, ids);
    // The same fields again by identifier, and a few that no file has.
    for (int& id : ids) id = id < 0 ? negated(id) : id;
    ids.push_back(FIELD_missingDataFlag);
    ids.push_back(0);
    ids.push_back(-1);
    values.resize(ids.size());
    ZARFreadRealMetadata(f, record, ids.data(), static_cast<int>(ids.size()), values.data());
}

void readColumns(ZARFFILE* f, int record, const std::vector<int>& types, int maxPoints) {
    const int size = ZARFreadRecordSize(f, record);
    const int n = size == INT32_MIN ? maxPoints : std::min(size < 0 ? -size : size, maxPoints);
    std::vector<float> values(static_cast<size_t>(n) + 1);
    std::vector<double> wide(values.size());
    for (int type : types) {
        ZARFselectData(f, 2, type);
        ZARFselectData(f, 1, negated(type));
        ZARFreadDepValues(f, record, values.data(), static_cast<int>(values.size()));
        ZARFreadIndValues(f, record, values.data(), static_cast<int>(values.size()));
        ZARFreadIndValuesDouble(f, record, wide.data(), static_cast<int>(wide.size()));
        float lo = 0, hi = 0, step = 0;
        ZARFreadIndDomain(f, record, &lo, &hi, &step);
        double dlo = 0, dhi = 0, dstep = 0;
        ZARFreadIndDomainDouble(f, record, &dlo, &dhi, &dstep);
    }
}

// Every read operation of the handle API, over the first records and the ones at the edges,
// with value arrays of at most maxPoints.
void readEverything(ZARFFILE* f, int maxPoints) {
    const int count = ZARFreadRecordCount(f);
    const int columns = std::clamp(ZARFqueryMaxDataCount(f), 0, kMaxColumns);
    std::vector<int> types(static_cast<size_t>(columns) + 1, 0);
    ZARFqueryDataTypes(f, types.data(), static_cast<int>(types.size()));
    types.push_back(0);
    types.push_back(1);
    // Each type once: the slot after the driver's answer and the two added often repeat one,
    // and every type is asked of every record.
    std::sort(types.begin(), types.end());
    types.erase(std::unique(types.begin(), types.end()), types.end());
    char text[81];
    for (int type : types)
        for (int descType = 0; descType <= 7; ++descType) {
            ZARFreadDataStringDesc(f, type, descType, text, sizeof text);
            ZARFreadDataStringDesc(f, negated(type), descType, text, sizeof text);
        }
    // The records at the edges and the first ones. Fields are described for the edges and
    // the first record only: a field's descriptions run the same code in every record, and
    // asking them of each record was most of an execution of the raw reader.
    const int edges[] = {0, -1, count, count + 1, 1};
    for (int record : edges) {
        readColumns(f, record, types, maxPoints);
        readMetadata(f, record, true);
    }
    for (int record = 2; record <= std::min(count, kMaxRecordsAsked); ++record) {
        readColumns(f, record, types, maxPoints);
        readMetadata(f, record, false);
    }
    for (unsigned component = 0; component < 6; ++component) ZARFqueryVersion(component, f);
    ZARFFILE* files[1] = {f};
    ZARFwaitNewRecordsReady(files, nullptr, 1, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Methods* const table[] = {&FUZZ_DRIVER};
    ZARFinstallFileTypes(table, 1, &RGD_Methods);
    const std::string path = fuzzing::scratchFile(std::string("input") + FUZZ_SUFFIX);
    fuzzing::writeBytes(path, data, size);
    ZARFFILE* f = ZARFopenFileReadable(path.c_str());
    if (f == nullptr) return 0;
    const int maxPoints = static_cast<int>(std::clamp<size_t>(kPointsPerInputByte * size, kMinPoints, kMaxPoints));
    readEverything(f, maxPoints);
    // A writer in another process appends (here: the input's second half once more) ...
    fuzzing::appendBytes(path, data + size / 2, size - size / 2);
    readEverything(f, maxPoints);
    // ... and the file is cut under the open reader.
    if (truncate(path.c_str(), static_cast<off_t>(size / 3)) == 0) readEverything(f, maxPoints);
    ZARFcloseFile(f);
    return 0;
}
