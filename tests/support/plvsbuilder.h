// Builders of PLVS profile files for tests: the text of a file from its title and vectors,
// and a minimal valid file written to a path.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// One vector of a PLVS file and the text line written before it (none when empty; the
// first vector never has one, since the format reads it right after the level count).
struct PlvsVector {
    std::string label;
    std::vector<float> values;
};

// A PLVS file: the title line, then the level count (the size of the first vector), then
// the vectors, valuesPerLine numbers to a line (all of a vector on one line when 0).
struct PlvsFile {
    std::string title = "QX ZEPH retrieval";
    std::vector<PlvsVector> vectors;
    size_t valuesPerLine = 0;
};

// The text of the file; numbers in the shortest form that reads back to the same float.
std::string plvsText(const PlvsFile& file);

// Writes the text of the file to path, replacing it.
void writePlvsFile(const std::string& path, const PlvsFile& file);

// The vectors of the minimal valid file: two levels, pressure then temperature.
const std::vector<PlvsVector>& minimalPlvsVectors();

// Writes a minimal valid PLVS file (title "QX ZEPH retrieval", the minimalPlvsVectors) to
// path, whatever its name.
void writeMinimalPlvsFile(const std::string& path);

}  // namespace testsupport
