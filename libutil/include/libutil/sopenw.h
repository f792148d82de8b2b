// sopenw: the service layer's open of an output data file for writing. It hands the
// writer's arguments to the library's writing adapter (sopnw3_) in the form that adapter
// takes: the name with its explicit length, integer file handles, and plain arrays for the
// column parameters of table-of-contents version 48.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace util {

// The columns of an output file, one entry per column in every list.
struct OutputColumns {
    std::span<const int> identifiers;            // 0: the column's position
    std::span<const double> minima;              // abscissa minimum
    std::span<const double> maxima;              // abscissa maximum
    std::span<const int> independentPrecisions;  // abscissa precision exponent
    std::span<const int> points;                 // points per record
    std::span<const int> dependentPrecisions;    // value precision exponent
    // NUL-terminated descriptions; an empty list means none of that kind.
    std::span<const char* const> shortnames;
    std::span<const char* const> labels;
    std::span<const char* const> longnames;
    std::span<const char* const> units;
};

// True when every column list has as many entries as identifiers (description lists may
// also be empty).
bool consistent(const OutputColumns& columns);

// Creates the file named by name (up to its first NUL, at most its whole length), or
// reopens it when it exists with the same shape, with the given reference files (handles
// of open files), program texts (passed as they are; a NUL inside ends them), subheaders
// and columns. Returns the file's handle, or 0 with the library's text for the failure.
// Column lists that are not consistent are a programming error: std::invalid_argument.
int sopenw(std::string_view name, int file_type, std::span<const int> references, const std::string& progrm,
           const std::string& version, const std::string& histry, std::span<const int> subheaders,
           const OutputColumns& columns);

}  // namespace util
