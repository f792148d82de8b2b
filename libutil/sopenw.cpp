// sopenw: the service layer's open of an output data file for writing.
#include "libutil/sopenw.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

#include "ravlio/fortjkt.h"

namespace util {
namespace {

int sizeOf(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, INT_MAX)); }

template <typename T>
const T* orNull(std::span<T> list) {
    return list.empty() ? nullptr : list.data();
}

bool descriptionsFit(std::span<const char* const> list, std::size_t columns) {
    return list.empty() || list.size() == columns;
}

}  // namespace

bool consistent(const OutputColumns& c) {
    const std::size_t n = c.identifiers.size();
    return c.minima.size() == n && c.maxima.size() == n && c.independentPrecisions.size() == n &&
           c.points.size() == n && c.dependentPrecisions.size() == n && descriptionsFit(c.shortnames, n) &&
           descriptionsFit(c.labels, n) && descriptionsFit(c.longnames, n) && descriptionsFit(c.units, n);
}

int sopenw(std::string_view name, int file_type, std::span<const int> references, const std::string& progrm,
           const std::string& version, const std::string& histry, std::span<const int> subheaders,
           const OutputColumns& columns) {
    if (!consistent(columns)) throw std::invalid_argument("sopenw: column lists of different lengths");
    const int length = sizeOf(name.size());
    const int referenceCount = sizeOf(references.size());
    const int subheaderCount = sizeOf(subheaders.size());
    const int columnCount = sizeOf(columns.identifiers.size());
    const int tocVersion = 48;
    // An empty name still needs a terminated text to hand over.
    const char* const text = name.empty() ? "" : name.data();
    int handle = 0;
    sopnw3_(text, &length, &file_type, orNull(references), &referenceCount, progrm.c_str(), version.c_str(),
            histry.c_str(), &tocVersion, orNull(subheaders), &subheaderCount, &columnCount,
            orNull(columns.identifiers), orNull(columns.minima), orNull(columns.maxima),
            orNull(columns.independentPrecisions), orNull(columns.points), orNull(columns.dependentPrecisions),
            orNull(columns.shortnames), orNull(columns.labels), orNull(columns.longnames), orNull(columns.units),
            &handle);
    return handle;
}

}  // namespace util
