// Fallback operations for the slots a format driver does not implement itself.
#include "driver.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <vector>

namespace {

const char* const kWritingUnsupported = "writing to this file type is unsupported";
const char* const kBadDescription = "description type requested is bad or unavailable";
const char* const kSingleDataType = "multiple data types are not supported by this filetype";

// Number of points of a record whatever its completeness (a negative size marks a record
// still being written), as a wide integer so the magnitude of any 32-bit value fits.
long long pointsInRecord(ZARFFILE* file, int record) {
    return std::llabs(static_cast<long long>(ZARFreadRecordSize(file, record)));
}

// x below the smallest normal 32-bit real, as the subnormal (or zero, or the smallest normal)
// it rounds to: the nearest multiple of 2^-149, ties to even, as the conversion rounds. The
// real is built from its bits: the x87 conversion to a subnormal takes about a microsecond a
// value, so an axis from a header's subnormal domain was read forty times slower.
float toSubnormalFloat(long double x) {
    constexpr long double kUnitsPerOne = 0x1p149L;  // 2^-149 is the least subnormal 32-bit real
    const long long units = std::llabs(std::llrint(kUnitsPerOne * x));  // at most 2^23
    const uint32_t sign = std::signbit(x) ? 0x80000000U : 0U;
    return std::bit_cast<float>(sign | static_cast<uint32_t>(units));
}

// x as a 32-bit real; beyond the 32-bit range an infinity of its sign (a domain near the
// end of the range can run past it), never an out-of-range conversion. NaN stays NaN.
float toFloat(long double x) {
    constexpr long double limit = static_cast<long double>(std::numeric_limits<float>::max()) + 0x1p103L;
    if (x >= limit) return std::numeric_limits<float>::infinity();
    if (x <= -limit) return -std::numeric_limits<float>::infinity();
    if (std::fabs(x) < static_cast<long double>(std::numeric_limits<float>::min())) return toSubnormalFloat(x);
    return static_cast<float>(x);
}

// How many values fit: the record's points, but never more than the caller's array.
int valuesToStore(long long points, int arraysize) {
    if (arraysize <= 0) return 0;
    return static_cast<int>(std::min(points, static_cast<long long>(arraysize)));
}

// The abscissae minimum + i*interval for i below count. Readers ask for them with every
// record, so with GCC on x86-64 the loop is built twice, for processors with AVX2 and for any
// x86-64, and the loader picks one: the same values either way (a conversion, a
// multiplication and an addition per value, none fused).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
__attribute__((target_clones("avx2", "default")))
#endif
void fillAxis(double* values, int count, double minimum, double interval) {
    for (int i = 0; i < count; ++i) values[i] = minimum + static_cast<double>(i) * interval;
}

}  // namespace

extern "C" {

fileHANDLE DEFAULTopenFileWritable(const char* /*filename*/, int /*filetype*/, ZARFFILE** /*referenceList*/,
                                   int /*referenceCount*/, const char* /*programName*/, const char* /*version*/,
                                   const char* /*historyAddition*/, int /*TOCversion*/, va_list /*args*/) {
    lastGenericError = kWritingUnsupported;
    return nullptr;
}

int DEFAULTreadIndValues(ZARFFILE* file, int record, float* values, int arraysize) {
    float minimum = 0.0F;
    float maximum = 0.0F;
    float interval = 0.0F;
    if (ZARFreadIndDomain(file, record, &minimum, &maximum, &interval) == 0) return 0;
    const long long points = pointsInRecord(file, record);
    if (points == 0 || values == nullptr) return 0;
    const int count = valuesToStore(points, arraysize);
    for (int i = 0; i < count; ++i) {
        const long double value = static_cast<long double>(minimum) +
                                  static_cast<long double>(i) * static_cast<long double>(interval);
        values[i] = toFloat(value);
    }
    return count;
}

int DEFAULTqueryMaxMetadataCount(ZARFFILE* /*file*/, int /*record*/) { return -1; }

int DEFAULTreadRealMetadata(ZARFFILE* /*file*/, int /*record*/, int* /*requestlist*/, int /*requestcount*/,
                            float* /*responselist*/) {
    return -1;
}

int DEFAULTreadMetadataStringDesc(ZARFFILE* file, int /*record*/, int /*fieldId*/, int /*descType*/,
                                  char* /*text*/, int /*textsize*/) {
    file->lastError = kBadDescription;
    return 0;
}

int DEFAULTwriteDepValues(ZARFFILE* file, int /*record*/, const float* /*values*/, int /*count*/) {
    file->lastError = kWritingUnsupported;
    return 0;
}

int DEFAULTwriteRealMetadata(ZARFFILE* file, int /*record*/, int* /*requestlist*/, int /*requestcount*/,
                             const float* /*valuelist*/) {
    file->lastError = kWritingUnsupported;
    return 0;
}

int DEFAULTcopyMetadata(ZARFFILE* destination, int /*record*/, ZARFFILE* /*source*/, int /*sourceRecord*/) {
    destination->lastError = kWritingUnsupported;
    return 0;
}

int DEFAULTwriteCompleteRecord(ZARFFILE* file, int /*record*/, ZARFFILE** /*originals*/,
                               const int* /*origrecords*/, int /*origcount*/, int* /*requestlist*/,
                               int /*requestcount*/, const float* /*metadata*/, const float* /*data*/,
                               int /*datacount*/) {
    file->lastError = kWritingUnsupported;
    return 0;
}

int DEFAULTwriteStringDesc(ZARFFILE* file, int /*record*/, int /*fieldId*/, int /*descType*/,
                           const char* /*text*/, int /*textsize*/) {
    file->lastError = kWritingUnsupported;
    return 0;
}

int DEFAULTselectData(ZARFFILE* file, int /*axis*/, int dataTypeId) {
    if (dataTypeId == 0) return 1;
    file->lastError = kSingleDataType;
    return 0;
}

int DEFAULTqueryMaxDataCount(ZARFFILE* /*file*/) { return 1; }

int DEFAULTqueryDataTypes(ZARFFILE* /*file*/, int* dataTypes, int memberCount) {
    if (memberCount <= 0 || dataTypes == nullptr) return 0;
    dataTypes[0] = 0;
    return 1;
}

int DEFAULTreadDataStringDesc(ZARFFILE* file, int /*dataId*/, int /*descType*/, char* /*text*/,
                              int /*textsize*/) {
    file->lastError = kBadDescription;
    return 0;
}

int DEFAULTreadIndDomainDouble(ZARFFILE* file, int record, double* minimum, double* maximum, double* interval) {
    float low = 0.0F;
    float high = 0.0F;
    float step = 0.0F;
    const int result = ZARFreadIndDomain(file, record, &low, &high, &step);
    if (minimum != nullptr) *minimum = low;
    if (maximum != nullptr) *maximum = high;
    if (interval != nullptr) *interval = step;
    return result;
}

int DEFAULTreadIndValuesDouble(ZARFFILE* file, int record, double* values, int arraysize) {
    if (values == nullptr || arraysize <= 0) return 0;
    double minimum = 0.0;
    double maximum = 0.0;
    double interval = 0.0;
    if (ZARFreadIndDomainDouble(file, record, &minimum, &maximum, &interval) != 0) {
        const int count = valuesToStore(pointsInRecord(file, record), arraysize);
        fillAxis(values, count, minimum, interval);
        return count;
    }
    std::vector<float> single;
    try {
        single.resize(static_cast<std::size_t>(arraysize));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const int stored = ZARFreadIndValues(file, record, single.data(), arraysize);
    if (stored <= 0) return stored;
    // A driver never reports more values than the array holds; if one did, only the array
    // is copied.
    std::copy_n(single.begin(), std::min(stored, arraysize), values);
    return std::min(stored, arraysize);
}

const char* DEFAULTqueryVersion(ZARFFILE* /*file*/, unsigned /*componentId*/) { return nullptr; }

}  // extern "C"
