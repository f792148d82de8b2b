// Builders of the calibration program's data files for tests: spectra files (complex
// spectra, variance) whose records carry chosen data and chosen header words, and the
// read-back of an output product through the library.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

// One header word of a record: metadata field identifier and value.
struct HeaderWord {
    int id = 0;
    float value = 0.0F;
};

// One record: the data of all columns (column after column) and its header words.
struct SpectrumRecord {
    std::vector<float> data;
    std::vector<HeaderWord> header;
};

// Layout of a spectra file: columns of points each, on the grid first..last.
struct SpectrumFileSpec {
    int columns = 1;
    int points = 8;
    double first = 500.0;
    double last = 1500.0;
    std::vector<int> subheaders;  // subheader layouts beyond the base one
};

// The first subheader layout of the field dictionary that holds every field of ids; 0 when
// none does.
int subheaderHolding(std::initializer_list<int> ids);

// Writes records 1..records.size() of a new RGD file. Returns false (with the library's
// message in *error when given) when the open or a write fails.
bool writeSpectrumFile(const std::string& path, const SpectrumFileSpec& spec,
                       const std::vector<SpectrumRecord>& records, std::string* error = nullptr);

// What an output product holds, read back through the library.
struct ProductContent {
    bool opened = false;
    int records = 0;
    std::vector<std::vector<float>> data;      // per record: its dependent values
    std::vector<std::vector<float>> metadata;  // per record: the values of the ids asked for
    std::vector<std::vector<double>> grid;     // per record: the independent values
    std::vector<std::string> descriptions;     // short name, label, long name, units of column 1
};

// Reads every record of the file at path with the metadata fields ids.
ProductContent readProduct(const std::string& path, const std::vector<int>& ids);

}  // namespace testsupport
