// Builders of RGD files for tests: write files of N records through the library, with given
// columns, subheaders, references and metadata, and locate the sections of a written file
// so that suites can cut or corrupt it at known places.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ravlio/ravlio.h"

namespace testsupport {

// One data column of a file to write (table-of-contents version 48).
struct RgdColumn {
    int identifier = 0;  // 0: the column's position
    double minimum = 500.0;
    double maximum = 1500.0;
    int points = 8;
    int independentPrecision = 6;
    int dependentPrecision = 4;
    std::string shortname;
    std::string label;
    std::string longname;
    std::string units;
};

// Everything an RGD file is opened for writing with.
struct RgdSpec {
    std::vector<RgdColumn> columns{RgdColumn{}};
    std::vector<int> subheaders;            // requested subheaders (the base one is added)
    std::vector<ZARFFILE*> references;      // reference files at open
    std::string program = "rgdbuilder";
    std::string version = "1.0";
    std::string history = "written by a test";
};

// Metadata of one record: identifiers and their values.
struct RgdMetadata {
    std::vector<int> ids;
    std::vector<float> values;
};

// Makes the library's open operations reach the RGD driver even while the driver table
// does not list it yet (test seam); call before opening files.
void installRgdDriver();
// Makes the open operations probe the RGD driver alone (for suites that check the RGD
// driver's own refusals whatever other drivers might claim); restoreDriverTable undoes it.
void probeOnlyRgd();
void restoreDriverTable();

// Opens (creates or reopens) path for writing with table-of-contents version 48.
ZARFFILE* openRgdWriter(const std::string& path, const RgdSpec& spec);

// The deterministic value of point i of column c (from 0) of record r (from 1).
float rgdPatternValue(int record, int column, int point);
// The whole data area of record r under spec, filled with rgdPatternValue.
std::vector<float> rgdPatternRecord(const RgdSpec& spec, int record);

// Writes records 1..count of a new file, each with the pattern data and the metadata that
// `metadata(record)` gives (none when empty), the references of spec as sources with the
// same record number. Closes the file. Returns false (with the library's message in
// *error when given) when an open or a write fails.
bool writeRgdFile(const std::string& path, const RgdSpec& spec, int count,
                  const std::function<RgdMetadata(int)>& metadata = {}, std::string* error = nullptr);

// Offsets of the sections of an RGD file written by this library.
struct RgdSections {
    int64_t magicOffset = 0;     // the magic word
    int64_t tocOffset = 0;       // the table-of-contents entry size
    int64_t anatomyOffset = 0;   // the subheader count
    int64_t baseOffset = 0;      // record 1
    int64_t headerSize = 0;      // H
    int64_t dataAreaSize = 0;    // D
};
// Parses the preamble of file bytes written by this library (digits at offset 0).
RgdSections locateRgdSections(const std::string& bytes);

// Little-endian 32-bit integer at / into a byte string.
int32_t getLe32(const std::string& bytes, int64_t offset);
void putLe32(std::string& bytes, int64_t offset, int32_t value);

}  // namespace testsupport
