// The NASA Ames format driver: read-only access to text files of file format index 1001,
// 1020, 2010 or 2110. The whole file is read at open; each record offers its auxiliary
// values as metadata and, except for FFI 1001, its primary variables as data vectors.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "driver.h"
#include "formats/common.h"
#include "formats/nasaames/nasafile.h"
#include "ravlio/associa.h"

namespace {

using formats::copyText;
using nasaames::NASAfield;
using nasaames::NASAfile;

using formats::MsgNotReadable;
using formats::MsgNoMemory;
using formats::MsgRecordUnavailable;
using formats::MsgUnsupported;
using formats::MsgUnsupportedType;
using formats::MsgDataUnavailable;
using formats::MsgAxisUnchangeable;
using formats::MsgBadField;
using formats::MsgBadDescriptionType;

// The request for the next available field.
using formats::NextAvailableField;

NASAfile* nasaFileOf(ZARFFILE* file) {
    if (file == nullptr || file->method != &NASA_Methods || file->handle == nullptr) return nullptr;
    return static_cast<NASAfile*>(file->handle);
}

// The handle when record is one of its records; otherwise null, with lastError set when
// the file is ours.
NASAfile* recordOf(ZARFFILE* file, int record) {
    NASAfile* it = nasaFileOf(file);
    if (it == nullptr) return nullptr;
    if (record < 1 || record > it->recordCount()) {
        file->lastError = MsgRecordUnavailable;
        return nullptr;
    }
    return it;
}

// Which primary variables the axes show right after open: for FFI 1020 V1 against point
// numbers; for FFI 2010 and 2110 the bounded independent variable X(1) against V1 (X(1)
// itself when there is no V), the orientation of a profile: the bounded coordinate
// (altitude, pressure, latitude) comes out as the values plotted against the variable.
void selectDefaults(NASAfile& it) {
    it.independentPrimaryVariable = -1;
    it.dependentPrimaryVariable = 0;
    if (it.fileFormatIndex == 2010 || it.fileFormatIndex == 2110)
        it.independentPrimaryVariable = it.primaryVariableCount > 1 ? 1 : 0;
}

// The values of primary variable `variable` (0-based) in a record; FFI 2010 keeps the
// bounded grid once for every record. Null when the record holds no such variable (a file
// that declares no primary variable at all).
const std::vector<float>* primaryVector(const NASAfile& it, int record, int variable) {
    if (it.fileFormatIndex == 2010 && variable == 0) return &it.boundedValues;
    const std::vector<std::vector<float>>& vectors = it.v[static_cast<size_t>(record) - 1];
    if (variable < 0 || static_cast<size_t>(variable) >= vectors.size()) return nullptr;
    return &vectors[static_cast<size_t>(variable)];
}

// Copies a primary variable of a record, or the point numbers 1, 2, ... for variable -1.
template <typename T>
int copyPrimary(ZARFFILE* file, int record, int variable, T* values, int arraysize) {
    NASAfile* it = recordOf(file, record);
    if (it == nullptr) return 0;
    if (it->fileFormatIndex == 1001) {
        file->lastError = MsgUnsupported;
        return 0;
    }
    if (values == nullptr || arraysize <= 0) return 0;
    const auto points = static_cast<size_t>(it->recordSize[static_cast<size_t>(record) - 1]);
    size_t n = std::min(points, static_cast<size_t>(arraysize));
    if (variable < 0) {
        for (size_t i = 0; i < n; ++i) values[i] = static_cast<T>(i + 1);
        return static_cast<int>(n);
    }
    const std::vector<float>* source = primaryVector(*it, record, variable);
    if (source == nullptr) {
        file->lastError = MsgDataUnavailable;
        return 0;
    }
    n = std::min(n, source->size());
    for (size_t i = 0; i < n; ++i) values[i] = static_cast<T>((*source)[i]);
    return static_cast<int>(n);
}

// The field of the auxiliary column registered under fieldId, or null.
const NASAfield* fieldNamed(const NASAfile& it, int fieldId) {
    const auto column = reinterpret_cast<intptr_t>(ASSOClookup(it.fieldLibrary.get(), fieldId));
    if (column < 1 || static_cast<size_t>(column) > it.field.size()) return nullptr;
    return &it.field[static_cast<size_t>(column) - 1];
}

// Copies a description of a variable: 2 the name from the file, 3 the long description,
// 4 and 5 "n/a"; `shortName` answers type 1. 1 on success.
int describe(ZARFFILE* file, const NASAfield& f, const std::string& shortName, int descType, char* text,
             int textsize) {
    switch (descType) {
        case 1:
            copyText(text, textsize, shortName);
            return 1;
        case 2:
            copyText(text, textsize, f.nameFromFile);
            return 1;
        case 3:
            if (!f.hasLongDesc) return 0;
            copyText(text, textsize, f.longDesc);
            return 1;
        case 4:
        case 5:
            copyText(text, textsize, "n/a");
            return 1;
        default:
            file->lastError = MsgBadDescriptionType;
            return 0;
    }
}

}  // namespace

extern "C" {

int NASAisFileReadable(const char* filename) {
    if (filename == nullptr) return 0;
    long lineCount = 0;
    long ffi = 0;
    if (nasaames::readFirstTwoIntegers(filename, lineCount, ffi) && lineCount >= INT_MIN && lineCount <= INT_MAX &&
        nasaames::isSupportedIndex(ffi) && lineCount != 0)
        return 1;
    // Claimed only to be refused with the variant named, instead of "filetype is unknown".
    return nasaames::isRefusedVariant(filename) ? 1 : 0;
}

fileHANDLE NASAopenFileReadable(const char* filename) {
    if (filename == nullptr) {
        lastGenericError = MsgNotReadable;
        return nullptr;
    }
    try {
        auto it = std::make_unique<NASAfile>();
        if (const char* failure = nasaames::ingestFile(filename, *it)) {
            lastGenericError = failure;
            return nullptr;
        }
        selectDefaults(*it);
        return it.release();
    } catch (const std::bad_alloc&) {
        lastGenericError = MsgNoMemory;
        return nullptr;
    }
}

int NASAcloseFile(ZARFFILE* file) {
    NASAfile* it = nasaFileOf(file);
    if (it == nullptr) return 0;
    std::unique_ptr<NASAfile> owned(it);
    file->handle = nullptr;
    return 1;
}

int NASAreadRecordCount(ZARFFILE* file) {
    NASAfile* it = nasaFileOf(file);
    return it == nullptr ? 0 : it->recordCount();
}

int NASAreadRecordSize(ZARFFILE* file, int record) {
    NASAfile* it = nasaFileOf(file);
    if (it == nullptr) return 0;
    if (it->fileFormatIndex == 1001) {
        file->lastError = MsgUnsupported;
        return 0;
    }
    if (recordOf(file, record) == nullptr) return 0;
    return it->recordSize[static_cast<size_t>(record) - 1];
}

int NASAreadDepValues(ZARFFILE* file, int record, float* values, int arraysize) {
    NASAfile* it = nasaFileOf(file);
    if (it == nullptr) return 0;
    return copyPrimary(file, record, it->dependentPrimaryVariable, values, arraysize);
}

int NASAreadIndValues(ZARFFILE* file, int record, float* values, int arraysize) {
    NASAfile* it = nasaFileOf(file);
    if (it == nullptr) return 0;
    return copyPrimary(file, record, it->independentPrimaryVariable, values, arraysize);
}

int NASAreadIndDomain(ZARFFILE* file, int /*record*/, float* /*minimum*/, float* /*maximum*/, float* /*interval*/) {
    if (nasaFileOf(file) != nullptr) file->lastError = MsgUnsupportedType;
    return 0;
}

int NASAselectData(ZARFFILE* file, int axis, int columnId) {
    NASAfile* it = nasaFileOf(file);
    if (it == nullptr) return 0;
    if (columnId < 1 || columnId > it->primaryVariableCount) {
        file->lastError = MsgDataUnavailable;
        return 0;
    }
    if (axis == 1) {
        it->independentPrimaryVariable = columnId - 1;
    } else if (axis == 2) {
        it->dependentPrimaryVariable = columnId - 1;
    } else {
        file->lastError = MsgAxisUnchangeable;
        return 0;
    }
    return 1;
}

int NASAqueryMaxDataCount(ZARFFILE* file) {
    NASAfile* it = nasaFileOf(file);
    return it == nullptr ? 0 : it->primaryVariableCount;
}

int NASAqueryDataTypes(ZARFFILE* file, int* dataTypes, int memberCount) {
    NASAfile* it = nasaFileOf(file);
    if (it == nullptr) return 0;
    if (dataTypes != nullptr)
        for (int i = 0; i < std::min(it->primaryVariableCount, memberCount); ++i) dataTypes[i] = i + 1;
    return it->primaryVariableCount;
}

int NASAreadDataStringDesc(ZARFFILE* file, int dataId, int descType, char* text, int textsize) {
    NASAfile* it = nasaFileOf(file);
    if (it == nullptr || dataId < 1 || dataId > it->primaryVariableCount) return 0;
    const NASAfield& f = it->primaryField[static_cast<size_t>(dataId) - 1];
    return describe(file, f, f.nameFromFile, descType, text, textsize);
}

int NASAqueryMaxMetadataCount(ZARFFILE* file, int record) {
    NASAfile* it = nasaFileOf(file);
    if (it == nullptr || record < 1 || record > it->recordCount()) return 0;
    return static_cast<int>(it->auxColumnCount);
}

int NASAreadRealMetadata(ZARFFILE* file, int record, int* requestlist, int requestcount, float* responselist) {
    NASAfile* it = recordOf(file, record);
    if (it == nullptr) return -1;
    if (requestlist == nullptr || responselist == nullptr) return 0;
    const std::vector<float>& row = it->a[static_cast<size_t>(record) - 1];
    size_t position = 0;  // the next column the enumeration of available fields tries
    int delivered = 0;
    for (int i = 0; i < requestcount; ++i) {
        if (requestlist[i] == NextAvailableField) {
            while (position < it->field.size() && it->field[position].fieldID == 0) ++position;
            if (position >= it->field.size()) {
                requestlist[i] = -requestlist[i];
                continue;
            }
            const NASAfield& f = it->field[position++];
            requestlist[i] = f.fieldID;
            responselist[i] = row[static_cast<size_t>(f.index)];
            ++delivered;
            continue;
        }
        const NASAfield* f = fieldNamed(*it, requestlist[i]);
        if (f == nullptr) {
            // INT_MIN has no negation and stays as it is.
            if (requestlist[i] != INT_MIN) requestlist[i] = -requestlist[i];
            continue;
        }
        responselist[i] = row[static_cast<size_t>(f->index)];
        ++delivered;
    }
    return delivered;
}

int NASAreadMetadataStringDesc(ZARFFILE* file, int record, int fieldId, int descType, char* text, int textsize) {
    NASAfile* it = recordOf(file, record);
    if (it == nullptr) return 0;
    const NASAfield* f = fieldNamed(*it, fieldId);
    if (f == nullptr) {
        file->lastError = MsgBadField;
        return 0;
    }
    return describe(file, *f, f->map->fieldIDString, descType, text, textsize);
}

const Methods NASA_Methods = {
    NASAisFileReadable,         DEFAULTopenFileWritable,     NASAopenFileReadable,
    NASAcloseFile,              NASAreadRecordCount,         NASAreadRecordSize,
    NASAreadDepValues,          NASAreadIndDomain,           NASAreadIndValues,
    NASAqueryMaxMetadataCount,  NASAreadRealMetadata,        NASAreadMetadataStringDesc,
    DEFAULTwriteDepValues,      DEFAULTwriteRealMetadata,    DEFAULTcopyMetadata,
    DEFAULTwriteCompleteRecord, DEFAULTwriteStringDesc,      NASAselectData,
    NASAqueryMaxDataCount,      NASAqueryDataTypes,          NASAreadDataStringDesc,
    DEFAULTreadIndDomainDouble, DEFAULTreadIndValuesDouble,  DEFAULTqueryVersion,
};

}  // extern "C"
