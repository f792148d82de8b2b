// The NASA Ames driver's private tables: the handle built at open, the variable descriptions
// and the dictionary that maps variable names onto the library's metadata field ids.
#ifndef RAVLIO_FORMATS_NASAAMES_NASAFILE_H
#define RAVLIO_FORMATS_NASAAMES_NASAFILE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ravlio/associa.h"

namespace nasaames {

// The value delivered for a missing value: the largest 32-bit real (pattern 0x7F7FFFFF).
inline constexpr float MissingMarker = 3.4028235e38f;

// The file format indices this reader reads.
inline bool isSupportedIndex(long ffi) { return ffi == 1001 || ffi == 1020 || ffi == 2010 || ffi == 2110; }

// Longest token and name line kept; the rest of a longer one is read and dropped.
inline constexpr size_t TextLimit = 1023;

// One dictionary entry: variables whose lower-cased name contains `nameFromFile` are offered
// under `fieldID`. Every entry fetches the value from the record's auxiliary row.
struct fieldMapEntry {
    int32_t fieldID;
    const char* fieldIDString;
    const char* nameFromFile;
};

// One variable of the file (an auxiliary column or a primary variable).
struct NASAfield {
    int32_t fieldID = 0;                   // 0: not offered
    const fieldMapEntry* map = nullptr;    // the dictionary entry that identified it
    bool hasLongDesc = false;              // longDesc holds a text
    std::string longDesc;
    std::string nameFromFile;              // the VNAME, ANAME or XNAME line
    double scalingFactor = 1.0;
    std::string whenMissing;               // the missing-value text
    int index = 0;                         // column of the auxiliary row
};

// Frees an association dictionary owned by a unique_ptr.
struct AssociationsDeleter {
    void operator()(Associations* it) const { ASSOCdestroy(it); }
};

// The driver's handle: everything read from the file at open.
struct NASAfile {
    long fileFormatIndex = 0;
    long headerLineCount = 0;
    float dx = 0.0f;
    std::string xName;
    std::vector<std::vector<float>> a;        // auxiliary rows, one per record
    size_t auxColumnCount = 0;                // adim[1]: NAUXV + 1 (FFI 1001: NV + 1)
    float dx2 = 0.0f;
    std::string xName2;
    int primaryVariableCount = 0;
    std::vector<NASAfield> primaryField;
    size_t pointsPerVector = 0;               // vdim[2]: NVPM (1020), NX (2010), 0 (2110)
    std::vector<std::vector<std::vector<float>>> v;  // per record, per primary variable
    std::vector<float> boundedValues;         // FFI 2010: the X(1) grid, vector 0 of every record
    std::vector<int> recordSize;              // per-record point count
    int independentPrimaryVariable = -1;      // 0-based; -1: point numbers
    int dependentPrimaryVariable = 0;
    long nvpm = 0;
    std::vector<NASAfield> field;             // the auxiliary columns
    std::unique_ptr<Associations, AssociationsDeleter> fieldLibrary;  // field id -> column + 1

    int recordCount() const { return static_cast<int>(a.size()); }
};

// Reads a whole NASA Ames file into `file`. Null on success, else the static failure text.
const char* ingestFile(const std::string& filename, NASAfile& file);

// The first two integers of the file, read the way the format's first line is read; false
// when the file cannot be opened or does not begin with two integers.
bool readFirstTwoIntegers(const char* filename, long& first, long& second);

// True when the file is plainly NASA Ames (a header line count and a format index, the
// volume numbers and the two dates of its first lines) but of a variant this reader does not
// read, so that the open can refuse it with the variant named.
bool isRefusedVariant(const char* filename);

// Sets fieldID and map of every auxiliary column from the dictionary.
void identifyFields(std::vector<NASAfield>& fields);

// Builds the field-id dictionary of the offered auxiliary columns and sets their index.
void createFieldAssociations(NASAfile& file);

}  // namespace nasaames

#endif
