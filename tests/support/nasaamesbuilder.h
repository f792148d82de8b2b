// Writes small NASA Ames text files for the tests: a header composed from its parts (the
// line count NLHEAD is counted, not given) followed by a data section given verbatim.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// One variable of the header: its scale factor, missing-value text and name line.
struct NasaVariable {
    std::string scale = "1";
    std::string missing = "-9999";
    std::string name;
};

struct NasaAmesSpec {
    int ffi = 1001;
    std::string dx = "0";                  // the DX line (two values for FFI 2010 and 2110)
    long nvpm = 0;                         // FFI 1020
    long nx = 0;                           // FFI 2010
    std::vector<std::string> boundedValues;  // FFI 2010: the NXDEF values of X(1)
    std::vector<std::string> xNames = {"Time (seconds)"};  // one line, two for 2010 and 2110
    std::vector<NasaVariable> primary;     // V1..VNV
    std::vector<NasaVariable> aux;         // A1..ANAUXV (not written for FFI 1001)
    std::vector<std::string> specialComments;
    std::vector<std::string> normalComments;
    std::string data;                      // everything after the header, verbatim
};

// The text of the file, lines ending in a line feed.
std::string nasaAmesText(const NasaAmesSpec& spec);

// Writes the file; false when it cannot be written.
bool writeNasaAmesFile(const std::string& path, const NasaAmesSpec& spec);

// A minimal valid file: FFI 1001, one variable, two records.
NasaAmesSpec minimalNasaAmesSpec();
bool writeMinimalNasaAmesFile(const std::string& path);

}  // namespace testsupport
